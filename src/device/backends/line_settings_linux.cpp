// A serial port's line through the kernel's termios2, so that a baud rate outside
// the standard table (111,111) is set and seen as the number it is. Kept apart:
// the kernel's termios header clashes with the C library's.
#include "device/backends/line_settings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include "protocol/ftdi_api.h"

namespace rv720 {

namespace {

bool change(int fd, auto&& edit) {
    struct termios2 tio {};
    if (::ioctl(fd, TCGETS2, &tio) != 0) return false;
    edit(tio);
    return ::ioctl(fd, TCSETS2, &tio) == 0;
}

}  // namespace

bool makeRawLine(int fd) {
    return change(fd, [](termios2& tio) {
        tio.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF);
        tio.c_oflag &= ~OPOST;
        tio.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
        // No HUPCL: closing the port must not drop DTR (or RTS) under the controller.
        tio.c_cflag &= ~(CSIZE | PARENB | HUPCL | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        // A read with nothing there says "try again"; one that returns nothing at
        // all is a hang-up.
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
    });
}

bool setLineSpeed(int fd, std::uint32_t baud) {
    return change(fd, [baud](termios2& tio) {
        tio.c_cflag &= ~CBAUD;
        tio.c_cflag |= BOTHER;
        tio.c_ispeed = tio.c_ospeed = baud;
    });
}

bool setLineFraming(int fd, int dataBits, bool twoStopBits, LineParity parity) {
    return change(fd, [&](termios2& tio) {
        tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
        tio.c_cflag |= dataBits == 7 ? CS7 : CS8;
        if (twoStopBits) tio.c_cflag |= CSTOPB;
        switch (parity) {
            case LineParity::None:
                break;
            case LineParity::Odd:
                tio.c_cflag |= PARENB | PARODD;
                break;
            case LineParity::Even:
                tio.c_cflag |= PARENB;
                break;
            case LineParity::Mark:
                tio.c_cflag |= PARENB | CMSPAR | PARODD;
                break;
            case LineParity::Space:
                tio.c_cflag |= PARENB | CMSPAR;
                break;
        }
    });
}

bool setLineFlow(int fd, LineFlow flow) {
    return change(fd, [flow](termios2& tio) {
        tio.c_cflag &= ~CRTSCTS;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        if (flow == LineFlow::RtsCts) tio.c_cflag |= CRTSCTS;
        if (flow == LineFlow::XonXoff) tio.c_iflag |= IXON | IXOFF;
    });
}

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
