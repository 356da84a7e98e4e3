// The dry-run window: the run it shows, its time cursor and the line it reports,
// the limit and input switches it takes, and what it saves.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include "control/gui/dry_run_window.h"
#include "control/gui/motion_chart.h"
#include "shell/gui/shell_test_app.h"
#include "sim/dry_run_report.h"
#include "support/color.h"
#include "support/record_builders.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "ui/dialogs.h"
#include "ui/form_controls.h"

namespace rv720 {
namespace {

using namespace rv720::test;
constexpr std::uint8_t kC = kControllerTarget;

// Motor 1 goes to 400 steps while the program waits; 1.003 s in all.
ProgramImage moveAndWait() {
    return programOf({withParams(code::WaitMs, kC, 250), withParams(code::GoTo, 1, 400),
                      withParams(code::WaitMs, kC, 750), makeRecord(code::End, kC)});
}

class DryRunWindowTest : public ::testing::Test {
  protected:
    bool app = (testApp(), true);  // before any widget
    ScriptedDialogs dialogs;
    TFDryRun window{dialogs};
};

// The topmost row of `area` in column x drawn near `colour`; -1 when none.
int rowOf(const QImage& image, const QRect& area, int x, Rgb colour) {
    for (int y = area.top() + 1; y < area.bottom(); ++y) {
        const QColor c = image.pixelColor(x, y);
        if (std::abs(c.red() - colour.r) + std::abs(c.green() - colour.g) +
                std::abs(c.blue() - colour.b) <
            60)
            return y;
    }
    return -1;
}

TEST_F(DryRunWindowTest, TheCursorShowsTheLineAndTheMotorsAtThatInstant) {
    QSignalSpy lines(&window, &TFDryRun::lineAtCursor);
    ASSERT_TRUE(window.dryRun(moveAndWait()));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.status->text().startsWith("Ended by end() after 1.003 s."))
        << window.status->text().toStdString();
    EXPECT_EQ(window.timeCursor->maximum(), 1010);

    window.setCursorMs(1000);
    EXPECT_EQ(window.cursorLine(), 3);
    EXPECT_EQ(window.cursorText->text(), "t = 1.000 s    003: wait_ms(750)");
    EXPECT_EQ(window.motorText[0]->text(), "M1 x=400 v=0.000 rev/s");
    EXPECT_EQ(window.chart->cursorMs(), 1000);

    // The mouse on the chart moves the cursor too.
    const QPoint early(int(window.chart->xAtTime(100)), window.chart->plotRect(0).center().y());
    QTest::mousePress(window.chart, Qt::LeftButton, {}, early);
    EXPECT_EQ(window.cursorLine(), 1);
    EXPECT_NEAR(window.timeCursor->value(), 100, 3);
    ASSERT_GE(lines.size(), 2);
    EXPECT_EQ(lines.at(lines.size() - 2).at(0).toInt(), 3);
    EXPECT_EQ(lines.last().at(0).toInt(), 1);

    // The move is drawn: motor 1 up high after it, and nowhere up there before
    // it (at 0 it lies under motor 3's line).
    const QImage image = window.chart->grab().toImage();
    const QRect area = window.chart->plotRect(0);
    const int before = rowOf(image, area, int(window.chart->xAtTime(150)), colors::Motor1);
    const int after = rowOf(image, area, int(window.chart->xAtTime(950)), colors::Motor1);
    EXPECT_TRUE(after != -1 && after < area.top() + area.height() / 4) << after;
    EXPECT_TRUE(before == -1 || before > area.bottom() - area.height() / 4) << before;
}

TEST_F(DryRunWindowTest, TheLimitAndTheInputSwitchesGoIntoTheRun) {
    ProgramImage program =
        programOf({withParams(code::WaitMs, kC, 60000), makeRecord(code::End, kC),
                   withParams(code::JumpLine, kC, 3)});
    program.setInputBreak(2, {true, 3, 0});
    window.seconds->setText("2.5");
    ASSERT_TRUE(window.dryRun(program));
    EXPECT_TRUE(
        window.status->text().startsWith("Stopped at the limit after 2.500 s, still running."));

    window.inputs->setText("INPUT2=on@1, INPUT2=off@1.2");
    QTest::keyClick(&window, Qt::Key_Return);  // Enter runs again
    EXPECT_TRUE(window.status->text().startsWith("Stopped at the limit after 2.500 s"));
    EXPECT_EQ(window.result().executions.at(1).line, 3);
    EXPECT_EQ(window.result().executions.at(1).at, std::chrono::milliseconds(1200));

    for (QLineEdit* box : {window.seconds, window.inputs}) {
        window.seconds->setText("2");
        window.inputs->setText("");
        box->setText(box == window.seconds ? "forever" : "INPUT9=on");
        EXPECT_FALSE(window.dryRun(program));
        EXPECT_TRUE(hasErrorColour(box));
        box->setText("1");
        EXPECT_FALSE(hasErrorColour(box));
    }
}

TEST_F(DryRunWindowTest, SavesTheChartAsPngOrSvgAndTheTraceAsCsv) {
    test::TempFolder folder;
    ASSERT_TRUE(window.dryRun(moveAndWait()));
    const QString png = folder.filePath("chart.png"), svg = folder.filePath("chart.svg"),
                  csv = folder.filePath("trace.csv");
    dialogs.fileAnswers = {png, svg, csv};
    window.SaveChartButton->click();
    window.SaveChartButton->click();
    window.SaveTraceButton->click();
    EXPECT_EQ(dialogs.unscripted, 0);

    EXPECT_EQ(QImage(png).size(), window.chart->size() * window.chart->devicePixelRatio());
    QFile drawing(svg);
    ASSERT_TRUE(drawing.open(QIODevice::ReadOnly));
    EXPECT_TRUE(drawing.readAll().contains("<svg"));
    QFile trace(csv);
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    EXPECT_EQ(trace.readAll().toStdString(), sim::dryRunCsv(window.result()));
}

}  // namespace
}  // namespace rv720
