// The compilation and transfer window FKompilacja: its log, gauge, covering
// pictures, close permission and keys.
#include <gtest/gtest.h>

#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>

#include "control/gui/window_checks.h"
#include "device/device_station.h"
#include "device/station_view.h"
#include "shell/gui/kompilacja_window.h"
#include "shell/gui/main_window.h"
#include "shell/gui/shell_test_app.h"
#include "support/clock.h"
#include "support/color.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"
#include "support/scripted_dialogs.h"
#include "support/timer.h"
#include "ui/dialogs.h"

namespace rv720 {
namespace {

using testing::expectButtons;

class KompilacjaTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApp();
        mainWindow = std::make_unique<TFMain>(dialogs, timers, clock);
        window = std::make_unique<TFKompilacja>(mainWindow.get());
        window->show();
    }
    ScriptedDialogs dialogs;
    ManualTimerFactory timers;
    FixedClock clock;
    std::unique_ptr<TFMain> mainWindow;
    std::unique_ptr<TFKompilacja> window;
    TransferView& view() { return *window; }
};

TEST_F(KompilacjaTest, StartsWithBothButtonsCoveredAndAnEmptyCreamLog) {
    EXPECT_EQ(window->objectName(), "FKompilacja");
    EXPECT_TRUE(window->staysOnTop());
    EXPECT_TRUE(window->isDraggable());
    EXPECT_FALSE(window->stopAvailable());
    EXPECT_FALSE(window->downloadAvailable());
    EXPECT_EQ(window->DownloadDumm->geometry(), window->DownloadButton->geometry());
    EXPECT_EQ(window->StopDumm->geometry(), window->StopButton->geometry());
    EXPECT_EQ(window->KompilujBar->maximum(), 999);
    EXPECT_EQ(window->KompilujBar->value(), 0);
    EXPECT_TRUE(window->KompilacjaLog->isReadOnly());
    EXPECT_EQ(window->KompilacjaLog->palette().color(QPalette::Base), QColor(0xff, 0xfb, 0xe6));
    EXPECT_TRUE(QFontInfo(window->KompilacjaLog->font()).fixedPitch());
    EXPECT_TRUE(window->logLines().isEmpty());
    EXPECT_TRUE(mainWindow->device().FKompilacja().FormCloseQuery());
    expectButtons(*window, {{"DownloadButton", "Zapisz"},
                            {"StopButton", "Zatrzymaj"},
                            {"CloseButton", "Zamknij onko"}});
    testing::expectNoOverlaps(*window, {"DownloadDumm", "StopDumm"});
}

TEST_F(KompilacjaTest, ACoveredButtonCannotBeClicked) {
    QSignalSpy download(window->DownloadButton, &QAbstractButton::clicked);
    const QPoint centre = window->DownloadButton->geometry().center();
    QTest::mouseClick(window.get(), Qt::LeftButton, {}, centre);
    EXPECT_EQ(download.count(), 0);
    view().setDownloadAvailable(true);
    EXPECT_TRUE(window->DownloadDumm->isHidden());
    QTest::mouseClick(window->childAt(centre), Qt::LeftButton);
    EXPECT_EQ(download.count(), 1);
}

TEST_F(KompilacjaTest, EachLineKeepsItsOwnColour) {
    const Rgb green{0, 128, 0};
    struct Line {
        const char* text;
        Rgb colour;
    };
    const Line lines[] = {
        {"Compilation start: 2026-12-08 o 12:00:00", colors::Black},
        {"---------------------------------------------------------------------", colors::Black},
        {"Error: No commands", colors::Red},
        {"", colors::Red},  // an empty line still counts and keeps its colour
        {"Warning: Motors aren't unblocked", green},
        {"Compilation failed", colors::Blue},
    };
    view().addLogLine("stale report", colors::Blue);
    view().clearLog();
    for (const Line& l : lines)
        view().addLogLine(l.text, l.colour);
    const QStringList shown = window->logLines();
    ASSERT_EQ(shown.size(), int(std::size(lines)));
    for (int i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(shown[i], lines[i].text);
        EXPECT_EQ(window->logLineColour(i), lines[i].colour);
    }
}

TEST_F(KompilacjaTest, CloseButtonHidesAndUnlocksTheWindows) {
    mainWindow->LockWindows();
    ASSERT_FALSE(mainWindow->isEnabled());
    EXPECT_TRUE(window->isEnabled());  // the lock never reaches the transfer window
    QTest::mouseClick(window->CloseButton, Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(mainWindow->isEnabled());
}

// The close query, Esc and Enter follow the transfer state of the device side;
// they are tested with a station on the controller twin (station_device_test).

}  // namespace
}  // namespace rv720
