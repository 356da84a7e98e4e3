// The motion model inside the controller twin, driven as the station drives the
// controller: direct commands from the control window's conversions, a program
// written record by record, and the motor-state reply read as the monitor reads it.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "control/conversions.h"
#include "model/commands.h"
#include "sim/motion.h"
#include "support/twin_harness.h"

namespace rv720::sim {
namespace {

using test::motorFlags;
using test::withParams;
using namespace std::chrono_literals;

TEST(TwinMotion, DirectCommandsAndProgramsMoveTheAxesInTime) {
    testing::TwinHarness h;  // the twin's own axes ramp
    const auto direct = [&](ControlKind kind, const char* text) {
        const protocol::Message c = prepareDirectSend(kind, 2, text, '.', MotorConfig{}, 0).command;
        EXPECT_EQ(h.exchange(c.code, {c.data().begin(), c.data().end()}).code, c.code) << text;
    };
    const auto motor = [&](int m) {  // position and raw velocity from a code-1 reply
        h.replies();                 // line reports of a running program
        const auto data = h.exchange(1, {4}).data;
        if (data.size() < 19) return std::make_pair(-1, -1);
        return std::make_pair(protocol::decodePosition(&data[3 * m - 2]),
                              protocol::decodeVelocity(&data[3 * m + 7]));
    };

    direct(ControlKind::MaxVelocity, "1");         // 104 units, 1587 steps/s
    direct(ControlKind::MaxAcceleration, "1000");  // 94 units
    direct(ControlKind::SetPosition, "3000");
    h.twin.advance(1s);
    const auto [x, v] = motor(2);
    EXPECT_EQ(v, 104);
    EXPECT_NEAR(x, 1587, 3) << "one second at 1587 steps/s";
    EXPECT_EQ(formatMonitorVelocity(v, MotorConfig{}, '.'), "0.992");
    h.twin.advance(1s);
    EXPECT_EQ(motor(2), std::make_pair(3000, 0));
    direct(ControlKind::SetVelocity, "-0.5");  // -52 units
    h.twin.advance(1s);
    EXPECT_EQ(motor(2).second, -52);

    Record drv = makeRecord(code::Driver, 1);
    writeBe16(&drv[4], 8);
    writeBe32(&drv[6], 200);
    Record wait = makeRecord(code::WaitMotor, kControllerTarget);
    wait[2] = 1;
    h.writeProgram({drv, withParams(code::VMax, 1, 2000), withParams(code::AMax, 1, 1000000),
                    withParams(code::GoTo, 1, 5000), wait, withParams(code::GoTo, 1, -200), wait,
                    makeRecord(code::End, kControllerTarget)});
    h.send(12, {4});
    h.twin.advance(1s);
    // 2 rev/s at 200 steps and divisor 8 is 209 units, 3189 steps/s.
    const auto [px, pv] = motor(1);
    EXPECT_TRUE(h.twin.running());
    EXPECT_EQ(pv, 209);
    EXPECT_GT(px, 3000);
    EXPECT_LT(px, 3300);
    h.twin.advance(4s);
    EXPECT_EQ(motor(1).first, -200);
    EXPECT_FALSE(h.twin.running()) << "both moves done, END reached";
    EXPECT_EQ(motor(2).second, -52) << "the direct run goes on beside the program";
}

// ---------------------------------------------------------------- through the protocol

// Velocity units one unit of acceleration adds in a millisecond (about 1.113).
constexpr double kUnitsPerMsPerAcceleration =
    kAccelerationUnitStepsPerSecond2 / kVelocityUnitStepsPerSecond / 1000;

struct Sample {
    std::int32_t position = 0, velocity = 0;
    bool operator==(const Sample&) const = default;
};

// One motor from a motor-state reply, read as the monitor reads it. A running
// program's own frames (line reports) come along and are passed over.
Sample sample(testing::TwinHarness& h, int motor) {
    h.send(1, {4});
    for (const auto& r : h.replies())
        if (r.code == 1 && r.data.size() == 19)
            return {protocol::decodePosition(&r.data[3 * motor - 2]),
                    protocol::decodeVelocity(&r.data[3 * motor + 7])};
    ADD_FAILURE() << "no motor state";
    return {};
}

// Watches one motor at 1 ms samples: never beyond v_max, and between two samples
// no velocity change beyond a millisecond of the maximum acceleration (and one unit
// for the rounding), plus the start/stop velocity when the motor starts or stops.
struct Watch {
    Watch(std::int32_t vmin = 7, std::int32_t vmax = 105, std::int32_t amax = 94, bool soft = false)
        : vmin(vmin), vmax(vmax), amax(amax), soft(soft) {}
    std::int32_t vmin, vmax, amax;
    bool soft;
    std::vector<Sample> samples;
    std::string violation;

    void take(const Sample& s) {
        const int at = int(samples.size());
        if (violation.empty() && std::abs(s.velocity) > vmax)
            violation = "ms " + std::to_string(at) + ": velocity " + std::to_string(s.velocity);
        if (!samples.empty() && violation.empty()) {
            const Sample& before = samples.back();
            // A sample may fall on either side of a stop and a restart inside one
            // millisecond (HOME turning to its approach): then the slower of the two
            // is no faster than the start/stop velocity.
            const double ramp = amax * kUnitsPerMsPerAcceleration + 1;
            const std::int32_t stopVelocity = soft ? 0 : std::min(vmin, vmax);
            const bool startStop =
                std::min(std::abs(before.velocity), std::abs(s.velocity)) <= stopVelocity + ramp;
            const double allowed = ramp + (startStop ? stopVelocity : 0);
            if (std::abs(s.velocity - before.velocity) > allowed)
                violation = "ms " + std::to_string(at) + ": change " +
                            std::to_string(s.velocity - before.velocity);
        }
        samples.push_back(s);
    }
    // Samples every millisecond until the motor stands on `target`; false after `limitMs`.
    bool until(testing::TwinHarness& h, int motor, std::int32_t target, int limitMs) {
        for (int ms = 0; ms < limitMs; ++ms) {
            h.twin.advance(1ms);
            take(sample(h, motor));
            if (samples.back() == Sample{target, 0}) return true;
        }
        return false;
    }
};

testing::Bytes valueData(int motor, std::int32_t value) {
    testing::Bytes d{std::uint8_t(motor), 0, 0, 0, 0};
    writeBe32(d.data() + 1, value);
    return d;
}

// Work mode and limits of one motor, each acknowledged with its own code.
void configure(testing::TwinHarness& h, int motor, std::uint8_t mode, const Watch& w) {
    EXPECT_EQ(h.exchange(4, {std::uint8_t(motor), mode, 0, 0, 0}).code, 4);
    EXPECT_EQ(h.exchange(5, valueData(motor, w.vmin)).code, 5);
    EXPECT_EQ(h.exchange(6, valueData(motor, w.vmax)).code, 6);
    EXPECT_EQ(h.exchange(7, valueData(motor, w.amax)).code, 7);
}

TEST(TwinMotion, DirectMovesEndOnTheirTargetsWithinTheLimits) {
    struct {
        const char* name;
        int motor;
        std::uint8_t mode;  // 0 Ramp, 1 Soft, 2 Velocity
        Watch limits;
        std::uint8_t code;  // 9 go to, 28 step up, 29 step down
        std::int32_t value, target;
    } cases[] = {
        {"ramp to a position", 1, 0, {7, 105, 94}, 9, 5000, 5000},
        {"soft, backwards", 2, 1, {7, 300, 5, true}, 9, -3000, -3000},
        {"velocity mode at full speed", 3, 2, {1, 2047, 2047}, 9, 100000, 100000},
        {"weakest acceleration", 1, 0, {20, 500, 1}, 9, 30000, 30000},
        {"minimum above maximum", 2, 0, {400, 50, 94}, 9, 2000, 2000},
        {"step up", 2, 0, {7, 105, 94}, 28, 1000, 1000},
        {"one step down", 3, 0, {7, 105, 94}, 29, 1, -1},
    };
    for (const auto& c : cases) {
        testing::TwinHarness h;
        Watch w = c.limits;
        configure(h, c.motor, c.mode, w);
        EXPECT_EQ(h.exchange(c.code, valueData(c.motor, c.value)),
                  (testing::Reply{c.code, 0, {std::uint8_t(c.motor)}}))
            << c.name;
        const bool arrived = w.until(h, c.motor, c.target, 20000);
        EXPECT_TRUE(arrived) << c.name << ": at " << w.samples.back().position;
        EXPECT_EQ(w.violation, "") << c.name;
        // No slower than a ramp at the full limits, give or take a millisecond or two.
        const double v = w.vmax * kVelocityUnitStepsPerSecond;
        const double a = w.amax * kAccelerationUnitStepsPerSecond2;
        const double d = std::abs(double(c.target));
        const double best = d >= v * v / a ? d / v + v / a : 2 * std::sqrt(d / a);
        EXPECT_LE(double(w.samples.size()), best * 1000 * 1.01 + 3) << c.name;
        h.twin.advance(100ms);
        EXPECT_EQ(sample(h, c.motor), (Sample{c.target, 0})) << c.name << ": stays there";
        for (int other = 1; other <= 3; ++other)
            if (other != c.motor) {
                EXPECT_EQ(sample(h, other), Sample{}) << c.name;
            }
    }
}

TEST(TwinMotion, StopsHaltAtOnceAndTheAxisStaysPut) {
    struct {
        const char* name;
        void (*stop)(testing::TwinHarness&);
        bool counterCleared;
    } cases[] = {
        {"stop command", [](testing::TwinHarness& h) { h.exchange(13, {4}); }, false},
        {"STOP input", [](testing::TwinHarness& h) { h.twin.setStopInput(true); }, false},
        {"device reset", [](testing::TwinHarness& h) { h.exchange(22, {4}); }, true},
    };
    for (const auto& c : cases) {
        for (bool velocityRun : {false, true}) {
            testing::TwinHarness h;
            configure(h, 2, 0, Watch{7, 1000, 20});
            h.exchange(velocityRun ? 8 : 9, valueData(2, velocityRun ? -1000 : 8'000'000));
            h.twin.advance(300ms);
            const Sample cruising = sample(h, 2);
            ASSERT_EQ(std::abs(cruising.velocity), 1000) << c.name;
            c.stop(h);
            const Sample stopped = sample(h, 2);
            EXPECT_EQ(stopped.velocity, 0) << c.name << " " << velocityRun;
            if (c.counterCleared) {
                EXPECT_EQ(stopped.position, 0) << c.name;
            }
            h.twin.advance(200ms);
            EXPECT_EQ(sample(h, 2), stopped) << c.name << " " << velocityRun;
        }
    }
}

// ---------------------------------------------------------------- programs

Record driver(std::uint8_t motor) {
    return test::driver(motor, 8, 200);
}
Record setOutput(int output) {
    Record r = makeRecord(code::SetOut, kControllerTarget);
    r[2] = std::uint8_t(output);
    r[3] = 1;
    return r;
}
// drv, v_min 0.2 rev/s (20 units), v_max 2 rev/s (209 units) and a_max 10 rev/s^2
// (one unit) for motor 1, then `moves`, then set_out(1; on) and end.
std::vector<Record> program(std::vector<Record> moves) {
    std::vector<Record> p{driver(1), withParams(code::VMin, 1, 200),
                          withParams(code::VMax, 1, 2000), withParams(code::AMax, 1, 10000)};
    p.insert(p.end(), moves.begin(), moves.end());
    p.push_back(setOutput(1));
    p.push_back(makeRecord(code::End, kControllerTarget));
    return p;
}

TEST(TwinMotion, ProgramMotionWaitsForTheRealArrival) {
    const Record waitM1 = motorFlags(code::WaitMotor, true, false, false);
    struct {
        const char* name;
        std::int32_t from;  // where a direct move leaves motor 1 first
        std::vector<Record> moves;
        std::optional<std::int32_t> end;  // none: wherever the ramp ends
        bool brakes;                      // after its run the motor only slows down
        std::int32_t approach = 0;        // HOME's second velocity in units, near 0
    } cases[] = {
        {"go_to", 0, {withParams(code::GoTo, 1, 3000), waitM1}, 3000, false},
        {"go_to, then the counter reset",
         -500,
         {withParams(code::GoTo, 1, 2500), waitM1,
          motorFlags(code::ClearMotor, true, false, false)},
         0,
         false},
        {"brake on a ramp",
         0,
         {withParams(code::VDest, 1, -2000), withParams(code::WaitMs, 4, 400),
          makeRecord(code::Brake, 1), waitM1},
         std::nullopt,
         true},
        {"HOME",
         3000,
         {[] {
              Record r = withParams(code::Home, 1, 1000);
              writeBe32(&r[6], 100);  // 0.1 rev/s: 10 units
              return r;
          }(),
          waitM1},
         0,
         false,
         10},
    };
    for (const auto& c : cases) {
        testing::TwinHarness h;
        configure(h, 1, 0, Watch{1, 2047, 2047});
        h.exchange(9, valueData(1, c.from));
        h.twin.advance(100ms);
        ASSERT_EQ(sample(h, 1), (Sample{c.from, 0})) << c.name;
        h.run(program(c.moves));
        Watch w{20, 209, 1};
        std::int32_t arrivedAt = -1, outputAt = -1, peak = 0;
        for (int ms = 1; ms <= 20000 && outputAt < 0; ++ms) {
            h.twin.advance(1ms);
            w.take(sample(h, 1));
            const Sample& s = w.samples.back();
            peak = std::max(peak, std::abs(s.velocity));
            if (s.velocity != 0)
                arrivedAt = -1;
            else if (arrivedAt < 0)
                arrivedAt = ms;
            if (h.twin.output(1)) outputAt = ms;
            const bool braking = h.twin.currentSlot() > 6 || !h.twin.running();  // after brake
            if (c.brakes && braking) {
                EXPECT_LE(std::abs(s.velocity), std::abs(w.samples[w.samples.size() - 2].velocity))
                    << c.name << " ms " << ms << ": braking never speeds up";
            }
            if (c.approach && std::abs(s.position) < kHomeApproachSteps) {
                EXPECT_LE(std::abs(s.velocity), c.approach + 1) << c.name << " ms " << ms;
            }
        }
        EXPECT_EQ(w.violation, "") << c.name;
        EXPECT_GT(peak, 0) << c.name << ": it moved";
        ASSERT_GT(outputAt, 0) << c.name << ": the program went on";
        EXPECT_EQ(w.samples.back().velocity, 0) << c.name;
        if (c.end) {
            EXPECT_EQ(w.samples.back().position, *c.end) << c.name;
        }
        // wait_motor re-reads itself every millisecond, then set_out follows 1 ms later.
        EXPECT_GE(outputAt - arrivedAt, 0) << c.name << ": not before the arrival";
        EXPECT_LE(outputAt - arrivedAt, 3) << c.name << ": at most a few ms after it";
        h.twin.advance(5ms);
        EXPECT_FALSE(h.twin.running()) << c.name;
    }
}

}  // namespace
}  // namespace rv720::sim
