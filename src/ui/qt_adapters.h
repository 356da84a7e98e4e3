#pragma once
// The station's Qt side of the core's timer and clock seams: message timers of the
// GUI thread (QTimer), wakers on socket notifiers, and the user's locale (QLocale)
// for dates, times and the decimal separator.
#include <QSocketNotifier>
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

// A waker on the GUI thread's event loop: a socket notifier on the descriptor, and
// one on a timerfd for the deadline, since QTimer counts whole milliseconds and a
// reply's last byte is due to the microsecond.
class QtWaker final : public Waker {
  public:
    QtWaker();
    ~QtWaker() override;
    void arm(int fd, std::optional<Delay> delay) override;
    void disarm() override;
    bool armed() const override { return armed_; }

  private:
    void wake();

    bool armed_ = false;
    int timerFd_ = -1;
    std::unique_ptr<QSocketNotifier> deadline_;
    std::unique_ptr<QSocketNotifier> readable_;
    QTimer fallback_;  // where there is no timerfd
};

class QtTimerFactory final : public TimerFactory {
  public:
    std::unique_ptr<Timer> create(int intervalMs) override;
    std::unique_ptr<Waker> createWaker() override;
};

// Reads the application's default QLocale (the system locale unless set otherwise).
class QtClock final : public Clock {
  public:
    std::string shortDate() const override;
    std::string longTime() const override;  // without a time-zone name
    char decimalSeparator() const override;
    // Waits without taking user input and without running any timer (so no reply
    // is dispatched and nothing is sent), while the windows keep repainting.
    void sleepMs(int ms) override;
};

// One turn of the event loop for everything but user input and timers: window
// exposures, repaints, posted events. For the firmware update's pauses and its
// byte loop, which must not let the station act but should not look hung.
void letWindowsRepaint();

}  // namespace rv720
