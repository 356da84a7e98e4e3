#pragma once
// The station's Qt side of the core's timer and clock seams: message timers of the
// GUI thread (QTimer) and the user's locale (QLocale) for dates, times and the
// decimal separator.
#include <QTimer>
#include <memory>

#include "support/clock.h"
#include "support/timer.h"

namespace rv720 {

class QtTimer final : public Timer {
  public:
    explicit QtTimer(int intervalMs);
    void start() override;  // keeps the phase of a running timer, as the seam requires
    void stop() override;
    bool isActive() const override;
    int intervalMs() const override;

  private:
    QTimer timer_;
};

class QtTimerFactory final : public TimerFactory {
  public:
    std::unique_ptr<Timer> create(int intervalMs) override;
};

// Reads the application's default QLocale (the system locale unless set otherwise).
class QtClock final : public Clock {
  public:
    std::string shortDate() const override;
    std::string longTime() const override;  // without a time-zone name
    char decimalSeparator() const override;
    void sleepMs(int ms) override;
};

}  // namespace rv720
