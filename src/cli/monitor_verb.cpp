#include "cli/monitor_verb.h"

#include <array>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <vector>

#include "app/device_factory.h"
#include "control/conversions.h"
#include "device/device_sessions.h"
#include "device/headless_views.h"
#include "device/station_presenter.h"
#include "sim/input_switch.h"

namespace rv720::cli {

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kMonitorHelp =
    "Usage: rv720 monitor [--device DEV] [--count N] [--divisor D] [--steps S]\n"
    "                     [--set-input IN=on|off[@SECONDS]] ... [--eeprom PATH]\n"
    "\n"
    "Polls the controller's motor and input/output state as the station's monitor\n"
    "windows do and prints the latest of both once a second, one line per report,\n"
    "until interrupted (Ctrl+C, SIGTERM) or N reports are printed. The first report\n"
    "comes as soon as both states have arrived.\n"
    "\n"
    "  19:30:05 M1 x=4000 v=0,000 M2 x=-212 v=-0.496 M3 x=0 v=0,000 out1=1 ... out7=0\n"
    "  relay1=0 relay2=0 in1=0 ... in6=0 RUN=0 STOP=0      (one line in the output)\n"
    "\n"
    "x is the position in steps, v the velocity in rev/s (exactly zero prints\n"
    "\"0,000\", as the station shows it), then the seventeen outputs, relays and\n"
    "inputs, 1 on and 0 off. The station's status lines go to stderr.\n"
    "\n"
    "Options:\n"
    "  --device DEV     auto: the converter whose USB description is \"Quellbrandtor\n"
    "                   RV720\", through libftdi or else its serial port (the\n"
    "                   default); ftdi: that converter through libftdi only;\n"
    "                   ftdi:SERIAL: the FTDI converter with that serial number;\n"
    "                   simulator: the built-in controller twin, alive for this one\n"
    "                   command, its program kept in its EEPROM file; or the path of\n"
    "                   a serial port\n"
    "  --count N        stop after N reports (default: until interrupted)\n"
    "  --divisor D      the motors' step divisor for the velocities, 1 ... 256; one\n"
    "                   value for all three motors or three separated by commas\n"
    "                   (default 8)\n"
    "  --steps S        the motors' steps per revolution, 1 ... 1600, likewise\n"
    "                   (default 200)\n"
    "  --set-input IN=on|off[@SECONDS]\n"
    "                   simulator only: sets an input of the twin (IN is INPUT1\n"
    "                   ... INPUT6, also in1 ... in6 or 1 ... 6, RUN or STOP) at\n"
    "                   once or SECONDS into the monitoring (at most three\n"
    "                   decimals); may be given more than once. A rising RUN starts\n"
    "                   the stored program, a rising STOP stops it, and INPUT1 and\n"
    "                   INPUT2 edges take the program's input-break jumps.\n"
    "  --eeprom PATH    the simulator's EEPROM file (default: $RV720_EEPROM, else\n"
    "                   $XDG_DATA_HOME/rv720/eeprom.bin, else\n"
    "                   ~/.local/share/rv720/eeprom.bin)\n"
    "  -h, --help       show this help\n"
    "\n"
    "Exit status: 0 interrupted or N reports printed; 1 the device cannot be reached,\n"
    "or it stopped answering; 2 bad usage.\n";

constexpr OptionDef kMonitorOptions[] = {{"device", true},  {"eeprom", true}, {"count", true},
                                         {"divisor", true}, {"steps", true},  {"set-input", true}};

constexpr const char* kLampNames[kLampCount] = {"out1", "out2",   "out3",   "out4", "out5", "out6",
                                                "out7", "relay1", "relay2", "in1",  "in2",  "in3",
                                                "in4",  "in5",    "in6",    "RUN",  "STOP"};

// Long enough to be "until interrupted", short enough not to overflow the loop's clock.
constexpr auto kForever = std::chrono::hours(24 * 365 * 100);
constexpr auto kVirtualLimit = std::chrono::minutes(10);

std::optional<std::int64_t> parseWhole(std::string_view text, std::int64_t lo, std::int64_t hi) {
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size() || text.empty()) return std::nullopt;
    if (value < lo || value > hi) return std::nullopt;
    return value;
}

// "8" for all three motors, or "8,16,8".
std::optional<std::array<std::int64_t, 3>> parseTriple(std::string_view text, std::int64_t lo,
                                                       std::int64_t hi) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const auto comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (parts.size() != 1 && parts.size() != 3) return std::nullopt;
    std::array<std::int64_t, 3> out{};
    for (int m = 0; m < 3; ++m) {
        const auto v = parseWhole(parts[parts.size() == 1 ? 0 : m], lo, hi);
        if (!v) return std::nullopt;
        out[m] = *v;
    }
    return out;
}

std::string reportLine(const std::string& time, const MotorState& motors,
                       const std::array<bool, kLampCount>& lamps,
                       const std::array<MotorConfig, 3>& config, char separator) {
    std::string line = time;
    for (int m = 0; m < 3; ++m) {
        line += " M" + std::to_string(m + 1) + " x=" + formatMonitorPosition(motors.position[m]) +
                " v=" + formatMonitorVelocity(motors.rawVelocity[m], config[m], separator);
    }
    for (int k = 0; k < kLampCount; ++k)
        line += std::string(" ") + kLampNames[k] + (lamps[k] ? "=1" : "=0");
    return line;
}

// The station's status lines, on stderr; every window is only remembered.
class MonitorConsole final : public HeadlessViews {
  public:
    explicit MonitorConsole(Io& io) : io_(io) {}
    void AddStatusLine(const std::string& text) override { io_.err << text << '\n' << std::flush; }

  private:
    Io& io_;
};

// The latest motor state, and whether an I/O state came (its lamps are the
// commands' own).
class MonitorReports final : public CommandsObserver {
  public:
    std::optional<MotorState> motors;
    bool ioReplied = false;
    void motorState(const MotorState& state) override { motors = state; }
    void ioState(const IoState&) override { ioReplied = true; }
};

std::filesystem::path eepromPath(const ParsedArgs& parsed) {
    return simulatorEepromPath(parsed.value("eeprom"));
}

std::atomic<bool> signalled{false};
extern "C" void onMonitorSignal(int) {
    signalled.store(true);
}

int monitorEntry(std::span<const std::string> args, Io& io) {
    signalled.store(false);
    auto oldInt = std::signal(SIGINT, onMonitorSignal);
    auto oldTerm = std::signal(SIGTERM, onMonitorSignal);
    const int status = runMonitor(args, io, {}, &signalled);
    std::signal(SIGINT, oldInt);
    std::signal(SIGTERM, oldTerm);
    return status;
}

}  // namespace

int runMonitor(std::span<const std::string> args, Io& io, const DeviceRun& how,
               const std::atomic<bool>* interrupted) {
    const ParsedArgs parsed = parseArgs(args, kMonitorOptions);
    if (parsed.help) {
        io.out << kMonitorHelp;
        return kExitOk;
    }
    if (!parsed.error.empty()) return usageError(io, "monitor", parsed.error);
    if (!parsed.positional.empty())
        return usageError(io, "monitor", "unexpected argument '" + parsed.positional[0] + "'");

    const std::string deviceName = parsed.value("device").value_or("auto");
    if (deviceName.empty())
        return usageError(io, "monitor", std::string("--device needs ") + kDeviceChoices);
    std::optional<std::int64_t> count;
    if (auto text = parsed.value("count")) {
        count = parseWhole(*text, 1, 1'000'000'000);
        if (!count) return usageError(io, "monitor", "--count needs a whole number from 1");
    }
    std::array<MotorConfig, 3> config{};
    if (auto text = parsed.value("divisor")) {
        const auto d = parseTriple(*text, 1, 256);
        if (!d) return usageError(io, "monitor", "--divisor needs 1 ... 256, once or three times");
        for (int m = 0; m < 3; ++m)
            config[m].stepDivisor = std::uint32_t((*d)[m]);
    }
    if (auto text = parsed.value("steps")) {
        const auto s = parseTriple(*text, 1, 1600);
        if (!s) return usageError(io, "monitor", "--steps needs 1 ... 1600, once or three times");
        for (int m = 0; m < 3; ++m)
            config[m].stepsPerRev = std::int32_t((*s)[m]);
    }
    std::vector<sim::InputSwitch> changes;
    for (const auto& [name, value] : parsed.options) {
        if (name != "set-input") continue;
        const auto change = sim::parseInputSwitch(value);
        if (!change)
            return usageError(io, "monitor",
                              "--set-input needs IN=on or IN=off, optionally @SECONDS (IN: "
                              "INPUT1 ... INPUT6, RUN, STOP), not '" +
                                  value + "'");
        changes.push_back(*change);
    }

    EventLoop loop(how.time);
    LoopClock clock(io.clock, loop);
    DeviceOptions options;
    options.eepromPath = eepromPath(parsed);
    options.loop = &loop;
    OpenedDevice device = makeFtdi(deviceName, options);
    if (!device) {
        io.err << "rv720 monitor: " << device.error << "\n";
        return kExitFailure;
    }
    if (!changes.empty() && !device.twin)
        return usageError(io, "monitor",
                          "--set-input works on the simulator only; a controller's inputs are "
                          "wired");
    if (device.twin && how.prepareSimulator) how.prepareSimulator(*device.twin);

    MonitorConsole view(io);
    StationPresenter presenter(clock, view, view, view);
    DeviceSessions sessions(*device.ftdi, loop, clock);
    sessions.present(presenter);
    MonitorReports reports;
    ControllerCommands& commands = sessions.commands();
    ControllerChannel& channel = sessions.channel();
    commands.addObserver(reports);

    // Changes due at once come before the link opens; later ones on timers of their own.
    std::vector<std::unique_ptr<Timer>> inputTimers;
    for (const sim::InputSwitch& change : changes) {
        const auto atMs = std::chrono::duration_cast<std::chrono::milliseconds>(change.at).count();
        if (atMs == 0) {
            switchSimulatorInput(device, change);
            continue;
        }
        auto timer = loop.create(int(atMs));
        Timer* raw = timer.get();
        OpenedDevice* opened = &device;
        UsbLink* link = &channel.link();
        timer->setHandler([raw, opened, change, link] {
            raw->stop();
            switchSimulatorInput(*opened, change);
            link->listen();  // an edge may have started the program: its reports are due
        });
        inputTimers.push_back(std::move(timer));
    }

    channel.open();
    if (!channel.connected()) {
        const std::string& why = channel.link().openFailureLine();
        io.err << "rv720 monitor: the device cannot be reached" << (why.empty() ? "" : ": " + why)
               << "\n";
        return kExitDeviceFailure;
    }
    for (auto& timer : inputTimers)
        timer->start();
    commands.startMonitor(Monitor::Motors);
    commands.startMonitor(Monitor::Io);

    std::int64_t reportsPrinted = 0;
    const auto report = [&] {
        io.out << reportLine(clock.longTime(), *reports.motors, commands.lamps(), config,
                             clock.decimalSeparator())
               << '\n'
               << std::flush;
        ++reportsPrinted;
    };
    auto reportTimer = loop.create(1000);
    reportTimer->setHandler(report);

    const auto done = [&] {
        if (!reportTimer->isActive() && reports.motors && reports.ioReplied) {
            report();  // the first as soon as both states are in, then once a second
            reportTimer->start();
        }
        return (count && reportsPrinted >= *count) || !channel.connected() ||
               (interrupted && interrupted->load());
    };
    // A test on virtual time that forgot --count must not spin for ever.
    loop.runUntil(done, how.time == EventLoop::Time::Virtual ? kVirtualLimit : kForever);

    if (!channel.connected()) {
        io.err << "rv720 monitor: the connection to the device was lost or it did not answer\n";
        return kExitDeviceFailure;
    }
    commands.stopMonitor(Monitor::Motors);
    commands.stopMonitor(Monitor::Io);
    channel.disconnect();
    return kExitOk;
}

const Verb& monitorVerb() {
    static const Verb verb{"monitor",
                           "print motor positions, velocities and I/O states once a second",
                           kMonitorHelp, monitorEntry};
    return verb;
}

}  // namespace rv720::cli
