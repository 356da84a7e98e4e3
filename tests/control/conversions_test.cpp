#include <gtest/gtest.h>

#include "control/conversions.h"

namespace rv720 {
namespace {

using Status = ControlValue::Status;

const MotorConfig kStandard{8, 200};  // divisor 8, 200 steps per revolution

struct EntryCase {
    ControlKind kind;
    const char* text;
    char separator;
    MotorConfig motor;
    Status status;
    std::int32_t value;
};

void PrintTo(const EntryCase& c, std::ostream* os) {
    *os << "kind " << int(c.kind) << " text '" << c.text << "' sep '" << c.separator << "' S "
        << c.motor.stepsPerRev << " D " << c.motor.stepDivisor;
}

class EnteredValues : public testing::TestWithParam<EntryCase> {};

TEST_P(EnteredValues, ConvertToControllerUnits) {
    const EntryCase& c = GetParam();
    const ControlValue v = readControlValue(c.kind, c.text, c.separator, c.motor);
    EXPECT_EQ(v.status, c.status);
    EXPECT_EQ(v.value, c.value);
}

constexpr auto kVmin = ControlKind::MinVelocity;
constexpr auto kVmax = ControlKind::MaxVelocity;
constexpr auto kAmax = ControlKind::MaxAcceleration;
constexpr auto kVset = ControlKind::SetVelocity;
constexpr auto kXset = ControlKind::SetPosition;

INSTANTIATE_TEST_SUITE_P(
    Velocities, EnteredValues,
    testing::Values(
        // 1600 steps/s x 2^20 / 16e6 = 104.8576, truncated.
        EntryCase{kVset, "1", '.', kStandard, Status::Converted, 104},
        EntryCase{kVset, "1,0", ',', kStandard, Status::Converted, 104},
        EntryCase{kVset, "-5", '.', kStandard, Status::Converted, -524},
        EntryCase{kVset, "-5,5", ',', kStandard, Status::Converted, -576},
        EntryCase{kVmax, "10", '.', kStandard, Status::Converted, 1048},
        EntryCase{kVmax, "20", '.', kStandard, Status::Limited, 2047},
        EntryCase{kVmin, "0", '.', kStandard, Status::Limited, 1},
        EntryCase{kVmin, "-3", '.', kStandard, Status::Limited, 1},
        EntryCase{kVmin, "0.01", '.', kStandard, Status::Converted, 1},  // 1.048 units
        EntryCase{kVset, "0", '.', kStandard, Status::Converted, 0},
        EntryCase{kVset, "0.009", '.', kStandard, Status::Converted, 0},  // 0.94 units
        EntryCase{kVset, "100", '.', kStandard, Status::Limited, 2047},
        EntryCase{kVset, "-100", '.', kStandard, Status::Limited, -2047},
        EntryCase{kVset, "1E40", '.', kStandard, Status::Limited, 2047},  // beyond single range
        EntryCase{kVset, "-1E40", '.', kStandard, Status::Limited, -2047},
        // 400 steps: 3200 steps/s; divisor 256 at 200 steps: 0.1 rev/s is 5120 steps/s.
        EntryCase{kVset, "1", '.', MotorConfig{8, 400}, Status::Converted, 209},
        EntryCase{kVset, "0.1", '.', MotorConfig{256, 200}, Status::Converted, 335},
        EntryCase{kVset, "0,1", ',', MotorConfig{256, 200}, Status::Converted, 335},
        EntryCase{kVmax, "1", '.', MotorConfig{1, 1}, Status::Limited, 1},  // 0.066 units
        // The single-precision entry 19.207 lies just above the typed value: 2014, where
        // a double-precision product would give 2013.9999 and send 2013.
        EntryCase{kVset, "19.207", '.', kStandard, Status::Converted, 2014},
        EntryCase{kVset, "-19,207", ',', kStandard, Status::Converted, -2014}));

INSTANTIATE_TEST_SUITE_P(
    Accelerations, EnteredValues,
    testing::Values(EntryCase{kAmax, "1000", '.', kStandard, Status::Converted, 94},
                    EntryCase{kAmax, "10000", '.', kStandard, Status::Converted, 941},
                    EntryCase{kAmax, "10000,0", ',', kStandard, Status::Converted, 941},
                    EntryCase{kAmax, "30000", '.', kStandard, Status::Limited, 2047},
                    EntryCase{kAmax, "0", '.', kStandard, Status::Limited, 1},
                    EntryCase{kAmax, "-50", '.', kStandard, Status::Limited, 1},
                    // k in single precision: 1518.06 gives 143 (142.99999 exactly).
                    EntryCase{kAmax, "1518.06", '.', kStandard, Status::Converted, 143},
                    EntryCase{kAmax, "1000", '.', MotorConfig{16, 200}, Status::Converted, 188}));

INSTANTIATE_TEST_SUITE_P(
    Positions, EnteredValues,
    testing::Values(EntryCase{kXset, "-100", '.', kStandard, Status::Converted, -100},
                    EntryCase{kXset, "8388607", '.', kStandard, Status::Converted, 8388607},
                    EntryCase{kXset, "-8388607", '.', kStandard, Status::Converted, -8388607},
                    EntryCase{kXset, "8388608", '.', kStandard, Status::Limited, 8388607},
                    EntryCase{kXset, "-8388608", '.', kStandard, Status::Limited, -8388607},
                    EntryCase{kXset, "1000000000", '.', kStandard, Status::Limited, 8388607},
                    // Too long for 32 bits is still out of range, not unreadable.
                    EntryCase{kXset, "99999999999", '.', kStandard, Status::Limited, 8388607},
                    EntryCase{kXset, "-99999999999", '.', kStandard, Status::Limited, -8388607},
                    EntryCase{kXset, " 42", '.', kStandard, Status::Converted, 42}));

INSTANTIATE_TEST_SUITE_P(
    Unreadable, EnteredValues,
    testing::Values(EntryCase{kVset, "abc", '.', kStandard, Status::Unreadable, 0},
                    EntryCase{kVset, "", '.', kStandard, Status::Unreadable, 0},
                    EntryCase{kVmax, "1.5", ',', kStandard, Status::Unreadable, 0},
                    EntryCase{kVmin, "0,1", '.', kStandard, Status::Unreadable, 0},
                    EntryCase{kAmax, "1e", '.', kStandard, Status::Unreadable, 0},
                    EntryCase{kXset, "12.5", '.', kStandard, Status::Unreadable, 0},
                    EntryCase{kXset, "12a", '.', kStandard, Status::Unreadable, 0},
                    EntryCase{kXset, "-", '.', kStandard, Status::Unreadable, 0},
                    EntryCase{ControlKind::WorkMode, "1", '.', kStandard, Status::Unreadable, 0}));

TEST(ConversionSteps, AccelerationFactorIsRoundedToSingle) {
    // S x D x K with K = 2^38 pi^2 / (16e6^2 x 180) = 5.8874e-5.
    EXPECT_NEAR(accelerationFactor(MotorConfig{1, 1}), 5.8874e-5f, 1e-9f);
    EXPECT_NEAR(accelerationFactor(kStandard), 0.0941986f, 1e-6f);
    const float k = accelerationFactor(kStandard);
    EXPECT_EQ(k, float(k)) << "k travels as a single";
    EXPECT_EQ(accelerationUnitsUnlimited(1000, kStandard), float(1000.0L * k));
}

// --- Data bytes -------------------------------------------------------------------

struct SendCase {
    const char* name;
    ControlKind kind;
    int motor;
    const char* text;
    char separator;
    int modeIndex;
    DirectCommand expected;
};

TEST(DirectSend, BuildsTheCommandAndItsDataBytes) {
    const SendCase cases[] = {
        {"set velocity 1", kVset, 1, "1", '.', 0, {8, {1, 0, 0, 0, 104}}},
        {"set velocity -5", kVset, 1, "-5", '.', 0, {8, {1, 0xFF, 0xFF, 0xFD, 0xF4}}},
        {"max velocity 10 on motor 2", kVmax, 2, "10", '.', 0, {6, {2, 0, 0, 0x04, 0x18}}},
        {"min velocity 0", kVmin, 3, "0", '.', 0, {5, {3, 0, 0, 0, 1}}},
        {"acceleration 10000", kAmax, 1, "10000", '.', 0, {7, {1, 0, 0, 0x03, 0xAD}}},
        {"position 1e9", kXset, 1, "1000000000", '.', 0, {9, {1, 0x00, 0x7F, 0xFF, 0xFF}}},
        {"position -100", kXset, 2, "-100", '.', 0, {9, {2, 0xFF, 0xFF, 0xFF, 0x9C}}},
        {"mode Soft on motor 3", ControlKind::WorkMode, 3, "junk", '.', 1, {4, {3, 1, 0, 0, 0}}},
        {"mode Velocity", ControlKind::WorkMode, 1, "", '.', 2, {4, {1, 2, 0, 0, 0}}},
        {"mode index beyond the list", ControlKind::WorkMode, 1, "", '.', 7, {4, {1, 2, 0, 0, 0}}},
    };
    for (const auto& c : cases) {
        const DirectSend send =
            prepareDirectSend(c.kind, c.motor, c.text, c.separator, kStandard, c.modeIndex);
        EXPECT_TRUE(send.value.readable()) << c.name;
        EXPECT_EQ(send.command, c.expected) << c.name;
    }
}

TEST(DirectSend, UnreadableTextSendsNothing) {
    const DirectSend send = prepareDirectSend(kVset, 1, "abc", '.', kStandard, 0);
    EXPECT_FALSE(send.value.readable());
    EXPECT_EQ(send.command.code, 0) << "no command is prepared for an unreadable text";
}

TEST(DirectSend, StepButtonsSendTheCountOfInc) {
    struct {
        bool up;
        int motor;
        int count;
        DirectCommand expected;
    } cases[] = {
        {true, 2, 500, {28, {2, 0, 0, 1, 0xF4}}},     {false, 2, 500, {29, {2, 0, 0, 1, 0xF4}}},
        {true, 1, 1, {28, {1, 0, 0, 0, 1}}},          {false, 3, 1000, {29, {3, 0, 0, 0x03, 0xE8}}},
        {true, 1, 0, {28, {1, 0, 0, 0, 1}}},           // below the list: one step
        {true, 1, 5000, {28, {1, 0, 0, 0x03, 0xE8}}},  // above the list: 1000 steps
        {false, 1, -20, {29, {1, 0, 0, 0, 1}}},        // never a negative count
    };
    for (const auto& c : cases)
        EXPECT_EQ(stepCommand(c.motor, c.up, c.count), c.expected)
            << (c.up ? "up " : "down ") << c.count;
}

TEST(DirectSend, ExactlyOneMotorMustBeChosen) {
    struct {
        bool m1, m2, m3;
        std::optional<int> motor;
    } cases[] = {
        {true, false, false, 1},           {false, true, false, 2},
        {false, false, true, 3},           {false, false, false, std::nullopt},
        {true, true, false, std::nullopt}, {true, true, true, std::nullopt},
        {false, true, true, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chosenMotor(c.m1, c.m2, c.m3), c.motor) << c.m1 << c.m2 << c.m3;
}

// --- Monitor ----------------------------------------------------------------------

TEST(MonitorDecoding, PositionsAreSigned24Bit) {
    struct {
        std::uint8_t bytes[3];
        std::int32_t position;
        const char* shown;
    } cases[] = {
        {{0xFF, 0xFF, 0xFF}, -1, "-1"},           {{0x80, 0x00, 0x00}, -8388608, "-8388608"},
        {{0x7F, 0xFF, 0xFF}, 8388607, "8388607"}, {{0x00, 0x00, 0x00}, 0, "0"},
        {{0x01, 0x02, 0x03}, 66051, "66051"},     {{0xFF, 0xFF, 0x9C}, -100, "-100"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodePosition(c.bytes), c.position);
        EXPECT_EQ(formatMonitorPosition(decodePosition(c.bytes)), c.shown);
    }
}

TEST(MonitorDecoding, VelocitiesAreTwelveBitTwosComplement) {
    struct {
        std::uint8_t bytes[3];
        std::int32_t raw;
    } cases[] = {
        {{0x00, 0x0F, 0xFF}, -1},    {{0x00, 0x00, 0x64}, 100}, {{0x00, 0x07, 0xFF}, 2047},
        {{0x00, 0x08, 0x00}, -2048}, {{0x00, 0x00, 0x00}, 0},   {{0x00, 0x0F, 0x0C}, -244},
        {{0xFF, 0xFF, 0xFF}, -1},  // sign-extended to 24 bits reads the same
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeVelocity(c.bytes), c.raw)
            << int(c.bytes[0]) << ' ' << int(c.bytes[1]) << ' ' << int(c.bytes[2]);
}

TEST(MonitorDecoding, VelocityDisplay) {
    struct {
        std::int32_t raw;
        MotorConfig motor;
        char separator;
        const char* shown;
    } cases[] = {
        {100, kStandard, '.', "0.954"},
        {100, kStandard, ',', "0,954"},
        {-1, kStandard, '.', "-0.009"},
        {-1, kStandard, ',', "-0,009"},
        {0, kStandard, '.', "0,000"},  // zero keeps its comma everywhere
        {0, kStandard, ',', "0,000"},
        {2047, kStandard, '.', "19.522"},
        {-2048, kStandard, '.', "-19.531"},
        {1, kStandard, '.', "0.010"},
        // 31234.7421875 rev/s: seven significant digits leave two decimals.
        {2047, MotorConfig{1, 1}, '.', "31234.740"},
        {104, MotorConfig{8, 400}, '.', "0.496"},
        {0, MotorConfig{0, 0}, '.', "0,000"},
        {100, MotorConfig{0, 200}, '.', "1525.879"},  // an impossible zero divisor counts as 1
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatMonitorVelocity(c.raw, c.motor, c.separator), c.shown)
            << c.raw << " S " << c.motor.stepsPerRev << " D " << c.motor.stepDivisor;
}

}  // namespace
}  // namespace rv720
