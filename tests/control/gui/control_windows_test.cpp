// The direct-control window FSterowanie and the outputs window FWyjscia.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include "control/conversions.h"
#include "control/gui/sterowanie_window.h"
#include "control/gui/window_checks.h"
#include "control/gui/wyjscia_window.h"
#include "shell/gui/shell_test_app.h"
#include "support/test_names.h"
#include "ui/form_controls.h"

namespace rv720 {
namespace {

using testing::expectButtons;
using testing::typeKey;

class SterowanieTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApp();
        window = std::make_unique<TFSterowanie>();
        window->show();
    }
    std::unique_ptr<TFSterowanie> window;
};

TEST_F(SterowanieTest, StartsWithRampMotorOneAndFiveHundredSteps) {
    EXPECT_EQ(window->objectName(), "FSterowanie");
    EXPECT_TRUE(window->staysOnTop());
    EXPECT_TRUE(window->isDraggable());
    EXPECT_EQ(window->chosenMotor(), 1);
    EXPECT_EQ(window->mode->currentText(), "Ramp");
    QStringList modes;
    for (int i = 0; i < window->mode->count(); ++i)
        modes << window->mode->itemText(i);
    EXPECT_EQ(modes, (QStringList{"Ramp", "Soft", "Velocity"}));
    EXPECT_EQ(window->Inc->currentText(), "500");
    EXPECT_EQ(window->Inc->itemText(0), "1");
    EXPECT_EQ(window->Inc->itemText(window->Inc->count() - 1), "1000");
    EXPECT_EQ(window->DownButton->text(), "<");
    EXPECT_EQ(window->UpButton->text(), ">");
    for (int m = 1; m <= 3; ++m)
        EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("i%1").arg(m))->text(),
                  QStringLiteral("Motor %1").arg(m));
    expectButtons(*window, {{"OkButton", "Ustaw parametr"},
                            {"SpeedButton1", "Zamknij okno"},
                            {"DownButton", ""},
                            {"UpButton", ""}});
}

struct KindCase {
    ControlKind kind;
    const char* title;
    const char* unit;
    bool number, mode, steps;
};

void PrintTo(const KindCase& c, std::ostream* os) {
    *os << "kind " << int(c.kind) << " \"" << c.title << "\"";
}

class SterowanieKindTest : public SterowanieTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(SterowanieKindTest, KindSetsTitleUnitAndVisibleControls) {
    const KindCase& c = GetParam();
    // Choices made before opening stay; the value box is emptied only where shown.
    window->m3_check->setChecked(true);
    window->mode->setCurrentIndex(2);
    window->Inc->setCurrentText("20");
    window->number->setText("12,5");

    ASSERT_TRUE(window->SetControlKind(std::uint8_t(c.kind)));
    EXPECT_EQ(window->controlKind(), std::uint8_t(c.kind));
    EXPECT_EQ(window->FormCaption->text(), c.title);
    EXPECT_EQ(window->unit->text(), c.unit);
    EXPECT_TRUE(window->unit->isVisible());
    EXPECT_EQ(window->number->isVisible(), c.number);
    EXPECT_EQ(window->number->text(), c.number ? "" : "12,5");
    EXPECT_EQ(window->mode->isVisible(), c.mode);
    EXPECT_EQ(window->DownButton->isVisible(), c.steps);
    EXPECT_EQ(window->UpButton->isVisible(), c.steps);
    EXPECT_EQ(window->Inc->isVisible(), c.steps);
    EXPECT_EQ(window->chosenMotor(), 3);
    EXPECT_EQ(window->mode->currentIndex(), 2);
    EXPECT_EQ(window->Inc->currentText(), "20");
    testing::expectNoOverlaps(*window);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, SterowanieKindTest,
    ::testing::Values(
        KindCase{ControlKind::WorkMode, "Tryb", "", false, true, false},
        KindCase{ControlKind::MinVelocity, "Minimal velocity", "[rev/s]", true, false, false},
        KindCase{ControlKind::MaxVelocity, "Maximal velocity", "[rev/s]", true, false, false},
        KindCase{ControlKind::MaxAcceleration, "Maximal acceleration", "[rev/s^2]", true, false,
                 false},
        KindCase{ControlKind::SetVelocity, "Set velocity", "[rev/s]", true, false, false},
        KindCase{ControlKind::SetPosition, "Set position", "[steps]", true, false, true}),
    [](const auto& info) { return test::caseName(info.param.title); });

TEST_F(SterowanieTest, UnknownKindChangesNothing) {
    ASSERT_TRUE(window->SetControlKind(std::uint8_t(ControlKind::SetPosition)));
    window->number->setText("100");
    for (std::uint8_t kind : {0, 3, 10, 28}) {
        EXPECT_FALSE(window->SetControlKind(kind)) << int(kind);
        EXPECT_EQ(window->controlKind(), std::uint8_t(ControlKind::SetPosition));
        EXPECT_EQ(window->FormCaption->text(), "Set position");
        EXPECT_EQ(window->number->text(), "100");
        EXPECT_TRUE(window->Inc->isVisible());
    }
}

TEST_F(SterowanieTest, MotorLabelsChooseTheirRadioButtonAndNeverLeaveNone) {
    struct Step {
        const char* label;
        int chosen;
    };
    // Clicking the label of the chosen motor again keeps it chosen.
    for (const Step& s :
         {Step{"i2", 2}, Step{"i2", 2}, Step{"i3", 3}, Step{"i1", 1}, Step{"i1", 1}}) {
        QTest::mouseClick(window->findChild<QLabel*>(QLatin1String(s.label)), Qt::LeftButton);
        EXPECT_EQ(window->chosenMotor(), s.chosen) << s.label;
        const int checked = int(window->m1_check->isChecked()) +
                            int(window->m2_check->isChecked()) + int(window->m3_check->isChecked());
        EXPECT_EQ(checked, 1) << s.label;
    }
}

TEST_F(SterowanieTest, TypingClearsTheErrorColour) {
    window->SetControlKind(std::uint8_t(ControlKind::SetVelocity));
    setErrorColour(window->number, true);
    ASSERT_TRUE(hasErrorColour(window->number));
    QTest::keyClicks(window->number, "7");
    EXPECT_FALSE(hasErrorColour(window->number));
    EXPECT_EQ(window->number->text(), "7");
}

TEST_F(SterowanieTest, EnterRunsTheOkButtonAndEscHides) {
    window->SetControlKind(std::uint8_t(ControlKind::SetVelocity));
    QSignalSpy ok(window->OkButton, &QAbstractButton::clicked);
    typeKey(window->number, Qt::Key_Return);
    EXPECT_EQ(ok.count(), 1);
    EXPECT_TRUE(window->isVisible());  // sending keeps the window open
    typeKey(window->number, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ok.count(), 1);
}

// ------------------------------------------------------------------ FWyjscia

class WyjsciaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApp();
        window = std::make_unique<TFWyjscia>();
        window->show();
    }
    std::unique_ptr<TFWyjscia> window;
};

TEST_F(WyjsciaTest, NineRowsWithTheirNamesAllUnticked) {
    EXPECT_EQ(window->FormCaption->text(), "Output controll");
    const char* names[] = {"Digital output 1", "Digital output 2", "Digital output 3",
                           "Digital output 4", "Digital output 5", "Digital output 6",
                           "Digital output 7", "Relay 1",          "Relay 2"};
    for (int n = 1; n <= 9; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Label%1").arg(n))->text(),
                  names[n - 1]);
        auto* box = window->findChild<QCheckBox*>(QStringLiteral("io%1").arg(n));
        ASSERT_EQ(box, window->io(n));
        EXPECT_FALSE(box->isChecked());
        // The caption and its box share a row.
        EXPECT_EQ(window->label(n)->geometry().top(), box->geometry().top());
    }
    expectButtons(*window, {{"SpeedButton1", "Zamknij okno"}});
    testing::expectNoOverlaps(*window);
}

TEST_F(WyjsciaTest, LabelClickCountsAsAClickOnTheBoxOfTheSameRow) {
    QSignalSpy sent(window.get(), &TFWyjscia::ioClick);
    struct Step {
        int row;
        bool byLabel;
        bool on;
    };
    for (const Step& s : {Step{9, true, true}, Step{3, false, true}, Step{9, true, false},
                          Step{3, true, false}, Step{1, true, true}}) {
        QWidget* target = s.byLabel ? static_cast<QWidget*>(window->label(s.row))
                                    : static_cast<QWidget*>(window->io(s.row));
        QTest::mouseClick(target, Qt::LeftButton);
        ASSERT_EQ(sent.count(), 1) << "row " << s.row;
        const QList<QVariant> args = sent.takeFirst();
        EXPECT_EQ(args.at(0).toInt(), s.row);
        EXPECT_EQ(args.at(1).toBool(), s.on);
        EXPECT_EQ(window->io(s.row)->isChecked(), s.on);
    }
    // Only the rows clicked changed.
    for (int n : {2, 4, 5, 6, 7, 8, 9})
        EXPECT_FALSE(window->io(n)->isChecked()) << n;
    EXPECT_TRUE(window->io(1)->isChecked());
}

}  // namespace
}  // namespace rv720
