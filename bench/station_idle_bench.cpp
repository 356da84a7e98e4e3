// What the station costs while it sits connected and idle: the whole window set
// on a real Qt event loop (offscreen), connected and doing nothing. Reported as the
// share of one core the process used (user + system time over wall time, from
// getrusage); it should stay under 1 % of a core. Figures: on the controller twin
// (which simulates the controller in the same process, so its cost is counted
// too), on a silent serial port (a pseudo-terminal nobody writes to: the link
// sleeps on its descriptor), on a silent converter that cannot signal bytes (as
// libftdi: asked every 20 ms while idle), and beside them a bare 1 ms Qt timer,
// what polling every millisecond costs by itself.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>

#include "device/backends/serial_ftdi.h"
#include "protocol/ftdi_api.h"
#include "shell/gui/main_window.h"
#include "shell/gui/station_app.h"
#include "sim/simulated_ftdi.h"
#include "support/open_line.h"
#include "support/scripted_dialogs.h"
#include "ui/dialogs.h"
#include "ui/qt_adapters.h"

namespace rv720 {
namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "rv720-station-bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QCoreApplication::instance()) new QApplication(argc, argv);
    return *static_cast<QApplication*>(QCoreApplication::instance());
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A converter that is open and silent and cannot say when bytes come: what the
// station itself costs on it, without the twin that simulates the controller
// inside the same process.
class SilentConverter final : public OpenLine {
  public:
    FtStatus getStatus(FtHandle, std::uint32_t& rx, std::uint32_t& tx, std::uint32_t& ev) override {
        rx = tx = ev = 0;
        return ft::Ok;
    }
    FtStatus read(FtHandle, std::uint8_t*, std::uint32_t, std::uint32_t& got) override {
        got = 0;
        return ft::Ok;
    }
    FtStatus write(FtHandle, const std::uint8_t*, std::uint32_t n,
                   std::uint32_t& written) override {
        written = n;
        return ft::Ok;
    }
};

// Runs the event loop for `ms` of wall time.
void runLoop(int ms) {
    // exit, not quit: quit would first ask the main window to close.
    QTimer::singleShot(ms, &app(), [] { QCoreApplication::exit(0); });
    app().exec();
}

void measureIdle(benchmark::State& state, FtdiApi& ftdi) {
    ScriptedDialogs dialogs;
    QtTimerFactory timers;
    QtClock clock;
    Station station(dialogs, timers, clock, &ftdi);
    station.main()->show();
    station.main()->ConnectButtonClick();
    if (!station.main()->isConnected()) {
        state.SkipWithError("the station did not connect to the twin");
        return;
    }
    runLoop(300);  // settle: first paint, the connection's own traffic

    const int seconds = int(state.range(0));
    double share = 0;
    for (auto _ : state) {
        QElapsedTimer wall;
        const double cpu0 = cpuSeconds();
        wall.start();
        runLoop(seconds * 1000);
        const double cpu = cpuSeconds() - cpu0;
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        share = cpu / elapsed;
        state.SetIterationTime(elapsed);
    }
    state.counters["cpu_percent_of_core"] = 100.0 * share;
    state.counters["still_connected"] = station.main()->isConnected() ? 1 : 0;
}
// The station on the controller twin, as `make run` starts it (the twin's own
// simulation runs in the same process and is counted too).
void stationIdleOnTwin(benchmark::State& state) {
    app();
    sim::SimulatedFtdi ftdi;
    ftdi.setWireTimeEmulation(true);
    measureIdle(state, ftdi);
}
// The station alone, on a converter that stays silent and is asked now and then.
void stationIdleOnSilentConverter(benchmark::State& state) {
    app();
    SilentConverter ftdi;
    measureIdle(state, ftdi);
}
// The station alone, on a serial port that stays silent: a pseudo-terminal whose
// far end is held open here and never written.
void stationIdleOnSilentSerialPort(benchmark::State& state) {
    app();
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        state.SkipWithError("no pseudo-terminal");
        return;
    }
    auto ftdi = SerialFtdi::onPort(::ptsname(master));
    measureIdle(state, *ftdi);
    ::close(master);
}
// The floor: a bare 1 ms Qt timer with nothing to do, on the same event loop.
void bareMillisecondTimer(benchmark::State& state) {
    app();
    QTimer timer;
    timer.setInterval(1);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [] {});
    timer.start();
    double share = 0;
    for (auto _ : state) {
        QElapsedTimer wall;
        const double cpu0 = cpuSeconds();
        wall.start();
        runLoop(int(state.range(0)) * 1000);
        const double elapsed = double(wall.nsecsElapsed()) / 1e9;
        share = (cpuSeconds() - cpu0) / elapsed;
        state.SetIterationTime(elapsed);
    }
    state.counters["cpu_percent_of_core"] = 100.0 * share;
}

BENCHMARK(bareMillisecondTimer)->Arg(3)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(stationIdleOnTwin)->Arg(3)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(stationIdleOnSilentSerialPort)
    ->Arg(3)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK(stationIdleOnSilentConverter)
    ->Arg(3)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

}  // namespace
}  // namespace rv720

BENCHMARK_MAIN();
