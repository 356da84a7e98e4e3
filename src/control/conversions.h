#pragma once
// Direct-control values and monitor readings in the controller's own units.
//
// The controller counts with a 16 MHz clock and a motion chip of fixed width:
//   velocity      signed, steps/s x 2^20 / 16,000,000 (one unit is about 15.26 steps/s);
//                 12 bits on the chip, so a set velocity is limited to -2047 ... 2047 and
//                 the minimum and maximum velocity to 1 ... 2047 (zero would stall a ramp);
//   acceleration  a [rev/s^2] x S x D x K, K = 2^38 x pi^2 / (16,000,000^2 x 180), limited
//                 to 1 ... 2047 (11 bits);
//   position      plain steps in a 24-bit counter, limited to -8,388,607 ... 8,388,607.
// S is the motor's steps per revolution and D its step divisor, both kept by the station.
//
// The station has always rounded its intermediate results to single precision (the
// products themselves are taken in extended precision), and the controller units are
// truncations of those, so the rounding steps below are part of the result: 1 rev/s at
// 200 steps and divisor 8 is 104 units, not 105.
//
// The direct commands carry these values as protocol/commands.h describes; the
// monitor reads them from the motor-state reply (protocol/replies.h).
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/program_image.h"
#include "protocol/codes.h"

namespace rv720 {

// Which value the control window sends; each equals the code of the command it uses.
enum class ControlKind : std::uint8_t {
    WorkMode = protocol::byteOf(protocol::CommandCode::WorkMode),
    MinVelocity = protocol::byteOf(protocol::CommandCode::VMin),
    MaxVelocity = protocol::byteOf(protocol::CommandCode::VMax),
    MaxAcceleration = protocol::byteOf(protocol::CommandCode::AMax),
    SetVelocity = protocol::byteOf(protocol::CommandCode::VDest),
    SetPosition = protocol::byteOf(protocol::CommandCode::XDest),
};

inline constexpr std::int32_t kMaxVelocityUnits = 2047;
inline constexpr std::int32_t kMaxAccelerationUnits = 2047;
inline constexpr std::int32_t kMaxPosition = 8388607;
inline constexpr int kMinStepCount = 1;
inline constexpr int kMaxStepCount = 1000;
inline constexpr int kWorkModeCount = 3;  // Ramp, Soft, Velocity

// Shown when the motor radio buttons do not name exactly one motor.
inline constexpr std::string_view kOneMotorMessage =
    "You can not control more than one motor in the same time.";
inline constexpr std::string_view kOneMotorCaption = "Control";

// The outcome of turning an entered text into controller units. An unreadable text
// is not a value: the window shows its error colour and sends nothing.
struct ControlValue {
    enum class Status : std::uint8_t {
        Converted,   // in range as entered
        Limited,     // out of range, limited to the nearest bound
        Unreadable,  // not a number in the user's notation; value is 0
    };
    Status status = Status::Unreadable;
    std::int32_t value = 0;

    bool readable() const { return status != Status::Unreadable; }
    friend bool operator==(const ControlValue&, const ControlValue&) = default;
};

// Velocity in rev/s to units, single-precision steps included, before limiting.
float velocityUnitsUnlimited(double revPerSecond, const MotorConfig& motor);
// The factor k = S x D x K in single precision, and a x k before limiting.
float accelerationFactor(const MotorConfig& motor);
float accelerationUnitsUnlimited(double revPerSecond2, const MotorConfig& motor);

// Limited and truncated toward zero, as sent. `kind` is MinVelocity, MaxVelocity or
// SetVelocity; the first two never send less than one unit.
ControlValue velocityToUnits(ControlKind kind, double revPerSecond, const MotorConfig& motor);
ControlValue accelerationToUnits(double revPerSecond2, const MotorConfig& motor);
ControlValue limitPosition(std::int64_t steps);

// Reads the `number` box for kinds 5 ... 9: a decimal number in the user's notation for
// velocities and accelerations, an integer for positions. WorkMode has no text value
// and gives Unreadable.
ControlValue readControlValue(ControlKind kind, std::string_view text, char separator,
                              const MotorConfig& motor);

// The step buttons ">" (up) and "<": the step count of `Inc`, limited to 1 ... 1000.
protocol::Message stepCommand(int motor, bool up, int count);

// The motor the radio buttons name, or nullopt when not exactly one is chosen.
std::optional<int> chosenMotor(bool m1, bool m2, bool m3);

// Everything the send button does between reading the window and SendCommand: the
// converted value (its status decides the error colour) and, when it is readable,
// the command to send. `modeIndex` is used by WorkMode only, `text` by the others.
struct DirectSend {
    ControlValue value;
    protocol::Message command;  // meaningful only when value.readable()
};
DirectSend prepareDirectSend(ControlKind kind, int motor, std::string_view text, char separator,
                             const MotorConfig& config, int modeIndex);

// --- Monitor -------------------------------------------------------------------

// Raw velocity to rev/s in single precision, rounded after each step.
float monitorVelocity(std::int32_t rawVelocity, const MotorConfig& motor);
// "0,000" for exactly zero (always a comma); otherwise v + 0.0005 with three decimals.
std::string formatMonitorVelocity(std::int32_t rawVelocity, const MotorConfig& motor,
                                  char separator);
std::string formatMonitorPosition(std::int32_t position);

}  // namespace rv720
