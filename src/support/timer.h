#pragma once
// Timer seam. The station's work that waits on something (the USB poll, the reply
// timeout, the transfer clock, the double click, the monitor requests) is driven by
// message timers of the one GUI thread. The core only sees this interface: the GUI
// plugs in a QTimer adapter, the tests a ManualTimer they fire by hand, so no test
// ever waits in real time.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
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

// A one-shot wait for input: fires its handler once, when a file descriptor
// becomes readable or a delay has passed, whichever comes first, and is then
// disarmed. The link sleeps on it between bytes instead of asking the driver every
// millisecond; the handler re-arms it for the next wait.
class Waker {
  public:
    using Delay = std::chrono::nanoseconds;
    virtual ~Waker() = default;
    // Replaces an earlier arming. fd < 0: no descriptor; no delay: no deadline.
    virtual void arm(int fd, std::optional<Delay> delay) = 0;
    virtual void disarm() = 0;
    virtual bool armed() const = 0;
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
    // Null where the platform can only tick: the link then polls every millisecond
    // while connected, as it always has.
    virtual std::unique_ptr<Waker> createWaker() { return nullptr; }
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

// A waker that fires only when the test says so; it remembers what it waits on.
class ManualWaker final : public Waker {
  public:
    void arm(int fd, std::optional<Delay> delay) override {
        armed_ = true;
        fd_ = fd;
        delay_ = delay;
    }
    void disarm() override { armed_ = false; }
    bool armed() const override { return armed_; }
    int fd() const { return fd_; }
    std::optional<Delay> delay() const { return delay_; }
    // What the descriptor or the deadline would do: fires once when armed.
    bool wake() {
        if (!armed_) return false;
        armed_ = false;
        fire();
        return true;
    }

  private:
    bool armed_ = false;
    int fd_ = -1;
    std::optional<Delay> delay_;
};

// Hands out ManualTimers and keeps them in creation order so a test can reach them;
// with `wakers`, ManualWakers too (else the platform only ticks).
class ManualTimerFactory final : public TimerFactory {
  public:
    explicit ManualTimerFactory(bool wakers = false) : wakers_(wakers) {}
    std::unique_ptr<Timer> create(int intervalMs) override {
        auto timer = std::make_unique<ManualTimer>(intervalMs);
        timers_.push_back(timer.get());
        return timer;
    }
    std::unique_ptr<Waker> createWaker() override {
        if (!wakers_) return nullptr;
        auto waker = std::make_unique<ManualWaker>();
        wakerList_.push_back(waker.get());
        return waker;
    }
    const std::vector<ManualTimer*>& timers() const { return timers_; }
    const std::vector<ManualWaker*>& wakers() const { return wakerList_; }

  private:
    bool wakers_;
    std::vector<ManualTimer*> timers_;
    std::vector<ManualWaker*> wakerList_;
};

}  // namespace rv720
