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

}  // namespace rv720
