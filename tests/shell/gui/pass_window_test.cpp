// The firmware-update password window FPass.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "control/gui/window_checks.h"
#include "shell/gui/pass_window.h"
#include "shell/gui/shell_test_app.h"
#include "ui/form_controls.h"

namespace rv720 {
namespace {

using testing::expectButtons;
using testing::typeKey;

class PassTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApp();
        window = std::make_unique<TFPass>();
        window->show();
    }
    std::unique_ptr<TFPass> window;
};

TEST_F(PassTest, FixedUnmovableWindowWithAVisiblePasswordBox) {
    EXPECT_EQ(window->objectName(), "FPass");
    EXPECT_EQ(window->size(), QSize(300, 160));
    EXPECT_EQ(window->FormCaption->text(), "RV7.0.2 firmware updating");
    EXPECT_EQ(window->Label32->text(), "Password");
    EXPECT_EQ(window->Edit->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(window->staysOnTop());
    EXPECT_FALSE(window->isDraggable());
    EXPECT_FALSE(window->StartWindowDrag(Qt::LeftButton));
    expectButtons(*window, {{"OkButton", "Aktualizuj"}, {"SpeedButton1", "Zamknij okno"}});
    testing::expectNoOverlaps(*window);
}

TEST_F(PassTest, ClickingIntoTheBoxEmptiesItAndRestoresItsColour) {
    window->Edit->setText("73916KQWMZ");
    setErrorColour(window->Edit, true);
    QTest::mouseClick(window->Edit, Qt::LeftButton);
    EXPECT_EQ(window->Edit->text(), "");
    EXPECT_FALSE(hasErrorColour(window->Edit));
}

TEST_F(PassTest, TypingRestoresTheColourAndKeepsTheText) {
    window->Edit->setText("7391");
    setErrorColour(window->Edit, true);
    window->Edit->setFocus();
    window->Edit->end(false);
    QTest::keyClicks(window->Edit, "6k");
    EXPECT_EQ(window->Edit->text(), "73916k");
    EXPECT_FALSE(hasErrorColour(window->Edit));
}

TEST_F(PassTest, EnterRunsOkAndEscHidesWithoutIt) {
    QSignalSpy ok(window->OkButton, &QAbstractButton::clicked);
    typeKey(window->Edit, Qt::Key_Return);
    EXPECT_EQ(ok.count(), 1);
    typeKey(window->Edit, Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(ok.count(), 1);
}

}  // namespace
}  // namespace rv720
