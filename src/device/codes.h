#pragma once
// Frame codes in both directions and the constants of the firmware update.
#include <cstdint>

namespace rv720 {

// Station to controller. Every command carries the target byte first: a motor
// 1..3, or kControllerTarget.
namespace cmd {
inline constexpr std::uint8_t MotorState = 1;
inline constexpr std::uint8_t IoState = 2;
inline constexpr std::uint8_t SetOutput = 3;
inline constexpr std::uint8_t WorkMode = 4;
inline constexpr std::uint8_t VMin = 5;
inline constexpr std::uint8_t VMax = 6;
inline constexpr std::uint8_t AMax = 7;
inline constexpr std::uint8_t VDest = 8;
inline constexpr std::uint8_t XDest = 9;
inline constexpr std::uint8_t FirmwareVersion = 11;
inline constexpr std::uint8_t Run = 12;
inline constexpr std::uint8_t Stop = 13;
inline constexpr std::uint8_t WriteHeader = 16;
inline constexpr std::uint8_t WriteRecord = 17;
inline constexpr std::uint8_t TransferEnd = 18;
inline constexpr std::uint8_t ReadHeader = 19;
inline constexpr std::uint8_t ReadRecord = 20;
inline constexpr std::uint8_t FirmwareUpdate = 21;
inline constexpr std::uint8_t Reset = 22;
inline constexpr std::uint8_t StepUp = 28;
inline constexpr std::uint8_t StepDown = 29;
}  // namespace cmd

// Controller to station.
namespace reply {
// A command the controller cannot take: the target byte, then the refused code.
inline constexpr std::uint8_t Refused = 0;
inline constexpr std::uint8_t MotorState = 1;
inline constexpr std::uint8_t IoState = 2;
inline constexpr std::uint8_t OutputsSet = 3;
inline constexpr std::uint8_t WorkModeSet = 4;
inline constexpr std::uint8_t VMinSet = 5;
inline constexpr std::uint8_t VMaxSet = 6;
inline constexpr std::uint8_t AMaxSet = 7;
inline constexpr std::uint8_t VDestSet = 8;
inline constexpr std::uint8_t XDestSet = 9;
inline constexpr std::uint8_t Connected = 10;
inline constexpr std::uint8_t FirmwareVersion = 11;
inline constexpr std::uint8_t Message = 14;
inline constexpr std::uint8_t ExecutedLine = 15;
inline constexpr std::uint8_t RecordStored = 17;
inline constexpr std::uint8_t TransferEnded = 18;
inline constexpr std::uint8_t ReadHeader = 19;
inline constexpr std::uint8_t ReadRecord = 20;
inline constexpr std::uint8_t FirmwareAccepted = 21;
inline constexpr std::uint8_t FirmwareFileRequested = 23;
inline constexpr std::uint8_t FirmwareDone = 24;
inline constexpr std::uint8_t FirmwareFailed = 25;
inline constexpr std::uint8_t StepUpSet = 28;
inline constexpr std::uint8_t StepDownSet = 29;
}  // namespace reply

inline constexpr std::uint8_t kTarget = 4;  // the controller as a whole

// The byte written on its own after the controller has asked for the firmware file
// and before the 1000 ms pause in which it prepares its flash: 0x55, alternating
// bits, which no frame begins with and which stands out in a hex log. The file's
// bytes follow unframed.
inline constexpr std::uint8_t kFirmwareStartByte = 0x55;
inline constexpr int kFirmwarePauseMs = 1000;
inline constexpr int kFirmwareGaugeMaximum = 32500;

}  // namespace rv720
