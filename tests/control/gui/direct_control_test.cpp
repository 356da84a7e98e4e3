// The direct-control column on the controller twin: the six buttons that open the
// control window, what its OK and step buttons send, the one-motor rule, the
// driver page in direct mode, and the outputs window.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <optional>

#include "control/conversions.h"
#include "control/gui/control_station.h"
#include "support/scripted_dialogs.h"
#include "support/test_names.h"
#include "ui/form_controls.h"

namespace rv720 {
namespace {

using testing::ControlStation;
using testing::SentFrame;

std::vector<std::uint8_t> bytes(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int v : values)
        out.push_back(std::uint8_t(v));
    return out;
}

// Chooses motor m with its caption, as the operator would.
void chooseMotor(ControlStation& s, int m) {
    QLabel* captions[] = {s.control->i1, s.control->i2, s.control->i3};
    QTest::mouseClick(captions[m - 1], Qt::LeftButton);
}

// Sets the radio buttons as given, whatever their exclusivity would allow: the
// window must still count them when sending.
void forceMotors(ControlStation& s, bool m1, bool m2, bool m3) {
    QRadioButton* radios[] = {s.control->m1_check, s.control->m2_check, s.control->m3_check};
    const bool on[] = {m1, m2, m3};
    for (int i = 0; i < 3; ++i) {
        radios[i]->setAutoExclusive(false);
        radios[i]->setChecked(on[i]);
    }
}

// ---- opening ------------------------------------------------------------------

struct OpeningCase {
    const char* button;
    const char* title;
    bool number;  // value box shown
    bool steps;   // "<", ">" and the step count shown
};

TEST(DirectControlOpeningTest, EachButtonOpensTheControlWindowForItsValue) {
    const OpeningCase cases[] = {
        {"SetModeButton", "Tryb", false, false},
        {"SetVminButton", "Minimal velocity", true, false},
        {"SetVmaxButton", "Maximal velocity", true, false},
        {"SetAmaxButton", "Maximal acceleration", true, false},
        {"SetVdestButton", "Set velocity", true, false},
        {"SetXdestButton", "Set position", true, true},
    };
    ControlStation s;
    s.connect();
    for (const OpeningCase& c : cases) {
        SCOPED_TRACE(c.button);
        // Whatever was open in the corner gives way to the control window.
        s.main->model().editMode = EditMode::Append;
        ASSERT_TRUE(s.main->parameterDialog().ShowParameterPage(Page::p_w));
        s.outputs->show();
        s.control->number->setText("7");

        s.click(s.main->findChild<PictureButton*>(QLatin1String(c.button)));
        EXPECT_TRUE(s.control->isVisible());
        EXPECT_EQ(s.control->FormCaption->text(), c.title);
        EXPECT_EQ(s.control->number->isVisible(), c.number);
        EXPECT_EQ(s.control->number->text(), c.number ? "" : "7");
        EXPECT_EQ(s.control->mode->isVisible(), !c.number);
        EXPECT_EQ(s.control->UpButton->isVisible(), c.steps);
        EXPECT_EQ(s.control->Inc->isVisible(), c.steps);
        EXPECT_FALSE(s.outputs->isVisible());
        EXPECT_FALSE(s.parameters->isVisible());
        EXPECT_FALSE(s.main->parameterDialog().visible());
    }
    EXPECT_TRUE(s.sent.empty()) << "opening sends nothing";
}

TEST(DirectControlOpeningTest, WithoutConnectionNoButtonOfTheColumnOpensAnything) {
    ControlStation s;
    for (const char* button :
         {"SetConfigButton", "SetModeButton", "SetVminButton", "SetVmaxButton", "SetAmaxButton",
          "SetVdestButton", "SetXdestButton", "SetOutputButton"}) {
        SCOPED_TRACE(button);
        s.main->AddStatusLine("marker");
        s.click(s.main->findChild<PictureButton*>(QLatin1String(button)));
        EXPECT_EQ(s.status1(), "marker");
        EXPECT_EQ(s.status2(), "No connection");
        EXPECT_FALSE(s.control->isVisible());
        EXPECT_FALSE(s.outputs->isVisible());
        EXPECT_FALSE(s.parameters->isVisible());
    }
    EXPECT_NE(s.main->model().editMode, EditMode::Direct);
    EXPECT_TRUE(s.sent.empty());
}

// ---- sending ------------------------------------------------------------------
// The conversions themselves are tested on their own; these rows follow each kind
// from the window to the wire: its code, the text read with the user's separator,
// the chosen motor and its configuration, and the error colour.

struct SendCase {
    const char* name;
    const char* button;
    int motor;
    const char* text;  // typed into `number`; for the work mode the mode's name
    MotorConfig config = {};
    char separator = '.';
    std::optional<SentFrame> expected = std::nullopt;  // none: error colour, nothing sent
};

void PrintTo(const SendCase& c, std::ostream* os) {
    *os << c.name;
}

class DirectSendTest : public ::testing::TestWithParam<SendCase> {};

TEST_P(DirectSendTest, OkSendsTheValueInControllerUnitsForTheChosenMotor) {
    const SendCase& c = GetParam();
    ControlStation s;
    s.clock.setDecimalSeparator(c.separator);
    s.main->model().motors[std::size_t(c.motor - 1)] = c.config;
    s.connect();
    s.click(s.main->findChild<PictureButton*>(QLatin1String(c.button)));
    chooseMotor(s, c.motor);
    if (s.control->mode->isVisible())
        s.control->mode->setCurrentText(QString::fromLatin1(c.text));
    else
        QTest::keyClicks(s.control->number, c.text);

    QWidget* typedInto = s.control->number->isVisible() ? static_cast<QWidget*>(s.control->number)
                                                        : static_cast<QWidget*>(s.control->mode);
    QTest::keyClick(typedInto, Qt::Key_Return);
    if (c.expected) {
        ASSERT_EQ(s.sent.size(), 1u);
        EXPECT_EQ(s.sent[0], *c.expected);
        EXPECT_FALSE(hasErrorColour(s.control->number));
    } else {
        EXPECT_TRUE(s.sent.empty());
        EXPECT_TRUE(hasErrorColour(s.control->number));
    }
    EXPECT_TRUE(s.control->isVisible()) << "sending keeps the window open";

    // A second press sends the same again (or is refused again).
    s.click(s.control->OkButton);
    EXPECT_EQ(s.sent.size(), c.expected ? 2u : 0u);
    if (c.expected && s.sent.size() == 2) {
        EXPECT_EQ(s.sent[1], *c.expected);
    }
}

// A row that sends `code` with `data`, and one whose text is refused.
SendCase sends(const char* name, const char* button, int motor, const char* text, std::uint8_t code,
               std::initializer_list<int> data, MotorConfig config = {}, char separator = '.') {
    return {name, button, motor, text, config, separator, SentFrame{code, bytes(data)}};
}
SendCase refused(const char* name, const char* button, const char* text, char separator) {
    return {name, button, 1, text, {}, separator, std::nullopt};
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, DirectSendTest,
    ::testing::Values(
        sends("velocity 1 rev/s", "SetVdestButton", 1, "1", 8, {1, 0, 0, 0, 104}),
        sends("velocity -5 rev/s", "SetVdestButton", 1, "-5", 8, {1, 0xFF, 0xFF, 0xFD, 0xF4}),
        sends("velocity with 400 steps", "SetVdestButton", 3, "1", 8, {3, 0, 0, 0, 209}, {8, 400}),
        sends("velocity in a comma locale", "SetVdestButton", 1, "2,5", 8, {1, 0, 0, 1, 6}, {},
              ','),
        refused("a point in a comma locale", "SetVdestButton", "2.5", ','),
        refused("letters", "SetVdestButton", "abc", '.'),
        sends("maximum velocity 10", "SetVmaxButton", 1, "10", 6, {1, 0, 0, 0x04, 0x18}),
        sends("minimum velocity 0 sends one unit", "SetVminButton", 1, "0", 5, {1, 0, 0, 0, 1}),
        sends("acceleration 1000", "SetAmaxButton", 1, "1000", 7, {1, 0, 0, 0, 94}),
        sends("position -100", "SetXdestButton", 2, "-100", 9, {2, 0xFF, 0xFF, 0xFF, 0x9C}),
        refused("position with decimals", "SetXdestButton", "12.5", '.'),
        sends("work mode Soft", "SetModeButton", 3, "Soft", 4, {3, 1, 0, 0, 0})),
    [](const auto& info) { return test::caseName(info.param.name); });

struct StepCase {
    const char* name;
    int motor;
    const char* count;
    bool up;
    SentFrame expected;
};

TEST(DirectStepTest, StepButtonsSendTheCountOfIncForTheChosenMotor) {
    const StepCase cases[] = {
        {"> 500 on motor 2", 2, "500", true, {28, bytes({2, 0, 0, 0x01, 0xF4})}},
        {"< 500 on motor 2", 2, "500", false, {29, bytes({2, 0, 0, 0x01, 0xF4})}},
        {"> 1 on motor 1", 1, "1", true, {28, bytes({1, 0, 0, 0, 1})}},
        {"< 1000 on motor 3", 3, "1000", false, {29, bytes({3, 0, 0, 0x03, 0xE8})}},
    };
    ControlStation s;
    s.connect();
    s.click(s.main->SetXdestButton);
    // The value box plays no part in a step.
    QTest::keyClicks(s.control->number, "not a number");
    for (const StepCase& c : cases) {
        SCOPED_TRACE(c.name);
        s.sent.clear();
        chooseMotor(s, c.motor);
        s.control->Inc->setCurrentText(QString::fromLatin1(c.count));
        s.click(c.up ? s.control->UpButton : s.control->DownButton);
        ASSERT_EQ(s.sent.size(), 1u);
        EXPECT_EQ(s.sent[0], c.expected);
        EXPECT_FALSE(hasErrorColour(s.control->number));
    }
}

struct OneMotorCase {
    const char* name;
    bool m1, m2, m3;
};

TEST(DirectSendTest, NotExactlyOneMotorShowsTheMessageBoxAndSendsNothing) {
    const OneMotorCase cases[] = {
        {"none", false, false, false},
        {"motors 1 and 3", true, false, true},
        {"all three", true, true, true},
    };
    for (const OneMotorCase& c : cases) {
        SCOPED_TRACE(c.name);
        ControlStation s;
        s.connect();
        s.click(s.main->SetXdestButton);
        QTest::keyClicks(s.control->number, "100");
        forceMotors(s, c.m1, c.m2, c.m3);
        for (PictureButton* button :
             {s.control->OkButton, s.control->UpButton, s.control->DownButton})
            s.click(button);
        EXPECT_TRUE(s.sent.empty());
        ASSERT_EQ(s.dialogs.calls.size(), 3);
        for (const ScriptedDialogs::Call& call : s.dialogs.calls) {
            EXPECT_EQ(call.kind, ScriptedDialogs::Kind::Inform);
            EXPECT_EQ(call.caption, "Control");
            EXPECT_EQ(call.text, "You can not control more than one motor in the same time.");
        }
    }
}

// ---- the driver page in direct mode ---------------------------------------------

TEST(DirectDriverTest, DriverPageSetsTheStationsConfigurationAndStaysOpen) {
    ControlStation s;
    s.connect();
    s.click(s.main->SetXdestButton);
    s.click(s.main->SetOutputButton);
    s.sent.clear();
    s.click(s.main->SetXdestButton);

    s.click(s.main->SetConfigButton);
    EXPECT_FALSE(s.control->isVisible());
    EXPECT_FALSE(s.outputs->isVisible());
    EXPECT_EQ(s.main->model().editMode, EditMode::Direct);
    EXPECT_EQ(s.main->model().editedCode, 17);
    ASSERT_TRUE(s.parameters->isVisible());
    EXPECT_EQ(s.parameters->currentPage(), Page::p_ster);
    EXPECT_TRUE(s.parameters->mc(1)->isVisible());
    EXPECT_TRUE(s.parameters->mc(1)->isChecked());
    EXPECT_EQ(s.parameters->entry(TextField::num_step)->text(), "8");
    EXPECT_EQ(s.parameters->entry(TextField::num_mot)->text(), "200");

    // Motor 2 gets divisor 16 and 400 steps; confirming twice configures two motors.
    struct Step {
        int motor;
        const char* divisor;
        const char* steps;
        const char* label;
    };
    const Step steps[] = {{2, "16", "400", "Motor 2 [1/16  400]"},
                          {3, "0", "5000", "Motor 3 [1/1   1600]"}};
    for (const Step& st : steps) {
        SCOPED_TRACE(st.motor);
        QTest::mouseClick(s.parameters->mc(st.motor), Qt::LeftButton);
        s.parameters->entry(TextField::num_step)->setText(st.divisor);
        s.parameters->entry(TextField::num_mot)->setText(st.steps);
        QTest::keyClick(s.parameters->entry(TextField::num_mot), Qt::Key_Return);
        EXPECT_EQ(s.status2(), "Motor parameters set");
        EXPECT_TRUE(s.parameters->isVisible());
        QLabel* labels[] = {s.main->i1, s.main->i2, s.main->i3};
        EXPECT_EQ(labels[st.motor - 1]->text(), st.label);
    }
    EXPECT_EQ(s.main->model().motors[0].stepsPerRev, 200);
    EXPECT_EQ(s.main->model().motors[1].stepDivisor, 16u);
    EXPECT_EQ(s.main->model().motors[1].stepsPerRev, 400);
    EXPECT_EQ(s.main->model().motors[2].stepDivisor, 1u);
    EXPECT_EQ(s.main->model().motors[2].stepsPerRev, 1600);
    EXPECT_EQ(s.main->model().length(), 0u) << "the program is not touched";
    EXPECT_TRUE(s.sent.empty()) << "nothing goes to the controller";

    // The control window's step controls were put away with it.
    EXPECT_TRUE(s.control->DownButton->isHidden());
    EXPECT_TRUE(s.control->UpButton->isHidden());
    EXPECT_TRUE(s.control->Inc->isHidden());
    s.click(s.main->SetVdestButton);
    EXPECT_FALSE(s.parameters->isVisible());
    // The new configuration converts the next velocity: 6400 steps/s is 419 units.
    chooseMotor(s, 2);
    QTest::keyClicks(s.control->number, "1");
    s.click(s.control->OkButton);
    ASSERT_EQ(s.sent.size(), 1u);
    EXPECT_EQ(s.sent[0], (SentFrame{8, bytes({2, 0, 0, 0x01, 0xA3})}));
}

// ---- outputs window -------------------------------------------------------------

TEST(OutputsWindowTest, OpeningAsksForTheStateBeforeShowingAndHidesTheOthers) {
    ControlStation s;
    s.connect();
    s.click(s.main->SetVdestButton);
    s.main->model().editMode = EditMode::Append;
    ASSERT_TRUE(s.main->parameterDialog().ShowParameterPage(Page::p_w));
    std::optional<bool> shownWhenSent;
    s.onSend = [&](const SentFrame& f) {
        if (f.code == 2) shownWhenSent = s.outputs->isVisible();
    };

    s.click(s.main->SetOutputButton);
    ASSERT_EQ(s.sent.size(), 1u);
    EXPECT_EQ(s.sent[0], (SentFrame{2, bytes({4})}));
    ASSERT_TRUE(shownWhenSent.has_value());
    EXPECT_FALSE(*shownWhenSent);
    EXPECT_TRUE(s.outputs->isVisible());
    EXPECT_FALSE(s.control->isVisible());
    EXPECT_FALSE(s.parameters->isVisible());
}

struct OutputStep {
    const char* name;
    int row;
    bool byLabel;
    SentFrame expected;
};

TEST(OutputsWindowTest, EveryChangeIsSentAndTheInputPreviewLampsFollow) {
    const OutputStep steps[] = {
        {"tick io3", 3, false, {3, bytes({4, 3, 1})}},
        {"untick io3", 3, false, {3, bytes({4, 3, 0})}},
        {"label Relay 2", 9, true, {3, bytes({4, 9, 1})}},
        {"tick io7", 7, false, {3, bytes({4, 7, 1})}},
        {"label Digital output 7", 7, true, {3, bytes({4, 7, 0})}},
        {"label Digital output 1", 1, true, {3, bytes({4, 1, 1})}},
    };
    ControlStation s;
    s.connect();
    s.click(s.main->WiewIoButton);
    s.click(s.main->SetOutputButton);
    s.pump(5);
    for (const OutputStep& st : steps) {
        SCOPED_TRACE(st.name);
        s.sent.clear();
        QWidget* target = st.byLabel ? static_cast<QWidget*>(s.outputs->label(st.row))
                                     : static_cast<QWidget*>(s.outputs->io(st.row));
        QTest::mouseClick(target, Qt::LeftButton);
        ASSERT_EQ(s.sent.size(), 1u);
        EXPECT_EQ(s.sent[0], st.expected);
        const bool on = st.expected.data[2] == 1;
        EXPECT_EQ(s.outputs->io(st.row)->isChecked(), on);
        // The controller switches, and the next poll of the input preview shows it.
        s.pump(250);
        EXPECT_EQ(s.ftdi.twin().output(st.row), on);
        EXPECT_EQ(s.inputs->im(st.row)->pictureName(), on ? "ID_led_on" : "ID_led_off");
    }

    // The boxes keep their states across closing and reopening.
    QTest::keyClick(s.outputs, Qt::Key_Escape);
    EXPECT_FALSE(s.outputs->isVisible());
    s.click(s.main->SetOutputButton);
    for (int n = 1; n <= 9; ++n)
        EXPECT_EQ(s.outputs->io(n)->isChecked(), n == 1 || n == 9) << n;
}

}  // namespace
}  // namespace rv720
