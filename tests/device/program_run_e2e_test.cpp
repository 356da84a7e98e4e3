// A stored program run end to end on the twin: the station compiles and writes it,
// starts it, polls the motor and I/O state as its monitor windows do and follows
// the executed lines, while the test works the twin's inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "model/commands.h"
#include "twin_bench.h"

namespace rv720::test {
namespace {

using namespace std::chrono_literals;

// Motor 1 at 200 steps and divisor 8: v_min 0.2 rev/s (20 units), v_max 2 rev/s
// (209 units, 3189 steps/s), a_max 10 rev/s^2 (one unit, 16,985 steps/s^2), so a
// run to 4000 takes about 1.4 s. The loop goes out and back three times; INPUT3,
// held on, skips line 13; INPUT1 rising breaks the long wait of line 14 to line 16.
constexpr std::int32_t kVMaxUnits = 209, kVMinUnits = 20;
constexpr std::uint16_t kBreakLine = 16;
constexpr int kWaitSlot = 13, kEndSlot = 18;  // zero-based, as the line replies carry them

std::vector<Record> program() {
    const Record waitM1 = withBytes(code::WaitMotor, kControllerTarget, {1, 0, 0});
    return {
        driver(1, 8, 200),                                      // 1
        withParams(code::VMin, 1, 200),                         // 2
        withParams(code::VMax, 1, 2000),                        // 3
        withParams(code::AMax, 1, 10000),                       // 4
        withBytes(code::Enable, kControllerTarget, {1}),        // 5
        withParams(code::Counter, kControllerTarget, 2),        // 6
        withParams(code::GoTo, 1, 4000),                        // 7
        waitM1,                                                 // 8
        withParams(code::GoTo, 1, 0),                           // 9
        waitM1,                                                 // 10
        withParams(code::JumpIfCounter, kControllerTarget, 7),  // 11
        jumpIfInput(14, 3, true),                               // 12
        withBytes(code::SetOut, kControllerTarget, {1, 1}),     // 13
        withParams(code::WaitMs, kControllerTarget, 100000),    // 14
        makeRecord(code::End, kControllerTarget),               // 15
        withBytes(code::SetOut, kControllerTarget, {2, 1}),     // 16
        withParams(code::GoTo, 1, -1000),                       // 17
        waitM1,                                                 // 18
        makeRecord(code::End, kControllerTarget),               // 19
    };
}

struct Timed {
    std::chrono::nanoseconds at;
    MotorState state;
};

// Runs of samples moving one way: (+1, -1, +1 ...) with standstill dropped.
std::vector<int> directions(const std::vector<Timed>& samples) {
    std::vector<int> runs;
    for (const auto& s : samples) {
        const int v = s.state.rawVelocity[0];
        const int d = v > 0 ? 1 : v < 0 ? -1 : 0;
        if (d != 0 && (runs.empty() || runs.back() != d)) runs.push_back(d);
    }
    return runs;
}

std::vector<int> selectedLines(const std::vector<std::string>& events) {
    std::vector<int> lines;
    for (const auto& e : events)
        if (e.rfind("select ", 0) == 0) lines.push_back(std::atoi(e.c_str() + 7));
    return lines;
}

TEST(ProgramRunEndToEnd, MotionWaitsCounterLoopAndInputBreak) {
    TwinBench b;
    ASSERT_TRUE(b.station.connected());
    for (const Record& r : program())
        b.model.appendRecord(r);
    b.model.image.setInputBreak(1, {true, kBreakLine, 1});

    b.core.WriteProgramButtonClick();
    ASSERT_TRUE(b.station.downloadAvailable()) << "the compiler passes the program";
    b.station.FKompilacja().DownloadButtonClick();
    ASSERT_TRUE(b.runUntilStatus("Saving to EEPROM memory finished"));
    b.loop.runFor(50ms);
    ASSERT_EQ(b.twin().program().length(), program().size());

    b.setInput(3, true);
    b.station.ViweMotorButtonClick();
    b.station.WiewIoButtonClick();
    b.view.take();
    b.station.PlayProgramButtonClick();

    // Every motor reply with the moment it was shown.
    std::vector<Timed> samples;
    const auto record = [&] {
        while (samples.size() < b.view.motorStates.size())
            samples.push_back({b.loop.now(), b.view.motorStates[samples.size()]});
    };
    const auto lastLine = [&] {
        const auto lines = selectedLines(b.view.events);
        return lines.empty() ? -1 : lines.back();
    };
    ASSERT_TRUE(b.loop.runUntil(
        [&] {
            record();
            return lastLine() == kWaitSlot;
        },
        30s))
        << "the loop ends in the long wait";
    EXPECT_TRUE(b.station.programRunning());
    EXPECT_EQ(directions(samples), (std::vector<int>{1, -1, 1, -1, 1, -1}))
        << "counter(2): the moves run three times";
    EXPECT_EQ(b.twin().repetitionCounter(), 0u);
    EXPECT_FALSE(b.twin().output(1)) << "INPUT3 on jumps over line 13";
    b.loop.runFor(200ms);  // in the wait, past the line replies' 50 ms spacing
    record();
    EXPECT_EQ(samples.back().state.position[0], 0);
    EXPECT_EQ(lastLine(), kWaitSlot);

    // The rising edge of INPUT1 jumps to line 16 at once, cutting the wait short.
    const std::size_t beforeBreak = b.view.events.size();
    b.setInput(1, true);
    EXPECT_TRUE(b.twin().output(2));
    ASSERT_TRUE(b.loop.runUntil(
        [&] {
            record();
            return !b.station.programRunning();
        },
        10s))
        << "the program ends after its last move";
    b.loop.runFor(300ms);
    record();
    const std::vector<std::string> afterBreak(b.view.events.begin() + beforeBreak,
                                              b.view.events.end());
    EXPECT_EQ(selectedLines(afterBreak), (std::vector<int>{kBreakLine - 1, 17, kEndSlot}))
        << "the break line, the wait of line 18 and the end; lines 13 to 15 never again";

    // The motor state as the monitor saw it: never beyond the targets or v_max, never a
    // velocity change beyond the acceleration between two replies (two start/stop
    // velocities for a turn at a target between them, one unit for rounding each).
    std::int32_t highest = 0, lowest = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const MotorState& s = samples[i].state;
        highest = std::max(highest, s.position[0]);
        lowest = std::min(lowest, s.position[0]);
        EXPECT_LE(std::abs(s.rawVelocity[0]), kVMaxUnits) << "reply " << i;
        EXPECT_EQ(s.position[1], 0);
        EXPECT_EQ(s.position[2], 0);
        if (i == 0) continue;
        const double ms =
            std::chrono::duration<double, std::milli>(samples[i].at - samples[i - 1].at).count();
        const double allowed = 1.1131 * (ms + 3) + 2 * kVMinUnits + 2;
        EXPECT_LE(std::abs(s.rawVelocity[0] - samples[i - 1].state.rawVelocity[0]), allowed)
            << "reply " << i;
    }
    EXPECT_LE(highest, 4000);
    EXPECT_GE(highest, 3700) << "a reply comes at least every 300 steps of the braking";
    EXPECT_EQ(lowest, -1000);
    EXPECT_EQ(samples.back().state.position[0], -1000);
    EXPECT_EQ(samples.back().state.rawVelocity[0], 0);

    ASSERT_FALSE(b.view.ioStates.empty());
    const auto& lamps = b.view.ioStates.back().on;
    EXPECT_FALSE(lamps[0]) << "out1";
    EXPECT_TRUE(lamps[1]) << "out2";
    EXPECT_TRUE(lamps[9]) << "in1";
    EXPECT_TRUE(lamps[11]) << "in3";
    EXPECT_TRUE(b.twin().enableOutput());
    EXPECT_FALSE(b.station.programRunning());
    EXPECT_NE(std::find(afterBreak.begin(), afterBreak.end(), "led_prog stop"), afterBreak.end());
}

}  // namespace
}  // namespace rv720::test
