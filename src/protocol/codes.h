#pragma once
// The codes of the frames in both directions, and one command or reply before it is
// framed. Every frame's data starts with its target: a motor 1..3 for the motor
// commands (work mode, limits, set velocity and position, steps) and their replies,
// kController for everything else.
//
// A command is answered with the reply of the same code, except the write header
// (16), which is acknowledged like a record (17). A command the controller cannot
// take is answered with a refusal (0) that names its code. Line reports (15),
// program messages (14) and the end of a run (13 with status 0) come on the
// controller's own.
#include <array>
#include <cstdint>
#include <span>

#include "protocol/frame.h"

namespace rv720::protocol {

// Station to controller.
enum class CommandCode : std::uint8_t {
    MotorState = 1,
    IoState = 2,
    SetOutput = 3,
    WorkMode = 4,
    VMin = 5,
    VMax = 6,
    AMax = 7,
    VDest = 8,
    XDest = 9,
    Connect = 10,
    FirmwareVersion = 11,
    Run = 12,
    Stop = 13,
    WriteHeader = 16,
    WriteRecord = 17,
    TransferEnd = 18,
    ReadHeader = 19,
    ReadRecord = 20,
    FirmwareUpdate = 21,
    Reset = 22,
    StepUp = 28,
    StepDown = 29,
};

// Controller to station.
enum class ReplyCode : std::uint8_t {
    Refused = 0,
    MotorState = 1,
    IoState = 2,
    OutputsSet = 3,
    WorkModeSet = 4,
    VMinSet = 5,
    VMaxSet = 6,
    AMaxSet = 7,
    VDestSet = 8,
    XDestSet = 9,
    Connected = 10,
    FirmwareVersion = 11,
    Running = 12,  // status 1 when the program started
    Stopped = 13,  // also on its own, status 0, when a program ends
    UsbMessage = 14,
    ExecutedLine = 15,
    RecordStored = 17,
    TransferEnded = 18,
    ReadHeader = 19,
    ReadRecord = 20,
    FirmwareAccepted = 21,
    ResetDone = 22,
    FirmwareFileRequested = 23,
    FirmwareDone = 24,
    FirmwareFailed = 25,
    StepUpSet = 28,
    StepDownSet = 29,
};

inline constexpr std::uint8_t kController = 4;  // the target "the controller as a whole"

constexpr std::uint8_t byteOf(CommandCode c) {
    return static_cast<std::uint8_t>(c);
}
constexpr std::uint8_t byteOf(ReplyCode c) {
    return static_cast<std::uint8_t>(c);
}

// The reply that answers `command`.
constexpr ReplyCode answerTo(CommandCode command) {
    return command == CommandCode::WriteHeader ? ReplyCode::RecordStored
                                               : static_cast<ReplyCode>(byteOf(command));
}

// Commands that name a motor as their target, and whose reply names it back.
constexpr bool isMotorCommand(CommandCode c) {
    return (c >= CommandCode::WorkMode && c <= CommandCode::XDest) || c == CommandCode::StepUp ||
           c == CommandCode::StepDown;
}

// One command or reply before it is framed: its code and its data, target first.
struct Message {
    std::uint8_t code = 0;
    std::array<std::uint8_t, kMaxTxData> bytes{};
    std::uint8_t size = 0;

    std::span<const std::uint8_t> data() const { return {bytes.data(), size}; }
    friend bool operator==(const Message&, const Message&) = default;
};

inline Frame toFrame(const Message& m, std::uint8_t status = 0) {
    return buildFrame(m.code, status, m.data());
}

// The firmware update: after the controller has asked for the file, one byte of its
// own (0x55, alternating bits, which no frame begins with and which stands out in a
// hex log), a pause in which the controller prepares its flash, then the file's bytes
// unframed.
inline constexpr std::uint8_t kFirmwareStartByte = 0x55;
inline constexpr int kFirmwarePauseMs = 1000;

}  // namespace rv720::protocol
