#include <gtest/gtest.h>

#include "model/commands.h"
#include "model/program_image.h"
#include "support/record_builders.h"

namespace rv720 {
namespace {

using test::jumpTo;

// A program of n END-free filler commands (wait_ms) with the given jumps placed
// at the given slots.
ProgramModel programOf(int n) {
    ProgramModel m;
    for (int i = 0; i < n; ++i) {
        Record r = makeRecord(code::WaitMs, kControllerTarget);
        writeBe32(&r[2], i);
        m.appendRecord(r);
    }
    return m;
}

TEST(ProgramImageLayout, RecordsLiveInTenPlanes) {
    ProgramImage image;
    Record r{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    image.setRecord(5, r);
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(image.bytes()[k * 999 + 5], r[k]);
    EXPECT_EQ(image.record(5), r);
}

TEST(ProgramImageLayout, ParametersAreBigEndianSigned) {
    ProgramImage image;
    image.setP1(0, -1);
    image.setP2(0, 0x01020304);
    EXPECT_EQ(image.record(0), (Record{0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4}));
    EXPECT_EQ(image.p1(0), -1);
    EXPECT_EQ(image.p2(0), 0x01020304);
}

TEST(ProgramImageLayout, InputBreakIsInterleavedInTheImageAndSplitOnTheWire) {
    ProgramImage image;
    image.setInputBreak(1, {true, 0x0102, 1});
    image.setInputBreak(2, {true, 7, 0});
    EXPECT_EQ(image.bytes()[9990], 1);
    EXPECT_EQ(image.bytes()[9991], 1);
    EXPECT_EQ(image.bytes()[9992], 0x01);
    EXPECT_EQ(image.bytes()[9994], 0x02);
    EXPECT_EQ(image.bytes()[9995], 7);
    EXPECT_EQ(image.bytes()[9996], 1);
    InputBreakWire wire = image.inputBreakWire();
    EXPECT_EQ((std::array<std::uint8_t, 4>{wire[0], wire[1], wire[2], wire[3]}),
              (std::array<std::uint8_t, 4>{1, 1, 2, 1}));
    EXPECT_EQ((std::array<std::uint8_t, 4>{wire[10], wire[11], wire[12], wire[13]}),
              (std::array<std::uint8_t, 4>{1, 0, 7, 0}));
    ProgramImage copy;
    copy.setInputBreakFromWire(wire);
    EXPECT_EQ(copy.inputBreak(1).line, 0x0102);
    EXPECT_EQ(copy.inputBreak(2).line, 7);
}

TEST(ModelOperations, AppendWritesAtTheEnd) {
    ProgramModel m = programOf(2);
    m.appendRecord(makeRecord(code::End, 4));
    EXPECT_EQ(m.length(), 3u);
    EXPECT_EQ(m.image.code(2), code::End);
}

TEST(ModelOperations, InsertMovesLaterSlotsDownAndAdvancesTheCursor) {
    ProgramModel m = programOf(3);
    m.cursorLine = 1;
    m.insertRecordAtCursor(makeRecord(code::End, 4));
    EXPECT_EQ(m.length(), 4u);
    EXPECT_EQ(m.cursorLine, 2);
    EXPECT_EQ(m.image.p1(0), 0);
    EXPECT_EQ(m.image.code(1), code::End);
    EXPECT_EQ(m.image.p1(2), 1);
    EXPECT_EQ(m.image.p1(3), 2);
}

TEST(ModelOperations, DeleteAndSwap) {
    ProgramModel m = programOf(4);
    m.deleteRecord(1);
    ASSERT_EQ(m.length(), 3u);
    EXPECT_EQ(m.image.p1(1), 2);
    m.swapRecords(0, 1);
    EXPECT_EQ(m.image.p1(0), 2);
    EXPECT_EQ(m.image.p1(1), 0);
    ProgramModel empty;
    empty.deleteRecord(0);
    EXPECT_EQ(empty.length(), 0u);
}

TEST(Renumbering, InsertAtLineOneMovesTargetsAndEnabledInputBreaks) {
    ProgramModel m = programOf(3);
    m.image.setRecord(2, jumpTo(1));
    m.image.setInputBreak(1, {true, 1, 0});
    m.image.setInputBreak(2, {false, 1, 0});
    int refreshes = 0;
    m.onInputBreakChanged = [&] { ++refreshes; };
    m.cursorLine = 0;
    m.insertRecordAtCursor(makeRecord(code::End, 4));
    EXPECT_EQ(m.image.p1(3), 2);
    EXPECT_EQ(m.image.inputBreak(1).line, 2);
    EXPECT_EQ(m.image.inputBreak(2).line, 1) << "a disabled setting keeps its line";
    EXPECT_EQ(refreshes, 1);
}

TEST(Renumbering, InsertLeavesZeroAndOutOfProgramTargets) {
    ProgramModel m = programOf(4);
    m.image.setRecord(0, jumpTo(0));
    m.image.setRecord(1, jumpTo(40));
    m.image.setRecord(2, jumpTo(-3));
    m.cursorLine = 0;
    m.insertRecordAtCursor(makeRecord(code::End, 4));
    EXPECT_EQ(m.image.p1(1), 0);
    EXPECT_EQ(m.image.p1(2), 40);
    EXPECT_EQ(m.image.p1(3), -3);
}

TEST(Renumbering, InsertedJumpAboveItsTargetFollowsItsLine) {
    // A jump to line 5 inserted at line 3 of a ten-line program names the
    // command that was line 5 before the insert, now line 6.
    ProgramModel m = programOf(10);
    m.cursorLine = 2;
    m.insertRecordAtCursor(jumpTo(5));
    EXPECT_EQ(m.image.p1(2), 6);
}

TEST(Renumbering, DeleteMovesTargetsUpAndKeepsLineOne) {
    ProgramModel m = programOf(8);
    m.image.setRecord(0, jumpTo(3));
    m.image.setRecord(1, jumpTo(5));
    m.image.setRecord(3, jumpTo(2));
    m.image.setRecord(4, jumpTo(1));
    m.image.setRecord(5, jumpTo(50));
    m.deleteRecord(2);  // line 3
    EXPECT_EQ(m.image.p1(0), 2) << "target of the deleted line names the line before";
    EXPECT_EQ(m.image.p1(1), 4);
    EXPECT_EQ(m.image.p1(2), 2) << "target above the deleted line is unchanged";
    EXPECT_EQ(m.image.p1(3), 1);
    EXPECT_EQ(m.image.p1(4), 49) << "targets beyond the end still move";

    ProgramModel first = programOf(3);
    first.image.setRecord(2, jumpTo(1));
    first.deleteRecord(0);
    EXPECT_EQ(first.image.p1(1), 1);
}

TEST(Renumbering, DeleteMovesEnabledInputBreakWithoutTouchingDisabledOne) {
    ProgramModel m = programOf(10);
    m.image.setInputBreak(1, {true, 6, 1});
    m.image.setInputBreak(2, {false, 6, 0});
    m.deleteRecord(1);
    EXPECT_EQ(m.image.inputBreak(1).line, 5);
    EXPECT_EQ(m.image.inputBreak(1).edge, 1);
    EXPECT_EQ(m.image.inputBreak(2).line, 6);
}

TEST(Renumbering, MovingNeverRenumbers) {
    ProgramModel m = programOf(5);
    m.image.setRecord(4, jumpTo(2));
    m.swapRecords(1, 2);
    EXPECT_EQ(m.image.p1(4), 2);
}

TEST(JumpTargets, OnlyJumpCommandsInsideTheProgramCount) {
    ProgramModel m = programOf(5);
    m.image.setRecord(1, jumpTo(4));
    Record counterJump = makeRecord(code::JumpIfCounter, 4);
    writeBe32(&counterJump[2], 2);
    m.image.setRecord(2, counterJump);
    m.image.setRecord(7, jumpTo(1));  // stale, beyond the program
    EXPECT_TRUE(m.isJumpTarget(3));
    EXPECT_TRUE(m.isJumpTarget(1));
    EXPECT_FALSE(m.isJumpTarget(0));
    EXPECT_FALSE(m.isJumpTarget(2)) << "wait_ms P1 is not a target";
}

TEST(ModelOperations, ClearKeepsSlotsButEmptiesProgramAndBlock) {
    ProgramModel m = programOf(3);
    m.image.setInputBreak(1, {true, 2, 1});
    m.image.setBlockByte(19, 5);
    m.clear();
    EXPECT_EQ(m.length(), 0u);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(m.image.blockByte(i), 0);
    EXPECT_EQ(m.image.code(0), code::WaitMs);
}

TEST(CommandTable, KnowsEveryStoredCodeAndNoOther) {
    for (int c = 0; c < 256; ++c) {
        const bool stored = (c >= 1 && c <= 20) || c == 22;
        EXPECT_EQ(commandInfo(std::uint8_t(c)) != nullptr, stored) << c;
    }
    EXPECT_EQ(commandInfo(code::JumpIfCounter)->keyword, "if(counter>0) jump_line");
    EXPECT_TRUE(commandInfo(code::Driver)->perMotor);
    EXPECT_FALSE(commandInfo(code::WaitMotor)->perMotor);
}

}  // namespace
}  // namespace rv720
