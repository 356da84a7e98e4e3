// Writing a 999-command program into the controller twin on the real-time loop,
// with the twin's wire-time emulation: every byte takes its 90 us at 111,111 baud
// in each direction. Reported as the ratio of wall time to the wire-time bound of
// the bytes exchanged (both directions, one after the other, as the protocol's
// request/reply turns force). What the ratio adds to 1 is the link's polling: a
// reply is seen at the next 1 ms tick, and the next record leaves only then.
#include <benchmark/benchmark.h>

#include <chrono>

#include "device/device_station.h"
#include "device/headless_views.h"
#include "model/commands.h"
#include "sim/loop_time.h"
#include "sim/simulated_ftdi.h"
#include "support/event_loop.h"

namespace rv720 {
namespace {

class SilentView final : public HeadlessViews {
  public:
    bool finished = false;
    void AddStatusLine(const std::string& text) override {
        if (text == "Saving to EEPROM memory finished") finished = true;
    }
};

ProgramImage fullProgramForWrite() {
    ProgramImage image;
    for (int i = 0; i < kMaxCommands - 1; ++i) {
        Record r = makeRecord(code::WaitMs, kControllerTarget);
        writeBe32(&r[2], 10 + i);
        image.setRecord(i, r);
    }
    image.setRecord(kMaxCommands - 1, makeRecord(code::End, kControllerTarget));
    image.setLength(kMaxCommands);
    return image;
}

void writeFullProgramToTwin(benchmark::State& state) {
    const ProgramImage program = fullProgramForWrite();
    double ratio = 0, wall = 0, bound = 0, bytes = 0;
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

        std::int64_t exchanged = 0;
        station.link().frameLog = [&](FrameDirection, std::span<const std::uint8_t> frame) {
            exchanged += std::int64_t(frame.size());
        };
        const auto start = std::chrono::steady_clock::now();
        station.FKompilacja().DownloadButtonClick();
        const bool done =
            loop.runUntil([&] { return view.finished && !station.TimeoutTimer().isActive(); },
                          std::chrono::seconds(60));
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (!done || ftdi.twin().program().length() != std::uint32_t(kMaxCommands)) {
            state.SkipWithError("the write did not finish");
            break;
        }
        wall = elapsed.count();
        bound = std::chrono::duration<double>(sim::wireTime(exchanged)).count();
        ratio = wall / bound;
        bytes = double(exchanged);
    }
    state.counters["wall_s"] = wall;
    state.counters["wire_bound_s"] = bound;
    state.counters["ratio"] = ratio;
    state.counters["bytes"] = bytes;
}
BENCHMARK(writeFullProgramToTwin)->Iterations(3)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace rv720
