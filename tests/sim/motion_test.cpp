#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "control/conversions.h"
#include "sim/motion.h"

namespace rv720::sim {
namespace {

constexpr double kDt = 1e-4;  // one tick, seconds
constexpr double kSlack = 1e-9;

struct Limits {
    AxisMode mode = AxisMode::Ramp;
    std::int32_t vmin = 7, vmax = 105, amax = 94;
};

void apply(MotionAxis& axis, const Limits& l) {
    axis.setMode(l.mode);
    axis.setMinVelocity(l.vmin);
    axis.setMaxVelocity(l.vmax);
    axis.setMaxAcceleration(l.amax);
}

// Ticks the axis and checks every tick: never faster than `cap` (the maximum velocity
// unless said), never a velocity change beyond one tick of the maximum acceleration,
// except to or from standstill, where the start/stop jump is allowed.
struct Trace {
    int ticks = 0;
    double peak = 0;  // highest speed seen
    std::string violation;

    void observe(const MotionAxis& axis, double before, double cap) {
        const double after = axis.stepsPerSecond();
        peak = std::max(peak, std::abs(after));
        const double change = std::abs(after - before);
        const double allowed = (before == 0 || after == 0)
                                   ? axis.startStopJump()
                                   : axis.accelerationStepsPerSecond2() * kDt;
        if (violation.empty() && std::abs(after) > cap * (1 + kSlack))
            violation = "tick " + std::to_string(ticks) + ": speed " + std::to_string(after);
        if (violation.empty() && change > allowed * (1 + kSlack) + kSlack)
            violation = "tick " + std::to_string(ticks) + ": change " + std::to_string(change) +
                        " > " + std::to_string(allowed);
    }
};

Trace runUntilArrived(MotionAxis& axis, int maxTicks, double cap = 0) {
    Trace run;
    while (!axis.arrived() && run.ticks < maxTicks) {
        const double before = axis.stepsPerSecond();
        axis.tick();
        ++run.ticks;
        run.observe(axis, before, cap > 0 ? cap : axis.maxVelocityStepsPerSecond());
    }
    return run;
}

Trace runTicks(MotionAxis& axis, int n) {
    Trace run;
    for (int i = 0; i < n; ++i) {
        const double before = axis.stepsPerSecond();
        axis.tick();
        ++run.ticks;
        run.observe(axis, before, axis.maxVelocityStepsPerSecond());
    }
    return run;
}

// Shortest time of a move from and to standstill with no start/stop jump.
double softMoveSeconds(double steps, double vmax, double a) {
    return steps >= vmax * vmax / a ? steps / vmax + vmax / a : 2 * std::sqrt(steps / a);
}

struct MoveCase {
    const char* name;
    Limits limits;
    std::int32_t from, to;
};

void PrintTo(const MoveCase& c, std::ostream* os) {
    *os << c.name;
}

class Moves : public testing::TestWithParam<MoveCase> {};

TEST_P(Moves, EndExactlyOnTargetWithinTheLimits) {
    const MoveCase& c = GetParam();
    MotionAxis axis;
    apply(axis, Limits{AxisMode::Ramp, 2047, 2047, 2047});
    axis.moveTo(c.from);
    runUntilArrived(axis, 4'000'000);
    ASSERT_EQ(axis.position(), c.from);
    apply(axis, c.limits);

    axis.moveTo(c.to);
    const Trace run = runUntilArrived(axis, 4'000'000);
    ASSERT_TRUE(axis.arrived()) << "still moving after " << run.ticks << " ticks";
    EXPECT_EQ(run.violation, "");
    EXPECT_EQ(axis.exactPosition(), double(c.to));
    EXPECT_EQ(axis.position(), c.to);
    EXPECT_EQ(axis.velocity(), 0);

    // Not slower than a move without start/stop jump, give or take a few ticks.
    const double distance = std::abs(double(c.to) - c.from);
    const double bound = softMoveSeconds(distance, axis.maxVelocityStepsPerSecond(),
                                         axis.accelerationStepsPerSecond2());
    EXPECT_LE(run.ticks, bound / kDt * 1.001 + 4) << "the ramp is slower than it must be";
    if (distance > 2 * axis.maxVelocityStepsPerSecond() * axis.maxVelocityStepsPerSecond() /
                       axis.accelerationStepsPerSecond2()) {
        EXPECT_NEAR(run.peak, axis.maxVelocityStepsPerSecond(), 1e-6) << "a long move cruises";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Profiles, Moves,
    testing::Values(MoveCase{"one step", {}, 0, 1}, MoveCase{"one step back", {}, 0, -1},
                    MoveCase{"short", {}, 0, 37}, MoveCase{"cruising", {}, 0, 20000},
                    MoveCase{"backwards", {}, 5000, -12345},
                    MoveCase{"soft", {AxisMode::Soft, 7, 105, 94}, 0, 20000},
                    MoveCase{"soft short", {AxisMode::Soft, 7, 105, 94}, 0, 3},
                    MoveCase{"velocity mode profile", {AxisMode::Velocity, 7, 105, 94}, 0, 2500},
                    MoveCase{"weak acceleration", {AxisMode::Ramp, 1, 2047, 1}, 0, 50000},
                    MoveCase{"strong acceleration", {AxisMode::Ramp, 1, 2047, 2047}, 0, 50000},
                    MoveCase{"minimum above maximum", {AxisMode::Ramp, 500, 50, 94}, 0, 3000},
                    MoveCase{"slow start", {AxisMode::Ramp, 1, 1, 1}, 0, 200},
                    MoveCase{
                        "to the counter's end", {AxisMode::Ramp, 1, 2047, 2047}, -100, 8388607}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(Moves, NewTargetsDuringAMove) {
    // Cruising at 15,258 steps/s, a stop takes about 685 steps.
    struct {
        const char* name;
        std::int32_t first;
        int ticksBefore;
        std::int32_t second;
        bool relative;  // `second` counts from where the axis is
    } cases[] = {
        {"reverse at full speed", 100000, 8000, -500, false},
        {"target inside the braking distance", 100000, 8000, 100, true},
        {"target on the axis", 100000, 8000, 0, true},
        {"farther the same way", 20000, 1500, 90000, false},
        {"nearer the same way", 90000, 2000, 20000, false},
    };
    for (const auto& c : cases) {
        MotionAxis axis;
        apply(axis, Limits{AxisMode::Ramp, 7, 1000, 10});
        axis.moveTo(c.first);
        Trace run = runTicks(axis, c.ticksBefore);
        const std::int32_t second = c.relative ? axis.position() + c.second : c.second;
        axis.moveTo(second);
        const Trace rest = runUntilArrived(axis, 2'000'000);
        EXPECT_EQ(run.violation + rest.violation, "") << c.name;
        EXPECT_TRUE(axis.arrived()) << c.name;
        EXPECT_EQ(axis.exactPosition(), second) << c.name;
    }
}

TEST(Moves, LoweredMaximumVelocityIsReachedDownTheRamp) {
    MotionAxis axis;
    apply(axis, Limits{AxisMode::Ramp, 7, 1000, 10});
    axis.moveTo(3'000'000);
    runTicks(axis, 40000);
    ASSERT_GT(axis.velocity(), 900);
    axis.setMaxVelocity(100);
    Trace run;  // the old speed is above the new cap only while braking down to it
    for (int i = 0; i < 20000; ++i) {
        const double before = axis.stepsPerSecond();
        axis.tick();
        run.observe(axis, before, 1000 * kVelocityUnitStepsPerSecond);
        EXPECT_LE(axis.stepsPerSecond(), before) << "tick " << i;
    }
    EXPECT_EQ(run.violation, "");
    EXPECT_EQ(axis.velocity(), 100);
}

TEST(Moves, StepsAddUpFromTheRunningTarget) {
    MotionAxis axis;
    apply(axis, Limits{});
    axis.stepBy(500);
    runTicks(axis, 50);
    axis.stepBy(500);
    EXPECT_EQ(runUntilArrived(axis, 1'000'000).violation, "");
    EXPECT_EQ(axis.position(), 1000);
    axis.stepBy(-1300);
    runUntilArrived(axis, 1'000'000);
    EXPECT_EQ(axis.exactPosition(), -300);
}

TEST(Stopping, StopHaltsAtOnceOnAWholeStep) {
    MotionAxis axis;
    apply(axis, Limits{});
    axis.moveTo(50000);
    runTicks(axis, 3333);
    ASSERT_GT(axis.velocity(), 50);
    axis.stopNow();
    EXPECT_TRUE(axis.arrived());
    EXPECT_EQ(axis.velocity(), 0);
    const double there = axis.exactPosition();
    EXPECT_EQ(there, std::round(there));
    axis.advance(std::chrono::milliseconds(100));
    EXPECT_EQ(axis.exactPosition(), there) << "a stopped axis stays";
}

TEST(Stopping, BrakeDeceleratesAtTheMaximumAcceleration) {
    struct {
        const char* name;
        bool velocityRun;
        AxisMode mode;
    } cases[] = {{"position move", false, AxisMode::Ramp},
                 {"velocity run", true, AxisMode::Ramp},
                 {"soft", false, AxisMode::Soft}};
    for (const auto& c : cases) {
        MotionAxis axis;
        apply(axis, Limits{c.mode, 7, 1000, 20});
        c.velocityRun ? axis.runAtVelocity(1000) : axis.moveTo(8'000'000);
        runTicks(axis, 60000);
        const double v0 = axis.stepsPerSecond();
        const double x0 = axis.exactPosition();
        ASSERT_NEAR(v0, axis.maxVelocityStepsPerSecond(), 1e-6) << c.name;
        axis.brake();
        const double a = axis.accelerationStepsPerSecond2();
        double previous = v0;
        int rising = 0;
        Trace run;
        while (!axis.arrived() && run.ticks < 1'000'000) {
            axis.tick();
            ++run.ticks;
            run.observe(axis, previous, axis.maxVelocityStepsPerSecond());
            rising += axis.stepsPerSecond() > previous;
            previous = axis.stepsPerSecond();
        }
        EXPECT_EQ(run.violation, "") << c.name;
        EXPECT_EQ(rising, 0) << c.name << ": the velocity never rises while braking";
        // At the full rate the stop takes v/a; a ramp that brakes softer takes longer.
        EXPECT_LE(run.ticks, v0 / a / kDt + 3) << c.name;
        const double travelled = axis.exactPosition() - x0;
        EXPECT_NEAR(travelled, v0 * v0 / (2 * a), v0 * kDt + 1) << c.name;
        EXPECT_EQ(axis.exactPosition(), std::round(axis.exactPosition())) << c.name;
    }
}

TEST(Home, EndsAtZeroAtTheFirstThenTheSecondVelocity) {
    struct {
        std::int32_t from;
        std::int32_t first, second;
    } cases[] = {{5000, 60, 5}, {-3000, 60, 5}, {80, 60, 5},
                 {-100, 60, 5}, {0, 60, 5},     {20000, 3000, 0}};
    for (const auto& c : cases) {
        MotionAxis axis;
        apply(axis, Limits{AxisMode::Ramp, 1, 2047, 2047});
        axis.moveTo(c.from);
        runUntilArrived(axis, 1'000'000);
        apply(axis, Limits{AxisMode::Ramp, 3, 105, 94});
        axis.home(c.first, c.second);
        const double first =
            std::min(std::clamp(c.first, 1, 2047), 105) * kVelocityUnitStepsPerSecond;
        const double second = std::clamp(c.second, 1, 2047) * kVelocityUnitStepsPerSecond;
        Trace run;
        double previous = 0;
        while (!axis.arrived() && run.ticks < 2'000'000) {
            const bool approaching = std::abs(axis.exactPosition()) <= kHomeApproachSteps;
            axis.tick();
            ++run.ticks;
            run.observe(axis, previous, approaching ? second : first);
            previous = axis.stepsPerSecond();
        }
        EXPECT_EQ(run.violation, "") << "from " << c.from;
        EXPECT_TRUE(axis.arrived()) << "from " << c.from;
        EXPECT_EQ(axis.exactPosition(), 0.0) << "from " << c.from;
    }
}

TEST(Velocity, RunHoldsItsVelocity) {
    struct {
        std::int32_t set;
        std::int32_t held;  // between the minimum and the maximum velocity
        AxisMode mode;
    } cases[] = {{200, 200, AxisMode::Velocity},
                 {-150, -150, AxisMode::Ramp},
                 {2047, 1000, AxisMode::Soft},
                 {1, 7, AxisMode::Velocity},
                 {-3, -7, AxisMode::Ramp}};
    for (const auto& c : cases) {
        MotionAxis axis;
        apply(axis, Limits{c.mode, 7, 1000, 94});
        axis.runAtVelocity(c.set);
        const Trace ramp = runTicks(axis, 20000);
        const double x = axis.exactPosition();
        const Trace hold = runTicks(axis, 10000);
        EXPECT_EQ(ramp.violation + hold.violation, "") << c.set;
        EXPECT_EQ(axis.velocity(), c.held) << c.set;
        EXPECT_FALSE(axis.arrived());
        EXPECT_NEAR(axis.exactPosition() - x, c.held * kVelocityUnitStepsPerSecond * 1.0, 1e-6)
            << c.set << ": one second at the held velocity";
    }
}

TEST(Velocity, ReversalAndZeroKeepTheLimits) {
    MotionAxis axis;
    apply(axis, Limits{AxisMode::Velocity, 7, 1000, 94});
    axis.runAtVelocity(300);
    Trace run = runTicks(axis, 10000);
    axis.runAtVelocity(-300);
    const Trace reverse = runTicks(axis, 20000);
    EXPECT_EQ(run.violation + reverse.violation, "");
    EXPECT_EQ(axis.velocity(), -300);
    axis.runAtVelocity(0);  // zero brakes onto a whole step
    const Trace stop = runUntilArrived(axis, 100000);
    EXPECT_EQ(stop.violation, "");
    EXPECT_TRUE(axis.arrived());
    EXPECT_EQ(axis.exactPosition(), std::round(axis.exactPosition()));
}

TEST(Counter, ClearingAndWrapping) {
    MotionAxis axis;
    apply(axis, Limits{});
    axis.moveTo(1234);
    runUntilArrived(axis, 1'000'000);
    axis.clearPosition();
    EXPECT_EQ(axis.position(), 0);
    axis.moveTo(-100);
    runUntilArrived(axis, 1'000'000);
    EXPECT_EQ(axis.exactPosition(), -100.0);

    // Past 8,388,607 the 24-bit counter goes on from -8,388,608.
    apply(axis, Limits{AxisMode::Ramp, 1, 2047, 2047});
    axis.moveTo(8388607);
    runUntilArrived(axis, 4'000'000);
    axis.runAtVelocity(100);
    runTicks(axis, 100);
    EXPECT_LT(axis.position(), -8388000);
}

TEST(Advance, FixedTicksWhateverTheCallPattern) {
    auto make = [] {
        MotionModel m;
        for (int motor = 1; motor <= 3; ++motor)
            apply(m.axis(motor), Limits{});
        m.axis(1).moveTo(3000);
        m.axis(2).runAtVelocity(-77);
        m.axis(3).home(50, 5);
        return m;
    };
    MotionModel once = make(), pieces = make(), fine = make();
    once.advance(std::uint32_t(250));
    for (int i = 0; i < 25; ++i)
        pieces.advance(std::uint32_t(10));
    for (int i = 0; i < 250 * 20; ++i)
        fine.advance(std::chrono::microseconds(50));
    for (int motor = 1; motor <= 3; ++motor) {
        EXPECT_EQ(once.axis(motor).exactPosition(), pieces.axis(motor).exactPosition());
        EXPECT_EQ(once.axis(motor).exactPosition(), fine.axis(motor).exactPosition());
    }
    once.advance(std::uint32_t(5000));
    EXPECT_EQ(once.axis(1).position(), 3000);
    EXPECT_FALSE(once.allArrived()) << "axis 2 runs on";
}

TEST(ProgramUnits, DriverConfigurationScalesVelocities) {
    MotionAxis standard, fine;
    fine.configure(DriverConfig{false, false, 16, 200});
    for (MotionAxis* axis : {&standard, &fine}) {
        axis->setMaxVelocityMilli(4000);
        axis->setMaxAccelerationMilli(1'000'000);
        axis->runAtVelocityMilli(1000);
        runTicks(*axis, 20000);
    }
    // 1 rev/s is 104.9 units at divisor 8 and 209.7 at divisor 16.
    EXPECT_EQ(standard.velocity(), 104);
    EXPECT_EQ(fine.velocity(), 209);
    EXPECT_EQ(standard.accelerationStepsPerSecond2(), 94 * kAccelerationUnitStepsPerSecond2);
    EXPECT_NEAR(kAccelerationUnitStepsPerSecond2, 16985.2, 0.1);
}

TEST(StateReply, EncodersRoundTripThroughTheMonitorDecoding) {
    struct {
        std::int64_t position;
        std::array<std::uint8_t, 3> bytes;
        std::int32_t decoded;
    } positions[] = {
        {-1, {0xFF, 0xFF, 0xFF}, -1},           {-8388608, {0x80, 0x00, 0x00}, -8388608},
        {8388607, {0x7F, 0xFF, 0xFF}, 8388607}, {8388608, {0x80, 0x00, 0x00}, -8388608},
        {256, {0x00, 0x01, 0x00}, 256},         {0, {0, 0, 0}, 0}};
    for (const auto& c : positions) {
        EXPECT_EQ(encodePosition(c.position), c.bytes) << c.position;
        EXPECT_EQ(decodePosition(encodePosition(c.position).data()), c.decoded) << c.position;
    }
    struct {
        std::int32_t units;
        std::array<std::uint8_t, 3> bytes;
        std::int32_t decoded;
    } velocities[] = {{-1, {0x00, 0x0F, 0xFF}, -1},     {100, {0x00, 0x00, 0x64}, 100},
                      {2047, {0x00, 0x07, 0xFF}, 2047}, {-2048, {0x00, 0x08, 0x00}, -2048},
                      {5000, {0x00, 0x07, 0xFF}, 2047}, {0, {0, 0, 0}, 0}};
    for (const auto& c : velocities) {
        EXPECT_EQ(encodeVelocity(c.units), c.bytes) << c.units;
        EXPECT_EQ(decodeVelocity(encodeVelocity(c.units).data()), c.decoded) << c.units;
    }
}

TEST(StateReply, PayloadCarriesEachAxisInItsPlace) {
    MotionModel model;
    for (int motor = 1; motor <= 3; ++motor)
        apply(model.axis(motor), Limits{AxisMode::Ramp, 7, 1000, 2047});
    model.axis(1).moveTo(-2);
    model.axis(2).runAtVelocity(-300);
    model.axis(3).moveTo(70000);
    model.advance(std::uint32_t(300));
    const auto payload = model.statePayload();
    for (int m = 0; m < 3; ++m) {
        EXPECT_EQ(decodePosition(payload.data() + 3 * m), model.axis(m + 1).position()) << m;
        EXPECT_EQ(decodeVelocity(payload.data() + 9 + 3 * m), model.axis(m + 1).velocity()) << m;
    }
    EXPECT_EQ(decodePosition(payload.data()), -2);
    EXPECT_EQ(decodeVelocity(payload.data() + 12), -300);
    EXPECT_EQ(decodeVelocity(payload.data() + 15), 1000);
}

}  // namespace
}  // namespace rv720::sim
