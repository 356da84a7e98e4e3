// The monitor windows: motor preview, input preview and the USB message log.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include "control/gui/log_window.h"
#include "control/gui/motion_chart.h"
#include "control/gui/podglad_silniki_window.h"
#include "control/gui/podglad_wejscia_window.h"
#include "control/gui/window_checks.h"
#include "device/station_view.h"
#include "model/program_image.h"
#include "shell/gui/shell_test_app.h"
#include "support/manual_timer.h"
#include "support/timer.h"
#include "ui/form_controls.h"

namespace rv720 {
namespace {

using testing::expectButtons;
using testing::typeKey;

ManualTimer* onlyTimer(const ManualTimerFactory& timers) {
    EXPECT_EQ(timers.timers().size(), 1u);
    return timers.timers().empty() ? nullptr : timers.timers().front();
}

// ------------------------------------------------------------ FPodgladSilniki

class MotorViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApp();
        window = std::make_unique<TFPodgladSilniki>(nullptr, &timers);
        timer = onlyTimer(timers);
        ASSERT_NE(timer, nullptr);
    }
    ManualTimerFactory timers;
    std::unique_ptr<TFPodgladSilniki> window;
    ManualTimer* timer = nullptr;
};

TEST_F(MotorViewTest, LayoutOfTheThreeMotorGroups) {
    EXPECT_EQ(window->objectName(), "FPodgladSilniki");
    // The three groups keep their 228 x 265 area; the live chart adds room below.
    EXPECT_EQ(window->width(), 228);
    EXPECT_GT(window->height(), 265);
    EXPECT_GE(window->chart->geometry().top(), window->position(3)->geometry().bottom());
    EXPECT_EQ(window->FormCaption->text(), "Actual motor state");
    EXPECT_TRUE(window->staysOnTop());
    for (int m = 1; m <= 3; ++m) {
        SCOPED_TRACE(m);
        QLabel* v = window->findChild<QLabel*>(QStringLiteral("m%1_v").arg(m));
        QLabel* x = window->findChild<QLabel*>(QStringLiteral("m%1_x").arg(m));
        ASSERT_EQ(v, window->velocity(m));
        ASSERT_EQ(x, window->position(m));
        EXPECT_EQ(v->text(), "+00000000");
        EXPECT_EQ(x->text(), "+00000000");
        EXPECT_EQ(v->font().pixelSize(), 12);
        auto* vUnit = window->findChild<QLabel*>(QStringLiteral("Label%1").arg(m));
        auto* xUnit = window->findChild<QLabel*>(QStringLiteral("Label%1").arg(m + 3));
        EXPECT_EQ(vUnit->text(), "[rev/s]");
        EXPECT_EQ(xUnit->text(), "[steps]");
        // Units stand on the rows of their values; groups follow each other downwards.
        EXPECT_EQ(vUnit->geometry().top(), v->geometry().top());
        EXPECT_EQ(xUnit->geometry().top(), x->geometry().top());
        EXPECT_GT(x->geometry().top(), v->geometry().top());
        if (m > 1) {
            EXPECT_GT(v->geometry().top(), window->position(m - 1)->geometry().top());
        }
    }
    // The group and row names are part of the background.
    const QStringList names = window->backgroundTexts()->texts();
    for (const char* name : {"Motor 1", "Motor 2", "Motor 3"})
        EXPECT_TRUE(names.contains(name));
    EXPECT_EQ(names.count("Velocity"), 3);
    EXPECT_EQ(names.count("Position"), 3);
    expectButtons(*window, {{"CloseButton", "Zamknij okno"}});
    testing::expectNoOverlaps(*window);
}

TEST_F(MotorViewTest, TimerIsCreatedDisabledAtOneHundredMilliseconds) {
    EXPECT_EQ(timer, window->MotorViewTimer);
    EXPECT_EQ(timer->intervalMs(), 100);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(MotorViewTest, CloseButtonStopsPollingEscOnlyHides) {
    window->show();
    timer->start();
    typeKey(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(timer->isActive());  // stops at its next tick, finding the window hidden

    window->show();
    QTest::mouseClick(window->CloseButton, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(timer->isActive());
}

TEST_F(MotorViewTest, RepliesShowEachMotorWithItsOwnConfiguration) {
    struct Case {
        char separator;
        MotorState state;
        std::array<const char*, 3> positions, velocities;
    };
    // Motor 2 turns 400 steps per revolution: the same raw velocity reads half as fast.
    const std::array<MotorConfig, 3> motors{MotorConfig{8, 200}, MotorConfig{8, 400},
                                            MotorConfig{8, 200}};
    const Case cases[] = {
        {',',
         {{-1, 8388607, -8388608}, {100, 100, -1}},
         {"-1", "8388607", "-8388608"},
         {"0,954", "0,477", "-0,009"}},
        {'.', {{0, 12, -400}, {0, 100, 0}}, {"0", "12", "-400"}, {"0,000", "0.477", "0,000"}},
    };
    for (const Case& c : cases) {
        window->showMotorState(c.state, motors, c.separator);
        for (int m = 1; m <= 3; ++m) {
            SCOPED_TRACE(m);
            EXPECT_EQ(window->position(m)->text(), c.positions[std::size_t(m - 1)]);
            EXPECT_EQ(window->velocity(m)->text(), c.velocities[std::size_t(m - 1)]);
        }
    }
}

TEST_F(MotorViewTest, TheCloseButtonStopsAHandedInTimer) {
    ManualTimer device(100);
    window->useMotorViewTimer(device);
    device.start();
    timer->start();
    window->show();
    QTest::mouseClick(window->CloseButton, Qt::LeftButton);
    EXPECT_FALSE(device.isActive());
    EXPECT_TRUE(timer->isActive());  // the window's own timer is no longer the one in use
}

// ------------------------------------------------------------ FPodgladWejscia

class InputViewTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApp();
        window = std::make_unique<TFPodgladWejscia>(nullptr, &timers);
        timer = onlyTimer(timers);
        ASSERT_NE(timer, nullptr);
    }
    ManualTimerFactory timers;
    std::unique_ptr<TFPodgladWejscia> window;
    ManualTimer* timer = nullptr;
};

TEST_F(InputViewTest, SeventeenUnlitLampsAtCreation) {
    EXPECT_EQ(window->objectName(), "FPodgladWejscia");
    EXPECT_EQ(window->size(), QSize(389, 358));
    EXPECT_EQ(window->FormCaption->text(), "Actual inputs/outputs state");
    EXPECT_EQ(window->findChildren<PictureBox*>().size(), 17);
    for (int k = 1; k <= 17; ++k) {
        SCOPED_TRACE(k);
        PictureBox* lamp = window->findChild<PictureBox*>(QStringLiteral("im%1").arg(k));
        ASSERT_EQ(lamp, window->im(k));
        EXPECT_EQ(lamp->pictureName(), "ID_led_off");
        EXPECT_EQ(lamp->size(), QSize(30, 30));
        EXPECT_TRUE(window->rect().contains(lamp->geometry()));
    }
    EXPECT_EQ(timer->intervalMs(), 100);
    EXPECT_FALSE(timer->isActive());
    expectButtons(*window, {{"closeButton", "Zamknij okno"}});
    testing::expectNoOverlaps(*window);
}

TEST_F(InputViewTest, TwoColumnsWithTheRelaysSetApart) {
    auto top = [&](int k) { return window->im(k)->geometry().top(); };
    auto left = [&](int k) { return window->im(k)->geometry().left(); };
    const int pitch = top(2) - top(1);
    EXPECT_GE(pitch, 30);
    for (int k = 2; k <= 9; ++k)
        EXPECT_EQ(left(k), left(1)) << k;
    for (int k = 11; k <= 17; ++k)
        EXPECT_EQ(left(k), left(10)) << k;
    EXPECT_GT(left(10), left(1) + 30);
    for (int k = 2; k <= 7; ++k)
        EXPECT_EQ(top(k) - top(k - 1), pitch) << k;
    EXPECT_EQ(top(8) - top(7), pitch + 10);  // relay 1 stands apart from the outputs
    EXPECT_EQ(top(9) - top(8), pitch);
    for (int k = 11; k <= 17; ++k)
        EXPECT_EQ(top(k) - top(k - 1), pitch) << k;
    EXPECT_EQ(top(10), top(1));
}

TEST_F(InputViewTest, EachLampIsNamedOnTheBackgroundBesideIt) {
    const char* names[] = {"Output 1", "Output 2", "Output 3", "Output 4", "Output 5", "Output 6",
                           "Output 7", "Relay 1",  "Relay 2",  "Input 1",  "Input 2",  "Input 3",
                           "Input 4",  "Input 5",  "Input 6",  "RUN",      "STOP"};
    const auto& items = window->backgroundTexts()->items();
    ASSERT_EQ(items.size(), 17);
    for (int k = 1; k <= 17; ++k) {
        SCOPED_TRACE(k);
        const QRect lamp = window->im(k)->geometry();
        const auto& item = items[k - 1];
        EXPECT_EQ(item.text, names[k - 1]);
        EXPECT_EQ(item.rect.top(), lamp.top());
        EXPECT_GT(item.rect.left(), lamp.right());
        // The name stays clear of every lamp.
        for (int j = 1; j <= 17; ++j)
            EXPECT_FALSE(item.rect.intersects(window->im(j)->geometry())) << "lamp " << j;
    }
}

TEST_F(InputViewTest, OnlyTheLampsAReplyChangedAreRedrawn) {
    IoState state;
    state.on[2] = true;  // output 3 lit and changed
    state.changed[2] = true;
    state.on[4] = true;  // output 5 lit but reported unchanged
    state.on[16] = false;
    state.changed[16] = true;
    window->showLamp(17, true);
    window->showIoState(state);
    EXPECT_EQ(window->im(3)->pictureName(), "ID_led_on");
    EXPECT_EQ(window->im(5)->pictureName(), "ID_led_off");
    EXPECT_EQ(window->im(17)->pictureName(), "ID_led_off");
}

TEST_F(InputViewTest, CloseButtonStopsPollingEscOnlyHides) {
    window->show();
    timer->start();
    typeKey(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(timer->isActive());
    window->show();
    QTest::mouseClick(window->closeButton, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(timer->isActive());
}

// ----------------------------------------------------------------------- FLog

class LogWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApp();
        window = std::make_unique<TFLog>();
    }
    std::unique_ptr<TFLog> window;
};

TEST_F(LogWindowTest, ReadOnlySilverFixedPitchLog) {
    EXPECT_EQ(window->objectName(), "FLog");
    EXPECT_EQ(window->size(), QSize(249, 668));
    EXPECT_EQ(window->FormCaption->text(), "USB messages");
    EXPECT_TRUE(window->log->isReadOnly());
    EXPECT_EQ(window->log->palette().color(QPalette::Base), QColor(192, 192, 192));
    EXPECT_EQ(window->log->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(window->log->font().pixelSize(), 12);
    EXPECT_TRUE(QFontInfo(window->log->font()).fixedPitch());
    EXPECT_EQ(window->log->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    expectButtons(*window,
                  {{"OkButton", "Zamknij okno"}, {"SpeedButton1", "Wyczyść okno komunikatów"}});
    testing::expectNoOverlaps(*window);
}

TEST_F(LogWindowTest, OpensCentredOnTheMainWindow) {
    QWidget main;
    main.setGeometry(100, 80, 1149, 732);
    main.show();
    StationWindow::setMainWindow(&main);
    window->show();
    const QPoint offset = window->geometry().center() - main.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
    StationWindow::setMainWindow(nullptr);
}

TEST_F(LogWindowTest, MessageLinesKeepOnlyPrintableCharacters) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        const char* line;
    };
    const Case cases[] = {
        {{'A', '\r', 'B'}, "12:00:01         \"AB\""},
        {{}, "12:00:01         \"\""},
        {{31, ' ', '~', 127, 0xC4, 0}, "12:00:01         \" ~\""},
        {{'"', 'x', '"'}, "12:00:01         \"\"x\"\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TFLog::messageLine("12:00:01", c.bytes), c.line);
}

TEST_F(LogWindowTest, LinesAccumulateWhileHiddenAndClearEmptiesTheLog) {
    window->showUsbMessage({'A', 'B'}, "12:00:01");
    window->showUsbMessage({}, "12:00:02");
    EXPECT_EQ(window->lines(), (QStringList{"12:00:01         \"AB\"", "12:00:02         \"\""}));
    window->show();
    QTest::mouseClick(window->SpeedButton1, Qt::LeftButton);
    EXPECT_TRUE(window->lines().isEmpty());
    EXPECT_TRUE(window->isVisible());
    window->appendLine("after");
    EXPECT_EQ(window->lines(), QStringList{"after"});
}

}  // namespace
}  // namespace rv720
