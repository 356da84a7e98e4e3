#pragma once
// FPodgladSilniki: velocity and position of the three motors while the link is
// open. MotorViewTimer paces the requests (one outstanding at a time); the
// device side starts it and hands each motor-state reply to showMotorState.
// Below the numbers a chart draws the last 30 seconds of every reply.
#include <QElapsedTimer>
#include <array>
#include <functional>
#include <memory>

#include "device/station_view.h"
#include "model/program_image.h"
#include "support/timer.h"
#include "ui/station_window.h"

namespace rv720 {

class MotionChart;
class PaintedTexts;

class TFPodgladSilniki : public StationWindow {
    Q_OBJECT
  public:
    // `timers` makes MotorViewTimer; without one the window uses Qt timers.
    explicit TFPodgladSilniki(QWidget* parent = nullptr, TimerFactory* timers = nullptr);
    ~TFPodgladSilniki() override;

    static constexpr int kTimerIntervalMs = 100;
    static constexpr const char* kStartCaption = "+00000000";

    // Shows a motor-state reply: positions as raw steps, velocities in rev/s from
    // each motor's steps per revolution and step divisor; the chart takes it as
    // a sample stamped with the sample clock.
    void showMotorState(const MotorState& state, const std::array<MotorConfig, 3>& motors,
                        char decimalSeparator);

    // The window makes its own MotorViewTimer; the device side, which drives the
    // request loop, may hand in its timer instead, so that the Close button and
    // the loop stop the same one. The timer must outlive the window.
    void useMotorViewTimer(Timer& timer) { MotorViewTimer = &timer; }

    // Milliseconds on a steady clock for the chart's samples; by default the time
    // since the window was made.
    void setSampleClock(std::function<qint64()> clock) { sampleClock_ = std::move(clock); }

    // Motor m (1 ... 3).
    QLabel* velocity(int m) const { return v_[std::size_t(m - 1)]; }
    QLabel* position(int m) const { return x_[std::size_t(m - 1)]; }

    QLabel* m1_v = nullptr;
    QLabel* m2_v = nullptr;
    QLabel* m3_v = nullptr;
    QLabel* m1_x = nullptr;
    QLabel* m2_x = nullptr;
    QLabel* m3_x = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    PictureButton* CloseButton = nullptr;
    Timer* MotorViewTimer = nullptr;
    MotionChart* chart = nullptr;

    const PaintedTexts* backgroundTexts() const { return names_; }

  protected:
    bool FormKeyPress(int key) override;

  private slots:
    void CloseButtonClick();

  private:
    std::array<QLabel*, 3> v_{};
    std::array<QLabel*, 3> x_{};
    PaintedTexts* names_ = nullptr;
    std::unique_ptr<TimerFactory> ownTimers_;
    std::unique_ptr<Timer> ownTimer_;
    QElapsedTimer sinceCreation_;
    std::function<qint64()> sampleClock_;
};

}  // namespace rv720
