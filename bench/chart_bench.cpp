// Cost of the motor window's live chart, offscreen: one painting of the full
// 30 seconds of history (what each motor-state reply triggers while the window is
// shown, about ten times a second), one sample taken in, and one sample offered
// while the window is hidden (which should cost next to nothing).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cmath>

#include "control/gui/motion_chart.h"

namespace rv720 {
namespace {

MotionChart::Sample movingSample(qint64 t) {
    MotionChart::Sample s;
    s.timeMs = t;
    for (std::size_t m = 0; m < 3; ++m) {
        s.position[m] = 4000 * std::sin(double(t) / 2000.0 + double(m));
        s.velocity[m] = 3 * std::cos(double(t) / 2000.0 + double(m));
    }
    return s;
}

// A shown chart holding 30 s of samples at the monitor's pace of ten a second.
struct FullChart {
    MotionChart chart;
    qint64 now = 0;
    FullChart() {
        chart.resize(208, MotionChart::preferredHeight());
        chart.show();
        for (; now <= MotionChart::kSpanMs; now += 100)
            chart.addSample(movingSample(now));
    }
};

// The painting itself, into an image of the chart's size.
void chartPaint(benchmark::State& state) {
    FullChart rig;
    QImage image(rig.chart.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter painter(&image);
        rig.chart.render(&painter);
    }
    state.counters["samples"] = double(rig.chart.samples().size());
}
BENCHMARK(chartPaint)->Unit(benchmark::kMicrosecond);

void chartAddSample(benchmark::State& state) {
    FullChart rig;
    MotionChart::Sample sample = movingSample(0);
    for (auto _ : state) {
        sample.timeMs = rig.now += 100;
        rig.chart.addSample(sample);
    }
}
BENCHMARK(chartAddSample);

void chartAddSampleWhileHidden(benchmark::State& state) {
    FullChart rig;
    rig.chart.hide();
    MotionChart::Sample sample = movingSample(0);
    for (auto _ : state) {
        sample.timeMs = rig.now += 100;
        rig.chart.addSample(sample);
    }
}
BENCHMARK(chartAddSampleWhileHidden);

}  // namespace
}  // namespace rv720
