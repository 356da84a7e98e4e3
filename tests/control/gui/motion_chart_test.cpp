// The motor window's live chart: what it keeps, that it costs nothing while
// hidden, and what it draws.
#include <gtest/gtest.h>

#include <QImage>
#include <QTimer>
#include <functional>
#include <memory>

#include "control/gui/motion_chart.h"
#include "control/gui/podglad_silniki_window.h"
#include "shell/gui/shell_test_app.h"
#include "support/color.h"
#include "support/manual_timer.h"
#include "support/timer.h"

namespace rv720 {
namespace {

MotionChart::Sample sample(qint64 t, double p1 = 0, double p2 = 0, double p3 = 0) {
    MotionChart::Sample s;
    s.timeMs = t;
    s.position = {p1, p2, p3};
    return s;
}

class ChartTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApp();
        chart = std::make_unique<MotionChart>();
        chart->resize(208, MotionChart::preferredHeight());
        chart->show();
    }
    std::unique_ptr<MotionChart> chart;
};

struct KeepCase {
    const char* name;
    std::vector<qint64> times;
    qint64 firstKept;
    std::size_t kept;
};

TEST_F(ChartTest, KeepsTheLastThirtySecondsCountedFromTheNewestSample) {
    std::vector<qint64> tenPerSecond;
    for (qint64 t = 0; t <= 45000; t += 100)
        tenPerSecond.push_back(t);
    const KeepCase cases[] = {
        {"45 s at ten samples a second", tenPerSecond, 15000, 301},
        {"exactly thirty seconds apart", {0, 30000}, 0, 2},
        {"a millisecond more", {0, 30001}, 30001, 1},
        {"reopened after a minute", {0, 100, 200, 60200}, 60200, 1},
        {"a clock that started again", {5000, 6000, 1000, 1100}, 1000, 2},
    };
    for (const KeepCase& c : cases) {
        SCOPED_TRACE(c.name);
        chart->clear();
        for (qint64 t : c.times)
            chart->addSample(sample(t));
        ASSERT_EQ(chart->samples().size(), c.kept);
        EXPECT_EQ(chart->samples().front().timeMs, c.firstKept);
        EXPECT_EQ(chart->samples().back().timeMs, c.times.back());
        EXPECT_LE(chart->spanShownMs(), MotionChart::kSpanMs);
    }
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST(MotorWindowChartTest, NothingIsKeptOrPaintedWhileTheWindowIsHidden) {
    testApp();
    ManualTimerFactory timers;
    TFPodgladSilniki window(nullptr, &timers);
    qint64 now = 0;
    window.setSampleClock([&now] { return now; });
    PaintCounter counter;
    window.chart->installEventFilter(&counter);
    const std::array<MotorConfig, 3> motors{};
    const MotorState moving{{100, 200, 300}, {10, 20, 30}};

    struct Phase {
        const char* name;
        bool shown;
        std::size_t samplesAfter;
    };
    const Phase phases[] = {
        {"never shown", false, 0}, {"shown", true, 5}, {"hidden again", false, 5}};
    for (const Phase& p : phases) {
        SCOPED_TRACE(p.name);
        window.setVisible(p.shown);
        QApplication::processEvents();
        counter.paints = 0;
        for (int i = 0; i < 5; ++i) {
            now += 100;
            window.showMotorState(moving, motors, '.');
            QApplication::processEvents();
        }
        EXPECT_EQ(window.chart->samples().size(), p.samplesAfter);
        if (p.shown)
            EXPECT_GT(counter.paints, 0);
        else
            EXPECT_EQ(counter.paints, 0);
        // The numbers are shown either way; only the chart rests.
        EXPECT_EQ(window.position(3)->text(), "300");
    }
    // The chart never asks for time of its own.
    EXPECT_TRUE(window.chart->findChildren<QTimer*>().isEmpty());
    EXPECT_EQ(timers.timers().size(), 1u) << "only MotorViewTimer";
}

TEST(MotorWindowChartTest, SamplesCarryPositionsAndVelocitiesInRevolutionsPerSecond) {
    testApp();
    ManualTimerFactory timers;
    TFPodgladSilniki window(nullptr, &timers);
    window.setSampleClock([] { return qint64(4200); });
    window.show();
    // Raw 100 is 0.954 rev/s at 200 steps and divisor 8, half that at 400 steps.
    const std::array<MotorConfig, 3> motors{MotorConfig{8, 200}, MotorConfig{8, 400},
                                            MotorConfig{8, 200}};
    window.showMotorState({{-5, 0, 8388607}, {100, 100, -1}}, motors, ',');
    ASSERT_EQ(window.chart->samples().size(), 1u);
    const MotionChart::Sample& s = window.chart->samples().front();
    EXPECT_EQ(s.timeMs, 4200);
    EXPECT_EQ(s.position, (std::array<double, 3>{-5, 0, 8388607}));
    EXPECT_NEAR(s.velocity[0], 0.9537, 1e-3);
    EXPECT_NEAR(s.velocity[1], 0.4768, 1e-3);
    EXPECT_NEAR(s.velocity[2], -0.0095, 1e-3);
}

// ---- drawing --------------------------------------------------------------------

int distance(QRgb pixel, Rgb colour) {
    return std::abs(qRed(pixel) - colour.r) + std::abs(qGreen(pixel) - colour.g) +
           std::abs(qBlue(pixel) - colour.b);
}

// Whether `pixel` belongs to a line of `colour`: close to it (antialiasing pales a
// thin line a little), and closer to it than to the other motors and the plot's fill.
bool near(QRgb pixel, Rgb colour) {
    const Rgb others[] = {colors::Motor1, colors::Motor2, colors::Motor3, Rgb{245, 247, 250}};
    const int d = distance(pixel, colour);
    if (d > 100) return false;
    for (const Rgb& other : others)
        if (!(other == colour) && distance(pixel, other) <= d) return false;
    return true;
}

// The column of time t when the newest sample is at `newest`.
int columnAt(const QRect& area, qint64 t, qint64 newest) {
    return area.right() + 1 - int(double(newest - t) * area.width() / double(MotionChart::kSpanMs));
}

// The rows of column x inside `area` where `colour` is drawn; -1 when none.
int rowOf(const QImage& image, const QRect& area, int x, Rgb colour) {
    for (int y = area.top() + 1; y < area.bottom(); ++y)
        if (near(image.pixel(x, y), colour)) return y;
    return -1;
}

TEST_F(ChartTest, RisingPositionsClimbAndFallingOnesDescendInTheirMotorsColours) {
    // Motor 1 climbs to 1000 steps, motor 3 falls to -1000, over the last ten seconds.
    for (qint64 t = 20000; t <= 30000; t += 100) {
        const double f = double(t - 20000) / 10000.0;
        chart->addSample(sample(t, 1000 * f, 0, -1000 * f));
    }
    const QImage image = chart->grab().toImage();
    const QRect area = chart->plotRect(0);
    const int early = columnAt(area, 23000, 30000);
    const int late = columnAt(area, 29500, 30000);
    const int m1Early = rowOf(image, area, early, colors::Motor1);
    const int m1Late = rowOf(image, area, late, colors::Motor1);
    const int m3Early = rowOf(image, area, early, colors::Motor3);
    const int m3Late = rowOf(image, area, late, colors::Motor3);
    ASSERT_NE(m1Early, -1);
    ASSERT_NE(m1Late, -1);
    ASSERT_NE(m3Early, -1);
    ASSERT_NE(m3Late, -1);
    EXPECT_LT(m1Late, m1Early) << "up is more";
    EXPECT_GT(m3Late, m3Early);
    // The plot's range covers both ends.
    const auto [lo, hi] = chart->valueRange(0);
    EXPECT_LE(lo, -1000);
    EXPECT_GE(hi, 1000);
    // Nothing is drawn for the twenty seconds before the first sample.
    const int empty = columnAt(area, 10000, 30000);
    EXPECT_EQ(rowOf(image, area, empty, colors::Motor1), -1);
}

TEST_F(ChartTest, SamplesAcrossAPauseAreNotJoined) {
    // Motor 1 stands apart from the others, and from the range figures in the
    // plot's corners, before and after the pause.
    for (qint64 t = 0; t <= 5000; t += 100)
        chart->addSample(sample(t, 400, 0, 800));
    for (qint64 t = 20000; t <= 30000; t += 100)
        chart->addSample(sample(t, 800, 0, 0));
    const QImage image = chart->grab().toImage();
    const QRect area = chart->plotRect(0);
    auto column = [&](qint64 t) { return columnAt(area, t, 30000); };
    EXPECT_NE(rowOf(image, area, column(2500), colors::Motor1), -1);
    EXPECT_NE(rowOf(image, area, column(25000), colors::Motor1), -1);
    EXPECT_EQ(rowOf(image, area, column(12500), colors::Motor1), -1) << "no line over the pause";
}

TEST_F(ChartTest, VelocityPlotKeepsZeroInViewAndStandingMotorsAreNotMagnified) {
    struct Case {
        const char* name;
        std::array<double, 3> velocity;
        double lowAtMost, highAtLeast;
        double span;  // at least
    };
    const Case cases[] = {
        {"all forward", {2.0, 3.0, 5.0}, 0.0, 5.0, 5.0},
        {"all backward", {-1.0, -4.0, -2.0}, -4.0, 0.0, 4.0},
        {"standing", {0.0, 0.0, 0.0}, 0.0, 0.0, 0.2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        chart->clear();
        MotionChart::Sample s = sample(1000);
        s.velocity = c.velocity;
        chart->addSample(s);
        const auto [lo, hi] = chart->valueRange(1);
        EXPECT_LE(lo, c.lowAtMost);
        EXPECT_GE(hi, c.highAtLeast);
        EXPECT_GE(hi - lo, c.span);
    }
}

}  // namespace
}  // namespace rv720
