#pragma once
// The twin on the time of an EventLoop, real or virtual, so that a program
// without a GUI loop (the command-line tool, end-to-end tests, benchmarks) moves
// the station and the controller on one clock.
#include "sim/sim_time.h"
#include "support/event_loop.h"

namespace rv720::sim {

class LoopTime final : public TimeSource {
  public:
    explicit LoopTime(const EventLoop& loop) : loop_(loop) {}
    SimTime now() const override { return loop_.now(); }

  private:
    const EventLoop& loop_;
};

}  // namespace rv720::sim
