#include "support/event_loop.h"

#include <algorithm>
#include <thread>

namespace rv720 {

class EventLoop::LoopTimer final : public Timer {
  public:
    LoopTimer(EventLoop& loop, int intervalMs)
        : loop_(loop), interval_(std::chrono::milliseconds(std::max(intervalMs, 1))) {}
    ~LoopTimer() override { loop_.remove(this); }

    void start() override {
        if (active_) return;  // keeps its phase
        active_ = true;
        due_ = loop_.now() + interval_;
    }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }
    int intervalMs() const override {
        return int(std::chrono::duration_cast<std::chrono::milliseconds>(interval_).count());
    }

    Duration due() const { return due_; }
    void tick() {
        // The next tick is scheduled before the handler runs, so a handler that
        // restarts the timer wins. Ticks missed while it blocked collapse into one
        // that follows at once, as a queued timer message would.
        due_ = std::max(due_ + interval_, loop_.now());
        fire();
        if (active_ && due_ < loop_.now()) due_ = loop_.now();
    }

  private:
    EventLoop& loop_;
    Duration interval_;
    Duration due_{0};
    bool active_ = false;
};

EventLoop::EventLoop(Time time) : time_(time), origin_(std::chrono::steady_clock::now()) {}

EventLoop::~EventLoop() = default;

std::unique_ptr<Timer> EventLoop::create(int intervalMs) {
    auto timer = std::make_unique<LoopTimer>(*this, intervalMs);
    timers_.push_back(timer.get());
    return timer;
}

void EventLoop::remove(LoopTimer* timer) {
    std::erase(timers_, timer);
}

EventLoop::Duration EventLoop::now() const {
    if (time_ == Time::Virtual) return virtualNow_;
    return std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now() - origin_);
}

void EventLoop::sleep(Duration span) {
    if (span <= Duration::zero()) return;
    if (time_ == Time::Virtual)
        virtualNow_ += span;
    else
        std::this_thread::sleep_for(span);
}

EventLoop::LoopTimer* EventLoop::nextDue() const {
    LoopTimer* next = nullptr;
    for (auto* t : timers_)
        if (t->isActive() && (!next || t->due() < next->due())) next = t;
    return next;
}

bool EventLoop::runUntil(const std::function<bool()>& done, Duration limit) {
    const Duration deadline = now() + limit;
    while (!done()) {
        LoopTimer* next = nextDue();
        if (!next) return false;  // nothing left that could change anything
        if (next->due() > deadline) {
            sleep(deadline - now());
            return false;
        }
        sleep(next->due() - now());
        next->tick();
    }
    return true;
}

void EventLoop::runFor(Duration span) {
    const Duration end = now() + span;
    runUntil([] { return false; }, span);
    sleep(end - now());
}

}  // namespace rv720
