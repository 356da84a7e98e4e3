#pragma once
// The motors' chart: position and velocity of the three motors as two plots, one
// line per motor in the motor's colour, so that a move is seen rather than read.
//
// Live (the motor window): the last 30 seconds. The chart has no timer of its
// own. It takes one sample per motor-state reply (about ten a second while the
// window polls), and its right edge is the newest sample, so it only moves when a
// reply comes in. While the chart is hidden it keeps no samples and paints
// nothing; after a pause the first new sample pushes out everything older than
// the span, and lines are not drawn across the gap.
//
// Trace (the dry-run window): a whole recorded run, from 0 at the left edge to
// its end at the right, with a time cursor the mouse moves and marks on the time
// axis (the run's messages). Where samples outnumber pixels each column draws
// the least and the greatest value it covers, so an hour's trace costs no more
// to paint than a minute's and no peak gets lost.
#include <QString>
#include <QVector>
#include <QWidget>
#include <array>
#include <deque>

namespace rv720 {

class MotionChart : public QWidget {
    Q_OBJECT
  public:
    explicit MotionChart(QWidget* parent = nullptr);
    // The height the two plots, their titles and the time axis take.
    static int preferredHeight(int plotHeight = kDefaultPlotHeight, bool marks = false);

    static constexpr qint64 kSpanMs = 30000;
    static constexpr int kDefaultPlotHeight = 58;
    // Samples further apart than this are not joined by a line (the window was
    // hidden, or the link paused).
    static constexpr qint64 kGapMs = 1000;

    struct Sample {
        qint64 timeMs = 0;
        std::array<double, 3> position{};  // steps
        std::array<double, 3> velocity{};  // rev/s
    };
    struct Mark {
        qint64 timeMs = 0;
        QString text;
    };

    void setPlotHeight(int pixels);

    // Adds one sample of all three motors, unless the chart is hidden. A time
    // before the newest sample (a restarted clock) starts the history afresh.
    void addSample(const Sample& sample);
    void clear();

    // Shows a whole run from 0 to `endMs` (at least the last sample's time) and
    // stops being a live chart. The cursor goes back to 0.
    void showTrace(std::deque<Sample> samples, qint64 endMs, QVector<Mark> marks);
    bool isTrace() const { return trace_; }
    qint64 traceEndMs() const { return traceEnd_; }
    const QVector<Mark>& marks() const { return marks_; }
    // The cursor, in the trace's milliseconds, limited to 0 ... the end.
    void setCursorMs(qint64 timeMs);
    qint64 cursorMs() const { return cursor_; }
    // The instant under a horizontal position of the plots, and back.
    qint64 timeAtX(int x) const;
    double xAtTime(qint64 timeMs) const;

    const std::deque<Sample>& samples() const { return samples_; }
    // Times of the oldest and newest sample kept; 0 when empty.
    qint64 spanShownMs() const;

    // The plot areas, in widget coordinates: position above, velocity below.
    QRect plotRect(int plot) const;
    // The vertical range the plot scales to (from the samples kept).
    std::pair<double, double> valueRange(int plot) const;

  signals:
    // The operator moved the cursor with the mouse (trace only).
    void cursorMoved(qint64 timeMs);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void paintPlot(QPainter& painter, int plot);
    void paintTimeAxis(QPainter& painter);
    void followMouse(int x);

    std::deque<Sample> samples_;
    int plotHeight_ = kDefaultPlotHeight;
    bool trace_ = false;
    qint64 traceEnd_ = 0;
    qint64 cursor_ = 0;
    QVector<Mark> marks_;
};

}  // namespace rv720
