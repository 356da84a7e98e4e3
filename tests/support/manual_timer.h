#pragma once
// Timers and wakers that fire only when the test says so: no test ever waits in
// real time, and a test can reach every timer a component made, in creation order.
#include <optional>
#include <vector>

#include "support/timer.h"

namespace rv720 {

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
