#pragma once
// Setting a serial port's line (see line_settings_linux.cpp). Each returns false
// with errno set when the port refused.
#include <cstdint>

namespace rv720 {

enum class LineParity { None, Odd, Even, Mark, Space };
enum class LineFlow { None, RtsCts, XonXoff };

// Raw bytes both ways, the receiver on, modem lines ignored and left as they are
// when the port closes.
bool makeRawLine(int fd);
bool setLineSpeed(int fd, std::uint32_t baud);
bool setLineFraming(int fd, int dataBits, bool twoStopBits, LineParity parity);
bool setLineFlow(int fd, LineFlow flow);
// Whether the port is at the controller's 111,111 baud, 8 bits, one stop, no parity.
bool terminalHasControllerLine(int fd);

}  // namespace rv720
