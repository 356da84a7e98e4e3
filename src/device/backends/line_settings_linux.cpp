// The line settings a serial port's user gave a terminal, read with the kernel's
// termios2 so that a baud rate outside the standard table (111,111) is seen as
// the number it is. Kept apart: the kernel's termios header clashes with the C
// library's.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

#include "device/ftdi_api.h"

namespace rv720 {

bool terminalHasControllerLine(int fd) {
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0) return false;
    const bool eightBits = (tio.c_cflag & CSIZE) == CS8;
    const bool oneStop = (tio.c_cflag & CSTOPB) == 0;
    const bool noParity = (tio.c_cflag & PARENB) == 0;
    return tio.c_ospeed == kBaudRate && tio.c_ispeed == kBaudRate && eightBits && oneStop &&
           noParity;
}

}  // namespace rv720
