#include <gtest/gtest.h>

#include <sstream>

#include "model/values.h"
#include "sim/dry_run.h"
#include "sim/dry_run_report.h"
#include "support/record_builders.h"

namespace rv720::sim {
namespace {

using namespace rv720::test;
using namespace std::chrono_literals;

constexpr std::uint8_t kC = kControllerTarget;

SimTime ms(std::int64_t n) {
    return std::chrono::milliseconds(n);
}

InputSwitch switchAt(const char* text) {
    const auto change = parseInputSwitch(text);
    EXPECT_TRUE(change) << text;
    return change.value_or(InputSwitch{});
}

TEST(DryRun, MovesEndOnTheirTargetsWithinTheirVelocityLimit) {
    const ProgramImage program = programOf({
        driver(1, 8, 200),
        driver(2, 8, 200),
        withParams(code::VMax, 1, toMilli(5.0f)),
        withParams(code::VMax, 2, toMilli(2.0f)),
        withParams(code::AMax, 1, toMilli(20.0f)),
        withParams(code::AMax, 2, toMilli(20.0f)),
        withParams(code::GoTo, 1, 16000),
        withParams(code::GoTo, 2, -3200),
        withBytes(code::WaitMotor, kC, {1, 1, 0}),
        makeRecord(code::End, kC),
    });
    const DryRun run = dryRun(program);
    EXPECT_TRUE(run.ended());
    EXPECT_EQ(run.positions, (std::array<std::int32_t, 3>{16000, -3200, 0}));
    EXPECT_FALSE(run.motorsRunning);
    EXPECT_GT(run.peakVelocity[0], 4.9);
    EXPECT_LE(run.peakVelocity[0], 5.0);
    EXPECT_GT(run.peakVelocity[1], 1.9);
    EXPECT_LE(run.peakVelocity[1], 2.0);
    EXPECT_EQ(run.peakVelocity[2], 0.0);
    // 10 revolutions at up to 5 rev/s take more than 2 s; the wait polls, but
    // counts once.
    EXPECT_GT(run.stoppedAt, 2s);
    EXPECT_EQ(run.executed, 10u);
    // The trace follows the move: the same position where it ends, never beyond.
    EXPECT_EQ(run.samples.back().position, run.positions);
    for (const MotionSample& s : run.samples)
        ASSERT_TRUE(s.position[0] >= 0 && s.position[0] <= 16000) << s.at.count();
}

TEST(DryRun, WaitsAndOneMillisecondPerCommandMakeTheCycleTime) {
    const DryRun run = dryRun(programOf({
        withParams(code::WaitMs, kC, 250),
        withBytes(code::SetOut, kC, {1, 1}),
        withParams(code::WaitMs, kC, 750),
        makeRecord(code::End, kC),
    }));
    EXPECT_EQ(run.end, DryRunEnd::End);
    EXPECT_EQ(run.stoppedAt, ms(250 + 750 + 3));
    // The time cursor: which command runs at a moment.
    EXPECT_EQ(run.lineAt(ms(0)), 1);
    EXPECT_EQ(run.lineAt(ms(250)), 1);
    EXPECT_EQ(run.lineAt(ms(251)), 2);
    EXPECT_EQ(run.lineAt(ms(600)), 3);
    EXPECT_EQ(run.lineAt(ms(1003)), 4);
    EXPECT_EQ(run.samples[30].line, 3);  // 300 ms
}

TEST(DryRun, ACounterLoopSendsItsMessageOncePerRound) {
    const DryRun run = dryRun(programOf({
        withBytes(code::SetUsb, kC, {1}),
        withParams(code::Counter, kC, 4),
        message("Tick"),
        withParams(code::JumpIfCounter, kC, 3),
        makeRecord(code::End, kC),
    }));
    ASSERT_EQ(run.messages.size(), 5u);
    EXPECT_EQ(run.messages[4].characters, "Tick");
    EXPECT_EQ(run.messages[4].at, ms(10));
    std::vector<int> lines;
    for (const auto& e : run.executions)
        lines.push_back(e.line);
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 3, 4, 3, 4, 3, 4, 3, 4, 3, 4, 5}));
}

TEST(DryRun, ScheduledInputsTakeTheBreakAndStopTheProgram) {
    ProgramImage program = programOf({
        withBytes(code::SetUsb, kC, {1}),
        withParams(code::WaitMs, kC, 60000),
        makeRecord(code::End, kC),
        message("Break"),
        makeRecord(code::End, kC),
    });
    program.setInputBreak(1, {true, 4, 1});
    DryRunOptions options;
    options.switches = {switchAt("INPUT1=on@2.5")};
    DryRun run = dryRun(program, options);
    ASSERT_EQ(run.messages.size(), 1u);
    EXPECT_EQ(run.messages[0].at, ms(2500));
    EXPECT_EQ(run.end, DryRunEnd::End);
    EXPECT_EQ(run.stoppedAt, ms(2501));

    options.switches = {switchAt("STOP=on@1")};
    run = dryRun(program, options);
    EXPECT_EQ(run.end, DryRunEnd::StopInput);
    EXPECT_EQ(run.stoppedAt, ms(1000));

    options.switches = {switchAt("stop=on")};  // held from the start: nothing runs
    EXPECT_EQ(dryRun(program, options).end, DryRunEnd::NotStarted);
    EXPECT_EQ(dryRun(ProgramImage{}).end, DryRunEnd::NotStarted);
}

TEST(DryRun, AProgramThatNeverEndsStopsAtTheLimit) {
    DryRunOptions options;
    options.limit = 5s;
    const DryRun run = dryRun(
        programOf({withParams(code::VDest, 3, toMilli(1.0f)), withParams(code::JumpLine, kC, 2)}),
        options);
    EXPECT_EQ(run.end, DryRunEnd::Limit);
    EXPECT_FALSE(run.ended());
    EXPECT_EQ(run.stoppedAt, 5s);
    EXPECT_EQ(run.executed, 5001u);  // one a millisecond, from 0 to the limit itself
    EXPECT_TRUE(run.motorsRunning);
    EXPECT_EQ(run.samples.size(), 501u);
    EXPECT_NEAR(run.peakVelocity[2], 1.0, 0.01);
}

TEST(DryRun, AfterTheEndTheRunWaitsForMovesButNotForTurningMotors) {
    const DryRun run =
        dryRun(programOf({withParams(code::GoTo, 1, 800), withParams(code::VDest, 2, toMilli(1.0f)),
                          makeRecord(code::End, kC)}));
    EXPECT_EQ(run.stoppedAt, ms(2));
    EXPECT_EQ(run.positions[0], 800);
    EXPECT_TRUE(run.motorsRunning);
    EXPECT_LT(run.samples.back().at, 3s);  // the go_to's time, not the limit's
    EXPECT_GT(run.samples.back().at, 500ms);
}

TEST(DryRun, HowAProgramEndsIsToldApart) {
    const struct {
        std::vector<Record> records;
        DryRunEnd end;
        SimTime at;
    } cases[] = {
        {{withParams(code::WaitMs, kC, 5)}, DryRunEnd::RanOff, ms(6)},
        {{withParams(code::Counter, kC, 0), withParams(code::JumpIfCounter, kC, 9)},
         DryRunEnd::RanOff,
         ms(2)},
        {{withParams(code::WaitMs, kC, 5), withParams(code::JumpLine, kC, 7)},
         DryRunEnd::JumpOutside,
         ms(6)},
        {{withParams(code::WaitMs, kC, 5), makeRecord(0x30, kC)}, DryRunEnd::UnknownCommand, ms(6)},
    };
    for (const auto& c : cases) {
        const DryRun run = dryRun(programOf(c.records));
        EXPECT_EQ(run.end, c.end) << dryRunEndName(c.end);
        EXPECT_EQ(run.stoppedAt, c.at) << dryRunEndName(c.end);
    }
}

TEST(DryRunReport, JsonAndCsvOfAShortRun) {
    const DryRun run = dryRun(programOf({
        withBytes(code::SetUsb, kC, {1}),
        withBytes(code::PrintUsb, kC, {4, 'a', '"', 0x5C, 0xBF}),
        withParams(code::WaitMs, kC, 15),
        makeRecord(code::End, kC),
    }));
    EXPECT_EQ(dryRunJson(run),
              "{\"ended\":true,\"stop\":\"end\",\"seconds\":0.018,\"executed\":4,"
              "\"positions\":[0,0,0],\"peak_velocity\":[0,0,0],\"motors_running\":false,"
              "\"messages\":[\"a\\\"\\\\\xC5\xBC\"],\"message_seconds\":[0.001],"
              "\"lines\":[1,2,3,4],\"lines_truncated\":false}\n");
    EXPECT_EQ(dryRunCsv(run),
              "t,line,x1,x2,x3,v1,v2,v3\n"
              "0.000,1,0,0,0,0,0,0\n"
              "0.010,3,0,0,0,0,0,0\n"
              "0.020,4,0,0,0,0,0,0\n");
}

}  // namespace
}  // namespace rv720::sim
