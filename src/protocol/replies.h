#pragma once
// The controller's replies: how the controller builds each one and how the station
// reads it. Data bytes after the target (big-endian numbers):
//
//   0  refusal         the refused command's code
//   1  motor state     positions of motors 1..3 (signed 24-bit each), then their
//                      velocities (3 bytes each, the low 12 bits two's complement)
//   2  I/O state       seventeen bytes, non-zero = on: outputs 1..7, relays 1..2,
//                      inputs 1..6, RUN, STOP
//   11 firmware        major, minor
//   14 message         count n, then n characters
//   15 executed line   the zero-based line (16-bit)
//   19 program header  program length (16-bit), input-break block (20 bytes)
//   20 one record      index (16-bit, 1-based), record bytes b0..b9
//   the others         nothing: the target alone
//
// A reply too short for the payload its code promises reads as nothing.
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "protocol/commands.h"

namespace rv720::protocol {

// Raw contents of a motor-state reply; display units are the reader's business.
struct MotorState {
    std::array<std::int32_t, 3> position{};     // steps, signed 24-bit
    std::array<std::int32_t, 3> rawVelocity{};  // controller units, signed 12-bit
    friend bool operator==(const MotorState&, const MotorState&) = default;
};

inline constexpr int kLampCount = 17;
// The seventeen lamps of the I/O state, in reply order.
using Lamps = std::array<bool, kLampCount>;

struct FirmwareVersion {
    std::uint8_t major = 0;
    std::uint8_t minor = 0;
    std::string text() const;  // "1.12" for major 1, minor 12
    friend bool operator==(const FirmwareVersion&, const FirmwareVersion&) = default;
};

// The fields of the motor-state reply. A position beyond 24 bits wraps as the
// counter does; a velocity beyond 12 bits is limited to -2048 ... 2047.
using Field3 = std::array<std::uint8_t, 3>;
Field3 encodePosition(std::int64_t steps);
Field3 encodeVelocity(std::int32_t units);
// FF FF FF is -1, 80 00 00 is -8,388,608.
std::int32_t decodePosition(const std::uint8_t* bytes);
// The low 12 bits as two's complement (00 0F FF is -1); the high bits are ignored,
// so a sign-extended field (FF FF FF) also reads -1.
std::int32_t decodeVelocity(const std::uint8_t* bytes);

// The reply of the same code that carries the target alone.
Message acknowledge(ReplyCode code, std::uint8_t target = kController);
Message refusal(std::uint8_t refusedCode);
Message motorStateReply(const MotorState& state);
Message ioStateReply(const Lamps& lamps);
Message versionReply(FirmwareVersion version);
// The count byte says how many characters follow.
Message usbMessageReply(std::span<const std::uint8_t> characters);
Message executedLineReply(std::uint16_t line);
Message readHeaderReply(const ProgramHeader& header);
Message readRecordReply(const IndexedRecord& record);

// --- the station's side -------------------------------------------------------

std::optional<std::uint8_t> decodeRefusedCode(FrameView frame);
std::optional<MotorState> decodeMotorState(FrameView frame);
std::optional<Lamps> decodeLamps(FrameView frame);
std::optional<FirmwareVersion> decodeFirmwareVersion(FrameView frame);
// Characters beyond the frame's end are not there: the count is cut to what arrived.
// Nothing when the frame has no count byte.
std::optional<std::vector<std::uint8_t>> decodeUsbMessage(FrameView frame);
std::optional<std::uint16_t> decodeExecutedLine(FrameView frame);
std::optional<ProgramHeader> decodeReadHeader(FrameView frame);
std::optional<IndexedRecord> decodeReadRecord(FrameView frame);

}  // namespace rv720::protocol
