#include "editor/editing.h"

#include <gtest/gtest.h>

#include "editor/editor_rig.h"
#include "editor/menu.h"
#include "model/commands.h"
#include "support/test_names.h"

namespace rv720 {
namespace {

using edtest::filler;
using edtest::Rig;
using namespace test;

// ---------------------------------------------------------------------------
// The pop-up menu and the command column.

TEST(CommandTables, SubmenuOrderSeparatorsAndEntryKinds) {
    std::vector<int> codes, direct, motors;
    std::vector<std::string_view> separatorsAfter;
    for (const auto& e : commandEntries()) {
        codes.push_back(e.code);
        if (e.entry == EntryKind::Direct) direct.push_back(e.code);
        if (e.entry == EntryKind::Dialog) {
            EXPECT_TRUE(pageForCode(e.code)) << e.caption;
        }
        if (e.motors) motors.push_back(e.code);
        if (e.separatorAfter) separatorsAfter.push_back(e.caption);
    }
    EXPECT_EQ(codes, (std::vector<int>{17, 1,  2,  4, 5,  3,  8, 9,  12, 11, 20,
                                       22, 15, 13, 7, 16, 14, 6, 10, 18, 19}));
    EXPECT_EQ(direct, (std::vector<int>{12, 11, 20, 22, 10}));
    EXPECT_EQ(motors, (std::vector<int>{17, 1, 2, 4, 3, 8, 9, 12, 11, 20, 22}));
    EXPECT_EQ(separatorsAfter, (std::vector<std::string_view>{
                                   "Max acceleration", "Reset pos. counter", "END of program"}));
}

TEST(CommandTables, BrakeAndStopCaptionsAreSwappedOnlyInThePopup) {
    const CommandEntry* brake = commandEntryForCode(code::Brake);
    const CommandEntry* stop = commandEntryForCode(code::Stop);
    EXPECT_EQ(brake->caption, "Stop");
    EXPECT_EQ(brake->popupItem, "Hamuj1");
    EXPECT_EQ(brake->button, "CommadBreakButton");
    EXPECT_EQ(stop->caption, "Brake");
    EXPECT_EQ(stop->popupItem, "Stop1");
    EXPECT_EQ(stop->button, "CommadnStopButton");
}

// ---------------------------------------------------------------------------
// Selection and the double click.

TEST(ListingClicks, SecondPressBeforeTheTimerFiresOpensTheEditor) {
    Rig r;
    r.fill(3);
    r.put(2, withParams(code::WaitMs, kControllerTarget, 40));
    EXPECT_EQ(r.clickTimer().intervalMs(), 200);
    EXPECT_FALSE(r.clickTimer().isActive());

    r.editor.ProgramViewMouseDown(1);
    EXPECT_EQ(r.model.cursorLine, 1);
    EXPECT_EQ(r.host.selections, std::vector<int>{1});
    EXPECT_TRUE(r.clickTimer().isActive());
    EXPECT_FALSE(r.dialog.visible());

    r.editor.ProgramViewMouseDown(1);  // within 200 ms
    EXPECT_TRUE(r.dialog.visible());
    EXPECT_EQ(r.dialog.page(), Page::p_w);
    EXPECT_EQ(r.model.editMode, EditMode::Edit);
    EXPECT_EQ(r.dialog.fields().text(TextField::num_wait), "40");
}

TEST(ListingClicks, PressesFurtherApartThanTheTimerOnlySelect) {
    Rig r;
    r.fill(3);
    r.editor.ProgramViewMouseDown(0);
    EXPECT_TRUE(r.clickTimer().tick());  // 200 ms pass
    EXPECT_FALSE(r.clickTimer().isActive());
    EXPECT_FALSE(r.editor.clickFlag());
    r.editor.ProgramViewMouseDown(2);
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_EQ(r.model.cursorLine, 2);
    // Arrow keys select the caret's line without moving the cursor line.
    r.editor.ProgramViewKeyUp(ListingKey::Down, 1);
    r.editor.ProgramViewKeyUp(ListingKey::Other, 0);
    EXPECT_EQ(r.host.selections, (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(r.model.cursorLine, 2);
}

// ---------------------------------------------------------------------------
// Inserting and appending.

TEST(Inserting, PopupInsertPutsTheCommandAtTheCaretLineAndRenumbers) {
    Rig r;
    r.fill(5);
    r.put(5, jumpTo(3));
    r.tick(0, 1, 0);
    r.editor.insertFromPopup(code::Stop, 2);  // caption "Brake"

    ASSERT_EQ(r.length(), 6u);
    EXPECT_EQ(r.line(3), withParams(code::Stop, 2));
    EXPECT_EQ(r.line(4), filler(3));
    EXPECT_EQ(r.line(6), jumpTo(4));
    EXPECT_EQ(r.model.cursorLine, 3) << "the listing's caret goes to line cursor - 1";
    EXPECT_EQ(r.host.renders, 1);
}

TEST(Inserting, APerMotorDialogCommandInsertsMotorByMotor) {
    Rig r;
    r.fill(8);
    r.put(8, jumpTo(5));
    r.tick(1, 0, 1);
    r.editor.insertFromPopup(code::VMax, 4);
    ASSERT_TRUE(r.dialog.visible());
    r.dialog.fields().text(TextField::num_vmax) = "2";
    r.dialog.SetVmaxButtonClick();

    ASSERT_EQ(r.length(), 10u);
    EXPECT_EQ(r.line(5), withParams(code::VMax, 1, 2000));
    EXPECT_EQ(r.line(6), withParams(code::VMax, 3, 2000));
    EXPECT_EQ(r.line(7), filler(5));
    EXPECT_EQ(r.line(10), jumpTo(7));
    EXPECT_EQ(r.model.cursorLine, 6);
}

TEST(Inserting, EveryEntryPointKeepsJumpsAndInputBreaksOnTheirCommands) {
    // Each step inserts or deletes somewhere; afterwards every jump and the
    // enabled INPUT1 line still name the command they named at the start.
    Rig r;
    r.fill(12);
    r.put(12, jumpTo(9));
    r.put(11, withParams(code::JumpIfCounter, kControllerTarget, 4));
    r.model.image.setInputBreak(1, {true, 6, 1});
    r.model.image.setInputBreak(2, {false, 6, 0});
    r.tick(1, 1, 0);

    r.editor.insertFromPopup(code::Brake, 0);      // direct, two records
    r.editor.insertFromPopup(code::WaitMotor, 5);  // direct, one record
    r.editor.insertFromPopup(code::End, 9);        // direct
    r.editor.insertFromPopup(code::WaitMs, 3);     // dialog
    r.dialog.fields().text(TextField::num_wait) = "5";
    r.dialog.SetWaitButtonClick();
    r.editor.insertFromPopup(code::SetOut, 1);  // dialog, two records
    r.dialog.fields().w = {true, false, true};
    r.dialog.SetOutButtonClick();
    r.editor.appendFromButton(code::ClearMotor);  // appended: no renumbering needed
    r.editor.deleteCommand(0);                    // a brake record
    r.editor.Usu1Click(7);                        // the wait_motor record

    ASSERT_EQ(r.length(), 12u + 2 + 1 + 1 + 1 + 2 + 1 - 2);
    int jumps = 0;
    for (std::uint32_t i = 0; i < r.length(); ++i) {
        const Record cmd = r.model.image.record(int(i));
        if (cmd[0] == code::JumpLine) {
            EXPECT_EQ(r.line(readBe32(&cmd[2])), filler(9));
        } else if (cmd[0] == code::JumpIfCounter) {
            EXPECT_EQ(r.line(readBe32(&cmd[2])), filler(4));
        }
        jumps += isJumpCode(cmd[0]);
    }
    EXPECT_EQ(jumps, 2);
    EXPECT_EQ(r.line(r.model.image.inputBreak(1).line), filler(6));
    EXPECT_EQ(r.model.image.inputBreak(2).line, 6) << "a disabled setting keeps its line";
    EXPECT_GE(r.host.inputBreakRefreshes, 1);
}

TEST(Inserting, AButtonNeedingMotorsDoesNothingWithoutOne) {
    for (std::uint8_t c :
         {code::VMin, code::Driver, code::Home, code::Stop, code::WaitMotor, code::ClearMotor}) {
        Rig r;
        r.fill(2);
        r.model.editMode = EditMode::Insert;
        r.editor.appendFromButton(c);
        EXPECT_EQ(r.length(), 2u) << int(c);
        EXPECT_FALSE(r.dialog.visible()) << int(c);
        EXPECT_EQ(r.model.editMode, EditMode::Insert) << int(c);
    }
}

TEST(Inserting, ThePopupOpensMotorPagesWithoutMotorsButNotTheDriverPage) {
    Rig r;
    r.fill(2);
    r.editor.insertFromPopup(code::GoTo, 1);
    EXPECT_TRUE(r.dialog.visible());
    r.dialog.fields().text(TextField::num_xdest) = "5";
    r.dialog.SetXdestButtonClick();
    EXPECT_EQ(r.length(), 2u);

    r.editor.insertFromPopup(code::Driver, 1);
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_TRUE(r.host.status.empty());
}

TEST(Inserting, DirectCommandsAppendFromButtonsAndEndHidesTheDialog) {
    Rig r;
    r.fill(3);
    r.model.cursorLine = 1;
    r.tick(1, 0, 1);
    r.editor.appendFromButton(code::VMin);
    ASSERT_TRUE(r.dialog.visible());
    r.editor.appendFromButton(code::Brake);
    r.editor.appendFromButton(code::ClearMotor);
    r.tick(0, 0, 0);
    r.editor.insertFromPopup(code::WaitMotor, 0);  // no motor: nothing
    r.editor.appendFromButton(code::End);
    EXPECT_FALSE(r.dialog.visible());
    ASSERT_EQ(r.length(), 7u);
    EXPECT_EQ(r.line(4), withParams(code::Brake, 1));
    EXPECT_EQ(r.line(5), withParams(code::Brake, 3));
    EXPECT_EQ(r.line(6), recordOf({22, 4, 1, 0, 1}));
    EXPECT_EQ(r.line(7), withParams(code::End, kControllerTarget));
    EXPECT_EQ(r.line(1), filler(1));
}

struct DirectCapacityCase {
    std::uint8_t code;
    int length;
    int motors;
    int added;  // -1: refused
};

class DirectCapacity : public ::testing::TestWithParam<DirectCapacityCase> {};

TEST_P(DirectCapacity, RefusesWhatWouldPassNineHundredNinetyNine) {
    const auto& c = GetParam();
    for (bool fromPopup : {true, false}) {
        Rig r;
        r.fill(c.length);
        r.tick(c.motors >= 1, c.motors >= 2, c.motors >= 3);
        if (fromPopup)
            r.editor.insertFromPopup(c.code, 0);
        else
            r.editor.appendFromButton(c.code);
        EXPECT_EQ(r.length(), std::uint32_t(c.length + std::max(c.added, 0)))
            << int(c.code) << (fromPopup ? " popup" : " button");
        EXPECT_EQ(r.programFullPosted(), c.added < 0) << int(c.code);
    }
}

INSTANTIATE_TEST_SUITE_P(Boundaries, DirectCapacity,
                         ::testing::Values(DirectCapacityCase{code::Stop, 998, 2, -1},
                                           DirectCapacityCase{code::Stop, 998, 1, 1},
                                           DirectCapacityCase{code::Brake, 997, 2, 2},
                                           DirectCapacityCase{code::Brake, 997, 3, -1},
                                           DirectCapacityCase{code::End, 999, 0, -1},
                                           DirectCapacityCase{code::End, 998, 3, 1},
                                           DirectCapacityCase{code::WaitMotor, 998, 1, 1},
                                           DirectCapacityCase{code::WaitMotor, 998, 2, -1},
                                           DirectCapacityCase{code::ClearMotor, 997, 2, 1}),
                         [](const auto& info) {
                             const DirectCapacityCase& c = info.param;
                             return std::string(commandInfo(c.code)->keyword) + "_" +
                                    std::to_string(c.length) + "_" + std::to_string(c.motors) +
                                    "_motors";
                         });

TEST(Inserting, AnInsertPointLeftPastAShrunkProgramBecomesTheEnd) {
    Rig r;
    r.fill(6);
    r.editor.insertFromPopup(code::Counter, 6);  // the empty line below the program
    r.editor.deleteCommand(5);
    r.editor.deleteCommand(4);
    r.dialog.fields().text(TextField::num_count) = "3";
    r.dialog.SetCounterButtonClick();
    ASSERT_EQ(r.length(), 5u);
    EXPECT_EQ(r.line(5), withParams(code::Counter, kControllerTarget, 3));
}

// ---------------------------------------------------------------------------
// Edit, delete and move.

TEST(Editing, CommandsWithoutParametersDamagedSlotsAndTheEmptyLineOpenNothing) {
    Rig r;
    r.fill(5);
    r.put(1, withParams(code::End, kControllerTarget));
    r.put(2, withParams(code::Brake, 1));
    r.put(3, withParams(code::Stop, 2));
    r.put(4, withParams(code::EditOutputs, kControllerTarget));  // never stored
    r.put(5, withParams(0, 0));
    r.model.image.setLength(3);
    for (int line = 0; line <= 3; ++line) {
        r.editor.editCommand(line);
        EXPECT_FALSE(r.dialog.visible()) << line;
    }
    r.editor.editCommand(3);
    EXPECT_EQ(r.model.cursorLine, 2) << "the empty line below changes nothing";
    r.model.image.setLength(5);
    r.editor.editCommand(3);
    r.editor.editCommand(4);
    EXPECT_FALSE(r.dialog.visible());
}

TEST(Deleting, AJumpTargetAsksFirst) {
    Rig r;
    r.fill(10);
    r.put(9, jumpTo(4));
    r.host.answerYes = false;
    r.editor.Usu1Click(3);
    EXPECT_EQ(r.length(), 10u);
    ASSERT_EQ(r.host.questions.size(), 1u);
    EXPECT_EQ(r.host.questions[0],
              "Deleting line|You try to delete the line, to which reffer jump comands.\n\r Do you "
              "want to continue?");
    EXPECT_EQ(r.host.renders, 0);

    r.host.answerYes = true;
    r.editor.ProgramViewKeyUp(ListingKey::Delete, 3);
    EXPECT_EQ(r.length(), 9u);
    EXPECT_EQ(r.line(8), jumpTo(3));
    EXPECT_EQ(r.line(4), filler(5));
    EXPECT_EQ(r.host.renders, 1);
}

TEST(Deleting, InputBreakLinesFollowWithoutAQuestion) {
    Rig r;
    r.fill(8);
    r.model.image.setInputBreak(1, {true, 6, 0});
    r.editor.deleteCommand(1);
    EXPECT_TRUE(r.host.questions.empty());
    EXPECT_EQ(r.model.image.inputBreak(1).line, 5);
    EXPECT_EQ(r.host.inputBreakRefreshes, 1);
}

TEST(Deleting, TheEmptyLineBelowAndAnEmptyProgramDeleteNothing) {
    Rig r;
    r.editor.deleteCommand(0);
    EXPECT_EQ(r.length(), 0u);
    r.fill(3);
    r.put(3, jumpTo(4));
    r.editor.deleteCommand(3);
    EXPECT_EQ(r.length(), 3u);
    EXPECT_TRUE(r.host.questions.empty());
    EXPECT_EQ(r.host.renders, 0);
}

TEST(Moving, UpAndDownSwapNeighboursAndKeepJumpTargets) {
    Rig r;
    r.fill(4);
    r.put(4, jumpTo(2));
    r.model.cursorLine = 3;
    r.editor.UpButtonClick(1);
    EXPECT_EQ(r.line(1), filler(2));
    EXPECT_EQ(r.line(2), filler(1));
    EXPECT_EQ(r.line(4), jumpTo(2));
    r.editor.DownButtonClick(1);
    EXPECT_EQ(r.line(2), filler(3));
    EXPECT_EQ(r.line(3), filler(1));
    EXPECT_EQ(r.host.selections, (std::vector<int>{0, 2}));
    EXPECT_EQ(r.host.renders, 2);
    EXPECT_EQ(r.model.cursorLine, 3);
}

TEST(Moving, EdgesDoNothing) {
    Rig r;
    r.fill(3);
    const ProgramImage before = r.model.image;
    r.editor.UpButtonClick(0);
    r.editor.UpButtonClick(3);  // the empty line below
    r.editor.DownButtonClick(2);
    r.editor.DownButtonClick(3);
    Rig empty;
    empty.editor.UpButtonClick(0);
    empty.editor.DownButtonClick(0);
    EXPECT_EQ(r.model.image.bytes(), before.bytes());
    EXPECT_EQ(r.host.renders + empty.host.renders, 0);
}

// ---------------------------------------------------------------------------
// Input-break rows.

TEST(InputBreakRows, ALineBeyondTheProgramIsPulledBackToTheLastCommand) {
    Rig r;
    r.fill(20);
    r.model.image.setBlockByte(12, 7);  // a spare pair byte
    EXPECT_EQ(r.editor.input_lineChange(1, 49), 19);
    EXPECT_EQ(r.model.image.inputBreak(1).line, 20);
    EXPECT_EQ(r.model.image.blockByte(12), 0);
    EXPECT_EQ(r.editor.input_lineChange(2, 299), 19);
    EXPECT_EQ(r.editor.input_lineChange(2, 4), 4);
    EXPECT_EQ(r.model.image.inputBreak(2).line, 5);
    EXPECT_EQ(r.model.image.inputBreak(1).line, 20);

    Rig empty;
    EXPECT_EQ(empty.editor.input_lineChange(1, 0), -1);
    EXPECT_EQ(empty.model.image.inputBreak(1).line, 0);
}

TEST(InputBreakRows, EnableAndEdgeWriteTheirBytes) {
    Rig r;
    r.fill(3);
    r.model.image.setBlockByte(19, 9);
    r.editor.input_exClick(2, true);
    r.editor.input_stateChange(2, 1);
    EXPECT_EQ(r.model.image.blockByte(1), 1);
    EXPECT_EQ(r.model.image.blockByte(7), 1);
    EXPECT_EQ(r.model.image.blockByte(0), 0) << "input 1 untouched";
    EXPECT_EQ(r.model.image.blockByte(19), 0);
    r.editor.input_exClick(2, false);
    EXPECT_EQ(r.model.image.blockByte(1), 0);
}

TEST(InputBreakRows, RowsMirrorTheImage) {
    Rig r;
    r.model.image.setInputBreak(1, {true, 12, 1});
    r.model.image.setInputBreak(2, {false, 0, 0});
    const InputBreakRow one = r.editor.inputBreakRow(1);
    EXPECT_TRUE(one.ticked);
    EXPECT_TRUE(one.controlsEnabled);
    EXPECT_EQ(one.lineIndex, 11);
    EXPECT_EQ(one.edgeIndex, 1);
    const InputBreakRow two = r.editor.inputBreakRow(2);
    EXPECT_FALSE(two.ticked);
    EXPECT_FALSE(two.controlsEnabled);
    EXPECT_EQ(two.lineIndex, -1);
    r.model.image.setInputBreak(2, {true, 1000, 2});  // a damaged block
    EXPECT_EQ(r.editor.inputBreakRow(2).lineIndex, -1);
    EXPECT_EQ(r.editor.inputBreakRow(2).edgeIndex, -1);
}

}  // namespace
}  // namespace rv720
