#pragma once
// The motor window's live chart: the last 30 seconds of the three motors'
// position and velocity as two small scrolling plots, one line per motor in the
// motor's colour, so that a move is seen rather than read.
//
// The chart has no timer of its own. It takes one sample per motor-state reply
// (about ten a second while the window polls), and its right edge is the newest
// sample, so it only moves when a reply comes in. While the chart is hidden it
// keeps no samples and paints nothing; after a pause the first new sample pushes
// out everything older than the span, and lines are not drawn across the gap.
#include <QWidget>
#include <array>
#include <deque>

namespace rv720 {

class MotionChart : public QWidget {
    Q_OBJECT
  public:
    explicit MotionChart(QWidget* parent = nullptr);
    // The height the two plots, their titles and the time axis take.
    static int preferredHeight();

    static constexpr qint64 kSpanMs = 30000;
    // Samples further apart than this are not joined by a line (the window was
    // hidden, or the link paused).
    static constexpr qint64 kGapMs = 1000;

    struct Sample {
        qint64 timeMs = 0;
        std::array<double, 3> position{};  // steps
        std::array<double, 3> velocity{};  // rev/s
    };

    // Adds one sample of all three motors, unless the chart is hidden. A time
    // before the newest sample (a restarted clock) starts the history afresh.
    void addSample(const Sample& sample);
    void clear();

    const std::deque<Sample>& samples() const { return samples_; }
    // Times of the oldest and newest sample kept; 0 when empty.
    qint64 spanShownMs() const;

    // The plot areas, in widget coordinates: position above, velocity below.
    QRect plotRect(int plot) const;
    // The vertical range the plot scales to (from the samples kept).
    std::pair<double, double> valueRange(int plot) const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void paintPlot(QPainter& painter, int plot);

    std::deque<Sample> samples_;
};

}  // namespace rv720
