#include <array>

#include "support/twin_harness.h"

namespace rv720::sim::testing {
namespace {

Record usb(bool on) {
    return recordOf({18, 4, std::uint8_t(on)});
}
Record print(const std::string& text) {
    Record r = makeRecord(19, 4);
    r[2] = std::uint8_t(text.size());
    std::copy(text.begin(), text.end(), r.begin() + 3);
    return r;
}

InputBreakWire breakOn(int input, std::uint16_t line, bool rising, bool enabled = true) {
    InputBreakWire block{};
    const int o = input == 1 ? 0 : 10;
    block[o] = enabled;
    block[o + 1] = std::uint8_t(line >> 8);
    block[o + 2] = std::uint8_t(line);
    block[o + 3] = rising;
    return block;
}

Replies ofCode(const Replies& replies, std::uint8_t code) {
    Replies out;
    std::copy_if(replies.begin(), replies.end(), std::back_inserter(out),
                 [&](const Reply& r) { return r.code == code; });
    return out;
}

const Reply kEnded{13, 0, {4}};

TEST(TwinProgram, WaitRunsInSimulatedTimeBetweenRecords) {
    TwinHarness h;
    h.run({setOut(1, true), waitMs(100), setOut(1, false), end()});
    // Every record takes 1 ms; the wait at 1 ms adds its 100 ms.
    h.twin.advanceTo(102ms - 1ns);
    EXPECT_TRUE(h.twin.output(1));
    h.twin.takeBytes();
    EXPECT_EQ(h.exchange(1, {4}).status, 1) << "replies carry the running flag";
    h.twin.advanceTo(102ms);
    EXPECT_FALSE(h.twin.output(1));
    EXPECT_TRUE(h.twin.running());
    h.twin.advanceTo(103ms);
    EXPECT_FALSE(h.twin.running());
    EXPECT_EQ(h.replies().back(), kEnded);
    EXPECT_EQ(h.exchange(1, {4}).status, 0);
}

TEST(TwinProgram, ProgramsThatLeaveTheirLinesStopAndSaySo) {
    struct Case {
        const char* what;
        std::vector<Record> program;
    };
    const Case cases[] = {
        {"END", {setOut(1, true), end(), setOut(2, true)}},
        {"runs off the end", {setOut(1, true)}},
        {"jumps past the end", {setOut(1, true), jumpTo(5), setOut(2, true)}},
        {"jumps to line 0", {setOut(1, true), jumpTo(0), setOut(2, true)}},
        {"meets an unknown code", {setOut(1, true), recordOf({21, 4}), setOut(2, true)}},
    };
    for (const auto& c : cases) {
        TwinHarness h;
        h.run(c.program);
        h.twin.advance(10ms);
        EXPECT_FALSE(h.twin.running()) << c.what;
        EXPECT_TRUE(h.twin.output(1) && !h.twin.output(2)) << c.what;
        EXPECT_EQ(h.replies().back(), kEnded) << c.what;
    }
}

TEST(TwinProgram, JumpsAndTheRepetitionCounter) {
    TwinHarness h;
    h.run({jumpTo(3), setOut(1, true), setOut(2, true), end()});
    h.twin.advance(10ms);
    EXPECT_FALSE(h.twin.output(1));
    EXPECT_TRUE(h.twin.output(2));
    for (int n : {0, 1, 3}) {
        TwinHarness loop;
        loop.run({usb(true), withParams(13, 4, n), print("x"), withParams(14, 4, 3), end()});
        loop.twin.advance(100ms);
        EXPECT_EQ(ofCode(loop.replies(), 14).size(), std::size_t(n + 1)) << "counter " << n;
        EXPECT_EQ(loop.twin.repetitionCounter(), 0u);
    }
}

TEST(TwinProgram, UsbMessagesOnlyWhileSwitchedOn) {
    TwinHarness h;
    Record tooLong = print("abc");
    tooLong[2] = 9;  // more than a record holds: its seven bytes go out
    h.run({print("off"), usb(true), print("AB\r"), print(""), tooLong, usb(false), print("no"),
           end()});
    h.twin.advance(20ms);
    const Replies expected{{14, 1, {4, 3, 'A', 'B', '\r'}},
                           {14, 1, {4, 0}},
                           {14, 1, {4, 7, 'a', 'b', 'c', 0, 0, 0, 0}}};
    EXPECT_EQ(ofCode(h.replies(), 14), expected);
}

TEST(TwinProgram, EachRunStartsAtLineOneWithCounterAndMessagesReset) {
    TwinHarness h;
    h.run({print("a"), usb(true), withParams(13, 4, 7), waitMs(100000), end()});
    h.twin.advance(10ms);
    EXPECT_EQ(h.twin.repetitionCounter(), 7u);
    h.twin.takeBytes();
    EXPECT_EQ(h.exchange(13, {4}), kEnded);
    h.exchange(12, {4});
    EXPECT_EQ(h.twin.repetitionCounter(), 0u);
    h.twin.advance(10ms);
    EXPECT_TRUE(ofCode(h.replies(), 14).empty()) << "line 1 prints before set_USB";
}

TEST(TwinProgram, JumpIfInputFollowsTheInputState) {
    struct Case {
        bool inputOn, jumpWhenOn, jumps;
    };
    for (const auto& c : {Case{true, true, true}, Case{false, true, false},
                          Case{true, false, false}, Case{false, false, true}}) {
        TwinHarness h;
        h.twin.setInput(3, c.inputOn);
        h.run({jumpIfInput(3, 3, c.jumpWhenOn), setOut(1, true), end()});
        h.twin.advance(10ms);
        EXPECT_EQ(h.twin.output(1), !c.jumps) << c.inputOn << c.jumpWhenOn;
    }
}

TEST(TwinProgram, InputBreakJumpsOnTheConfiguredEdgeAtOnce) {
    struct Case {
        const char* what;
        InputBreakWire block;
        int input;
        bool startLevel, jumps;
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
        h.run({waitMs(100000), end(), setOut(5, true), waitMs(100000), end()}, c.block);
        h.twin.advance(10ms);
        h.twin.setInput(c.input, !c.startLevel);
        // The target line runs at the moment of the edge, cutting the wait short.
        EXPECT_EQ(h.twin.output(5), c.jumps) << c.what;
        EXPECT_EQ(h.twin.currentSlot(), c.jumps ? 3 : 1) << c.what;
    }
    TwinHarness stopped;
    stopped.writeProgram({end(), setOut(5, true), end()}, breakOn(1, 2, true));
    stopped.twin.setInput(1, true);
    EXPECT_FALSE(stopped.twin.running() || stopped.twin.output(5)) << "breaks need a run";
}

TEST(TwinProgram, StopCommandAndStopInputHaltProgramAndMotors) {
    TwinHarness h;
    h.run({withParams(3, 1, 1000), waitMs(100000), end()});
    h.twin.advance(5ms);
    ASSERT_NE(h.twin.axis(0).velocity(), 0);
    h.twin.takeBytes();
    EXPECT_EQ(h.exchange(13, {4}), kEnded);
    EXPECT_FALSE(h.twin.running());
    EXPECT_EQ(h.twin.axis(0).velocity(), 0);

    h.exchange(8, {2, 0, 0, 0, 50});  // direct motion, no program
    h.twin.setStopInput(true);
    EXPECT_EQ(h.twin.axis(1).velocity(), 0);
    EXPECT_TRUE(h.replies().empty()) << "no program ended, nothing to announce";
}

TEST(TwinProgram, RunAndStopInputs) {
    TwinHarness h;
    EXPECT_EQ(h.exchange(12, {4}), (Reply{12, 0, {4}})) << "nothing stored, nothing runs";
    h.writeProgram({setOut(1, true), waitMs(100000), end()});
    h.twin.setRunInput(true);
    EXPECT_TRUE(h.twin.running() && h.twin.output(1));
    h.twin.setRunInput(false);
    h.twin.advance(5ms);
    EXPECT_TRUE(h.twin.running());
    h.twin.takeBytes();
    h.twin.setStopInput(true);
    EXPECT_FALSE(h.twin.running());
    EXPECT_EQ(h.replies().back(), kEnded);
    // A held STOP keeps the program from starting, by RUN or by command.
    h.twin.setRunInput(true);
    EXPECT_FALSE(h.twin.running());
    EXPECT_EQ(h.exchange(12, {4}), (Reply{12, 0, {4}}));
    h.twin.setStopInput(false);
    EXPECT_EQ(h.exchange(12, {4}), (Reply{12, 1, {4}}));
}

TEST(TwinProgram, EnableClearMotorOutputsAndDriverConfiguration) {
    TwinHarness h;
    for (std::uint8_t m : {1, 2, 3})
        h.exchange(9, {m, 0, 0, 0, std::uint8_t(10 * m)});
    h.twin.advance(1s);  // the direct moves take a few milliseconds
    ASSERT_EQ(h.twin.axis(2).position(), 30);
    // drv M2: divisor 8, 400 steps per revolution; v_max 4 rev/s on M1 and M2, then
    // 1 rev/s on both; M3 runs backwards until go_to takes over.
    h.run({recordOf({5, 4, 1}), recordOf({22, 4, 1, 0, 1}), setOut(8, true), setOut(10, true),
           recordOf({17, 2, 0, 0, 0, 8, 0, 0, 0x01, 0x90}), withParams(2, 1, 4000),
           withParams(2, 2, 4000), withParams(3, 1, 1000), withParams(3, 2, 1000),
           withParams(3, 3, -5000), withParams(8, 3, -400), waitMs(100000)});
    h.twin.advance(3ms);  // up to the outputs; the motors start moving at 7 ms
    EXPECT_TRUE(h.twin.enableOutput());
    EXPECT_TRUE(h.twin.output(8));
    EXPECT_EQ(h.twin.axis(0).position(), 0);
    EXPECT_EQ(h.twin.axis(1).position(), 20) << "not named in clear_motor";
    EXPECT_EQ(h.twin.axis(2).position(), 0);
    h.twin.advance(1s);
    EXPECT_EQ(h.twin.axis(0).velocity(), 104);
    EXPECT_EQ(h.twin.axis(1).velocity(), 209) << "the drv of M2 doubles its units";
    EXPECT_EQ(h.twin.axis(2).velocity(), 0) << "go_to ends the velocity run";
    EXPECT_EQ(h.twin.axis(2).position(), -400);
}

// An axis that needs 30 ms to arrive, to check the seam the executor polls.
class SlowAxis final : public AxisDrive {
  public:
    void configure(const DriverConfig&) override {}
    void setMode(AxisMode) override {}
    void setMinVelocity(std::int32_t) override {}
    void setMaxVelocity(std::int32_t) override {}
    void setMaxAcceleration(std::int32_t) override {}
    void runAtVelocity(std::int32_t) override {}
    void moveTo(std::int32_t steps) override { target_ = steps, left_ = 30ms; }
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
    // M2 and M3 move at 0 ms; wait_motor(M2) from 1 ms; the moves take 30 ms.
    h.run({withParams(8, 2, 100), withParams(8, 3, 100), recordOf({20, 4, 0, 1, 0}),
           setOut(1, true), recordOf({20, 4, 0, 0, 1}), end()});
    h.twin.advance(29ms);
    EXPECT_FALSE(h.twin.output(1));
    EXPECT_EQ(h.twin.currentSlot(), 2);
    h.twin.advance(2ms);
    EXPECT_TRUE(h.twin.output(1));
    EXPECT_EQ(h.twin.axis(1).position(), 100);
}

// Several named motors: the wait ends when the last of them arrives, and a motor
// not named never holds it. Two motors start at once and arrive near 31 ms; the
// late one starts after a 20 ms wait and arrives after 50 ms.
TEST(TwinProgram, WaitMotorWithSeveralMotorsWaitsForTheLastNamed) {
    const struct {
        int late;  // motor index 0..2
        std::array<std::uint8_t, 3> named;
        bool outputAt45ms;
    } cases[] = {
        {0, {1, 1, 1}, false}, {1, {1, 1, 1}, false}, {2, {1, 1, 1}, false}, {0, {1, 0, 1}, false},
        {2, {0, 1, 1}, false}, {0, {0, 1, 1}, true},  {2, {1, 1, 0}, true},
    };
    for (const auto& c : cases) {
        TwinOptions options;
        options.axisFactory = [](int) -> std::unique_ptr<AxisDrive> {
            return std::make_unique<SlowAxis>();
        };
        TwinHarness h(options);
        std::vector<Record> program;
        for (int m = 0; m < 3; ++m)
            if (m != c.late) program.push_back(withParams(8, std::uint8_t(m + 1), 100));
        program.push_back(waitMs(20));
        program.push_back(withParams(8, std::uint8_t(c.late + 1), 100));
        program.push_back(recordOf({20, 4, c.named[0], c.named[1], c.named[2]}));
        program.push_back(setOut(1, true));
        program.push_back(end());
        h.run(program);
        const std::string name = "late M" + std::to_string(c.late + 1) + ", named " +
                                 std::to_string(c.named[0]) + std::to_string(c.named[1]) +
                                 std::to_string(c.named[2]);
        h.twin.advance(45ms);
        EXPECT_EQ(h.twin.output(1), c.outputAt45ms) << name;
        h.twin.advance(20ms);
        EXPECT_TRUE(h.twin.output(1)) << name;
    }
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
        for (const auto& r : ofCode(parseReplies(chunk.bytes), 15))
            out.push_back({chunk.at, readBe16(r.data.data() + 1)});
    return out;
}

TEST(TwinLineReports, StartedLinesAreReportedAtMostEvery50ms) {
    TwinHarness h;
    h.run({setOut(1, true), waitMs(200), setOut(1, false), waitMs(10), end()});
    h.twin.advance(300ms);
    // Line 1 at 0; line 2 starts at 1 ms and waits for the window to end at 50 ms;
    // line 3 at 202 ms; line 4 at 203 ms would wait until 252 ms, but END (line 5) at
    // 214 ms replaces it and ends the run, so it goes out at once.
    const std::vector<TimedReport> expected{{0ms, 0}, {50ms, 1}, {202ms, 2}, {214ms, 4}};
    EXPECT_EQ(lineReports(h.twin), expected);
}

TEST(TwinLineReports, LoopsDoNotFloodTheLink) {
    TwinHarness h;
    h.run({jumpTo(2), jumpTo(1)});
    h.twin.advance(1000ms);
    const auto reports = lineReports(h.twin);
    ASSERT_EQ(reports.size(), 21u);  // at 0, 50, ..., 1000 ms
    for (std::size_t i = 1; i < reports.size(); ++i)
        EXPECT_EQ(reports[i].at - reports[i - 1].at, 50ms);
    TwinHarness single;
    single.run({jumpTo(1)});
    single.twin.advance(500ms);
    EXPECT_EQ(lineReports(single.twin), (std::vector<TimedReport>{{0ms, 0}}))
        << "a line that keeps running is reported once";
}

}  // namespace
}  // namespace rv720::sim::testing
