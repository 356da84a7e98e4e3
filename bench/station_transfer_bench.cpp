// Writing a 999-command program from the station into the controller twin and
// reading it back: the whole window set on the real Qt event loop (offscreen),
// the twin with wire time (90 us a byte each way). Reported as the ratio of wall
// time to the wire-time bound of the bytes exchanged; what it adds to 1 is the
// station's reaction time per record (the wake-up when a reply's last byte is
// there, dispatching it, the gauge, sending the next record).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <chrono>

#include "device/device_station.h"
#include "full_program.h"
#include "shell/gui/main_window.h"
#include "shell/gui/station_app.h"
#include "sim/simulated_ftdi.h"
#include "support/scripted_dialogs.h"
#include "ui/dialogs.h"
#include "ui/qt_adapters.h"

namespace rv720 {
namespace {

using Clock = std::chrono::steady_clock;

void ensureApp() {
    static int argc = 1;
    static char name[] = "rv720-station-bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QCoreApplication::instance()) new QApplication(argc, argv);
}

// Runs the event loop until `done` holds (looked at every 5 ms) or a minute passes.
bool runUntil(const std::function<bool()>& done) {
    QTimer check;
    const auto giveUp = Clock::now() + std::chrono::minutes(1);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done() || Clock::now() > giveUp) QCoreApplication::exit(0);
    });
    check.start(5);
    QCoreApplication::exec();
    return done();
}

void stationTransfersOnTwin(benchmark::State& state) {
    ensureApp();
    sim::SimulatedFtdi ftdi;
    ftdi.setWireTimeEmulation(true);
    ScriptedDialogs dialogs;
    QtTimerFactory timers;
    QtClock clock;
    Station station(dialogs, timers, clock, &ftdi);
    TFMain* main = station.main();
    main->show();
    main->ConnectButtonClick();
    DeviceStation& device = main->device();

    // The time of the last frame either way ends the transfer; the 5 ms look only
    // stops the loop.
    std::int64_t bytes = 0;
    Clock::time_point last;
    auto forward = device.link().frameLog;
    device.link().frameLog = [&](FrameDirection d, std::span<const std::uint8_t> frame) {
        bytes += std::int64_t(frame.size());
        last = Clock::now();
        if (forward) forward(d, frame);
    };
    auto finished = [&](const char* line) {
        return [&, line] {
            return (main->Warning2->text() == line || main->Warning1->text() == line) &&
                   !device.TimeoutTimer().isActive();
        };
    };
    auto measure = [&](const std::function<void()>& start, const char* line, const char* name) {
        bytes = 0;
        const auto begin = Clock::now();
        start();
        if (!runUntil(finished(line))) return false;
        const double wall = std::chrono::duration<double>(last - begin).count();
        const double bound = std::chrono::duration<double>(sim::wireTime(bytes)).count();
        state.counters[std::string(name) + "_wall_s"] = wall;
        state.counters[std::string(name) + "_wire_bound_s"] = bound;
        state.counters[std::string(name) + "_ratio"] = wall / bound;
        return true;
    };

    for (auto _ : state) {
        main->model().image = bench::fullProgramForWrite();
        if (!measure([&] { device.FKompilacja().DownloadButtonClick(); },
                     "Saving to EEPROM memory finished", "write") ||
            ftdi.twin().program().length() != std::uint32_t(kMaxCommands)) {
            state.SkipWithError("the write did not finish");
            break;
        }
        main->model().image = ProgramImage{};
        if (!measure([&] { device.ReadProgramButtonClick(); },
                     "Reading from EEPROM memory finished", "read") ||
            main->model().image.length() != std::uint32_t(kMaxCommands)) {
            state.SkipWithError("the read did not finish");
            break;
        }
    }
    device.link().frameLog = forward;
}
BENCHMARK(stationTransfersOnTwin)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
}  // namespace rv720
