#include <gtest/gtest.h>

#include <vector>

#include "control/conversions.h"

namespace rv720 {
namespace {

using Status = ControlValue::Status;
constexpr auto kOk = Status::Converted;
constexpr auto kLimited = Status::Limited;
constexpr auto kUnreadable = Status::Unreadable;
constexpr auto kVmin = ControlKind::MinVelocity;
constexpr auto kVmax = ControlKind::MaxVelocity;
constexpr auto kAmax = ControlKind::MaxAcceleration;
constexpr auto kVset = ControlKind::SetVelocity;
constexpr auto kXset = ControlKind::SetPosition;

const MotorConfig kStd{8, 200};  // divisor 8, 200 steps per revolution

// A command as it goes out: its code and its data bytes.
struct Sent {
    std::uint8_t code = 0;
    std::vector<std::uint8_t> data;
    friend bool operator==(const Sent&, const Sent&) = default;
};
Sent sentOf(const protocol::Message& m) {
    return {m.code, {m.data().begin(), m.data().end()}};
}

TEST(EnteredValues, ConvertToControllerUnits) {
    struct {
        ControlKind kind;
        const char* text;
        char separator;
        MotorConfig motor;
        Status status;
        std::int32_t value;
    } cases[] = {
        // Velocities: 1600 steps/s x 2^20 / 16e6 = 104.8576, truncated.
        {kVset, "1", '.', kStd, kOk, 104},
        {kVset, "1,0", ',', kStd, kOk, 104},
        {kVset, "-5", '.', kStd, kOk, -524},
        {kVmax, "10", '.', kStd, kOk, 1048},
        {kVmax, "20", '.', kStd, kLimited, 2047},
        {kVmin, "0", '.', kStd, kLimited, 1},
        {kVmin, "0.01", '.', kStd, kOk, 1},   // 1.05 units
        {kVset, "0.009", '.', kStd, kOk, 0},  // 0.94 units: no lower limit for a set velocity
        {kVset, "-100", '.', kStd, kLimited, -2047},
        {kVset, "1E40", '.', kStd, kLimited, 2047},  // beyond the single range
        {kVset, "1", '.', MotorConfig{8, 400}, kOk, 209},
        {kVset, "0.1", '.', MotorConfig{256, 200}, kOk, 335},
        {kVset, "0,1", ',', MotorConfig{256, 200}, kOk, 335},
        // 19.207 in single precision lies above the typed value: 2014, where a
        // double-precision product gives 2013.9999 and would send 2013.
        {kVset, "19.207", '.', kStd, kOk, 2014},
        {kVset, "-19,207", ',', kStd, kOk, -2014},
        // Accelerations: a x S x D x K.
        {kAmax, "1000", '.', kStd, kOk, 94},
        {kAmax, "10000,0", ',', kStd, kOk, 941},
        {kAmax, "30000", '.', kStd, kLimited, 2047},
        {kAmax, "-50", '.', kStd, kLimited, 1},
        {kAmax, "1518.06", '.', kStd, kOk, 143},  // k in single precision: 142.99999 exactly
        {kAmax, "1000", '.', MotorConfig{16, 200}, kOk, 188},
        // Positions: steps, limited to the 24-bit counter.
        {kXset, "-100", '.', kStd, kOk, -100},
        {kXset, "-8388607", '.', kStd, kOk, -8388607},
        {kXset, "8388608", '.', kStd, kLimited, 8388607},
        {kXset, "1000000000", '.', kStd, kLimited, 8388607},
        {kXset, "-99999999999", '.', kStd, kLimited, -8388607},  // too long for 32 bits
        // Not numbers in the user's notation.
        {kVset, "abc", '.', kStd, kUnreadable, 0},
        {kVset, "", '.', kStd, kUnreadable, 0},
        {kVmax, "1.5", ',', kStd, kUnreadable, 0},
        {kAmax, "1e", '.', kStd, kUnreadable, 0},
        {kXset, "12.5", '.', kStd, kUnreadable, 0},
        {kXset, "12 ", '.', kStd, kUnreadable, 0},  // as the integer reader has it
        {kXset, "99999999999x", '.', kStd, kUnreadable, 0},
        {kXset, "-", '.', kStd, kUnreadable, 0},
        {ControlKind::WorkMode, "1", '.', kStd, kUnreadable, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readControlValue(c.kind, c.text, c.separator, c.motor),
                  (ControlValue{c.status, c.value}))
            << "kind " << int(c.kind) << " '" << c.text << "' S " << c.motor.stepsPerRev << " D "
            << c.motor.stepDivisor;
}

TEST(DirectSend, CommandsAndTheirDataBytes) {
    struct {
        ControlKind kind;
        int motor;
        const char* text;
        int modeIndex;
        Sent expected;
    } cases[] = {
        {kVset, 1, "1", 0, {8, {1, 0, 0, 0, 104}}},
        {kVset, 1, "-5", 0, {8, {1, 0xFF, 0xFF, 0xFD, 0xF4}}},
        {kVmax, 2, "10", 0, {6, {2, 0, 0, 0x04, 0x18}}},
        {kVmin, 3, "0", 0, {5, {3, 0, 0, 0, 1}}},
        {kAmax, 1, "10000", 0, {7, {1, 0, 0, 0x03, 0xAD}}},
        {kXset, 1, "1000000000", 0, {9, {1, 0x00, 0x7F, 0xFF, 0xFF}}},
        {kXset, 2, "-100", 0, {9, {2, 0xFF, 0xFF, 0xFF, 0x9C}}},
        {ControlKind::WorkMode, 3, "junk", 1, {4, {3, 1, 0, 0, 0}}},  // the text is not read
        {ControlKind::WorkMode, 1, "", 7, {4, {1, 2, 0, 0, 0}}},      // index limited
    };
    for (const auto& c : cases) {
        const DirectSend send = prepareDirectSend(c.kind, c.motor, c.text, '.', kStd, c.modeIndex);
        EXPECT_TRUE(send.value.readable()) << c.text;
        EXPECT_EQ(sentOf(send.command), c.expected) << int(c.kind) << " " << c.text;
    }
    const DirectSend unreadable = prepareDirectSend(kVset, 1, "abc", '.', kStd, 0);
    EXPECT_FALSE(unreadable.value.readable());
    EXPECT_EQ(unreadable.command.code, 0) << "nothing to send";
}

TEST(DirectSend, StepButtonsAndMotorChoice) {
    struct {
        bool up;
        int count;
        Sent expected;
    } steps[] = {
        {true, 500, {28, {2, 0, 0, 1, 0xF4}}},
        {false, 500, {29, {2, 0, 0, 1, 0xF4}}},
        {true, 0, {28, {2, 0, 0, 0, 1}}},            // below the list: one step
        {false, 5000, {29, {2, 0, 0, 0x03, 0xE8}}},  // above it: 1000
    };
    for (const auto& c : steps)
        EXPECT_EQ(sentOf(stepCommand(2, c.up, c.count)), c.expected) << c.count;

    EXPECT_EQ(chosenMotor(false, true, false), 2);
    EXPECT_EQ(chosenMotor(false, false, true), 3);
    EXPECT_EQ(chosenMotor(false, false, false), std::nullopt);
    EXPECT_EQ(chosenMotor(true, false, true), std::nullopt);
}

TEST(MonitorDecoding, VelocityDisplay) {
    struct {
        std::int32_t raw;
        MotorConfig motor;
        char separator;
        const char* shown;
    } cases[] = {
        {100, kStd, '.', "0.954"},
        {100, kStd, ',', "0,954"},
        {-1, kStd, '.', "-0.009"},
        {0, kStd, '.', "0,000"},  // zero keeps its comma everywhere
        {0, kStd, ',', "0,000"},
        {2047, kStd, '.', "19.522"},
        {-2048, kStd, ',', "-19,531"},
        {2047, MotorConfig{1, 1}, '.', "31234.740"},  // seven significant digits
        {104, MotorConfig{8, 400}, '.', "0.496"},
        {100, MotorConfig{0, 200}, '.', "1525.879"},  // an impossible divisor 0 counts as 1
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatMonitorVelocity(c.raw, c.motor, c.separator), c.shown)
            << c.raw << " S " << c.motor.stepsPerRev << " D " << c.motor.stepDivisor;
}

}  // namespace
}  // namespace rv720
