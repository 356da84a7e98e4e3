#include "twin_harness.h"

namespace rv720::sim::testing {
namespace {

Record setOut(int output, bool on) {
    return rec({15, 4, std::uint8_t(output), std::uint8_t(on)});
}
Record waitMs(std::int32_t ms) {
    return recP1(6, 4, ms);
}
Record jump(std::int32_t line) {
    return recP1(7, 4, line);
}
Record counter(std::int32_t n) {
    return recP1(13, 4, n);
}
Record jumpIfCounter(std::int32_t line) {
    return recP1(14, 4, line);
}
Record jumpIfInput(std::int32_t line, int input, bool on) {
    Record r = recP1(16, 4, line);
    r[6] = std::uint8_t(input);
    r[7] = on ? 1 : 0;
    return r;
}
Record usb(bool on) {
    return rec({18, 4, std::uint8_t(on)});
}
Record print(const std::string& text) {
    Record r = makeRecord(19, 4);
    r[2] = std::uint8_t(text.size());
    for (std::size_t i = 0; i < text.size() && i < 7; ++i)
        r[3 + i] = std::uint8_t(text[i]);
    return r;
}
Record end() {
    return rec({10, 4});
}

InputBreakWire breakOn(int input, std::uint16_t line, bool rising, bool enabled = true) {
    InputBreakWire block{};
    const int o = input == 1 ? 0 : 10;
    block[o + 0] = enabled ? 1 : 0;
    block[o + 1] = std::uint8_t(line >> 8);
    block[o + 2] = std::uint8_t(line);
    block[o + 3] = rising ? 1 : 0;
    return block;
}

// Loads the program, starts it with command 12 at time 0 and checks the run reply.
void run(TwinHarness& h, const std::vector<Record>& program, const InputBreakWire& block = {}) {
    h.writeProgram(program, block);
    const Reply r = h.exchange(12, {4});
    EXPECT_EQ(r.code, 12);
    EXPECT_EQ(r.status, 1);
}

std::vector<Reply> ofCode(const std::vector<Reply>& replies, std::uint8_t code) {
    std::vector<Reply> out;
    for (const auto& r : replies)
        if (r.code == code) out.push_back(r);
    return out;
}

TEST(TwinProgram, WaitRunsInSimulatedTimeBetweenRecords) {
    TwinHarness h;
    run(h, {setOut(1, true), waitMs(100), setOut(1, false), end()});
    // Every record takes 1 ms; the wait at 1 ms adds its 100 ms.
    h.twin.advance(101ms);
    EXPECT_TRUE(h.twin.output(1));
    h.twin.advanceTo(102ms - 1ns);
    EXPECT_TRUE(h.twin.output(1));
    h.twin.advanceTo(102ms);
    EXPECT_FALSE(h.twin.output(1));
    EXPECT_TRUE(h.twin.running());
    h.twin.advanceTo(103ms);
    EXPECT_FALSE(h.twin.running());
}

TEST(TwinProgram, EndClearsTheRunningFlagAndAnnouncesIt) {
    TwinHarness h;
    run(h, {waitMs(10), end()});
    EXPECT_EQ(h.exchange(1, {4}).status, 1);
    h.twin.advance(20ms);
    const auto got = h.replies();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got.back(), (Reply{13, 0, {4}}));
    EXPECT_EQ(h.exchange(1, {4}).status, 0);
}

TEST(TwinProgram, ProgramsThatLeaveTheirLinesStop) {
    struct Case {
        const char* what;
        std::vector<Record> program;
    };
    const Case cases[] = {
        {"runs off the end", {setOut(1, true)}},
        {"jumps past the end", {setOut(1, true), jump(5)}},
        {"jumps to line 0", {setOut(1, true), jump(0)}},
        {"meets an unknown code", {setOut(1, true), rec({21, 4}), setOut(2, true)}},
        {"meets code 0", {setOut(1, true), rec({0, 0}), setOut(2, true)}},
    };
    for (const auto& c : cases) {
        TwinHarness h;
        run(h, c.program);
        h.twin.advance(10ms);
        EXPECT_FALSE(h.twin.running()) << c.what;
        EXPECT_TRUE(h.twin.output(1)) << c.what;
        EXPECT_FALSE(h.twin.output(2)) << c.what;
        const auto got = h.replies();
        ASSERT_FALSE(got.empty()) << c.what;
        EXPECT_EQ(got.back(), (Reply{13, 0, {4}})) << c.what;
    }
}

TEST(TwinProgram, JumpSkipsLines) {
    TwinHarness h;
    run(h, {jump(3), setOut(1, true), setOut(2, true), end()});
    h.twin.advance(10ms);
    EXPECT_FALSE(h.twin.output(1));
    EXPECT_TRUE(h.twin.output(2));
}

TEST(TwinProgram, CounterRepeatsTheLoopBodyThatManyMoreTimes) {
    for (int n : {0, 1, 3}) {
        TwinHarness h;
        run(h, {usb(true), counter(n), print("x"), jumpIfCounter(3), end()});
        h.twin.advance(100ms);
        const auto messages = ofCode(h.replies(), 14);
        EXPECT_EQ(messages.size(), std::size_t(n + 1)) << "counter " << n;
        EXPECT_EQ(h.twin.repetitionCounter(), 0u);
    }
}

TEST(TwinProgram, UsbMessagesOnlyWhileSwitchedOn) {
    TwinHarness h;
    Record tooLong = print("abc");
    tooLong[2] = 9;  // more than a record can hold: the seven bytes there are sent
    run(h, {print("off"), usb(true), print("AB\r"), print(""), tooLong, usb(false), print("no"),
            end()});
    h.twin.advance(20ms);
    const auto messages = ofCode(h.replies(), 14);
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].data, (Bytes{4, 3, 'A', 'B', '\r'}));
    EXPECT_EQ(messages[0].status, 1);
    EXPECT_EQ(messages[1].data, (Bytes{4, 0}));
    EXPECT_EQ(messages[2].data, (Bytes{4, 7, 'a', 'b', 'c', 0, 0, 0, 0}));
}

TEST(TwinProgram, JumpIfInputFollowsTheInputState) {
    struct Case {
        bool inputOn;
        bool jumpWhenOn;
        bool jumps;
    };
    const Case cases[] = {
        {true, true, true}, {false, true, false}, {true, false, false}, {false, false, true}};
    for (const auto& c : cases) {
        TwinHarness h;
        h.twin.setInput(3, c.inputOn);
        run(h, {jumpIfInput(3, 3, c.jumpWhenOn), setOut(1, true), end()});
        h.twin.advance(10ms);
        EXPECT_EQ(h.twin.output(1), !c.jumps) << c.inputOn << c.jumpWhenOn;
    }
}

TEST(TwinProgram, InputBreakJumpsOnTheConfiguredEdgeAtOnce) {
    struct Case {
        const char* what;
        InputBreakWire block;
        int input;
        bool startLevel;
        bool jumps;
    };
    const Case cases[] = {
        {"INPUT1 rising", breakOn(1, 3, true), 1, false, true},
        {"INPUT1 rising, falling edge seen", breakOn(1, 3, true), 1, true, false},
        {"INPUT1 falling", breakOn(1, 3, false), 1, true, true},
        {"INPUT2 rising", breakOn(2, 3, true), 2, false, true},
        {"INPUT2 configured, INPUT1 toggles", breakOn(2, 3, true), 1, false, false},
        {"disabled", breakOn(1, 3, true, false), 1, false, false},
        {"no line chosen", breakOn(1, 0, true), 1, false, false},
    };
    for (const auto& c : cases) {
        TwinHarness h;
        h.twin.setInput(c.input, c.startLevel);
        run(h, {waitMs(100000), end(), setOut(5, true), waitMs(100000), end()}, c.block);
        h.twin.advance(10ms);
        h.twin.setInput(c.input, !c.startLevel);
        // The target line runs at the moment of the edge, cutting the wait short.
        EXPECT_EQ(h.twin.output(5), c.jumps) << c.what;
        EXPECT_TRUE(h.twin.running()) << c.what;
        if (c.jumps) EXPECT_EQ(h.twin.currentSlot(), 3) << c.what;
    }
}

TEST(TwinProgram, InputBreakIsIgnoredWhileStopped) {
    TwinHarness h;
    h.writeProgram({end(), setOut(5, true), end()}, breakOn(1, 2, true));
    h.twin.setInput(1, true);
    h.twin.advance(10ms);
    EXPECT_FALSE(h.twin.running());
    EXPECT_FALSE(h.twin.output(5));
}

TEST(TwinProgram, StopCommandHaltsProgramAndMotors) {
    TwinHarness h;
    run(h, {recP1(3, 1, 1000), waitMs(100000), end()});
    h.twin.advance(5ms);
    ASSERT_NE(h.twin.axis(0).velocity(), 0);
    h.twin.takeBytes();
    const Reply r = h.exchange(13, {4});
    EXPECT_EQ(r, (Reply{13, 0, {4}}));
    EXPECT_FALSE(h.twin.running());
    EXPECT_EQ(h.twin.axis(0).velocity(), 0);
}

TEST(TwinProgram, RunAndStopInputs) {
    TwinHarness h;
    h.writeProgram({setOut(1, true), waitMs(100000), end()});
    h.twin.setRunInput(true);
    EXPECT_TRUE(h.twin.running());
    EXPECT_TRUE(h.twin.output(1));
    h.twin.setRunInput(false);
    h.twin.advance(5ms);
    EXPECT_TRUE(h.twin.running());
    h.twin.takeBytes();
    h.twin.setStopInput(true);
    EXPECT_FALSE(h.twin.running());
    EXPECT_EQ(h.replies().back(), (Reply{13, 0, {4}}));
    // A held STOP keeps the program from starting, by RUN or by command.
    h.twin.setRunInput(true);
    EXPECT_FALSE(h.twin.running());
    EXPECT_EQ(h.exchange(12, {4}), (Reply{12, 0, {4}}));
    h.twin.setStopInput(false);
    EXPECT_EQ(h.exchange(12, {4}), (Reply{12, 1, {4}}));
}

TEST(TwinProgram, StopInputStopsDirectMotionToo) {
    TwinHarness h;
    h.exchange(8, {2, 0, 0, 0, 50});
    ASSERT_EQ(h.twin.axis(1).velocity(), 50);
    h.twin.setStopInput(true);
    EXPECT_EQ(h.twin.axis(1).velocity(), 0);
    EXPECT_TRUE(h.replies().empty()) << "no program ended, nothing to announce";
}

TEST(TwinProgram, EmptyProgramDoesNotStart) {
    TwinHarness h;
    EXPECT_EQ(h.exchange(12, {4}), (Reply{12, 0, {4}}));
    EXPECT_FALSE(h.twin.running());
}

TEST(TwinProgram, EachRunStartsFreshAtLineOne) {
    TwinHarness h;
    run(h, {print("a"), usb(true), counter(7), waitMs(100000), end()});
    h.twin.advance(10ms);
    EXPECT_EQ(h.twin.repetitionCounter(), 7u);
    h.twin.takeBytes();
    h.exchange(13, {4});
    h.twin.takeBytes();
    h.exchange(12, {4});
    EXPECT_EQ(h.twin.repetitionCounter(), 0u);
    EXPECT_FALSE(h.twin.usbMessages());
    h.twin.advance(10ms);
    EXPECT_TRUE(ofCode(h.replies(), 14).empty()) << "line 1 printed before set_USB";
}

TEST(TwinProgram, EnableAndClearMotorAndOutputs) {
    TwinHarness h;
    h.exchange(9, {1, 0, 0, 0, 10});
    h.exchange(9, {2, 0, 0, 0, 20});
    h.exchange(9, {3, 0, 0, 0, 30});
    run(h, {rec({5, 4, 1}), rec({22, 4, 1, 0, 1}), setOut(8, true), setOut(9, true),
            setOut(10, true), end()});
    h.twin.advance(10ms);
    EXPECT_TRUE(h.twin.enableOutput());
    EXPECT_EQ(h.twin.axis(0).position(), 0);
    EXPECT_EQ(h.twin.axis(1).position(), 20);
    EXPECT_EQ(h.twin.axis(2).position(), 0);
    EXPECT_TRUE(h.twin.output(8));
    EXPECT_TRUE(h.twin.output(9));
}

TEST(TwinProgram, MotionCommandsUseTheDriverConfiguration) {
    TwinHarness h;
    // drv M2: divisor 8, 400 steps per revolution; then 1 rev/s on M1 and M2.
    const Record drv2 = rec({17, 2, 0, 0, 0, 8, 0, 0, 0x01, 0x90});
    run(h, {drv2, recP1(3, 1, 1000), recP1(3, 2, 1000), recP1(3, 3, -5000), recP1(8, 3, -400),
            waitMs(100000), end()});
    h.twin.advance(10ms);
    EXPECT_EQ(h.twin.driver(1).stepsPerRev, 400);
    EXPECT_EQ(h.twin.axis(0).velocity(), 104);
    EXPECT_EQ(h.twin.axis(1).velocity(), 209);
    EXPECT_EQ(h.twin.axis(2).velocity(), 0) << "go_to ends the velocity run";
    EXPECT_EQ(h.twin.axis(2).position(), -400);
}

// An axis that needs a given time to arrive, to check the seam the executor uses.
class SlowAxis final : public AxisDrive {
  public:
    void configure(const DriverConfig&) override {}
    void setMode(AxisMode) override {}
    void setMinVelocity(std::int32_t) override {}
    void setMaxVelocity(std::int32_t) override {}
    void setMaxAcceleration(std::int32_t) override {}
    void runAtVelocity(std::int32_t) override {}
    void moveTo(std::int32_t steps) override {
        target_ = steps;
        left_ = 30ms;
    }
    void stepBy(std::int32_t) override {}
    void home(std::int32_t, std::int32_t) override {}
    void brake() override {}
    void stopNow() override { left_ = SimDuration{0}; }
    void clearPosition() override {}
    bool arrived() const override { return left_ <= SimDuration{0}; }
    std::int32_t position() const override { return arrived() ? target_ : 0; }
    std::int32_t velocity() const override { return arrived() ? 0 : 1; }
    void advance(SimDuration dt) override { left_ -= dt; }

  private:
    std::int32_t target_ = 0;
    SimDuration left_{0};
};

TEST(TwinProgram, WaitMotorWaitsForTheNamedAxesThroughTheSeam) {
    TwinOptions options;
    options.axisFactory = [](int) -> std::unique_ptr<AxisDrive> {
        return std::make_unique<SlowAxis>();
    };
    TwinHarness h(options);
    // M2 moves at 0 ms; wait_motor(M2) from 1 ms; the move takes 30 ms.
    run(h, {recP1(8, 2, 100), rec({20, 4, 0, 1, 0}), setOut(1, true), end()});
    h.twin.advance(29ms);
    EXPECT_FALSE(h.twin.output(1));
    EXPECT_EQ(h.twin.currentSlot(), 1);
    h.twin.advance(3ms);
    EXPECT_TRUE(h.twin.output(1));
    EXPECT_EQ(h.twin.axis(1).position(), 100);
}

TEST(TwinProgram, WaitMotorIgnoresAxesItDoesNotName) {
    TwinHarness h;
    run(h, {recP1(3, 1, 1000), rec({20, 4, 0, 1, 1}), setOut(1, true), rec({20, 4, 1, 0, 0}),
            setOut(2, true), end()});
    h.twin.advance(50ms);
    EXPECT_TRUE(h.twin.output(1));
    EXPECT_FALSE(h.twin.output(2)) << "motor 1 runs at a velocity and never arrives";
    h.twin.takeBytes();
    h.exchange(9, {1, 0, 0, 0, 0});  // a position move ends the run
    h.twin.advance(5ms);
    EXPECT_TRUE(h.twin.output(2));
}

// ---------------------------------------------------------------- executed-line reports

struct TimedReport {
    SimTime at;
    int slot;
    bool operator==(const TimedReport&) const = default;
};

std::vector<TimedReport> lineReports(ControllerTwin& twin) {
    std::vector<TimedReport> out;
    for (const auto& chunk : twin.takeOutput())
        for (const auto& r : parseReplies(chunk.bytes))
            if (r.code == 15) out.push_back({chunk.at, readBe16(r.data.data() + 1)});
    return out;
}

TEST(TwinLineReports, StartedLinesAreReportedAtMostEvery50ms) {
    TwinHarness h;
    run(h, {setOut(1, true), waitMs(200), setOut(1, false), waitMs(10), end()});
    h.twin.advance(300ms);
    // Line 1 at 0; line 2 starts at 1 ms and waits for the window to end at 50 ms;
    // line 3 at 202 ms; line 4 at 203 ms would wait until 252 ms, but END (line 5) at
    // 214 ms replaces it and ends the run, so it goes out at once.
    const std::vector<TimedReport> expected{{0ms, 0}, {50ms, 1}, {202ms, 2}, {214ms, 4}};
    EXPECT_EQ(lineReports(h.twin), expected);
}

TEST(TwinLineReports, TightLoopDoesNotFloodTheLink) {
    TwinHarness h;
    run(h, {jump(2), jump(1)});
    h.twin.advance(1000ms);
    const auto reports = lineReports(h.twin);
    EXPECT_EQ(reports.size(), 21u);  // at 0, 50, ..., 1000 ms
    for (std::size_t i = 1; i < reports.size(); ++i)
        EXPECT_EQ(reports[i].at - reports[i - 1].at, 50ms);
}

TEST(TwinLineReports, ALineThatKeepsRunningIsReportedOnce) {
    TwinHarness h;
    run(h, {jump(1)});
    h.twin.advance(500ms);
    EXPECT_EQ(lineReports(h.twin), (std::vector<TimedReport>{{0ms, 0}}));
}

}  // namespace
}  // namespace rv720::sim::testing
