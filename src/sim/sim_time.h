#pragma once
// Simulated time for the controller twin. The twin never reads a clock itself: it
// is moved forward by whoever drives it (a test, or SimulatedFtdi from a time
// source), so every run of a program, every wait and every byte on the wire is
// deterministic and tests never sleep. Times are nanoseconds since the twin
// started; a byte at 111,111 baud lasts about 90 us, so milliseconds are too coarse.
#include <chrono>

namespace rv720::sim {

using SimDuration = std::chrono::nanoseconds;
using SimTime = std::chrono::nanoseconds;  // since the twin started

// Where SimulatedFtdi takes "now" from.
class TimeSource {
  public:
    virtual ~TimeSource() = default;
    virtual SimTime now() const = 0;
};

// Production: the steady clock, counted from the moment the source was made.
class SteadyTimeSource final : public TimeSource {
  public:
    SteadyTimeSource() : origin_(std::chrono::steady_clock::now()) {}
    SimTime now() const override {
        return std::chrono::duration_cast<SimTime>(std::chrono::steady_clock::now() - origin_);
    }

  private:
    std::chrono::steady_clock::time_point origin_;
};

// Tests: time moves only when the test says so.
class ManualTimeSource final : public TimeSource {
  public:
    SimTime now() const override { return now_; }
    void set(SimTime t) { now_ = t; }
    void advance(SimDuration d) { now_ += d; }

  private:
    SimTime now_{0};
};

}  // namespace rv720::sim
