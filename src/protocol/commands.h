#pragma once
// The station's commands: how the station builds each one and how the controller
// reads it. Data bytes after the target (big-endian numbers):
//
//   1  2  10 11 12 13 18 19 21 22   nothing
//   3  set output      output 1..9 (outputs 1..7, relays 1..2), 1 on / 0 off
//   4  work mode       the mode 0..2, then three zero bytes
//   5..9, 28, 29       a 32-bit value: the limits and the set velocity in velocity
//                      units, the position and the step counts in steps
//   16 write header    program length (16-bit), input-break block (20 bytes)
//   17 write record    index 1..999 (16-bit), record bytes b0..b9
//   20 read record     index 1..999 (16-bit)
//
// A frame too short for what its code carries reads as nothing.
#include <cstdint>
#include <optional>

#include "model/program_image.h"
#include "protocol/codes.h"

namespace rv720::protocol {

// A command that carries the target alone.
Message command(CommandCode code);
Message setOutput(int output, bool on);
Message workMode(int motor, int mode);
// `code` is one of 5..9, 28, 29.
Message motorValue(CommandCode code, int motor, std::int32_t value);

// The program's length and its input-break block: the write header, and the read
// header reply.
struct ProgramHeader {
    std::uint16_t length = 0;
    InputBreakWire block{};
    friend bool operator==(const ProgramHeader&, const ProgramHeader&) = default;
};
// One record and its 1-based index: the write record, and the read record reply.
struct IndexedRecord {
    std::uint16_t index = 0;
    Record record{};
    friend bool operator==(const IndexedRecord&, const IndexedRecord&) = default;
};

Message writeHeader(const ProgramHeader& header);
Message writeRecord(const IndexedRecord& record);
Message readRecord(std::uint16_t index);

// --- the controller's side ----------------------------------------------------

struct OutputSetting {
    std::uint8_t output = 0;  // as sent: the controller checks the range
    bool on = false;
};
struct WorkModeSetting {
    std::uint8_t motor = 0;
    std::uint8_t mode = 0;
};
struct MotorValue {
    std::uint8_t motor = 0;
    std::int32_t value = 0;
};

std::optional<OutputSetting> decodeSetOutput(FrameView frame);
std::optional<WorkModeSetting> decodeWorkMode(FrameView frame);
std::optional<MotorValue> decodeMotorValue(FrameView frame);
std::optional<ProgramHeader> decodeWriteHeader(FrameView frame);
std::optional<IndexedRecord> decodeWriteRecord(FrameView frame);
std::optional<std::uint16_t> decodeReadRecordIndex(FrameView frame);

}  // namespace rv720::protocol
