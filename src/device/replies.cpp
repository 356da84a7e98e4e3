#include "device/replies.h"

#include <algorithm>

#include "control/conversions.h"

namespace rv720 {

namespace {

// The frame carries every payload byte up to `last` and its two sum bytes after it.
bool holds(FrameView frame, std::size_t last) {
    return frame.size() >= last + 3;
}

}  // namespace

std::optional<MotorState> decodeMotorReply(FrameView frame) {
    if (!holds(frame, 25)) return std::nullopt;
    MotorState s;
    // The monitor's own readings, so the windows, the tool and the tests share one rule.
    for (int m = 0; m < 3; ++m) {
        s.position[m] = decodePosition(&frame[8 + 3 * m]);
        s.rawVelocity[m] = decodeVelocity(&frame[17 + 3 * m]);
    }
    return s;
}

std::optional<std::array<bool, kLampCount>> decodeLamps(FrameView frame) {
    if (!holds(frame, 7 + kLampCount)) return std::nullopt;
    std::array<bool, kLampCount> on{};
    for (int k = 0; k < kLampCount; ++k)
        on[k] = frame[8 + k] != 0;
    return on;
}

std::vector<std::uint8_t> decodeMessage(FrameView frame) {
    if (!holds(frame, 8)) return {};
    const std::size_t available = frame.size() - 2 - 9;
    const std::size_t n = std::min<std::size_t>(frame[8], available);
    return {frame.begin() + 9, frame.begin() + 9 + n};
}

std::optional<std::string> decodeFirmwareVersion(FrameView frame) {
    if (!holds(frame, 9)) return std::nullopt;
    return std::to_string(frame[8]) + "." + std::to_string(frame[9]);
}

std::optional<std::uint16_t> decodeExecutedLine(FrameView frame) {
    if (!holds(frame, 9)) return std::nullopt;
    return readBe16(&frame[8]);
}

std::optional<std::uint8_t> decodeRefusedCode(FrameView frame) {
    if (!holds(frame, 8)) return std::nullopt;
    return frame[8];
}

std::optional<ReadHeader> decodeReadHeader(FrameView frame) {
    if (!holds(frame, 29)) return std::nullopt;
    ReadHeader h;
    h.length = readBe16(&frame[8]);
    std::copy_n(frame.begin() + 10, kInputBreakSize, h.block.begin());
    return h;
}

std::optional<ReadRecord> decodeReadRecord(FrameView frame) {
    if (!holds(frame, 19)) return std::nullopt;
    ReadRecord r;
    r.index = readBe16(&frame[8]);
    std::copy_n(frame.begin() + 10, kRecordSize, r.record.begin());
    return r;
}

}  // namespace rv720
