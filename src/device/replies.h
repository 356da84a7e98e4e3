#pragma once
// Payloads of the controller's frames, read from a verified frame as received
// (sync at offset 0, code at 5, status at 6, target at 7, payload from 8). A frame
// too short for the payload its code promises decodes to nothing, so no byte is
// ever taken from beyond the frame.
//
//   0  refusal         8 the refused command's code
//   1  motor state     8..16 positions of motors 1..3 (signed 24-bit BE each),
//                      17..25 velocities (3 bytes BE, low 12 bits two's complement)
//   2  I/O state       8..24 seventeen bytes, non-zero = on
//   11 firmware        8 major, 9 minor
//   14 message         8 count n, 9..8+n characters
//   15 executed line   8..9 zero-based line
//   19 program header  8..9 program length, 10..29 input-break block (INPUT1, INPUT2)
//   20 one record      8..9 index (1-based), 10..19 record bytes b0..b9
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/station_view.h"
#include "model/program_image.h"

namespace rv720 {

using FrameView = std::span<const std::uint8_t>;

inline std::uint8_t frameCode(FrameView f) {
    return f[5];
}
inline std::uint8_t frameStatus(FrameView f) {
    return f[6];
}
inline std::uint8_t frameTarget(FrameView f) {
    return f.size() > 9 ? f[7] : 0;
}

std::optional<MotorState> decodeMotorReply(FrameView frame);
std::optional<std::array<bool, kLampCount>> decodeLamps(FrameView frame);
// Characters beyond the frame's end are not there: the count is cut to what arrived.
std::vector<std::uint8_t> decodeMessage(FrameView frame);
// "1.12" for major 1, minor 12.
std::optional<std::string> decodeFirmwareVersion(FrameView frame);
std::optional<std::uint16_t> decodeExecutedLine(FrameView frame);
std::optional<std::uint8_t> decodeRefusedCode(FrameView frame);

struct ReadHeader {
    std::uint16_t length = 0;
    InputBreakWire block{};
};
std::optional<ReadHeader> decodeReadHeader(FrameView frame);

struct ReadRecord {
    std::uint16_t index = 0;
    Record record{};
};
std::optional<ReadRecord> decodeReadRecord(FrameView frame);

}  // namespace rv720
