#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "control/conversions.h"
#include "sim/motion.h"

namespace rv720::sim {
namespace {

constexpr double kDt = 1e-4;  // one tick, seconds
constexpr double kUnit = kVelocityUnitStepsPerSecond;

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

// Ticks an axis and checks every tick: never faster than the cap (the maximum
// velocity unless given), never a change beyond one tick of the maximum acceleration
// except to or from standstill, where the start/stop jump is allowed.
struct Trace {
    int ticks = 0;
    double first = 0;  // speed after the first tick
    double peak = 0;
    int rises = 0;  // ticks that sped the axis up
    std::string violation;

    void step(MotionAxis& axis, double cap = 0) {
        const double before = axis.stepsPerSecond();
        if (cap == 0) cap = axis.maxVelocityStepsPerSecond();
        axis.tick();
        ++ticks;
        const double after = axis.stepsPerSecond();
        if (ticks == 1) first = std::abs(after);
        peak = std::max(peak, std::abs(after));
        rises += std::abs(after) > std::abs(before);
        const double allowed = (before == 0 || after == 0)
                                   ? axis.startStopJump()
                                   : axis.accelerationStepsPerSecond2() * kDt;
        const std::string at = "tick " + std::to_string(ticks) + ": ";
        if (violation.empty() && std::abs(after) > cap * (1 + 1e-9))
            violation = at + "speed " + std::to_string(after);
        if (violation.empty() && std::abs(after - before) > allowed * (1 + 1e-9) + 1e-9)
            violation = at + "change " + std::to_string(after - before);
    }
    void until(MotionAxis& axis, int limit = 4'000'000) {
        while (!axis.arrived() && ticks < limit)
            step(axis);
    }
    void times(MotionAxis& axis, int n) {
        for (int i = 0; i < n; ++i)
            step(axis);
    }
};

TEST(Moves, EndExactlyOnTargetWithinTheLimitsAndInGoodTime) {
    struct {
        const char* name;
        Limits limits;
        std::int32_t from, to;
    } cases[] = {
        {"one step", {}, 0, 1},
        {"cruising", {}, 0, 20000},
        {"backwards", {}, 5000, -12345},
        {"soft", {AxisMode::Soft, 7, 105, 94}, 0, 20000},
        {"soft short", {AxisMode::Soft, 7, 105, 94}, 0, 3},
        {"weak acceleration", {AxisMode::Ramp, 1, 2047, 1}, 0, 50000},
        {"strong acceleration", {AxisMode::Ramp, 1, 2047, 2047}, 0, 50000},
        {"minimum above maximum", {AxisMode::Ramp, 500, 50, 94}, 0, 3000},
        {"slowest", {AxisMode::Ramp, 1, 1, 1}, 0, 200},
    };
    for (const auto& c : cases) {
        MotionAxis axis;
        apply(axis, Limits{AxisMode::Ramp, 2047, 2047, 2047});
        axis.moveTo(c.from);
        Trace().until(axis);
        apply(axis, c.limits);
        axis.moveTo(c.to);
        Trace run;
        run.until(axis);
        ASSERT_TRUE(axis.arrived()) << c.name;
        EXPECT_EQ(run.violation, "") << c.name;
        EXPECT_EQ(axis.exactPosition(), double(c.to)) << c.name;
        EXPECT_EQ(axis.velocity(), 0) << c.name;
        // No slower than the best ramp without a start/stop jump, give or take a tick.
        const double d = std::abs(double(c.to) - c.from);
        const double v = axis.maxVelocityStepsPerSecond(), a = axis.accelerationStepsPerSecond2();
        const double best = d >= v * v / a ? d / v + v / a : 2 * std::sqrt(d / a);
        EXPECT_LE(run.ticks, best / kDt * 1.001 + 4) << c.name;
        // The first tick jumps to the start/stop velocity, except in Soft mode.
        const double vmin = std::min(c.limits.vmin, c.limits.vmax) * kUnit;
        const double start = c.limits.mode == AxisMode::Soft ? 0 : vmin;
        EXPECT_NEAR(run.first, std::min(start + a * kDt, v), 1e-9) << c.name;
        if (d > 2 * v * v / a) {
            EXPECT_NEAR(run.peak, v, 1e-6) << c.name << " cruises at v_max";
        }
    }
}

TEST(Moves, NewTargetsDuringAMove) {
    // Cruising at 15,258 steps/s the axis needs about 685 steps to stop.
    struct {
        const char* name;
        std::int32_t first;
        int ticksBefore;
        std::int32_t second;
        bool relative;  // `second` counts from where the axis is
        bool steps;     // both are ">" presses: the second counts from the first's target
    } cases[] = {
        {"reverse at full speed", 100000, 8000, -500, false, false},
        {"inside the braking distance", 100000, 8000, 100, true, false},
        {"where the axis is", 100000, 8000, 0, true, false},
        {"two steps adding up", 500, 50, 500, false, true},
    };
    for (const auto& c : cases) {
        MotionAxis axis;
        apply(axis, Limits{AxisMode::Ramp, 7, 1000, 10});
        Trace run;
        std::int32_t second = c.second;
        if (c.steps) {
            axis.stepBy(c.first);
            run.times(axis, c.ticksBefore);
            axis.stepBy(c.second);
            second = c.first + c.second;
        } else {
            axis.moveTo(c.first);
            run.times(axis, c.ticksBefore);
            if (c.relative) second += axis.position();
            axis.moveTo(second);
        }
        run.until(axis);
        EXPECT_EQ(run.violation, "") << c.name;
        EXPECT_EQ(axis.exactPosition(), second) << c.name;
    }
}

TEST(Stopping, StopHaltsAtOnceOnAWholeStepAndTheCounterRestarts) {
    MotionAxis axis;
    apply(axis, Limits{});
    axis.moveTo(50000);
    Trace().times(axis, 3333);
    ASSERT_EQ(axis.velocity(), 105);
    axis.stopNow();
    EXPECT_TRUE(axis.arrived());
    EXPECT_EQ(axis.velocity(), 0);
    const double there = axis.exactPosition();
    EXPECT_EQ(there, std::round(there));
    axis.advance(std::chrono::milliseconds(100));
    EXPECT_EQ(axis.exactPosition(), there);

    axis.clearPosition();
    EXPECT_EQ(axis.position(), 0);
    axis.moveTo(-100);
    Trace().until(axis);
    EXPECT_EQ(axis.exactPosition(), -100.0);
}

TEST(Stopping, BrakeDeceleratesAtTheMaximumAcceleration) {
    struct {
        const char* name;
        bool velocityRun;
        AxisMode mode;
    } cases[] = {{"position move", false, AxisMode::Ramp},
                 {"velocity run", true, AxisMode::Ramp},  // brakes by a velocity of zero
                 {"soft", false, AxisMode::Soft}};
    for (const auto& c : cases) {
        MotionAxis axis;
        apply(axis, Limits{c.mode, 7, 1000, 20});
        c.velocityRun ? axis.runAtVelocity(1000) : axis.moveTo(8'000'000);
        Trace().times(axis, 6000);
        const double v0 = axis.stepsPerSecond(), x0 = axis.exactPosition();
        const double a = axis.accelerationStepsPerSecond2();
        ASSERT_EQ(axis.velocity(), 1000) << c.name;
        c.velocityRun ? axis.runAtVelocity(0) : axis.brake();
        Trace run;
        run.until(axis);
        EXPECT_EQ(run.violation, "") << c.name;
        EXPECT_EQ(run.rises, 0) << c.name;
        EXPECT_LE(run.ticks, v0 / a / kDt + 3) << c.name << ": full rate takes v/a";
        EXPECT_NEAR(axis.exactPosition() - x0, v0 * v0 / (2 * a), v0 * kDt + 1) << c.name;
        EXPECT_EQ(axis.exactPosition(), std::round(axis.exactPosition())) << c.name;
    }
}

TEST(Home, EndsAtZeroAtTheFirstThenTheSecondVelocity) {
    struct {
        std::int32_t from, first, second;
    } cases[] = {{5000, 60, 5}, {-3000, 60, 5},  {80, 60, 5}, {-100, 60, 5},
                 {0, 60, 5},    {20000, 3000, 0}};  // limited to v_max, then to one unit
    for (const auto& c : cases) {
        MotionAxis axis;
        apply(axis, Limits{AxisMode::Ramp, 1, 2047, 2047});
        axis.moveTo(c.from);
        Trace().until(axis);
        apply(axis, Limits{AxisMode::Ramp, 3, 105, 94});
        axis.home(c.first, c.second);
        const double first = std::min(c.first, 105) * kUnit;
        const double second = std::max(c.second, 1) * kUnit;
        Trace run;
        while (!axis.arrived() && run.ticks < 2'000'000)
            run.step(axis, std::abs(axis.exactPosition()) <= kHomeApproachSteps ? second : first);
        EXPECT_EQ(run.violation, "") << "from " << c.from;
        EXPECT_TRUE(axis.arrived()) << "from " << c.from;
        EXPECT_EQ(axis.exactPosition(), 0.0) << "from " << c.from;
    }
}

TEST(Home, CounterClearedOnTheWayStillEndsWithAShortApproach) {
    MotionAxis axis;
    apply(axis, Limits{AxisMode::Ramp, 1, 2047, 2047});
    axis.moveTo(5000);
    Trace().until(axis);
    apply(axis, Limits{});
    axis.home(60, 5);
    Trace().times(axis, 20000);  // about 1800 steps on the way
    const std::int32_t offset = axis.position();
    axis.clearPosition();
    Trace run;
    run.until(axis, 200000);  // a slow crawl over thousands of steps would not finish
    EXPECT_TRUE(axis.arrived());
    EXPECT_EQ(run.violation, "");
    EXPECT_EQ(axis.position(), -offset) << "the place HOME was heading for";
}

TEST(Velocity, RunHoldsItsVelocityBetweenTheLimits) {
    struct {
        std::int32_t first, then, held;
        AxisMode mode;
    } cases[] = {{200, 200, 200, AxisMode::Velocity},
                 {300, -150, -150, AxisMode::Ramp},  // reverses through standstill
                 {2047, 2047, 1000, AxisMode::Soft},
                 {1, 1, 7, AxisMode::Velocity}};
    for (const auto& c : cases) {
        MotionAxis axis;
        apply(axis, Limits{c.mode, 7, 1000, 94});
        Trace run;
        axis.runAtVelocity(c.first);
        run.times(axis, 10000);
        axis.runAtVelocity(c.then);
        run.times(axis, 20000);
        const double x = axis.exactPosition();
        run.times(axis, 10000);
        EXPECT_EQ(run.violation, "") << c.then;
        EXPECT_EQ(axis.velocity(), c.held) << c.then;
        EXPECT_FALSE(axis.arrived());
        EXPECT_NEAR(axis.exactPosition() - x, c.held * kUnit, 1e-6) << c.then << ": one second";
    }
}

TEST(ProgramValues, FollowTheDriverConfiguration) {
    MotionAxis standard, fine;  // divisor 8 and 16, 200 steps per revolution
    fine.configure(DriverConfig{false, false, 16, 200});
    for (MotionAxis* axis : {&standard, &fine}) {
        axis->setMaxVelocityMilli(4000);
        axis->setMaxAccelerationMilli(1'000'000);
        axis->runAtVelocityMilli(1000);
        Trace().times(*axis, 1000);
    }
    EXPECT_EQ(standard.velocity(), 104);  // 1 rev/s: 104.9 units
    EXPECT_EQ(fine.velocity(), 209);      // 209.7 units
    EXPECT_EQ(standard.accelerationStepsPerSecond2(), 94 * kAccelerationUnitStepsPerSecond2);
    EXPECT_EQ(fine.maxVelocityStepsPerSecond(), 838 * kUnit);
    standard.homeMilli(500, 0);
    Trace().until(standard);
    EXPECT_EQ(standard.exactPosition(), 0.0);
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
    for (int i = 0; i < 5000; ++i)
        fine.advance(std::chrono::microseconds(50));
    for (int motor = 1; motor <= 3; ++motor) {
        EXPECT_EQ(once.axis(motor).exactPosition(), pieces.axis(motor).exactPosition());
        EXPECT_EQ(once.axis(motor).exactPosition(), fine.axis(motor).exactPosition());
    }
}

TEST(StateReply, TheModelReportsEachAxis) {
    MotionModel model;
    model.axis(2).runAtVelocity(-50);
    model.axis(3).moveTo(-2);
    model.advance(std::uint32_t(300));
    const protocol::MotorState state = model.state();
    EXPECT_EQ(state.position[2], -2);
    EXPECT_EQ(state.rawVelocity[1], -50);
    EXPECT_EQ(state.rawVelocity[0], 0);
}

}  // namespace
}  // namespace rv720::sim
