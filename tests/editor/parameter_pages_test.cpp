#include "editor/parameter_pages.h"

#include <gtest/gtest.h>

#include <functional>

#include "editor/editor_rig.h"
#include "model/commands.h"

namespace rv720 {
namespace {

using edtest::rec;
using edtest::Rig;

// Opens `page` in append mode for the motors ticked in the rig.
void openForAppend(Rig& r, Page page, std::uint8_t code) {
    r.model.editMode = EditMode::Append;
    r.model.editedCode = code;
    ASSERT_TRUE(r.dialog.ShowParameterPage(page));
}

// ---------------------------------------------------------------------------
// Decimal pages: single-precision rounding, limits and milli storage.

struct DecimalCase {
    Page page;
    std::uint8_t code;
    const char* typed;
    char separator;
    std::int32_t stored;
    const char* valueText;
    TextField field;
};

class DecimalPages : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(DecimalPages, StoreTheLimitedSinglePrecisionValueInMilli) {
    const DecimalCase& c = GetParam();
    Rig r;
    r.clock.setDecimalSeparator(c.separator);
    r.tick(1, 0, 1);
    openForAppend(r, c.page, c.code);
    const TextField field = c.field;
    r.text(field) = c.typed;
    r.dialog.confirm(c.page);

    ASSERT_EQ(r.length(), 2u);
    EXPECT_EQ(r.line(1), rec(c.code, 1, c.stored));
    EXPECT_EQ(r.line(2), rec(c.code, 3, c.stored));
    EXPECT_EQ(r.model.valueText, c.valueText);
    EXPECT_EQ(r.text(field), c.typed) << "the box keeps what was typed";
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_EQ(r.host.renders, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Values, DecimalPages,
    ::testing::Values(
        DecimalCase{Page::p_vx, code::VMax, "0.7", '.', 699, "0.699999988079071",
                    TextField::num_vmax},
        DecimalCase{Page::p_vi, code::VMin, "12.5", '.', 12500, "12.5", TextField::num_vmin},
        DecimalCase{Page::p_vi, code::VMin, "2.675", '.', 2674, "2.67499995231628",
                    TextField::num_vmin},
        DecimalCase{Page::p_vi, code::VMin, "2.3", '.', 2299, "2.29999995231628",
                    TextField::num_vmin},
        DecimalCase{Page::p_vx, code::VMax, "40000", '.', 31234740, "31234.740234375",
                    TextField::num_vmax},
        DecimalCase{Page::p_vx, code::VMax, "31234.74", '.', 31234740, "31234.740234375",
                    TextField::num_vmax},
        DecimalCase{Page::p_vi, code::VMin, "-5", '.', 0, "0", TextField::num_vmin},
        DecimalCase{Page::p_vx, code::VMax, "-5", '.', 0, "0", TextField::num_vmax},
        DecimalCase{Page::p_vt, code::VDest, "-5", '.', -5000, "-5", TextField::num_vdest},
        DecimalCase{Page::p_vt, code::VDest, "-40000", '.', -31234740, "-31234.740234375",
                    TextField::num_vdest},
        DecimalCase{Page::p_vt, code::VDest, "40000", '.', 31234740, "31234.740234375",
                    TextField::num_vdest},
        DecimalCase{Page::p_ax, code::AMax, "-5", '.', 0, "0", TextField::num_amax},
        DecimalCase{Page::p_ax, code::AMax, "1e9", '.', 543263812, "543263.8125",
                    TextField::num_amax},
        DecimalCase{Page::p_ax, code::AMax, "40000", '.', 40000000, "40000", TextField::num_amax},
        DecimalCase{Page::p_vi, code::VMin, "1,1", ',', 1100, "1,10000002384186",
                    TextField::num_vmin},
        DecimalCase{Page::p_vt, code::VDest, "-1,5", ',', -1500, "-1,5", TextField::num_vdest}));

struct UnreadableCase {
    Page page;
    std::uint8_t code;
    TextField field;
    const char* typed;
    char separator;
};

class UnreadableText : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(UnreadableText, ColoursTheBoxAndStoresNothing) {
    const UnreadableCase& c = GetParam();
    Rig r;
    r.clock.setDecimalSeparator(c.separator);
    r.fill(3);
    const ProgramImage before = r.model.image;
    r.tick(1, 1, 1);
    openForAppend(r, c.page, c.code);
    r.text(c.field) = c.typed;
    r.dialog.confirm(c.page);

    EXPECT_TRUE(r.dialog.hasErrorColour(c.field));
    EXPECT_TRUE(r.dialog.visible());
    EXPECT_EQ(r.length(), 3u);
    EXPECT_EQ(r.model.image.bytes(), before.bytes());
    EXPECT_EQ(r.host.renders, 0);

    // Any edit of the box gives it its normal background again.
    r.dialog.setText(c.field, "1");
    EXPECT_FALSE(r.dialog.hasErrorColour(c.field));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, UnreadableText,
    ::testing::Values(
        UnreadableCase{Page::p_vi, code::VMin, TextField::num_vmin, "abc", '.'},
        UnreadableCase{Page::p_vx, code::VMax, TextField::num_vmax, "", '.'},
        // A point where the user writes a comma is not a number.
        UnreadableCase{Page::p_vt, code::VDest, TextField::num_vdest, "0.7", ','},
        UnreadableCase{Page::p_ax, code::AMax, TextField::num_amax, "1,5", '.'},
        UnreadableCase{Page::p_xt, code::GoTo, TextField::num_xdest, "12.5", '.'},
        UnreadableCase{Page::p_w, code::WaitMs, TextField::num_wait, "1e3", '.'},
        UnreadableCase{Page::p_lp, code::Counter, TextField::num_count, "x", '.'},
        UnreadableCase{Page::p_jl, code::JumpLine, TextField::num_line, "0", '.'},
        UnreadableCase{Page::p_jp, code::JumpIfCounter, TextField::num_jump_line, "two", '.'},
        UnreadableCase{Page::p_ji, code::JumpIfInput, TextField::num_line_in, "0", '.'},
        UnreadableCase{Page::p_h, code::Home, TextField::num_home_v1, "?", '.'},
        UnreadableCase{Page::p_ster, code::Driver, TextField::num_step, "8x", '.'},
        UnreadableCase{Page::p_ster, code::Driver, TextField::num_mot, "", '.'}));

// ---------------------------------------------------------------------------
// Integer pages and jump targets.

struct IntegerCase {
    Page page;
    std::uint8_t code;
    TextField field;
    const char* typed;
    std::int32_t stored;
};

class IntegerPages : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerPages, LimitToTheFieldRange) {
    const IntegerCase& c = GetParam();
    Rig r;
    r.fill(10);
    r.tick(0, 1, 0);
    openForAppend(r, c.page, c.code);
    r.text(c.field) = c.typed;
    r.dialog.confirm(c.page);

    ASSERT_EQ(r.length(), 11u);
    const Record got = r.line(11);
    EXPECT_EQ(got[0], c.code);
    EXPECT_EQ(got[1], c.code == code::GoTo ? 2 : kControllerTarget);
    EXPECT_EQ(readBe32(&got[2]), c.stored);
    EXPECT_EQ(r.model.valueText, std::to_string(c.stored));
}

INSTANTIATE_TEST_SUITE_P(
    Values, IntegerPages,
    ::testing::Values(
        IntegerCase{Page::p_xt, code::GoTo, TextField::num_xdest, "1000000000", 8388607},
        IntegerCase{Page::p_xt, code::GoTo, TextField::num_xdest, "-1000000000", -8388607},
        IntegerCase{Page::p_xt, code::GoTo, TextField::num_xdest, "-1", -1},
        IntegerCase{Page::p_w, code::WaitMs, TextField::num_wait, "-3", 0},
        IntegerCase{Page::p_w, code::WaitMs, TextField::num_wait, "100000000", 86400000},
        IntegerCase{Page::p_w, code::WaitMs, TextField::num_wait, "250", 250},
        IntegerCase{Page::p_lp, code::Counter, TextField::num_count, "70000", 65535},
        IntegerCase{Page::p_lp, code::Counter, TextField::num_count, "-1", 0},
        // Jumps, appended to a program of 10 commands.
        IntegerCase{Page::p_jl, code::JumpLine, TextField::num_line, "15", 10},
        IntegerCase{Page::p_jl, code::JumpLine, TextField::num_line, "11", 11},
        IntegerCase{Page::p_jl, code::JumpLine, TextField::num_line, "-3", -3},
        IntegerCase{Page::p_jp, code::JumpIfCounter, TextField::num_jump_line, "12", 10},
        IntegerCase{Page::p_jp, code::JumpIfCounter, TextField::num_jump_line, "4", 4},
        IntegerCase{Page::p_ji, code::JumpIfInput, TextField::num_line_in, "999", 10},
        IntegerCase{Page::p_ji, code::JumpIfInput, TextField::num_line_in, "11", 11}));

TEST(JumpTargets, ALineTypedIntoAnEmptyProgramNamesNothingAndIsRefused) {
    Rig r;
    openForAppend(r, Page::p_jl, code::JumpLine);
    r.text(TextField::num_line) = "5";  // limited to the length, 0
    r.dialog.confirm(Page::p_jl);
    EXPECT_TRUE(r.dialog.hasErrorColour(TextField::num_line));
    EXPECT_EQ(r.length(), 0u);
}

TEST(JumpTargets, AJumpInsertedAboveItsTargetFollowsTheTargetLine) {
    Rig r;
    r.fill(10);
    r.put(10, edtest::jumpTo(5));
    r.model.editMode = EditMode::Insert;
    r.model.editedCode = code::JumpLine;
    r.model.cursorLine = 2;
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_jl));
    r.text(TextField::num_line) = "5";
    r.dialog.confirm(Page::p_jl);

    ASSERT_EQ(r.length(), 11u);
    EXPECT_EQ(r.line(3), edtest::jumpTo(6));
    EXPECT_EQ(r.line(6), edtest::filler(5));
    EXPECT_EQ(r.line(11), edtest::jumpTo(6)) << "the old jump follows as well";
    EXPECT_EQ(r.line(4), edtest::filler(3));
    EXPECT_EQ(r.model.cursorLine, 3);
}

TEST(JumpTargets, JumpIfInputInsertWritesOnlyTheNewRecord) {
    Rig r;
    r.fill(4);
    Record marked = rec(code::JumpIfInput, kControllerTarget, 1);
    marked[6] = 6;
    marked[7] = 0;
    r.put(2, marked);
    r.model.editMode = EditMode::Insert;
    r.model.cursorLine = 1;
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_ji));
    r.text(TextField::num_line_in) = "3";
    r.dialog.fields().input = 1;
    r.dialog.fields().in_ch = true;
    r.dialog.confirm(Page::p_ji);

    Record expected = rec(code::JumpIfInput, kControllerTarget, 4);  // line 3 moved to 4
    expected[6] = 2;
    expected[7] = 1;
    EXPECT_EQ(r.line(2), expected);
    EXPECT_EQ(r.line(3), marked) << "the record moved down keeps its own bytes";
}

// ---------------------------------------------------------------------------
// HOME and the driver page write the limited values back into their boxes.

TEST(HomePage, LimitsBothVelocitiesAndWritesThemBack) {
    Rig r;
    r.tick(0, 1, 1);
    openForAppend(r, Page::p_h, code::Home);
    r.text(TextField::num_home_v1) = "40000";
    r.text(TextField::num_home_v2) = "0.5";
    r.dialog.confirm(Page::p_h);

    ASSERT_EQ(r.length(), 2u);
    EXPECT_EQ(r.line(1), rec(code::Home, 2, 31234740, 500));
    EXPECT_EQ(r.line(2), rec(code::Home, 3, 31234740, 500));
    EXPECT_EQ(r.text(TextField::num_home_v1), "31234.740234375");
    EXPECT_EQ(r.text(TextField::num_home_v2), "0.5");
}

TEST(HomePage, AnUnreadableSecondVelocityStopsAfterTheFirstIsWrittenBack) {
    Rig r;
    r.tick(1, 0, 0);
    openForAppend(r, Page::p_h, code::Home);
    r.text(TextField::num_home_v1) = "-2";
    r.text(TextField::num_home_v2) = "fast";
    r.dialog.confirm(Page::p_h);

    EXPECT_EQ(r.length(), 0u);
    EXPECT_EQ(r.text(TextField::num_home_v1), "0");
    EXPECT_FALSE(r.dialog.hasErrorColour(TextField::num_home_v1));
    EXPECT_TRUE(r.dialog.hasErrorColour(TextField::num_home_v2));
    EXPECT_TRUE(r.dialog.visible());
}

struct DriverCase {
    const char* step;
    const char* mot;
    const char* stepShown;
    const char* motShown;
    std::uint8_t b4, b5;
    std::int32_t steps;
};

class DriverPageLimits : public ::testing::TestWithParam<DriverCase> {};

TEST_P(DriverPageLimits, LimitWriteBackAndStore) {
    const DriverCase& c = GetParam();
    Rig r;
    r.tick(1, 0, 1);
    openForAppend(r, Page::p_ster, code::Driver);
    r.text(TextField::num_step) = c.step;
    r.text(TextField::num_mot) = c.mot;
    r.dialog.fields().Left = true;
    r.dialog.confirm(Page::p_ster);

    EXPECT_EQ(r.text(TextField::num_step), c.stepShown);
    EXPECT_EQ(r.text(TextField::num_mot), c.motShown);
    ASSERT_EQ(r.length(), 2u);
    for (int line = 1; line <= 2; ++line) {
        const Record got = r.line(line);
        EXPECT_EQ(got[0], code::Driver);
        EXPECT_EQ(got[1], line == 1 ? 1 : 3);
        EXPECT_EQ(got[2], 1);
        EXPECT_EQ(got[3], 0);
        EXPECT_EQ(got[4], c.b4);
        EXPECT_EQ(got[5], c.b5);
        EXPECT_EQ(readBe32(&got[6]), c.steps);
    }
    EXPECT_EQ(r.model.motors[0].stepDivisor, std::uint32_t(c.b4 * 256 + c.b5));
    EXPECT_EQ(r.model.motors[2].stepsPerRev, c.steps);
    EXPECT_EQ(r.model.motors[1].stepDivisor, 8u) << "an unticked motor keeps its configuration";
    EXPECT_EQ(r.host.motorLabelUpdates, 1);
}

INSTANTIATE_TEST_SUITE_P(Values, DriverPageLimits,
                         ::testing::Values(DriverCase{"0", "5000", "1", "1600", 0, 1, 1600},
                                           DriverCase{"256", "1", "256", "1", 1, 0, 1},
                                           DriverCase{"999", "-7", "256", "1", 1, 0, 1},
                                           DriverCase{"16", "400", "16", "400", 0, 16, 400}));

TEST(DriverPage, PrefillsFromTheFirstTickedMotorAndDoesNotOpenWithoutOne) {
    Rig r;
    r.model.motors[1] = {16, 400};
    r.model.motors[2] = {32, 1000};
    r.tick(0, 1, 1);
    r.model.editMode = EditMode::Insert;
    EXPECT_TRUE(r.dialog.ShowParameterPage(Page::p_ster));
    EXPECT_EQ(r.text(TextField::num_step), "16");
    EXPECT_EQ(r.text(TextField::num_mot), "400");
    EXPECT_FALSE(r.dialog.radioButtonsShown());

    r.dialog.hide();
    r.tick(0, 0, 0);
    EXPECT_FALSE(r.dialog.ShowParameterPage(Page::p_ster));
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_TRUE(r.host.status.empty()) << "no motor is not a full program";
}

TEST(DriverPage, DirectModeConfiguresTheChosenMotorAndStaysOpen) {
    Rig r;
    r.fill(2);
    r.model.motors[1] = {4, 100};
    r.model.editMode = EditMode::Direct;
    r.model.editedCode = code::Driver;
    r.dialog.fields().motorRadio = {false, true, false};
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_ster));
    EXPECT_TRUE(r.dialog.radioButtonsShown());
    EXPECT_EQ(r.text(TextField::num_step), "4");
    EXPECT_EQ(r.text(TextField::num_mot), "100");

    r.text(TextField::num_step) = "64";
    r.text(TextField::num_mot) = "2000";
    r.dialog.FormKeyPress('\r');

    EXPECT_EQ(r.model.motors[1].stepDivisor, 64u);
    EXPECT_EQ(r.model.motors[1].stepsPerRev, 1600);
    EXPECT_EQ(r.model.motors[0].stepDivisor, 8u);
    EXPECT_EQ(r.length(), 2u);
    EXPECT_EQ(r.host.renders, 0);
    EXPECT_TRUE(r.dialog.visible());
    EXPECT_EQ(r.host.status, std::vector<std::string>{"Motor parameters set"});
    EXPECT_EQ(r.host.motorLabelUpdates, 1);

    r.dialog.fields().motorRadio = {false, false, false};
    r.dialog.hide();
    EXPECT_FALSE(r.dialog.ShowParameterPage(Page::p_ster)) << "no radio button chosen";
}

TEST(DriverPage, EditRewritesTheRecordAndConfiguresTheTickedMotors) {
    Rig r;
    Record drv = rec(code::Driver, 1, 0, 200);
    drv[2] = 1;
    drv[5] = 8;
    r.model.appendRecord(drv);
    r.tick(0, 0, 1);
    r.editor.editCommand(0);
    ASSERT_TRUE(r.dialog.visible());
    EXPECT_EQ(r.text(TextField::num_step), "8");
    EXPECT_EQ(r.text(TextField::num_mot), "200");
    EXPECT_TRUE(r.dialog.fields().Left);
    EXPECT_FALSE(r.dialog.fields().Right);

    r.text(TextField::num_step) = "32";
    r.dialog.fields().Left = false;
    r.dialog.fields().Right = true;
    r.dialog.SetDriverButtonClick();

    Record expected = rec(code::Driver, 1, 0, 200);
    expected[3] = 1;
    expected[5] = 32;
    EXPECT_EQ(r.line(1), expected);
    EXPECT_EQ(r.model.motors[2].stepDivisor, 32u);
    EXPECT_EQ(r.model.motors[0].stepDivisor, 8u);
}

// ---------------------------------------------------------------------------
// Outputs, messages, on/off pages.

TEST(OutputsPage, OneRecordPerTickedOutputInAscendingOrder) {
    Rig r;
    openForAppend(r, Page::p_out, code::SetOut);
    auto& f = r.dialog.fields();
    f.w[7] = true;  // Relay 1
    f.wo[7] = true;
    f.w[1] = true;   // Output 2
    f.wo[2] = true;  // state of an unticked output: ignored
    r.dialog.confirm(Page::p_out);

    ASSERT_EQ(r.length(), 2u);
    EXPECT_EQ(r.line(1), edtest::rec(code::SetOut, kControllerTarget, 0x02000000));
    EXPECT_EQ(r.line(2), edtest::rec(code::SetOut, kControllerTarget, 0x08010000));
}

TEST(OutputsPage, InsertKeepsTheOrderAtTheCursorAndRenumbers) {
    Rig r;
    r.fill(3);
    r.put(3, edtest::jumpTo(2));
    r.model.editMode = EditMode::Insert;
    r.model.cursorLine = 1;
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_out));
    r.dialog.fields().w[0] = true;
    r.dialog.fields().w[8] = true;
    r.dialog.fields().wo[8] = true;
    r.dialog.confirm(Page::p_out);

    ASSERT_EQ(r.length(), 5u);
    EXPECT_EQ(r.line(2)[2], 1);
    EXPECT_EQ(r.line(3)[2], 9);
    EXPECT_EQ(r.line(3)[3], 1);
    EXPECT_EQ(r.line(4), edtest::filler(2));
    EXPECT_EQ(r.line(5), edtest::jumpTo(4));
    EXPECT_EQ(r.model.cursorLine, 3);
}

struct OutputCapacityCase {
    int length;
    int outputs;
    bool written;
};

class OutputsCapacity : public ::testing::TestWithParam<OutputCapacityCase> {};

TEST_P(OutputsCapacity, CheckedAgainWhenConfirmed) {
    const auto& c = GetParam();
    Rig r;
    r.fill(c.length);
    openForAppend(r, Page::p_out, code::SetOut);
    for (int i = 0; i < c.outputs; ++i)
        r.dialog.fields().w[std::size_t(i)] = true;
    r.dialog.confirm(Page::p_out);
    EXPECT_EQ(r.length(), std::uint32_t(c.written ? c.length + c.outputs : c.length));
    EXPECT_EQ(r.programFullPosted(), !c.written);
    EXPECT_EQ(r.dialog.visible(), !c.written) << "a full program keeps the page open";
}

INSTANTIATE_TEST_SUITE_P(Boundaries, OutputsCapacity,
                         ::testing::Values(OutputCapacityCase{997, 2, true},
                                           OutputCapacityCase{998, 2, false},
                                           OutputCapacityCase{998, 1, true},
                                           OutputCapacityCase{990, 9, true},
                                           OutputCapacityCase{991, 9, false}));

TEST(MessagePage, KeepsSevenCharactersOneBytePerCharacter) {
    Rig r;
    openForAppend(r, Page::p_kom, code::PrintUsb);
    r.text(TextField::num_kom) = "Hi";
    r.dialog.confirm(Page::p_kom);
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_kom));
    r.text(TextField::num_kom) = "Overlong";
    r.dialog.confirm(Page::p_kom);

    ASSERT_EQ(r.length(), 2u);
    EXPECT_EQ(r.line(1), (Record{19, 4, 2, 'H', 'i', 0, 0, 0, 0, 0}));
    EXPECT_EQ(r.line(2), (Record{19, 4, 7, 'O', 'v', 'e', 'r', 'l', 'o', 'n'}));
}

TEST(MessagePage, EditRewritesLengthAndCharactersOnly) {
    Rig r;
    r.model.appendRecord(Record{19, 4, 5, 'H', 'e', 'l', 'l', 'o', 0xAA, 0xBB});
    r.editor.editCommand(0);
    EXPECT_EQ(r.text(TextField::num_kom), "Hello");
    r.text(TextField::num_kom) = "Yo";
    r.dialog.FormKeyPress('\r');
    EXPECT_EQ(r.line(1), (Record{19, 4, 2, 'Y', 'o', 'l', 'l', 'o', 0xAA, 0xBB}));
}

TEST(OnOffPages, EditRewritesTheFlagAndKeepsTheCaretOnTheLine) {
    for (std::uint8_t c : {code::Enable, code::SetUsb}) {
        Rig r;
        r.fill(2);
        r.put(2, edtest::rec(c, kControllerTarget, 0x01000000));
        r.editor.editCommand(1);
        bool& box = c == code::Enable ? r.dialog.fields().enable : r.dialog.fields().usb;
        EXPECT_TRUE(box);
        box = false;
        r.dialog.FormKeyPress('\r');
        EXPECT_EQ(r.line(2), edtest::rec(c, kControllerTarget, 0)) << int(c);
        EXPECT_EQ(r.model.cursorLine, 2) << int(c);
    }
}

// ---------------------------------------------------------------------------
// Capacity when a page opens and when it is confirmed.

struct OpenCase {
    Page page;
    EditMode mode;
    int length;
    int motors;
    bool opens;
};

class OpeningCapacity : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpeningCapacity, OpensOrPostsProgramFull) {
    const OpenCase& c = GetParam();
    Rig r;
    r.fill(c.length);
    r.tick(c.motors >= 1, c.motors >= 2, c.motors >= 3);
    r.model.editMode = c.mode;
    r.model.cursorLine = 0;
    EXPECT_EQ(r.dialog.ShowParameterPage(c.page), c.opens);
    EXPECT_EQ(r.dialog.visible(), c.opens);
    EXPECT_EQ(r.programFullPosted(), !c.opens);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, OpeningCapacity,
                         ::testing::Values(OpenCase{Page::p_vx, EditMode::Append, 998, 1, true},
                                           OpenCase{Page::p_vx, EditMode::Insert, 998, 2, false},
                                           OpenCase{Page::p_h, EditMode::Append, 996, 3, true},
                                           OpenCase{Page::p_xt, EditMode::Append, 997, 3, false},
                                           OpenCase{Page::p_vi, EditMode::Append, 999, 0, true},
                                           OpenCase{Page::p_vi, EditMode::Edit, 999, 3, true},
                                           OpenCase{Page::p_w, EditMode::Append, 998, 0, true},
                                           OpenCase{Page::p_w, EditMode::Append, 999, 0, false},
                                           OpenCase{Page::p_kom, EditMode::Insert, 999, 0, false},
                                           OpenCase{Page::p_out, EditMode::Append, 999, 0, false},
                                           OpenCase{Page::p_jl, EditMode::Edit, 999, 0, true},
                                           OpenCase{Page::p_m, EditMode::Edit, 999, 3, true},
                                           OpenCase{Page::p_edit_out, EditMode::Append, 999, 3,
                                                    true},
                                           OpenCase{Page::p_ster, EditMode::Append, 999, 1, false},
                                           OpenCase{Page::p_ster, EditMode::Direct, 999, 1, false},
                                           OpenCase{Page::p_ster, EditMode::Direct, 998, 1, true}));

TEST(ConfirmCapacity, MotorsTickedAfterOpeningCannotOverflowTheProgram) {
    Rig r;
    r.fill(997);
    r.tick(1, 0, 0);
    openForAppend(r, Page::p_vi, code::VMin);
    r.tick(1, 1, 1);
    r.text(TextField::num_vmin) = "1";
    r.dialog.confirm(Page::p_vi);
    EXPECT_EQ(r.length(), 997u);
    EXPECT_TRUE(r.programFullPosted());
    EXPECT_TRUE(r.dialog.visible());

    r.host.status.clear();
    r.tick(0, 1, 1);
    r.dialog.confirm(Page::p_vi);
    EXPECT_EQ(r.length(), 999u);
    EXPECT_FALSE(r.programFullPosted());
}

TEST(ConfirmCapacity, AFullProgramRefusesTheDriverPageBeforeChangingTheConfiguration) {
    Rig r;
    r.fill(998);
    r.tick(1, 0, 0);
    openForAppend(r, Page::p_ster, code::Driver);
    r.tick(1, 1, 0);
    r.text(TextField::num_step) = "2";
    r.dialog.confirm(Page::p_ster);
    EXPECT_EQ(r.length(), 998u);
    EXPECT_EQ(r.model.motors[0].stepDivisor, 8u);
    EXPECT_TRUE(r.programFullPosted());
}

TEST(ConfirmCapacity, NoMotorTickedWritesNothingButClosesThePage) {
    Rig r;
    r.fill(3);
    r.model.editMode = EditMode::Insert;
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_vx));
    r.text(TextField::num_vmax) = "3";
    r.dialog.confirm(Page::p_vx);
    EXPECT_EQ(r.length(), 3u);
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_EQ(r.host.renders, 1);
}

// ---------------------------------------------------------------------------
// Editing every code: the page is filled from the record and confirming rewrites
// only the parameter bytes.

struct EditCase {
    const char* name;
    Record before;
    Page page;
    std::function<void(Rig&)> check;   // the pre-filled controls
    std::function<void(Rig&)> change;  // what the operator types
    Record after;
};

class EditEveryCode : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditEveryCode, PrefillsAndRewritesInPlace) {
    const EditCase& c = GetParam();
    Rig r;
    r.fill(3);
    r.put(2, c.before);
    r.tick(1, 1, 1);  // per-motor edits must not multiply records
    r.editor.editCommand(1);
    ASSERT_TRUE(r.dialog.visible());
    EXPECT_EQ(r.dialog.page(), c.page);
    c.check(r);
    c.change(r);
    r.dialog.FormKeyPress('\r');
    EXPECT_EQ(r.length(), 3u);
    EXPECT_EQ(r.line(2), c.after);
    EXPECT_EQ(r.line(1), edtest::filler(1));
    EXPECT_EQ(r.line(3), edtest::filler(3));
    EXPECT_FALSE(r.dialog.visible());
}

Record bytes(std::initializer_list<std::uint8_t> b) {
    Record r{};
    std::size_t i = 0;
    for (auto v : b)
        r[i++] = v;
    return r;
}

const EditCase kEditCases[] = {
    {"vmin", rec(1, 2, 699), Page::p_vi,
     [](Rig& r) { EXPECT_EQ(r.text(TextField::num_vmin), "0.70"); },
     [](Rig& r) { r.text(TextField::num_vmin) = "1.1"; }, rec(1, 2, 1100)},
    {"vmax", rec(2, 3, 20000), Page::p_vx,
     [](Rig& r) { EXPECT_EQ(r.text(TextField::num_vmax), "20.00"); },
     [](Rig& r) { r.text(TextField::num_vmax) = "-1"; }, rec(2, 3, 0)},
    {"vdest", rec(3, 1, -1500), Page::p_vt,
     [](Rig& r) { EXPECT_EQ(r.text(TextField::num_vdest), "-1.50"); },
     [](Rig& r) { r.text(TextField::num_vdest) = "-2.5"; }, rec(3, 1, -2500)},
    {"amax", rec(4, 1, 1000000), Page::p_ax,
     [](Rig& r) { EXPECT_EQ(r.text(TextField::num_amax), "1000.00"); },
     [](Rig& r) { r.text(TextField::num_amax) = "2"; }, rec(4, 1, 2000)},
    {"enable", bytes({5, 4, 1}), Page::p_en, [](Rig& r) { EXPECT_TRUE(r.dialog.fields().enable); },
     [](Rig& r) { r.dialog.fields().enable = false; }, bytes({5, 4, 0})},
    {"wait", rec(6, 4, 250), Page::p_w,
     [](Rig& r) { EXPECT_EQ(r.text(TextField::num_wait), "250"); },
     [](Rig& r) { r.text(TextField::num_wait) = "300"; }, rec(6, 4, 300)},
    {"jump", rec(7, 4, 1), Page::p_jl, [](Rig& r) { EXPECT_EQ(r.text(TextField::num_line), "1"); },
     [](Rig& r) { r.text(TextField::num_line) = "9"; }, rec(7, 4, 3)},
    {"goto", rec(8, 2, -400), Page::p_xt,
     [](Rig& r) { EXPECT_EQ(r.text(TextField::num_xdest), "-400"); },
     [](Rig& r) { r.text(TextField::num_xdest) = "77"; }, rec(8, 2, 77)},
    {"home", rec(9, 3, 2000, 500), Page::p_h,
     [](Rig& r) {
         EXPECT_EQ(r.text(TextField::num_home_v1), "2.00");
         EXPECT_EQ(r.text(TextField::num_home_v2), "0.50");
     },
     [](Rig& r) { r.text(TextField::num_home_v2) = "1"; }, rec(9, 3, 2000, 1000)},
    {"counter", rec(13, 4, 5), Page::p_lp,
     [](Rig& r) { EXPECT_EQ(r.text(TextField::num_count), "5"); },
     [](Rig& r) { r.text(TextField::num_count) = "6"; }, rec(13, 4, 6)},
    {"jump if counter", rec(14, 4, 2), Page::p_jp,
     [](Rig& r) { EXPECT_EQ(r.text(TextField::num_jump_line), "2"); },
     [](Rig& r) { r.text(TextField::num_jump_line) = "4"; }, rec(14, 4, 4)},
    {"set out", bytes({15, 4, 8, 1, 7, 7}), Page::p_edit_out,
     [](Rig& r) {
         EXPECT_EQ(r.dialog.fields().input_number, "Relay 1");
         EXPECT_TRUE(r.dialog.fields().wxo);
         EXPECT_EQ(r.model.editedCode, code::EditOutputs);
     },
     [](Rig& r) { r.dialog.fields().wxo = false; }, bytes({15, 4, 8, 0, 7, 7})},
    {"jump if input", bytes({16, 4, 0, 0, 0, 2, 3, 1}), Page::p_ji,
     [](Rig& r) {
         EXPECT_EQ(r.text(TextField::num_line_in), "2");
         EXPECT_EQ(r.dialog.fields().input, 2);
         EXPECT_TRUE(r.dialog.fields().in_ch);
     },
     [](Rig& r) {
         r.dialog.fields().input = 5;
         r.dialog.fields().in_ch = false;
     },
     bytes({16, 4, 0, 0, 0, 2, 6, 0})},
    {"driver", bytes({17, 2, 0, 1, 1, 0, 0, 0, 6, 64}), Page::p_ster,
     [](Rig& r) {
         EXPECT_EQ(r.text(TextField::num_step), "256");
         EXPECT_EQ(r.text(TextField::num_mot), "1600");
         EXPECT_FALSE(r.dialog.fields().Left);
         EXPECT_TRUE(r.dialog.fields().Right);
     },
     [](Rig& r) { r.text(TextField::num_mot) = "200"; }, bytes({17, 2, 0, 1, 1, 0, 0, 0, 0, 200})},
    {"set usb", bytes({18, 4, 0}), Page::p_usb, [](Rig& r) { EXPECT_FALSE(r.dialog.fields().usb); },
     [](Rig& r) { r.dialog.fields().usb = true; }, bytes({18, 4, 1})},
    {"print usb", bytes({19, 4, 3, 'a', 'b', 'c', 9}), Page::p_kom,
     [](Rig& r) { EXPECT_EQ(r.text(TextField::num_kom), "abc"); },
     [](Rig& r) { r.text(TextField::num_kom) = "xy"; }, bytes({19, 4, 2, 'x', 'y', 'c', 9})},
    {"wait motor", bytes({20, 4, 1, 0, 1}), Page::p_m,
     [](Rig& r) {
         EXPECT_EQ(r.dialog.fields().m, (MotorFlags{true, false, true}));
         EXPECT_EQ(r.dialog.title(), "Wait for position");
     },
     [](Rig& r) {
         r.dialog.fields().m = {false, true, false};
     },
     bytes({20, 4, 0, 1, 0})},
    {"clear motor", bytes({22, 4, 0, 1, 0}), Page::p_m,
     [](Rig& r) { EXPECT_EQ(r.dialog.title(), "Reset position counter"); },
     [](Rig& r) {
         r.dialog.fields().m = {true, true, true};
     },
     bytes({22, 4, 1, 1, 1})},
};

INSTANTIATE_TEST_SUITE_P(Codes, EditEveryCode, ::testing::ValuesIn(kEditCases),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (ch == ' ') ch = '_';
                             return n;
                         });

TEST(EditGuard, ACursorMovedOntoAnotherKindOfCommandIsNotOverwritten) {
    Rig r;
    r.fill(2);
    r.put(1, rec(code::VMin, 1, 1000));
    r.put(2, edtest::jumpTo(1));
    r.editor.editCommand(0);
    r.editor.ProgramViewMouseDown(1);  // the page stays open, the cursor moves
    r.text(TextField::num_vmin) = "9";
    r.dialog.confirm(Page::p_vi);
    EXPECT_EQ(r.line(2), edtest::jumpTo(1));
    EXPECT_EQ(r.line(1), rec(code::VMin, 1, 1000));
    EXPECT_FALSE(r.dialog.visible());
}

TEST(MotorFlagPage, UntickingEveryMotorDeletesTheEditedCommand) {
    Rig r;
    r.fill(4);
    r.put(3, bytes({20, 4, 0, 1, 0}));
    r.put(4, edtest::jumpTo(3));
    r.editor.editCommand(2);
    r.dialog.fields().m = {false, false, false};

    r.host.answerYes = false;
    r.dialog.SetWaitMottorClick();
    EXPECT_EQ(r.host.questions.size(), 1u);
    EXPECT_EQ(r.length(), 4u) << "No keeps the command";
    EXPECT_EQ(r.line(3), bytes({20, 4, 0, 0, 0}));

    r.editor.editCommand(2);
    r.host.answerYes = true;
    r.dialog.fields().m = {false, false, false};
    r.dialog.SetWaitMottorClick();
    EXPECT_EQ(r.length(), 3u);
    EXPECT_EQ(r.line(3), edtest::jumpTo(2));
    EXPECT_FALSE(r.dialog.visible());
}

// ---------------------------------------------------------------------------
// Keys and the page table.

TEST(EnterKey, RunsTheConfirmHandlerOfTheEditedCode) {
    const std::pair<std::uint8_t, const char*> handlers[] = {
        {1, "SetVminButtonClick"},         {2, "SetVmaxButtonClick"},
        {3, "SetVdestButtonClick"},        {4, "SetAmaxButtonClick"},
        {5, "SetEnableButtonClick"},       {6, "SetWaitButtonClick"},
        {7, "SetJumpLineButtonClick"},     {8, "SetXdestButtonClick"},
        {9, "SetHomeButtonClick"},         {13, "SetCounterButtonClick"},
        {14, "SetJumpCounterButtonClick"}, {15, "SetOutButtonClick"},
        {16, "SetJumpInputButtonClick"},   {17, "SetDriverButtonClick"},
        {18, "SetUsbButtonClick"},         {19, "SetMessageButtonClick"},
        {20, "SetWaitMottorClick"},        {21, "EditOutputButtonClick"},
        {22, "SetWaitMottorClick"},
    };
    for (const auto& [c, handler] : handlers) {
        const auto page = enterPageForCode(c);
        ASSERT_TRUE(page.has_value()) << int(c);
        EXPECT_EQ(pageInfo(*page).confirmHandler, handler) << int(c);
    }
    for (std::uint8_t c : {0, 10, 11, 12, 23, 255})
        EXPECT_FALSE(enterPageForCode(c)) << int(c);
}

TEST(EnterKey, ConfirmsTheAccelerationPageAndEscHides) {
    Rig r;
    r.tick(0, 0, 1);
    openForAppend(r, Page::p_ax, code::AMax);
    EXPECT_EQ(r.dialog.title(), "Acceleration");
    r.text(TextField::num_amax) = "10";
    r.dialog.FormKeyPress('\r');
    ASSERT_EQ(r.length(), 1u);
    EXPECT_EQ(r.line(1), rec(code::AMax, 3, 10000));

    openForAppend(r, Page::p_ax, code::AMax);
    r.dialog.FormKeyPress(27);
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_EQ(r.length(), 1u);
}

TEST(EnterKey, AStaleEditedCodeDoesNotConfirmTheVisiblePage) {
    Rig r;
    r.tick(1, 0, 0);
    openForAppend(r, Page::p_vi, code::VMin);
    r.text(TextField::num_vmin) = "1";
    r.editor.appendFromButton(code::Stop);  // direct command: edited code 12
    ASSERT_EQ(r.length(), 1u);
    r.dialog.FormKeyPress('\r');
    EXPECT_EQ(r.length(), 1u);
    EXPECT_TRUE(r.dialog.visible());
}

TEST(PageTable, EveryPageOpensWithItsTitleAndSize) {
    for (const PageInfo& info : allPages()) {
        Rig r;
        r.tick(1, 0, 0);
        r.model.editMode = EditMode::Append;
        ASSERT_TRUE(r.dialog.ShowParameterPage(info.page)) << info.name;
        EXPECT_EQ(r.dialog.page(), info.page);
        EXPECT_EQ(r.dialog.title(), info.title);
        EXPECT_EQ(r.dialog.clientWidth(), 230) << info.name;
        EXPECT_EQ(r.dialog.clientHeight(), info.page == Page::p_out ? 272 : 162) << info.name;
        EXPECT_FALSE(info.heading.empty());
    }
}

TEST(DialogFields, TextsSurviveReopeningAndClosing) {
    Rig r;
    r.tick(1, 0, 0);
    openForAppend(r, Page::p_w, code::WaitMs);
    r.text(TextField::num_wait) = "123";
    r.dialog.SpeedButton1Click();
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_EQ(r.length(), 0u);
    openForAppend(r, Page::p_w, code::WaitMs);
    EXPECT_EQ(r.text(TextField::num_wait), "123");
}

TEST(DialogFields, OnlyTheVisiblePageConfirms) {
    Rig r;
    r.tick(1, 0, 0);
    openForAppend(r, Page::p_w, code::WaitMs);
    r.text(TextField::num_vmin) = "1";
    r.dialog.SetVminButtonClick();
    EXPECT_EQ(r.length(), 0u);
}

}  // namespace
}  // namespace rv720
