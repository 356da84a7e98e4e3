// Writing a 999-command program into the controller twin and reading it back, as
// the rv720 tool does: the station's device side on the tool's real-time loop,
// with the twin's wire-time emulation (every byte takes its 90 us at 111,111 baud
// in each direction). Reported as the ratio of wall time to the wire-time bound
// of the bytes exchanged (both directions, one after the other, as the protocol's
// request/reply turns force). What the ratio adds to 1 is the link's reaction
// time: the loop sleeps until the twin says a reply's last byte is readable, and
// the next record leaves as soon as that reply is handled.
#include <benchmark/benchmark.h>

#include <chrono>

#include "device/device_station.h"
#include "device/headless_views.h"
#include "full_program.h"
#include "sim/loop_time.h"
#include "sim/simulated_ftdi.h"
#include "support/event_loop.h"
#include "support/fixed_clock.h"

namespace rv720 {
namespace {

class SilentView final : public HeadlessViews {
  public:
    std::string last;
    void AddStatusLine(const std::string& text) override { last = text; }
};

struct Figures {
    double wall = 0, bound = 0, bytes = 0;
};

// Runs `start` on a connected station and the loop until `finished` appears with
// no reply outstanding.
bool transfer(EventLoop& loop, DeviceStation& station, SilentView& view,
              const std::function<void()>& start, const std::string& finished, Figures& figures) {
    std::int64_t exchanged = 0;
    station.link().frameLog = [&](FrameDirection, std::span<const std::uint8_t> frame) {
        exchanged += std::int64_t(frame.size());
    };
    const auto begin = std::chrono::steady_clock::now();
    start();
    const bool done =
        loop.runUntil([&] { return view.last == finished && !station.TimeoutTimer().isActive(); },
                      std::chrono::seconds(60));
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - begin;
    figures.wall = elapsed.count();
    figures.bound = std::chrono::duration<double>(sim::wireTime(exchanged)).count();
    figures.bytes = double(exchanged);
    return done;
}

void report(benchmark::State& state, const Figures& f) {
    state.counters["wall_s"] = f.wall;
    state.counters["wire_bound_s"] = f.bound;
    state.counters["ratio"] = f.wall / f.bound;
    state.counters["bytes"] = f.bytes;
}

void writeFullProgramToTwin(benchmark::State& state) {
    const ProgramImage program = bench::fullProgramForWrite();
    Figures figures;
    for (auto _ : state) {
        EventLoop loop(EventLoop::Time::Real);
        sim::SimulatedFtdi ftdi(sim::TwinOptions{}, std::make_shared<sim::LoopTime>(loop));
        ftdi.setWireTimeEmulation(true);
        FixedClock base;
        LoopClock clock(base, loop);
        ProgramModel model;
        model.image = program;
        SilentView view;
        DeviceStation station(ftdi, loop, clock, model, view, view, view);
        station.ConnectButtonClick();
        if (!transfer(
                loop, station, view, [&] { station.FKompilacja().DownloadButtonClick(); },
                "Saving to EEPROM memory finished", figures) ||
            ftdi.twin().program().length() != std::uint32_t(kMaxCommands)) {
            state.SkipWithError("the write did not finish");
            break;
        }
    }
    report(state, figures);
}
BENCHMARK(writeFullProgramToTwin)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

void readFullProgramFromTwin(benchmark::State& state) {
    const ProgramImage program = bench::fullProgramForWrite();
    Figures figures;
    for (auto _ : state) {
        EventLoop loop(EventLoop::Time::Real);
        sim::SimulatedFtdi ftdi(sim::TwinOptions{}, std::make_shared<sim::LoopTime>(loop));
        ftdi.setWireTimeEmulation(true);
        FixedClock base;
        LoopClock clock(base, loop);
        ProgramModel model;
        SilentView view;
        DeviceStation station(ftdi, loop, clock, model, view, view, view);
        station.ConnectButtonClick();
        model.image = program;  // stored in the twin first, at full speed
        ftdi.setWireTimeEmulation(false);
        Figures ignored;
        transfer(
            loop, station, view, [&] { station.FKompilacja().DownloadButtonClick(); },
            "Saving to EEPROM memory finished", ignored);
        ftdi.setWireTimeEmulation(true);
        model.image = ProgramImage{};
        if (!transfer(
                loop, station, view, [&] { station.ReadProgramButtonClick(); },
                "Reading from EEPROM memory finished", figures) ||
            model.image.length() != std::uint32_t(kMaxCommands)) {
            state.SkipWithError("the read did not finish");
            break;
        }
    }
    report(state, figures);
}
BENCHMARK(readFullProgramFromTwin)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace rv720
