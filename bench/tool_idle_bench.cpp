// What the tool costs while it waits: `rv720 monitor` on the controller twin
// between its requests (two every 100 ms, a report a second), `rv720
// serve-simulator` with nobody on its terminal, and beside them a bare 1 ms timer
// on the tool's loop, what polling every millisecond costs by itself. Reported as
// the share of one core the process used (user + system time over wall time).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <sstream>

#include "app/pty_simulator.h"
#include "cli/monitor_verb.h"
#include "support/event_loop.h"
#include "support/fixed_clock.h"
#include "support/temp_folder.h"

namespace rv720 {
namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs `work` once per iteration and reports its share of a core.
template <class Work>
void measure(benchmark::State& state, Work&& work) {
    double share = 0;
    for (auto _ : state) {
        const double cpu0 = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
        share = (cpuSeconds() - cpu0) / wall.count();
        state.SetIterationTime(wall.count());
    }
    state.counters["cpu_percent_of_core"] = 100.0 * share;
}

void monitorOnTwin(benchmark::State& state) {
    const test::TempFolder folder;
    const std::string eeprom = folder.file("eeprom.bin");
    measure(state, [&] {
        std::ostringstream out, err;
        FixedClock clock;
        cli::Io io{out, err, clock};
        const std::vector<std::string> args = {"--device", "simulator", "--eeprom",
                                               eeprom,     "--count",   "4"};
        if (cli::runMonitor(args, io, {}) != 0) state.SkipWithError("the monitor failed");
    });
}

void serveSimulatorIdle(benchmark::State& state) {
    std::string error;
    auto server = PtySimulator::open({}, error);
    if (!server) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::atomic<bool> stop{false};
    measure(state, [&] { server->serve(stop, std::chrono::seconds(3)); });
}

void bareMillisecondLoopTimer(benchmark::State& state) {
    measure(state, [] {
        EventLoop loop(EventLoop::Time::Real);
        auto timer = loop.create(1);
        timer->setHandler([] {});
        timer->start();
        loop.runFor(std::chrono::seconds(3));
    });
}

BENCHMARK(bareMillisecondLoopTimer)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(monitorOnTwin)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(serveSimulatorIdle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace
}  // namespace rv720
