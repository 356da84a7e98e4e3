#pragma once
// A single-threaded timer loop for programs without a GUI message loop (the
// command-line tool's device verbs) and for end-to-end tests.
//
// Timers behave like message timers: start() on a running timer keeps its phase, a
// tick that could not run on time is not repeated (a handler that blocked for a
// second does not cause a burst of catch-up ticks), and timers due at the same
// moment fire in creation order. runUntil() fires due timers one at a time until
// its condition holds; nothing happens between ticks, so the condition can only
// change inside a handler.
//
// Wakers (see Waker) take part like timers: an armed waker fires when its
// descriptor becomes readable or its deadline passes; a deadline due at the same
// moment as a timer fires first. Real time waits in poll() on the descriptors and
// a timerfd set to the next due moment, so a wait ends to the microsecond and an
// idle loop costs nothing. Virtual time jumps straight to the next due moment
// (descriptors are only looked at, never waited for), and sleep() only moves the
// loop's clock, so a test covers seconds of station time in microseconds and
// stays reproducible.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "support/clock.h"
#include "support/timer.h"

namespace rv720 {

class EventLoop final : public TimerFactory {
  public:
    using Duration = std::chrono::nanoseconds;
    enum class Time { Real, Virtual };

    explicit EventLoop(Time time = Time::Real);
    ~EventLoop() override;  // the loop must outlive the timers it created

    std::unique_ptr<Timer> create(int intervalMs) override;
    std::unique_ptr<Waker> createWaker() override;

    // Fires due timers and wakers until `done` holds (true), or until `limit` of
    // loop time has passed or nothing is armed any more (false).
    bool runUntil(const std::function<bool()>& done, Duration limit);
    // Runs the timers for `span` of loop time.
    void runFor(Duration span);

    Duration now() const;  // since the loop was made
    void sleep(Duration span);

  private:
    class LoopTimer;
    class LoopWaker;
    void remove(LoopTimer* timer);
    void remove(LoopWaker* waker);
    LoopTimer* nextDue() const;
    LoopWaker* nextWakerDue() const;
    // Waits until `until` or until a watched descriptor is readable; true for the
    // latter, with the ready wakers in `ready`.
    bool waitFor(Duration until, std::vector<LoopWaker*>& ready);

    Time time_;
    std::chrono::steady_clock::time_point origin_;
    Duration virtualNow_{0};
    std::vector<LoopTimer*> timers_;  // creation order
    std::vector<LoopWaker*> wakers_;  // creation order
    int timerFd_ = -1;                // real time's precise deadline
};

// Dates, times and the decimal separator of `base`; pauses through the loop, so a
// virtual loop's clock moves on by the pause.
class LoopClock final : public Clock {
  public:
    LoopClock(const Clock& base, EventLoop& loop) : base_(base), loop_(loop) {}
    std::string shortDate() const override { return base_.shortDate(); }
    std::string longTime() const override { return base_.longTime(); }
    char decimalSeparator() const override { return base_.decimalSeparator(); }
    void sleepMs(int ms) override { loop_.sleep(std::chrono::milliseconds(ms)); }

  private:
    const Clock& base_;
    EventLoop& loop_;
};

}  // namespace rv720
