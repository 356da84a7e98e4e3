#include "control/gui/motion_chart.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "shell/gui/artwork.h"
#include "support/color.h"

namespace rv720 {

namespace {

constexpr int kTitleHeight = 15;
constexpr int kPlotHeight = 58;
constexpr int kPlotGap = 6;
constexpr int kAxisHeight = 12;
constexpr int kGridStepMs = 5000;

// The smallest range a plot spreads over its height, so that standing motors or
// a jitter of one step do not fill the plot with noise.
constexpr double kMinimumSpan[2] = {20.0, 0.2};
const char* const kTitles[2] = {"Position [steps]", "Velocity [rev/s]"};

QColor motorColour(int m) {
    static const Rgb colours[3] = {colors::Motor1, colors::Motor2, colors::Motor3};
    const Rgb c = colours[m];
    return QColor(c.r, c.g, c.b);
}

double valueOf(const MotionChart::Sample& s, int plot, int motor) {
    return plot == 0 ? s.position[std::size_t(motor)] : s.velocity[std::size_t(motor)];
}

QString rangeText(double v, int plot) {
    if (plot == 0) return QString::number(std::llround(v));
    return QString::number(v, 'f', 2);
}

}  // namespace

int MotionChart::preferredHeight() {
    return 2 * (kTitleHeight + kPlotHeight) + kPlotGap + kAxisHeight;
}

MotionChart::MotionChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MotionChart"));
    // Presses fall through to the window, which drags it by its background.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void MotionChart::addSample(const Sample& sample) {
    if (!isVisible()) return;
    if (!samples_.empty() && sample.timeMs < samples_.back().timeMs) samples_.clear();
    samples_.push_back(sample);
    const qint64 oldest = sample.timeMs - kSpanMs;
    while (samples_.front().timeMs < oldest)
        samples_.pop_front();
    update();
}

void MotionChart::clear() {
    samples_.clear();
    update();
}

qint64 MotionChart::spanShownMs() const {
    return samples_.empty() ? 0 : samples_.back().timeMs - samples_.front().timeMs;
}

QRect MotionChart::plotRect(int plot) const {
    const int top = kTitleHeight + plot * (kPlotHeight + kPlotGap + kTitleHeight);
    return QRect(1, top, width() - 2, kPlotHeight);
}

std::pair<double, double> MotionChart::valueRange(int plot) const {
    double lo = 0, hi = 0;
    bool any = false;
    for (const Sample& s : samples_)
        for (int m = 0; m < 3; ++m) {
            const double v = valueOf(s, plot, m);
            lo = any ? std::min(lo, v) : v;
            hi = any ? std::max(hi, v) : v;
            any = true;
        }
    // A velocity plot keeps its zero line in view, so the direction reads at a glance.
    if (plot == 1) {
        lo = std::min(lo, 0.0);
        hi = std::max(hi, 0.0);
    }
    const double span = hi - lo;
    if (span < kMinimumSpan[plot]) {
        const double middle = (hi + lo) / 2;
        lo = middle - kMinimumSpan[plot] / 2;
        hi = middle + kMinimumSpan[plot] / 2;
    } else {
        lo -= span * 0.05;
        hi += span * 0.05;
    }
    return {lo, hi};
}

void MotionChart::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int plot = 0; plot < 2; ++plot)
        paintPlot(painter, plot);

    // The time axis under the lower plot: the span on the left, the newest sample
    // on the right edge.
    painter.setFont(artwork::labelFont(9));
    painter.setPen(QColor(0x5d, 0x6b, 0x7c));
    const QRect axis(plotRect(1).left(), plotRect(1).bottom() + 1, plotRect(1).width(),
                     kAxisHeight);
    painter.drawText(axis, Qt::AlignTop | Qt::AlignLeft, QStringLiteral("-30 s"));
    painter.drawText(axis, Qt::AlignTop | Qt::AlignHCenter, QStringLiteral("-15 s"));
    painter.drawText(axis, Qt::AlignTop | Qt::AlignRight, QStringLiteral("now"));

    // Legend: a short line in each motor's colour, on the title row.
    painter.setFont(artwork::labelFont(10));
    const QFontMetrics metrics(painter.font());
    int x = width() - 1;
    for (int m = 2; m >= 0; --m) {
        const QString name = QStringLiteral("M%1").arg(m + 1);
        x -= metrics.horizontalAdvance(name);
        painter.setPen(artwork::kInk);
        painter.drawText(QRect(x, 0, metrics.horizontalAdvance(name), kTitleHeight),
                         Qt::AlignVCenter | Qt::AlignLeft, name);
        x -= 14;
        painter.setPen(QPen(motorColour(m), 2));
        painter.drawLine(x, kTitleHeight / 2, x + 10, kTitleHeight / 2);
        x -= 6;
    }
}

void MotionChart::paintPlot(QPainter& painter, int plot) {
    const QRect area = plotRect(plot);
    painter.setFont(artwork::labelFont(10, true));
    painter.setPen(artwork::kInk);
    painter.drawText(QRect(area.left(), area.top() - kTitleHeight, area.width(), kTitleHeight),
                     Qt::AlignVCenter | Qt::AlignLeft, QString::fromLatin1(kTitles[plot]));

    painter.setPen(QPen(artwork::kPanelEdge, 1));
    painter.setBrush(artwork::kPanelFill);
    painter.drawRect(QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5));
    if (samples_.empty()) return;

    const auto [lo, hi] = valueRange(plot);
    const qint64 newest = samples_.back().timeMs;
    const double xScale = double(area.width()) / double(kSpanMs);
    const double yScale = double(area.height()) / (hi - lo);
    auto xOf = [&](qint64 t) { return area.right() + 1 - double(newest - t) * xScale; };
    auto yOf = [&](double v) { return area.bottom() + 1 - (v - lo) * yScale; };

    painter.save();
    painter.setClipRect(area.adjusted(1, 1, -1, -1));

    // Time grid every 5 s, counted back from the newest sample, and the zero line.
    painter.setPen(QPen(QColor(0xd5, 0xdc, 0xe4), 1));
    for (qint64 back = kGridStepMs; back < kSpanMs; back += kGridStepMs)
        painter.drawLine(QPointF(xOf(newest - back), area.top()),
                         QPointF(xOf(newest - back), area.bottom() + 1));
    if (lo < 0 && hi > 0)
        painter.drawLine(QPointF(area.left(), yOf(0)), QPointF(area.right() + 1, yOf(0)));

    for (int m = 0; m < 3; ++m) {
        QPainterPath path;
        qint64 previous = 0;
        bool first = true;
        for (const Sample& s : samples_) {
            const QPointF point(xOf(s.timeMs), yOf(valueOf(s, plot, m)));
            if (first || s.timeMs - previous > kGapMs)
                path.moveTo(point);
            else
                path.lineTo(point);
            previous = s.timeMs;
            first = false;
        }
        painter.setPen(QPen(motorColour(m), 1.6));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    painter.restore();

    // The range the plot spans, at its left edge, on a veil so the lines under it
    // do not hide the figures.
    painter.setFont(artwork::labelFont(9));
    const QFontMetrics metrics(painter.font());
    const QRect inner = area.adjusted(2, 1, -2, -1);
    for (const auto& [value, alignment] :
         {std::pair{hi, Qt::AlignTop}, std::pair{lo, Qt::AlignBottom}}) {
        const QString text = rangeText(value, plot);
        const QRect box = QStyle::alignedRect(Qt::LeftToRight, alignment | Qt::AlignLeft,
                                              metrics.size(0, text) + QSize(4, 0), inner);
        painter.fillRect(box, QColor(245, 247, 250, 200));
        painter.setPen(QColor(0x5d, 0x6b, 0x7c));
        painter.drawText(box, Qt::AlignCenter, text);
    }
}

}  // namespace rv720
