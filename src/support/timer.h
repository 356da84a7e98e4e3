#pragma once
// Timer seam. The station's work that waits on something (the USB poll, the reply
// timeout, the transfer clock, the double click, the monitor requests) is driven by
// message timers of the one GUI thread. The core only sees this interface: the GUI
// plugs in a QTimer adapter, the tests a ManualTimer they fire by hand, so no test
// ever waits in real time.
#include <functional>
#include <memory>
#include <vector>

namespace rv720 {

class Timer {
  public:
    virtual ~Timer() = default;
    // Arms the timer. Like a message timer that is already enabled, a running
    // timer keeps its phase; use restart() to begin a fresh interval.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual int intervalMs() const = 0;

    void restart() {
        stop();
        start();
    }
    void setActive(bool on) { on ? start() : stop(); }
    void setHandler(std::function<void()> handler) { handler_ = std::move(handler); }

  protected:
    void fire() {
        if (handler_) handler_();
    }

  private:
    std::function<void()> handler_;
};

class TimerFactory {
  public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<Timer> create(int intervalMs) = 0;
};

// A timer that fires only when the test says so.
class ManualTimer final : public Timer {
  public:
    explicit ManualTimer(int intervalMs) : interval_(intervalMs) {}
    void start() override { active_ = true; }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    int intervalMs() const override { return interval_; }
    // Fires the handler when the timer is active, as a real tick would; returns
    // whether it fired.
    bool tick() {
        if (!active_) return false;
        fire();
        return true;
    }

  private:
    int interval_;
    bool active_ = false;
};

// Hands out ManualTimers and keeps them in creation order so a test can reach them.
class ManualTimerFactory final : public TimerFactory {
  public:
    std::unique_ptr<Timer> create(int intervalMs) override {
        auto timer = std::make_unique<ManualTimer>(intervalMs);
        timers_.push_back(timer.get());
        return timer;
    }
    const std::vector<ManualTimer*>& timers() const { return timers_; }

  private:
    std::vector<ManualTimer*> timers_;
};

}  // namespace rv720
