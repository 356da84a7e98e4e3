#pragma once
// The station's device side against the controller twin on a virtual-time loop:
// every timer runs as it would, bytes take their wire time, and nothing waits in
// real time.
#include <chrono>
#include <memory>
#include <string>

#include "sim/loop_time.h"
#include "sim/simulated_ftdi.h"
#include "support/device_fakes.h"
#include "support/event_loop.h"
#include "support/fixed_clock.h"
#include "support/record_builders.h"

namespace rv720::test {

struct TwinBench {
    EventLoop loop{EventLoop::Time::Virtual};
    sim::SimulatedFtdi ftdi{sim::TwinOptions{}, std::make_shared<sim::LoopTime>(loop)};
    FixedClock baseClock;
    LoopClock clock{baseClock, loop};
    RecordingView view;
    StationCore core{&ftdi, loop, clock, {view, view, view}};
    ProgramModel& model = core.model();
    DeviceStation& station = core.device();
    int framesSent = 0;

    TwinBench() {
        ftdi.setWireTimeEmulation(true);
        station.link().frameLog = [this](FrameDirection d, std::span<const std::uint8_t> b) {
            if (d == FrameDirection::Sent && b.size() > 1) ++framesSent;
        };
        station.ConnectButtonClick();
    }
    sim::ControllerTwin& twin() { return ftdi.twin(); }
    // An input of the twin changes now: the twin is brought up to the loop's time
    // first, and the link looks again for what the twin now has due.
    void setInput(int n, bool on) {
        ftdi.sync();
        twin().setInput(n, on);
        station.link().listen();
    }
    bool runUntilStatus(const std::string& line,
                        EventLoop::Duration limit = std::chrono::seconds(10)) {
        return loop.runUntil([&] { return view.warning2 == line || view.warning1 == line; }, limit);
    }
};

}  // namespace rv720::test
