#include "editor/parameter_pages.h"

#include <gtest/gtest.h>

#include <functional>

#include "editor/editor_rig.h"
#include "model/commands.h"
#include "support/test_names.h"

namespace rv720 {
namespace {

using edtest::filler;
using edtest::Rig;
using namespace test;
using TF = TextField;
using test::caseName;

// Opens `page` in append mode for the motors ticked in the rig.
void openForAppend(Rig& r, Page page, std::uint8_t code) {
    r.model.editMode = EditMode::Append;
    r.model.editedCode = code;
    ASSERT_TRUE(r.dialog.ShowParameterPage(page));
}

// ---------------------------------------------------------------------------
// Value pages: conversion, limits and storage, appended for motors 1 and 3.

struct ValueCase {
    Page page;
    std::uint8_t code;
    TF field;
    const char* typed;
    std::int32_t stored;
    const char* valueText;
    char separator = '.';
};

class ValuePages : public ::testing::TestWithParam<ValueCase> {};

std::string valueCaseName(const ::testing::TestParamInfo<ValueCase>& info) {
    return std::string(textFieldName(info.param.field)) + "_" + caseName(info.param.typed);
}

TEST_P(ValuePages, StoreTheLimitedValue) {
    const ValueCase& c = GetParam();
    Rig r;
    r.fill(10);
    r.clock.setDecimalSeparator(c.separator);
    r.tick(1, 0, 1);
    openForAppend(r, c.page, c.code);
    r.text(c.field) = c.typed;
    r.dialog.confirm(c.page);

    const bool perMotor = commandInfo(c.code)->perMotor;
    ASSERT_EQ(r.length(), perMotor ? 12u : 11u);
    EXPECT_EQ(r.line(11), withParams(c.code, perMotor ? 1 : kControllerTarget, c.stored));
    if (perMotor) {
        EXPECT_EQ(r.line(12), withParams(c.code, 3, c.stored));
    }
    EXPECT_EQ(r.model.valueText, c.valueText);
    EXPECT_EQ(r.text(c.field), c.typed) << "the box keeps what was typed";
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_EQ(r.host.renders, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Decimal, ValuePages,
    ::testing::Values(
        ValueCase{Page::p_vx, code::VMax, TF::num_vmax, "0.7", 699, "0.699999988079071"},
        ValueCase{Page::p_vi, code::VMin, TF::num_vmin, "12.5", 12500, "12.5"},
        ValueCase{Page::p_vi, code::VMin, TF::num_vmin, "2.675", 2674, "2.67499995231628"},
        ValueCase{Page::p_vx, code::VMax, TF::num_vmax, "40000", 31234740, "31234.740234375"},
        ValueCase{Page::p_vi, code::VMin, TF::num_vmin, "-5", 0, "0"},
        ValueCase{Page::p_vt, code::VDest, TF::num_vdest, "-5", -5000, "-5"},
        ValueCase{Page::p_vt, code::VDest, TF::num_vdest, "-40000", -31234740, "-31234.740234375"},
        ValueCase{Page::p_ax, code::AMax, TF::num_amax, "-5", 0, "0"},
        ValueCase{Page::p_ax, code::AMax, TF::num_amax, "1e9", 543263812, "543263.8125"},
        ValueCase{Page::p_vi, code::VMin, TF::num_vmin, "1,1", 1100, "1,10000002384186", ','}),
    valueCaseName);

// Jumps are appended to a program of 10 commands.
INSTANTIATE_TEST_SUITE_P(
    Integer, ValuePages,
    ::testing::Values(
        ValueCase{Page::p_xt, code::GoTo, TF::num_xdest, "1000000000", 8388607, "8388607"},
        ValueCase{Page::p_xt, code::GoTo, TF::num_xdest, "-1000000000", -8388607, "-8388607"},
        ValueCase{Page::p_w, code::WaitMs, TF::num_wait, "-3", 0, "0"},
        ValueCase{Page::p_w, code::WaitMs, TF::num_wait, "100000000", 86400000, "86400000"},
        ValueCase{Page::p_lp, code::Counter, TF::num_count, "70000", 65535, "65535"},
        ValueCase{Page::p_jl, code::JumpLine, TF::num_line, "15", 10, "10"},
        ValueCase{Page::p_jl, code::JumpLine, TF::num_line, "11", 11, "11"},
        ValueCase{Page::p_jl, code::JumpLine, TF::num_line, "-3", -3, "-3"},
        ValueCase{Page::p_jp, code::JumpIfCounter, TF::num_jump_line, "12", 10, "10"},
        ValueCase{Page::p_jp, code::JumpIfCounter, TF::num_jump_line, "4", 4, "4"}),
    valueCaseName);

struct UnreadableCase {
    Page page;
    std::uint8_t code;
    TF field;
    const char* typed;
    char separator;
};

class UnreadableText : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(UnreadableText, ColoursTheBoxAndStoresNothingUntilTheBoxIsEdited) {
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
    r.dialog.setText(c.field, "1");  // any edit, num_step's included
    EXPECT_FALSE(r.dialog.hasErrorColour(c.field));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, UnreadableText,
    ::testing::Values(UnreadableCase{Page::p_vi, code::VMin, TF::num_vmin, "abc", '.'},
                      // a point where the user writes a comma is not a number
                      UnreadableCase{Page::p_vt, code::VDest, TF::num_vdest, "0.7", ','},
                      UnreadableCase{Page::p_ax, code::AMax, TF::num_amax, "", '.'},
                      UnreadableCase{Page::p_xt, code::GoTo, TF::num_xdest, "12.5", '.'},
                      UnreadableCase{Page::p_jl, code::JumpLine, TF::num_line, "0", '.'},
                      UnreadableCase{Page::p_ji, code::JumpIfInput, TF::num_line_in, "0", '.'},
                      UnreadableCase{Page::p_h, code::Home, TF::num_home_v1, "?", '.'},
                      UnreadableCase{Page::p_ster, code::Driver, TF::num_step, "8x", '.'}),
    [](const auto& info) {
        return std::string(textFieldName(info.param.field)) + "_" + caseName(info.param.typed);
    });

TEST(JumpPages, AJumpInsertedAboveItsTargetFollowsTheTargetLine) {
    Rig r;
    r.fill(10);
    r.put(10, jumpTo(5));
    r.model.editMode = EditMode::Insert;
    r.model.cursorLine = 2;
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_jl));
    r.text(TF::num_line) = "5";
    r.dialog.confirm(Page::p_jl);

    ASSERT_EQ(r.length(), 11u);
    EXPECT_EQ(r.line(3), jumpTo(6));
    EXPECT_EQ(r.line(6), filler(5));
    EXPECT_EQ(r.line(11), jumpTo(6));
    EXPECT_EQ(r.model.cursorLine, 3);
}

TEST(JumpPages, JumpIfInputInsertWritesOnlyTheNewRecord) {
    Rig r;
    r.fill(4);
    const Record moved = recordOf({16, 4, 0, 0, 0, 1, 6, 0});
    r.put(2, moved);
    r.model.editMode = EditMode::Insert;
    r.model.cursorLine = 1;
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_ji));
    r.text(TF::num_line_in) = "3";
    r.dialog.fields().input = 1;
    r.dialog.fields().in_ch = true;
    r.dialog.confirm(Page::p_ji);

    EXPECT_EQ(r.line(2), recordOf({16, 4, 0, 0, 0, 4, 2, 1}));  // line 3 moved to 4
    EXPECT_EQ(r.line(3), moved);
}

// ---------------------------------------------------------------------------
// HOME and the driver page write the limited values back into their boxes.

TEST(HomePage, LimitsWritesBackAndStopsAtAnUnreadableSecondVelocity) {
    Rig r;
    r.tick(0, 1, 1);
    openForAppend(r, Page::p_h, code::Home);
    r.text(TF::num_home_v1) = "40000";
    r.text(TF::num_home_v2) = "0.5";
    r.dialog.confirm(Page::p_h);
    ASSERT_EQ(r.length(), 2u);
    EXPECT_EQ(r.line(1), withParams(code::Home, 2, 31234740, 500));
    EXPECT_EQ(r.line(2), withParams(code::Home, 3, 31234740, 500));
    EXPECT_EQ(r.text(TF::num_home_v1), "31234.740234375");

    openForAppend(r, Page::p_h, code::Home);
    r.text(TF::num_home_v1) = "-2";
    r.text(TF::num_home_v2) = "fast";
    r.dialog.confirm(Page::p_h);
    EXPECT_EQ(r.length(), 2u);
    EXPECT_EQ(r.text(TF::num_home_v1), "0");
    EXPECT_TRUE(r.dialog.hasErrorColour(TF::num_home_v2));
}

struct DriverCase {
    const char *step, *mot, *stepShown, *motShown;
    std::uint8_t b4, b5;
    std::int32_t steps;
};

class DriverPageLimits : public ::testing::TestWithParam<DriverCase> {};

TEST_P(DriverPageLimits, LimitWriteBackAndStore) {
    const DriverCase& c = GetParam();
    Rig r;
    r.tick(1, 0, 1);
    openForAppend(r, Page::p_ster, code::Driver);
    r.text(TF::num_step) = c.step;
    r.text(TF::num_mot) = c.mot;
    r.dialog.fields().Left = true;
    r.dialog.confirm(Page::p_ster);

    EXPECT_EQ(r.text(TF::num_step), c.stepShown);
    EXPECT_EQ(r.text(TF::num_mot), c.motShown);
    ASSERT_EQ(r.length(), 2u);
    Record expected = recordOf({17, 3, 1, 0, c.b4, c.b5});
    writeBe32(&expected[6], c.steps);
    EXPECT_EQ(r.line(2), expected);
    EXPECT_EQ(r.line(1)[1], 1);
    EXPECT_EQ(r.model.motors[0].stepDivisor, std::uint32_t(c.b4 * 256 + c.b5));
    EXPECT_EQ(r.model.motors[2].stepsPerRev, c.steps);
    EXPECT_EQ(r.model.motors[1].stepDivisor, 8u) << "an unticked motor keeps its configuration";
    EXPECT_EQ(r.host.motorLabelUpdates, 1);
}

INSTANTIATE_TEST_SUITE_P(Values, DriverPageLimits,
                         ::testing::Values(DriverCase{"0", "5000", "1", "1600", 0, 1, 1600},
                                           DriverCase{"256", "-7", "256", "1", 1, 0, 1},
                                           DriverCase{"16", "400", "16", "400", 0, 16, 400}),
                         [](const auto& info) {
                             return "divisor_" + caseName(info.param.step) + "_steps_" +
                                    caseName(info.param.mot);
                         });

TEST(DriverPage, PrefillsFromTheFirstTickedMotorAndDoesNotOpenWithoutOne) {
    Rig r;
    r.model.motors[1] = {16, 400};
    r.model.motors[2] = {32, 1000};
    r.tick(0, 1, 1);
    r.model.editMode = EditMode::Insert;
    EXPECT_TRUE(r.dialog.ShowParameterPage(Page::p_ster));
    EXPECT_EQ(r.text(TF::num_step), "16");
    EXPECT_EQ(r.text(TF::num_mot), "400");
    EXPECT_FALSE(r.dialog.radioButtonsShown());

    r.tick(0, 0, 0);
    EXPECT_FALSE(r.dialog.ShowParameterPage(Page::p_ster));
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_TRUE(r.host.status.empty()) << "no motor is not a full program";
}

TEST(DriverPage, DirectModeConfiguresTheChosenMotorAndStaysOpen) {
    Rig r;
    r.fill(2);
    r.model.motors[1] = {4, 100};
    r.dialog.fields().motorRadio = {false, true, false};
    ASSERT_TRUE(r.dialog.showDirectDriverPage());
    EXPECT_TRUE(r.dialog.radioButtonsShown());
    EXPECT_EQ(r.text(TF::num_step), "4");

    r.text(TF::num_step) = "64";
    r.text(TF::num_mot) = "2000";
    r.dialog.FormKeyPress('\r');
    EXPECT_EQ(r.model.motors[1].stepDivisor, 64u);
    EXPECT_EQ(r.model.motors[1].stepsPerRev, 1600);
    EXPECT_EQ(r.model.motors[0].stepDivisor, 8u);
    EXPECT_EQ(r.length(), 2u);
    EXPECT_EQ(r.host.renders, 0);
    EXPECT_TRUE(r.dialog.visible());
    EXPECT_EQ(r.host.status, std::vector<std::string>{"Motor parameters set"});

    // A radio button unchosen by its caption: nothing is set, nothing reported.
    r.dialog.fields().motorRadio = {false, false, false};
    r.dialog.SetDriverButtonClick();
    EXPECT_EQ(r.host.status.size(), 1u);
    r.dialog.hide();
    EXPECT_FALSE(r.dialog.showDirectDriverPage()) << "no radio button chosen";
}

// ---------------------------------------------------------------------------
// Outputs and messages.

TEST(OutputsPage, OneRecordPerTickedOutputInAscendingOrderAtTheCursor) {
    Rig r;
    r.fill(3);
    r.put(3, jumpTo(2));
    r.model.editMode = EditMode::Insert;
    r.model.cursorLine = 1;
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_out));
    auto& f = r.dialog.fields();
    f.w[7] = f.wo[7] = true;  // Relay 1, on
    f.w[1] = true;            // Output 2, off
    f.wo[2] = true;           // the state of an unticked output is ignored
    r.dialog.confirm(Page::p_out);

    ASSERT_EQ(r.length(), 5u);
    EXPECT_EQ(r.line(2), recordOf({15, 4, 2, 0}));
    EXPECT_EQ(r.line(3), recordOf({15, 4, 8, 1}));
    EXPECT_EQ(r.line(4), filler(2));
    EXPECT_EQ(r.line(5), jumpTo(4));
    EXPECT_EQ(r.model.cursorLine, 3);
}

TEST(OutputsPage, CapacityIsCheckedAgainWhenConfirmed) {
    const struct {
        int length, outputs;
        bool written;
    } cases[] = {{997, 2, true}, {998, 2, false}, {990, 9, true}, {991, 9, false}};
    for (const auto& c : cases) {
        Rig r;
        r.fill(c.length);
        openForAppend(r, Page::p_out, code::SetOut);
        for (int i = 0; i < c.outputs; ++i)
            r.dialog.fields().w[std::size_t(i)] = true;
        r.dialog.confirm(Page::p_out);
        EXPECT_EQ(r.length(), std::uint32_t(c.written ? c.length + c.outputs : c.length));
        EXPECT_EQ(r.programFullPosted(), !c.written) << c.length;
        EXPECT_EQ(r.dialog.visible(), !c.written) << "a full program keeps the page open";
    }
}

TEST(MessagePage, KeepsSevenCharactersOneBytePerCharacter) {
    Rig r;
    openForAppend(r, Page::p_kom, code::PrintUsb);
    r.text(TF::num_kom) = "Hi";
    r.dialog.confirm(Page::p_kom);
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_kom));
    r.text(TF::num_kom) = "Overlong";
    r.dialog.confirm(Page::p_kom);
    ASSERT_EQ(r.length(), 2u);
    EXPECT_EQ(r.line(1), recordOf({19, 4, 2, 'H', 'i'}));
    EXPECT_EQ(r.line(2), recordOf({19, 4, 7, 'O', 'v', 'e', 'r', 'l', 'o', 'n'}));

    // Texts come in UTF-8: a character is one byte of the listing's code page
    // whatever its UTF-8 length.
    ASSERT_TRUE(r.dialog.ShowParameterPage(Page::p_kom));
    r.text(TF::num_kom) =
        "\xC3\xA4\xE2\x82\xAC"
        "12345678";  // a-umlaut, euro sign, digits
    r.dialog.confirm(Page::p_kom);
    EXPECT_EQ(r.line(3), recordOf({19, 4, 7, 0xE4, 0x80, '1', '2', '3', '4', '5'}));
    r.editor.editCommand(2);
    EXPECT_EQ(r.text(TF::num_kom),
              "\xC3\xA4\xE2\x82\xAC"
              "12345");
}

// ---------------------------------------------------------------------------
// Capacity when a page opens and when it is confirmed.

struct OpenCase {
    Page page;
    EditMode mode;
    int length, motors;
    bool opens;
};

class OpeningCapacity : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpeningCapacity, OpensOrPostsProgramFull) {
    const OpenCase& c = GetParam();
    Rig r;
    r.fill(c.length);
    r.tick(c.motors >= 1, c.motors >= 2, c.motors >= 3);
    r.model.editMode = c.mode;
    EXPECT_EQ(r.dialog.ShowParameterPage(c.page), c.opens);
    EXPECT_EQ(r.dialog.visible(), c.opens);
    EXPECT_EQ(r.programFullPosted(), !c.opens);
}

INSTANTIATE_TEST_SUITE_P(Boundaries, OpeningCapacity,
                         ::testing::Values(OpenCase{Page::p_vx, EditMode::Append, 998, 1, true},
                                           OpenCase{Page::p_vx, EditMode::Insert, 998, 2, false},
                                           OpenCase{Page::p_h, EditMode::Append, 996, 3, true},
                                           OpenCase{Page::p_vi, EditMode::Append, 999, 0, true},
                                           OpenCase{Page::p_vi, EditMode::Edit, 999, 3, true},
                                           OpenCase{Page::p_w, EditMode::Append, 998, 0, true},
                                           OpenCase{Page::p_kom, EditMode::Insert, 999, 0, false},
                                           OpenCase{Page::p_m, EditMode::Edit, 999, 3, true},
                                           OpenCase{Page::p_edit_out, EditMode::Append, 999, 3,
                                                    true},
                                           OpenCase{Page::p_ster, EditMode::Append, 999, 1, false},
                                           OpenCase{Page::p_ster, EditMode::Direct, 999, 1, false},
                                           OpenCase{Page::p_ster, EditMode::Direct, 998, 1, true}),
                         [](const auto& info) {
                             const OpenCase& c = info.param;
                             const char* mode = c.mode == EditMode::Append   ? "append"
                                                : c.mode == EditMode::Insert ? "insert"
                                                : c.mode == EditMode::Edit   ? "edit"
                                                                             : "direct";
                             return std::string(pageInfo(c.page).name) + "_" + mode + "_" +
                                    std::to_string(c.length) + "_" + std::to_string(c.motors) +
                                    "_motors";
                         });

TEST(ConfirmCapacity, MotorsTickedAfterOpeningCannotOverflowTheProgram) {
    Rig r;
    r.fill(997);
    r.tick(1, 0, 0);
    openForAppend(r, Page::p_vi, code::VMin);
    r.tick(1, 1, 1);
    r.text(TF::num_vmin) = "1";
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
    r.text(TF::num_step) = "2";
    r.dialog.confirm(Page::p_ster);
    EXPECT_EQ(r.length(), 998u);
    EXPECT_EQ(r.model.motors[0].stepDivisor, 8u);
    EXPECT_TRUE(r.programFullPosted());
}

// ---------------------------------------------------------------------------
// Editing every code: the page is filled from the record and confirming rewrites
// only the parameter bytes, in place, whatever motors are ticked.

struct EditCase {
    const char* name;
    Record before;
    Page page;
    TF field;           // the entry box, for pages that have one
    const char* shown;  // its pre-filled text; nullptr: no box
    const char* typed;
    Record after;
    std::function<void(Rig&)> flags = nullptr;  // pre-fill checks and changes of boxes
    int cursorAfter = 1;
};

class EditEveryCode : public ::testing::TestWithParam<EditCase> {};

TEST_P(EditEveryCode, PrefillsAndRewritesInPlace) {
    const EditCase& c = GetParam();
    Rig r;
    r.fill(3);
    r.put(2, c.before);
    r.tick(1, 1, 1);
    r.editor.editCommand(1);
    ASSERT_TRUE(r.dialog.visible());
    EXPECT_EQ(r.dialog.page(), c.page);
    if (c.shown) {
        EXPECT_EQ(r.text(c.field), c.shown);
        r.text(c.field) = c.typed;
    }
    if (c.flags) c.flags(r);
    r.dialog.FormKeyPress('\r');
    EXPECT_EQ(r.length(), 3u);
    EXPECT_EQ(r.line(2), c.after);
    EXPECT_EQ(r.line(1), filler(1));
    EXPECT_EQ(r.line(3), filler(3));
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_EQ(r.model.cursorLine, c.cursorAfter) << "enable and set_USB advance it";
}

const EditCase kEditCases[] = {
    {"vmin", withParams(1, 2, 699), Page::p_vi, TF::num_vmin, "0.70", "1.1",
     withParams(1, 2, 1100)},
    {"vmax", withParams(2, 3, 20000), Page::p_vx, TF::num_vmax, "20.00", "-1", withParams(2, 3, 0)},
    {"vdest", withParams(3, 1, -1500), Page::p_vt, TF::num_vdest, "-1.50", "-2.5",
     withParams(3, 1, -2500)},
    {"amax", withParams(4, 1, 1000000), Page::p_ax, TF::num_amax, "1000.00", "2",
     withParams(4, 1, 2000)},
    {"wait", withParams(6, 4, 250), Page::p_w, TF::num_wait, "250", "300", withParams(6, 4, 300)},
    {"jump", withParams(7, 4, 1), Page::p_jl, TF::num_line, "1", "9", withParams(7, 4, 3)},
    {"goto", withParams(8, 2, -400), Page::p_xt, TF::num_xdest, "-400", "77", withParams(8, 2, 77)},
    {"home", withParams(9, 3, 2000, 500), Page::p_h, TF::num_home_v2, "0.50", "1",
     withParams(9, 3, 2000, 1000)},
    {"counter", withParams(13, 4, 5), Page::p_lp, TF::num_count, "5", "6", withParams(13, 4, 6)},
    {"jump_if_counter", withParams(14, 4, 2), Page::p_jp, TF::num_jump_line, "2", "4",
     withParams(14, 4, 4)},
    {"jump_if_input", recordOf({16, 4, 0, 0, 0, 2, 3, 1}), Page::p_ji, TF::num_line_in, "2", "3",
     recordOf({16, 4, 0, 0, 0, 3, 6, 0}),
     [](Rig& r) {
         EXPECT_EQ(r.dialog.fields().input, 2);
         EXPECT_TRUE(r.dialog.fields().in_ch);
         r.dialog.fields().input = 5;
         r.dialog.fields().in_ch = false;
     }},
    {"driver", recordOf({17, 2, 0, 1, 1, 0, 0, 0, 6, 64}), Page::p_ster, TF::num_step, "256", "2",
     recordOf({17, 2, 1, 1, 0, 2, 0, 0, 6, 64}),
     [](Rig& r) {
         EXPECT_EQ(r.text(TF::num_mot), "1600");
         EXPECT_TRUE(r.dialog.fields().Right);
         r.dialog.fields().Left = true;
     }},
    {"print_usb", recordOf({19, 4, 3, 'a', 'b', 'c', 9}), Page::p_kom, TF::num_kom, "abc", "xy",
     recordOf({19, 4, 2, 'x', 'y', 'c', 9})},
    {"enable", recordOf({5, 4, 1}), Page::p_en, TF::num_vmin, nullptr, nullptr, recordOf({5, 4, 0}),
     [](Rig& r) { r.dialog.fields().enable = !r.dialog.fields().enable; }, 2},
    {"set_usb", recordOf({18, 4, 0}), Page::p_usb, TF::num_vmin, nullptr, nullptr,
     recordOf({18, 4, 1}), [](Rig& r) { r.dialog.fields().usb = !r.dialog.fields().usb; }, 2},
    {"set_out", recordOf({15, 4, 8, 1, 7, 7}), Page::p_edit_out, TF::num_vmin, nullptr, nullptr,
     recordOf({15, 4, 8, 0, 7, 7}),
     [](Rig& r) {
         EXPECT_EQ(r.dialog.fields().input_number, "Relay 1");
         EXPECT_EQ(r.model.editedCode, code::EditOutputs);
         r.dialog.fields().wxo = !r.dialog.fields().wxo;
     }},
    {"wait_motor", recordOf({20, 4, 1, 0, 1}), Page::p_m, TF::num_vmin, nullptr, nullptr,
     recordOf({20, 4, 0, 1, 0}),
     [](Rig& r) {
         EXPECT_EQ(r.dialog.fields().m, (MotorFlags{true, false, true}));
         EXPECT_EQ(r.dialog.title(), "Wait for position");
         r.dialog.fields().m = {false, true, false};
     }},
    {"clear_motor", recordOf({22, 4, 0, 1, 0}), Page::p_m, TF::num_vmin, nullptr, nullptr,
     recordOf({22, 4, 1, 1, 1}),
     [](Rig& r) {
         EXPECT_EQ(r.dialog.title(), "Reset position counter");
         r.dialog.fields().m = {true, true, true};
     }},
};

// The edit guard of every confirm handler: once the caret has moved onto a command
// of another kind, confirming the open page rewrites nothing at all.
TEST_P(EditEveryCode, RewritesNothingOnceTheCaretLeftForAnotherCommand) {
    const EditCase& c = GetParam();
    const Record other = recordOf({code::End, 4, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE});
    Rig r;
    r.fill(3);
    r.put(2, c.before);
    r.put(3, other);
    r.tick(1, 1, 1);
    r.editor.editCommand(1);
    ASSERT_EQ(r.dialog.page(), c.page);
    r.editor.ProgramViewMouseDown(2);  // the page stays open, the caret moves on
    if (c.shown) r.text(c.field) = c.typed;
    if (c.flags) c.flags(r);
    r.dialog.confirm(c.page);
    EXPECT_EQ(r.length(), 3u);
    EXPECT_EQ(r.line(3), other);
    EXPECT_EQ(r.line(2), c.before);
}

INSTANTIATE_TEST_SUITE_P(Codes, EditEveryCode, ::testing::ValuesIn(kEditCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EditGuard, ACursorMovedOntoAnotherKindOfCommandIsNotOverwritten) {
    Rig r;
    r.fill(2);
    r.put(1, withParams(code::VMin, 1, 1000));
    r.put(2, jumpTo(1));
    r.editor.editCommand(0);
    r.editor.ProgramViewMouseDown(1);  // the page stays open, the cursor moves
    r.text(TF::num_vmin) = "9";
    r.dialog.confirm(Page::p_vi);
    EXPECT_EQ(r.line(2), jumpTo(1));
    EXPECT_EQ(r.line(1), withParams(code::VMin, 1, 1000));
}

TEST(MotorFlagPage, UntickingEveryMotorDeletesTheEditedCommand) {
    Rig r;
    r.fill(4);
    r.put(3, recordOf({20, 4, 0, 1, 0}));
    r.put(4, jumpTo(3));
    r.editor.editCommand(2);
    r.dialog.fields().m = {false, false, false};
    r.host.answerYes = false;
    r.dialog.SetWaitMottorClick();
    EXPECT_EQ(r.host.questions.size(), 1u);
    EXPECT_EQ(r.line(3), recordOf({20, 4, 0, 0, 0})) << "No keeps the command";

    r.editor.editCommand(2);
    r.host.answerYes = true;
    r.dialog.SetWaitMottorClick();
    EXPECT_EQ(r.length(), 3u);
    EXPECT_EQ(r.line(3), jumpTo(2));
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
    for (std::uint8_t c : {0, 10, 11, 12, 23})
        EXPECT_FALSE(enterPageForCode(c)) << int(c);
}

TEST(EnterKey, ConfirmsTheAccelerationPageAndEscHides) {
    Rig r;
    r.tick(0, 0, 1);
    openForAppend(r, Page::p_ax, code::AMax);
    r.text(TF::num_amax) = "10";
    r.dialog.FormKeyPress('\r');
    ASSERT_EQ(r.length(), 1u);
    EXPECT_EQ(r.line(1), withParams(code::AMax, 3, 10000));

    openForAppend(r, Page::p_ax, code::AMax);
    r.dialog.FormKeyPress(27);
    EXPECT_FALSE(r.dialog.visible());
    EXPECT_EQ(r.length(), 1u);
}

TEST(EnterKey, AStaleEditedCodeOrAHiddenPageDoesNotConfirm) {
    Rig r;
    r.tick(1, 0, 0);
    openForAppend(r, Page::p_vi, code::VMin);
    r.text(TF::num_vmin) = "1";
    r.editor.appendFromButton(code::Stop);  // direct command: edited code 12
    r.dialog.FormKeyPress('\r');
    r.tick(0, 0, 0);
    r.editor.insertFromPopup(code::WaitMotor, 0);  // adds nothing; edited code 20
    r.dialog.FormKeyPress('\r');
    r.dialog.SetVmaxButtonClick();  // not the visible page
    EXPECT_EQ(r.length(), 1u);
    EXPECT_TRUE(r.dialog.visible());
}

TEST(PageTable, TitlesAndSizes) {
    const std::pair<Page, const char*> titles[] = {
        {Page::p_vi, "Speed min."},
        {Page::p_vx, "Speed max."},
        {Page::p_vt, "Destination velocity"},
        {Page::p_ax, "Acceleration"},
        {Page::p_en, "Enable output"},
        {Page::p_w, "Wait"},
        {Page::p_jl, "Jump to line"},
        {Page::p_xt, "Search position"},
        {Page::p_h, "Home"},
        {Page::p_lp, "Set repetition counter"},
        {Page::p_jp, "Jump if repetition counter"},
        {Page::p_out, "Set Outputs"},
        {Page::p_edit_out, "Edit outputs"},
        {Page::p_ji, "Jump if input"},
        {Page::p_ster, "Config. driver"},
        {Page::p_usb, "Config. communication"},
        {Page::p_kom, "USB message"},
        {Page::p_m, "Wait for position"},
    };
    for (const auto& [page, title] : titles) {
        Rig r;
        r.tick(1, 0, 0);
        ASSERT_TRUE(r.dialog.ShowParameterPage(page)) << title;
        EXPECT_EQ(r.dialog.title(), title);
        EXPECT_EQ(r.dialog.clientWidth(), 230);
        EXPECT_EQ(r.dialog.clientHeight(), page == Page::p_out ? 272 : 162) << title;
    }
}

}  // namespace
}  // namespace rv720
