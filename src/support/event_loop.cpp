#include "support/event_loop.h"

#include <poll.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
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

class EventLoop::LoopWaker final : public Waker {
  public:
    explicit LoopWaker(EventLoop& loop) : loop_(loop) {}
    ~LoopWaker() override { loop_.remove(this); }

    void arm(int fd, std::optional<Delay> delay) override {
        armed_ = true;
        fd_ = fd;
        due_.reset();
        if (delay) due_ = loop_.now() + std::max(*delay, Delay::zero());
    }
    void disarm() override { armed_ = false; }
    bool armed() const override { return armed_; }

    int fd() const { return armed_ ? fd_ : -1; }
    std::optional<Duration> due() const { return armed_ ? due_ : std::nullopt; }
    void wake() {
        if (!armed_) return;
        armed_ = false;
        fire();
    }

  private:
    EventLoop& loop_;
    bool armed_ = false;
    int fd_ = -1;
    std::optional<Duration> due_;
};

EventLoop::EventLoop(Time time) : time_(time), origin_(std::chrono::steady_clock::now()) {
    if (time_ == Time::Real) timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
}

EventLoop::~EventLoop() {
    if (timerFd_ >= 0) ::close(timerFd_);
}

std::unique_ptr<Timer> EventLoop::create(int intervalMs) {
    auto timer = std::make_unique<LoopTimer>(*this, intervalMs);
    timers_.push_back(timer.get());
    return timer;
}

std::unique_ptr<Waker> EventLoop::createWaker() {
    auto waker = std::make_unique<LoopWaker>(*this);
    wakers_.push_back(waker.get());
    return waker;
}

void EventLoop::remove(LoopTimer* timer) {
    std::erase(timers_, timer);
}

void EventLoop::remove(LoopWaker* waker) {
    std::erase(wakers_, waker);
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

EventLoop::LoopWaker* EventLoop::nextWakerDue() const {
    LoopWaker* next = nullptr;
    for (auto* w : wakers_)
        if (w->due() && (!next || *w->due() < *next->due())) next = w;
    return next;
}

bool EventLoop::waitFor(Duration until, std::vector<LoopWaker*>& ready) {
    ready.clear();
    std::vector<pollfd> fds;
    std::vector<LoopWaker*> owners;
    for (auto* w : wakers_)
        if (w->fd() >= 0) {
            fds.push_back({w->fd(), POLLIN, 0});
            owners.push_back(w);
        }
    if (time_ == Time::Virtual) {
        // Descriptors are looked at, not waited for: virtual time moves only by jumps.
        if (!fds.empty() && ::poll(fds.data(), fds.size(), 0) > 0) {
            for (std::size_t i = 0; i < fds.size(); ++i)
                if (fds[i].revents) ready.push_back(owners[i]);
            return true;
        }
        sleep(until - now());
        return false;
    }

    int timeoutMs = -1;
    if (timerFd_ >= 0) {
        const auto at = std::chrono::duration_cast<std::chrono::nanoseconds>(
            (origin_ + until).time_since_epoch());
        itimerspec due{};
        due.it_value.tv_sec = at.count() / 1'000'000'000;
        due.it_value.tv_nsec = at.count() % 1'000'000'000;
        if (due.it_value.tv_sec == 0 && due.it_value.tv_nsec == 0) due.it_value.tv_nsec = 1;
        ::timerfd_settime(timerFd_, TFD_TIMER_ABSTIME, &due, nullptr);
        fds.push_back({timerFd_, POLLIN, 0});
    } else {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - now());
        timeoutMs = int(std::max<std::int64_t>(left.count(), 0));
    }
    while (true) {
        const int n = ::poll(fds.data(), fds.size(), timeoutMs);
        if (n < 0 && errno == EINTR) return false;  // a signal: let the caller look again
        if (n <= 0) break;
        for (std::size_t i = 0; i < owners.size(); ++i)
            if (fds[i].revents) ready.push_back(owners[i]);
        if (!ready.empty()) return true;
        std::uint64_t expirations = 0;  // only the deadline: drain the timerfd
        [[maybe_unused]] const auto drained = ::read(timerFd_, &expirations, sizeof expirations);
        if (now() >= until) break;
    }
    return false;
}

bool EventLoop::runUntil(const std::function<bool()>& done, Duration limit) {
    const Duration deadline = now() + limit;
    std::vector<LoopWaker*> ready;
    while (!done()) {
        LoopTimer* timer = nextDue();
        LoopWaker* waker = nextWakerDue();
        const bool watching = std::any_of(wakers_.begin(), wakers_.end(),
                                          [](const LoopWaker* w) { return w->fd() >= 0; });
        if (!timer && !waker && !watching) return false;  // nothing left that could change anything
        Duration until = deadline;
        if (timer) until = std::min(until, timer->due());
        if (waker) until = std::min(until, *waker->due());
        if (until > now() || watching) {
            if (waitFor(std::max(until, now()), ready)) {
                for (auto* w : ready)
                    w->wake();
                continue;
            }
        }
        if (now() < until) continue;  // woken early by a signal
        if (until == deadline && (!timer || timer->due() > deadline) &&
            (!waker || *waker->due() > deadline))
            return false;
        if (waker && (!timer || *waker->due() <= timer->due()))
            waker->wake();
        else
            timer->tick();
    }
    return true;
}

void EventLoop::runFor(Duration span) {
    const Duration end = now() + span;
    runUntil([] { return false; }, span);
    sleep(end - now());
}

}  // namespace rv720
