#include "control/gui/motion_chart.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "support/color.h"
#include "ui/artwork.h"

namespace rv720 {

namespace {

constexpr int kTitleHeight = 15;
constexpr int kPlotGap = 6;
constexpr int kAxisHeight = 12;
constexpr int kMarkHeight = 16;  // the row of marks under a trace's time axis
constexpr int kGridStepMs = 5000;
const QColor kAxisInk(0x5d, 0x6b, 0x7c);
const QColor kGridInk(0xd5, 0xdc, 0xe4);

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

// A grid step of 1, 2 or 5 times a power of ten that puts at most ten lines on
// a trace.
qint64 traceGridStep(qint64 endMs) {
    static constexpr qint64 kSteps[] = {10,     20,     50,     100,     200,     500,
                                        1000,   2000,   5000,   10000,   20000,   50000,
                                        100000, 200000, 500000, 1000000, 2000000, 5000000};
    for (const qint64 step : kSteps)
        if (endMs / step <= 10) return step;
    return kSteps[std::size(kSteps) - 1];
}

QString secondsLabel(qint64 ms) {
    return ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000)
                          : QStringLiteral("%1 s").arg(double(ms) / 1000.0, 0, 'g', 6);
}

}  // namespace

int MotionChart::preferredHeight(int plotHeight, bool marks) {
    return 2 * (kTitleHeight + plotHeight) + kPlotGap + kAxisHeight + (marks ? kMarkHeight : 0);
}

MotionChart::MotionChart(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MotionChart"));
    // Presses fall through to the window, which drags it by its background.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void MotionChart::setPlotHeight(int pixels) {
    plotHeight_ = std::max(pixels, 8);
    update();
}

void MotionChart::showTrace(std::deque<Sample> samples, qint64 endMs, QVector<Mark> marks) {
    samples_ = std::move(samples);
    trace_ = true;
    traceEnd_ = std::max<qint64>(samples_.empty() ? 0 : samples_.back().timeMs, endMs);
    marks_ = std::move(marks);
    cursor_ = 0;
    // A trace is explored with the mouse, so presses stay here.
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    update();
}

void MotionChart::setCursorMs(qint64 timeMs) {
    cursor_ = std::clamp<qint64>(timeMs, 0, traceEnd_);
    update();
}

qint64 MotionChart::timeAtX(int x) const {
    const QRect area = plotRect(0);
    if (!trace_ || area.width() <= 0) return 0;
    const double t = double(x - area.left()) * double(traceEnd_) / double(area.width());
    return std::clamp<qint64>(std::llround(t), 0, traceEnd_);
}

double MotionChart::xAtTime(qint64 timeMs) const {
    const QRect area = plotRect(0);
    if (trace_) {
        if (traceEnd_ <= 0) return area.left();
        return area.left() + double(timeMs) * double(area.width()) / double(traceEnd_);
    }
    const qint64 newest = samples_.empty() ? 0 : samples_.back().timeMs;
    return area.right() + 1 - double(newest - timeMs) * double(area.width()) / double(kSpanMs);
}

void MotionChart::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) followMouse(event->position().toPoint().x());
}

void MotionChart::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) followMouse(event->position().toPoint().x());
}

void MotionChart::followMouse(int x) {
    if (!trace_) return;
    setCursorMs(timeAtX(x));
    emit cursorMoved(cursor_);
}

void MotionChart::addSample(const Sample& sample) {
    if (!isVisible() || trace_) return;
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
    const int top = kTitleHeight + plot * (plotHeight_ + kPlotGap + kTitleHeight);
    return QRect(1, top, width() - 2, plotHeight_);
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

    paintTimeAxis(painter);

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

void MotionChart::paintTimeAxis(QPainter& painter) {
    painter.setFont(artwork::labelFont(9));
    painter.setPen(kAxisInk);
    const QRect below = plotRect(1);
    const QRect axis(below.left(), below.bottom() + 1, below.width(), kAxisHeight);
    if (!trace_) {
        // The span on the left, the newest sample on the right edge.
        painter.drawText(axis, Qt::AlignTop | Qt::AlignLeft, QStringLiteral("-30 s"));
        painter.drawText(axis, Qt::AlignTop | Qt::AlignHCenter, QStringLiteral("-15 s"));
        painter.drawText(axis, Qt::AlignTop | Qt::AlignRight, QStringLiteral("now"));
        return;
    }
    const QFontMetrics metrics(painter.font());
    const qint64 step = traceGridStep(traceEnd_);
    int freeFrom = axis.left();
    for (qint64 t = 0; t <= traceEnd_; t += step) {
        const QString text = secondsLabel(t);
        const int w = metrics.horizontalAdvance(text);
        const int x = std::clamp(int(xAtTime(t)) - w / 2, axis.left(), axis.right() - w);
        if (x < freeFrom) continue;
        painter.drawText(QRect(x, axis.top(), w, kAxisHeight), Qt::AlignTop, text);
        freeFrom = x + w + 6;
    }
    // The marks: a tick on the axis and the text beside it, where there is room.
    const QRect row(axis.left(), axis.bottom() + 1, axis.width(), kMarkHeight);
    freeFrom = row.left();
    for (const Mark& mark : marks_) {
        const int x = int(xAtTime(mark.timeMs));
        painter.setPen(QPen(artwork::kInk, 1.4));
        painter.drawLine(QPointF(x + 0.5, row.top()), QPointF(x + 0.5, row.top() + 5));
        const QString text = metrics.elidedText(mark.text, Qt::ElideRight, 80);
        const int w = metrics.horizontalAdvance(text) + 2;
        // Right of the tick, or left of it at the end of the axis.
        int left = x + 2;
        if (left + w > row.right()) left = x - w;
        if (left < freeFrom) continue;
        painter.setPen(artwork::kInk);
        painter.drawText(QRect(left, row.top() + 3, w, kMarkHeight - 3),
                         Qt::AlignLeft | Qt::AlignTop, text);
        freeFrom = left + w + 6;
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
    const double yScale = double(area.height()) / (hi - lo);
    auto xOf = [&](qint64 t) { return xAtTime(t); };
    auto yOf = [&](double v) { return area.bottom() + 1 - (v - lo) * yScale; };

    painter.save();
    painter.setClipRect(area.adjusted(1, 1, -1, -1));

    // The time grid (live: every 5 s counted back from the newest sample) and the
    // zero line.
    painter.setPen(QPen(kGridInk, 1));
    if (trace_) {
        const qint64 step = traceGridStep(traceEnd_);
        for (qint64 t = step; t < traceEnd_; t += step)
            painter.drawLine(QPointF(xOf(t), area.top()), QPointF(xOf(t), area.bottom() + 1));
    } else {
        for (qint64 back = kGridStepMs; back < kSpanMs; back += kGridStepMs)
            painter.drawLine(QPointF(xOf(newest - back), area.top()),
                             QPointF(xOf(newest - back), area.bottom() + 1));
    }
    if (lo < 0 && hi > 0)
        painter.drawLine(QPointF(area.left(), yOf(0)), QPointF(area.right() + 1, yOf(0)));

    const bool envelope = samples_.size() > std::size_t(2 * std::max(area.width(), 1));
    for (int m = 0; m < 3; ++m) {
        QPainterPath path;
        if (envelope) {
            // One column at a time: from where the line enters to its least and
            // greatest value there, so that a short peak still shows.
            int column = 0;
            double low = 0, high = 0;
            bool open = false, first = true;
            const auto flush = [&] {
                if (!open) return;
                const double x = area.left() + column + 0.5;
                if (first) path.moveTo(x, yOf(low));
                path.lineTo(x, yOf(low));
                path.lineTo(x, yOf(high));
                first = false;
            };
            for (const Sample& s : samples_) {
                const int c = int(xOf(s.timeMs)) - area.left();
                const double v = valueOf(s, plot, m);
                if (!open || c != column) {
                    flush();
                    column = c;
                    low = high = v;
                    open = true;
                } else {
                    low = std::min(low, v);
                    high = std::max(high, v);
                }
            }
            flush();
        } else {
            qint64 previous = 0;
            bool first = true;
            for (const Sample& s : samples_) {
                const QPointF point(xOf(s.timeMs), yOf(valueOf(s, plot, m)));
                if (first || (!trace_ && s.timeMs - previous > kGapMs))
                    path.moveTo(point);
                else
                    path.lineTo(point);
                previous = s.timeMs;
                first = false;
            }
        }
        painter.setPen(QPen(motorColour(m), 1.6));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    if (trace_) {
        painter.setPen(QPen(artwork::kInk, 1));
        painter.drawLine(QPointF(xOf(cursor_), area.top()),
                         QPointF(xOf(cursor_), area.bottom() + 1));
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
        painter.setPen(kAxisInk);
        painter.drawText(box, Qt::AlignCenter, text);
    }
}

}  // namespace rv720
