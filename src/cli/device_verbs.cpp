#include "cli/device_verbs.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <vector>

#include "app/device_factory.h"
#include "app/pty_simulator.h"
#include "cli/program_verbs.h"
#include "compiler/compiler.h"
#include "device/device_sessions.h"
#include "device/device_station.h"
#include "device/headless_views.h"
#include "device/station_presenter.h"
#include "model/program_store.h"

namespace rv720::cli {

namespace {

// ---- help --------------------------------------------------------------------

#define RV720_DEVICE_OPTIONS                                                            \
    "  --device DEV     auto: the converter whose USB description is \"Quellbrandtor\n" \
    "                   RV720\", through libftdi or else its serial port (the\n"        \
    "                   default); ftdi: that converter through libftdi only;\n"         \
    "                   ftdi:SERIAL: the FTDI converter with that serial number;\n"     \
    "                   simulator: the built-in controller twin, alive for this one\n"  \
    "                   command, its program kept in its EEPROM file; or the path of\n" \
    "                   a serial port (for example /dev/ttyUSB0, or the terminal\n"     \
    "                   printed by 'rv720 serve-simulator'). 'rv720 devices' lists\n"   \
    "                   what is attached.\n"                                            \
    "  --eeprom PATH    the simulator's EEPROM file (default: $RV720_EEPROM, else\n"    \
    "                   $XDG_DATA_HOME/rv720/eeprom.bin, else\n"                        \
    "                   ~/.local/share/rv720/eeprom.bin)\n"                             \
    "  --trace          print every frame sent (>) and received (<) in hex on stderr\n" \
    "  -h, --help       show this help\n"

#define RV720_DEVICE_OUTPUT                                                                \
    "Output: the station's status lines (\"Connection successful\", \"Again data\n"        \
    "transmission - 1\", \"Device is not response\", ...) and the lines of its transfer\n" \
    "log, one per line on stdout, as they occur; the reason for a failure on stderr.\n"    \
    "Ctrl+C ends the verb with exit status 130, a write or read only after the\n"          \
    "controller has been told that the transfer ended.\n"

constexpr std::string_view kWriteHelp =
    "Usage: rv720 write FILE.pri [--verify] [--device DEV] [--eeprom PATH]\n"
    "\n"
    "Compiles the program in FILE.pri (or its text form, FILE.rv720) and, when the\n"
    "compiler finds no error and the program has at least one command, writes it\n"
    "into the controller's EEPROM: the\n"
    "header, then every command record, then the end of the transfer. A program with\n"
    "errors is not sent; the compiler's report goes to stderr.\n"
    "\n"
    "Options:\n"
    "  --verify         after the write, read the program back and compare it record\n"
    "                   by record, the input breaks included: \"Verified: N commands\",\n"
    "                   or \"Verify error: \" and the first difference (the line, the\n"
    "                   bytes written and the bytes read)\n" RV720_DEVICE_OPTIONS
    "\n" RV720_DEVICE_OUTPUT
    "For a write: \"Saving to EEPROM started\", the log (\"Saving: ...\",\n"
    "\"    Commands:    N\", \"    Czas:        T sec.\", \"Programming finished\")\n"
    "and \"Saving to EEPROM memory finished\".\n"
    "\n"
    "Exit status: 0 written (and, with --verify, read back equal); 1 the program has\n"
    "errors or is empty, the device failed, refused or did not answer, or what was\n"
    "read back differs; 2 bad usage, or FILE cannot be read or is damaged.\n";

constexpr std::string_view kReadHelp =
    "Usage: rv720 read -o FILE.pri [--device DEV] [--eeprom PATH]\n"
    "\n"
    "Reads the program stored in the controller's EEPROM, record by record, and saves\n"
    "it as FILE.pri.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE  the program file to write (replaced if it exists); a name\n"
    "                     ending in .rv720 gets the text form\n" RV720_DEVICE_OPTIONS
    "\n" RV720_DEVICE_OUTPUT
    "For a read: \" Program reading of EEPROM memory was started\", the log (\"Reading\n"
    "started: ...\", \"    Commands:    N\", \"Reading finished. Succesfull\") and\n"
    "\"Reading from EEPROM memory finished\".\n"
    "\n"
    "Exit status: 0 read and saved; 1 the device failed, refused the read or did not\n"
    "answer (FILE is then not written); 2 bad usage, or FILE cannot be written.\n";

constexpr std::string_view kRunHelp =
    "Usage: rv720 run [--device DEV] [--eeprom PATH]\n"
    "\n"
    "Starts the program stored in the controller and prints \"Program running\" once\n"
    "the controller reports that it runs.\n"
    "\n"
    "Options:\n" RV720_DEVICE_OPTIONS "\n" RV720_DEVICE_OUTPUT
    "\n"
    "Exit status: 0 the program runs; 1 the controller did not start it (no program\n"
    "stored, STOP input held), or the device failed or did not answer; 2 bad usage.\n";

constexpr std::string_view kStopHelp =
    "Usage: rv720 stop [--device DEV] [--eeprom PATH]\n"
    "\n"
    "Stops the controller's program and its motors and prints \"Program stopped\" once\n"
    "the controller has answered.\n"
    "\n"
    "Options:\n" RV720_DEVICE_OPTIONS "\n" RV720_DEVICE_OUTPUT
    "\n"
    "Exit status: 0 stopped; 1 the device failed or did not answer; 2 bad usage.\n";

constexpr std::string_view kResetHelp =
    "Usage: rv720 reset [--device DEV] [--eeprom PATH]\n"
    "\n"
    "Resets the controller (program and motors stopped, outputs off; the stored\n"
    "program stays) and prints \"Device reset\" once the controller has answered.\n"
    "\n"
    "Options:\n" RV720_DEVICE_OPTIONS "\n" RV720_DEVICE_OUTPUT
    "\n"
    "Exit status: 0 reset; 1 the device failed or did not answer; 2 bad usage.\n";

constexpr std::string_view kVersionHelp =
    "Usage: rv720 version [--device DEV] [--eeprom PATH]\n"
    "\n"
    "Asks the controller for its firmware version and prints it as MAJOR.MINOR\n"
    "(for example 1.3) on a line of its own.\n"
    "\n"
    "Options:\n" RV720_DEVICE_OPTIONS "\n" RV720_DEVICE_OUTPUT
    "\n"
    "Exit status: 0 printed; 1 the device failed or did not answer; 2 bad usage.\n";

constexpr std::string_view kFirmwareHelp =
    "Usage: rv720 firmware FILE.bin --password PW [--device DEV] [--eeprom PATH]\n"
    "\n"
    "Replaces the controller's firmware with FILE.bin: asks the controller to start\n"
    "its update and, when it requests the file, sends the file's bytes one by one.\n"
    "The controller closes the connection when it is done.\n"
    "\n"
    "Options:\n"
    "  --password PW    the firmware update password\n" RV720_DEVICE_OPTIONS
    "\n" RV720_DEVICE_OUTPUT
    "For an update: \"Firmware updating started\", the log (\"Firmware updating started:\n"
    "...\", \"Firmware updating finished successful\" or \"Firmware updating error\") and\n"
    "\"Firmware updating finished\".\n"
    "\n"
    "Exit status: 0 the controller accepted the firmware; 1 it refused it, or the\n"
    "device failed or did not answer; 2 bad usage, FILE cannot be read, or the\n"
    "password is wrong.\n";

constexpr std::string_view kServeHelp =
    "Usage: rv720 serve-simulator [--eeprom PATH]\n"
    "\n"
    "Opens a pseudo-terminal, prints its path on stdout (one line), and serves the\n"
    "controller twin on it until interrupted (Ctrl+C, SIGTERM). Open the path as the\n"
    "device of the station or of this tool ('--device /dev/pts/N') to use the serial\n"
    "backend without hardware. Until the port is set to 111111 baud, 8 data bits, one\n"
    "stop bit and no parity, the twin sees and sends garbage, as on a real line.\n"
    "\n"
    "Options:\n"
    "  --eeprom PATH    the twin's EEPROM file (default: $RV720_EEPROM, else\n"
    "                   $XDG_DATA_HOME/rv720/eeprom.bin, else\n"
    "                   ~/.local/share/rv720/eeprom.bin)\n"
    "  -h, --help       show this help\n"
    "\n"
    "Exit status: 0 interrupted; 1 the pseudo-terminal could not be opened or failed;\n"
    "2 bad usage.\n";

#undef RV720_DEVICE_OPTIONS
#undef RV720_DEVICE_OUTPUT

// ---- the tool's face of the station -------------------------------------------

// The station's views, printing what the operator would read: status lines and
// log lines, in order, as the station's presenter makes them.
class ToolView final : public HeadlessViews {
  public:
    explicit ToolView(Io& io) : io_(io) {}

    void AddStatusLine(const std::string& text) override { io_.out << text << '\n' << std::flush; }
    void addLogLine(const std::string& text, Rgb) override {
        io_.out << text << '\n' << std::flush;
    }

  private:
    Io& io_;
};

// How the sessions ended what the tool asked of them.
class Results final : public TransferObserver, public CommandsObserver {
  public:
    std::optional<TransferOutcome> transfer;  // the latest transfer that ended
    std::optional<CommandResult> answer;      // the answer to the command sent
    std::optional<CommandError> error;        // or why it has none
    protocol::CommandCode unanswered{};       // the command that has none

    void finished(const TransferSuccess& done) override {
        transfer = TransferOutcome{done.kind, TransferResult::Finished};
    }
    void failed(const TransferFailure& failure) override {
        transfer = TransferOutcome{failure.kind, failure.result};
    }
    void commandFinished(const CommandResult& result) override { answer = result; }
    void commandFailed(protocol::CommandCode code, CommandError why) override {
        error = why;
        unanswered = code;
    }
};

// Options every device verb takes, and the ones of its own.
constexpr OptionDef kPlainOptions[] = {{"device", true}, {"eeprom", true}, {"trace", false}};
constexpr OptionDef kWriteOptions[] = {
    {"device", true}, {"eeprom", true}, {"trace", false}, {"verify", false}};
constexpr OptionDef kReadOptions[] = {
    {"device", true}, {"eeprom", true}, {"trace", false}, {"output", true}};
constexpr OptionDef kFirmwareOptions[] = {
    {"device", true}, {"eeprom", true}, {"trace", false}, {"password", true}};
constexpr OptionDef kServeOptions[] = {{"eeprom", true}};

std::filesystem::path eepromPath(const ParsedArgs& parsed) {
    return simulatorEepromPath(parsed.value("eeprom"));
}

constexpr auto kCommandLimit = std::chrono::seconds(10);
constexpr auto kSettleLimit = std::chrono::seconds(3);  // past the reply timeout's 2.1 s

// Ctrl+C and SIGTERM while a verb runs: serve-simulator stops serving, a transfer
// is ended with the controller before the tool exits.
std::atomic<bool> interrupted{false};
extern "C" void onInterrupt(int) {
    interrupted.store(true);
}

class InterruptGuard {
  public:
    InterruptGuard() {
        interrupted.store(false);
        oldInt_ = std::signal(SIGINT, onInterrupt);
        oldTerm_ = std::signal(SIGTERM, onInterrupt);
    }
    ~InterruptGuard() {
        std::signal(SIGINT, oldInt_);
        std::signal(SIGTERM, oldTerm_);
    }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

  private:
    void (*oldInt_)(int) = SIG_DFL;
    void (*oldTerm_)(int) = SIG_DFL;
};

// The device sessions and the station's presenter, on a timer loop of its own.
class Session {
  public:
    Session(Io& io, const DeviceRun& how, std::string verb)
        : io_(io),
          verb_(std::move(verb)),
          loop_(how.time),
          clock_(io.clock, loop_),
          view_(io),
          presenter_(clock_, view_, view_, view_) {}

    // False (after a line on stderr) when the device name is unusable.
    bool make(const ParsedArgs& parsed, const DeviceRun& how) {
        const std::string deviceName = parsed.value("device").value_or("auto");
        DeviceOptions options;
        options.eepromPath = eepromPath(parsed);
        options.loop = &loop_;
        options.wireTime = true;
        device_ = makeFtdi(deviceName, options);
        if (!device_) {
            io_.err << "rv720 " << verb_ << ": " << device_.error << "\n";
            return false;
        }
        if (device_.twin && how.prepareSimulator) how.prepareSimulator(*device_.twin);
        sessions_ = std::make_unique<DeviceSessions>(*device_.ftdi, loop_, clock_);
        sessions_->present(presenter_);
        sessions_->transfer().addObserver(results_);
        sessions_->commands().addObserver(results_);
        if (parsed.value("trace"))
            sessions_->channel().link().frameLog = [this](FrameDirection d,
                                                          std::span<const std::uint8_t> f) {
                io_.err << (d == FrameDirection::Sent ? "> " : "< ") << hexText(f) << '\n';
            };
        return true;
    }

    // Opens the link; false (after a line on stderr) when it did not come up.
    bool connect() {
        channel().open();
        if (channel().connected()) return true;
        const std::string& why = channel().link().openFailureLine();
        fail("the device cannot be reached" + (why.empty() ? "" : ": " + why));
        return false;
    }

    ControllerChannel& channel() { return sessions_->channel(); }
    ProgramTransfer& transfer() { return sessions_->transfer(); }
    ControllerCommands& commands() { return sessions_->commands(); }
    StationPresenter& presenter() { return presenter_; }
    const Results& results() const { return results_; }

    // Runs the loop until `done`, the link is lost, the device refuses the command
    // sent (a transfer handles its own refusals), the operator interrupts, or
    // `limit` passes.
    enum class Outcome { Done, LinkLost, Refused, Interrupted, TimedOut };
    Outcome runUntil(const std::function<bool()>& done, EventLoop::Duration limit) {
        Outcome outcome = Outcome::TimedOut;
        loop_.runUntil(
            [&] {
                if (done())
                    outcome = Outcome::Done;
                else if (!channel().connected() || (results_.error && !refused()))
                    outcome = Outcome::LinkLost;
                else if (refused())
                    outcome = Outcome::Refused;
                else if (interrupted.load())
                    outcome = Outcome::Interrupted;
                else
                    return false;
                return true;
            },
            limit);
        return outcome;
    }
    bool refused() const { return results_.error == CommandError::Refused; }

    // The answer to the command sent, once it came.
    Outcome runCommand() {
        return runUntil([&] { return results_.answer.has_value(); }, kCommandLimit);
    }

    // Runs a write, read or firmware update until it ended (the last step of kind
    // `last`, or an earlier one that failed) and the controller has answered the
    // end of the exchange.
    Outcome runTransfer(TransferKind last, EventLoop::Duration limit) {
        return runUntil(
            [&] {
                const auto& ended = results_.transfer;
                if (!ended || transfer().running()) return false;
                return (ended->kind == last || ended->result != TransferResult::Finished) &&
                       !channel().awaitingReply();
            },
            limit);
    }

    // A controller left in the middle of a write or read is told that it ended
    // (the transfer window's Stop), and given the time to answer.
    void endTransfer() {
        if (!channel().connected() || !transfer().running()) return;
        transfer().stop();
        loop_.runUntil([&] { return !channel().awaitingReply() || !channel().connected(); },
                       kSettleLimit);
    }

    // The reason a write, read or firmware update did not succeed.
    int failTransfer(TransferResult result, const std::string& refusal) {
        switch (result) {
            case TransferResult::Refused:
                return fail(refusal);
            case TransferResult::Differs:
                return fail("what was read back differs from what was written");
            case TransferResult::NoAnswer:
                return fail("the device did not answer");
            case TransferResult::LinkLost:
                return fail("the connection to the device was lost");
            case TransferResult::Stopped:
            case TransferResult::NoFile:
                return fail("the transfer was stopped");
            case TransferResult::NoConnection:
                return fail("the device cannot be reached");
            case TransferResult::FileUnreadable:
            case TransferResult::Finished:
                break;
        }
        return kExitDeviceFailure;
    }
    // After the loop: how the transfer ended, or the tool's own verdict.
    int transferVerdict(Outcome outcome, const std::string& refusal) {
        if (outcome == Outcome::Interrupted || outcome == Outcome::TimedOut) {
            endTransfer();
            return failFor(outcome);
        }
        const auto& ended = results_.transfer;
        if (ended && ended->result != TransferResult::Finished)
            return failTransfer(ended->result, refusal);
        if (outcome != Outcome::Done) return failFor(outcome);
        return kExitOk;
    }

    int fail(const std::string& reason) {
        io_.err << "rv720 " << verb_ << ": " << reason << "\n";
        return kExitDeviceFailure;
    }
    int failFor(Outcome outcome) {
        switch (outcome) {
            case Outcome::LinkLost:
                return fail("the connection to the device was lost or it did not answer");
            case Outcome::Refused:
                return fail("the device refused command " +
                            std::to_string(protocol::byteOf(results_.unanswered)));
            case Outcome::TimedOut:
                return fail("the device stopped answering");
            case Outcome::Interrupted:
                fail("interrupted");
                return kExitInterrupted;
            case Outcome::Done:
                break;
        }
        return kExitDeviceFailure;
    }

  private:
    Io& io_;
    std::string verb_;
    EventLoop loop_;
    LoopClock clock_;
    ToolView view_;
    StationPresenter presenter_;
    Results results_;
    OpenedDevice device_;
    std::unique_ptr<DeviceSessions> sessions_;
};

// ---- verbs -----------------------------------------------------------------------

struct VerbShape {
    std::string_view name;
    std::span<const OptionDef> options;
    std::size_t positional;  // how many positional arguments it takes
    std::string_view positionalMissing;
};

// Parses the arguments; prints help or a usage error. Returns the exit status when
// the verb ends here.
std::optional<int> parseFor(const VerbShape& shape, const Verb& verb,
                            std::span<const std::string> args, Io& io, ParsedArgs& parsed) {
    // "-o FILE" is the usual spelling of --output.
    std::vector<std::string> spelled(args.begin(), args.end());
    for (auto& a : spelled)
        if (a == "-o") a = "--output";
    parsed = parseArgs(spelled, shape.options);
    if (parsed.help) {
        io.out << verb.help;
        return kExitOk;
    }
    if (!parsed.error.empty()) return usageError(io, shape.name, parsed.error);
    if (parsed.positional.size() < shape.positional)
        return usageError(io, shape.name, shape.positionalMissing);
    if (parsed.positional.size() > shape.positional)
        return usageError(io, shape.name,
                          "unexpected argument '" + parsed.positional[shape.positional] + "'");
    if (auto device = parsed.value("device"); device && device->empty())
        return usageError(io, shape.name, std::string("--device needs ") + kDeviceChoices);
    return std::nullopt;
}

int runWrite(std::span<const std::string> args, Io& io, const DeviceRun& how) {
    ParsedArgs parsed;
    if (auto status = parseFor({"write", kWriteOptions, 1, "no program file given"}, writeVerb(),
                               args, io, parsed))
        return *status;
    const bool verify = parsed.value("verify").has_value();

    ProgramImage image;
    if (!loadProgramForVerb(parsed.positional[0], image, io)) return kExitFailure;
    const CompileReport report = compileProgram(image, io.clock.shortDate(), io.clock.longTime());
    if (!report.writeAllowed) {
        printReport(report, io.err);
        io.err << "rv720 write: " << parsed.positional[0] << ": "
               << (report.errors ? "the program has errors; nothing was sent"
                                 : "the program is empty; nothing was sent")
               << "\n";
        return kExitDeviceFailure;
    }

    Session session(io, how, "write");
    if (!session.make(parsed, how)) return kExitFailure;
    if (!session.connect()) return kExitDeviceFailure;
    session.transfer().setVerifyAfterWrite(verify);
    session.transfer().write(image);
    // Every record is one exchange of well under a second; a stalled exchange ends
    // through the reply timeout long before this.
    const auto limit =
        kCommandLimit + std::chrono::milliseconds(verify ? 200 : 100) * image.length();
    const auto outcome =
        session.runTransfer(verify ? TransferKind::Verify : TransferKind::Write, limit);
    return session.transferVerdict(outcome, "the device refused the program");
}

int runRead(std::span<const std::string> args, Io& io, const DeviceRun& how) {
    ParsedArgs parsed;
    if (auto status = parseFor({"read", kReadOptions, 0, ""}, readVerb(), args, io, parsed))
        return *status;
    const auto output = parsed.value("output");
    if (!output || output->empty())
        return usageError(io, "read", "no output file given (-o FILE.pri)");

    Session session(io, how, "read");
    if (!session.make(parsed, how)) return kExitFailure;
    if (!session.connect()) return kExitDeviceFailure;
    // A read that does not finish leaves the program as it was: empty.
    ProgramImage program;
    session.transfer().read(program, program);
    const auto outcome = session.runTransfer(
        TransferKind::Read, kCommandLimit + std::chrono::milliseconds(100) * kMaxCommands);
    if (const int status = session.transferVerdict(
            outcome,
            "the device refused the read or sent a program that does not fit; nothing "
            "was saved"))
        return status;

    const SaveResult saved = saveProgram(*output, program, formForPath(*output));
    if (!saved) {
        io.err << "rv720: " << *output << ": " << saved.reason() << "\n";
        return kExitFailure;
    }
    return kExitOk;
}

// run, stop, reset and version: one command, one reply.
int runSimple(std::string_view name, const Verb& verb, std::span<const std::string> args, Io& io,
              const DeviceRun& how) {
    ParsedArgs parsed;
    if (auto status = parseFor({name, kPlainOptions, 0, ""}, verb, args, io, parsed))
        return *status;
    Session session(io, how, std::string(name));
    if (!session.make(parsed, how)) return kExitFailure;
    if (!session.connect()) return kExitDeviceFailure;
    ControllerCommands& commands = session.commands();
    if (name == "run")
        commands.run();
    else if (name == "stop")
        commands.stop();
    else if (name == "reset")
        commands.reset();
    else
        commands.requestVersion();
    const auto outcome = session.runCommand();
    if (outcome != Session::Outcome::Done) return session.failFor(outcome);

    const CommandResult& answer = *session.results().answer;
    if (name == "run") {
        if (!answer.running)
            return session.fail(
                "the controller did not start the program (no program stored, or the STOP "
                "input is held)");
        io.out << "Program running\n";
    } else if (name == "stop") {
        io.out << "Program stopped\n";
    } else if (name == "reset") {
        io.out << "Device reset\n";
    } else {
        // A version reply too short to read leaves the about window's placeholder.
        io.out << (answer.version ? answer.version->text() : std::string("* * * * *")) << "\n";
    }
    return kExitOk;
}

int runFirmware(std::span<const std::string> args, Io& io, const DeviceRun& how) {
    ParsedArgs parsed;
    if (auto status = parseFor({"firmware", kFirmwareOptions, 1, "no firmware file given"},
                               firmwareVerb(), args, io, parsed))
        return *status;
    const auto password = parsed.value("password");
    if (!password) return usageError(io, "firmware", "no password given (--password PW)");
    const std::string& file = parsed.positional[0];
    if (!std::ifstream(file, std::ios::binary).is_open()) {
        io.err << "rv720: " << file << ": cannot be read\n";
        return kExitFailure;
    }

    Session session(io, how, "firmware");
    if (!session.make(parsed, how)) return kExitFailure;
    if (!session.connect()) return kExitDeviceFailure;
    if (*password != kFirmwarePassword) {
        session.presenter().passwordRefused();
        io.err << "rv720 firmware: the password is wrong\n";
        return kExitFailure;
    }
    session.transfer().updateFirmware([file]() -> std::optional<std::string> { return file; });
    // The controller needs a second after the request, a second after the start
    // byte and a quiet spell after the file; one byte is about 0.1 ms on the wire.
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    const auto limit = kCommandLimit + std::chrono::milliseconds(ec ? 0 : size / 5);
    const auto outcome = session.runTransfer(TransferKind::Firmware, limit);
    const auto& ended = session.results().transfer;
    if (outcome == Session::Outcome::Done && ended &&
        ended->result == TransferResult::FileUnreadable) {
        io.err << "rv720: " << file << ": cannot be read\n";  // it went between check and use
        return kExitFailure;
    }
    return session.transferVerdict(outcome, "the controller refused the firmware");
}

int runServe(std::span<const std::string> args, Io& io) {
    ParsedArgs parsed;
    if (auto status = parseFor({"serve-simulator", kServeOptions, 0, ""}, serveSimulatorVerb(),
                               args, io, parsed))
        return *status;
    std::string error;
    auto server = PtySimulator::openWithEeprom(eepromPath(parsed), error);
    if (!server) {
        io.err << "rv720 serve-simulator: " << error << "\n";
        return kExitDeviceFailure;
    }
    io.out << server->path() << '\n' << std::flush;
    io.err << "rv720 serve-simulator: serving the controller twin on " << server->path()
           << " until interrupted\n";
    const bool ok = server->serve(interrupted);
    if (!ok) {
        io.err << "rv720 serve-simulator: the pseudo-terminal failed\n";
        return kExitDeviceFailure;
    }
    return kExitOk;
}

int writeEntry(std::span<const std::string> args, Io& io) {
    return runDeviceVerb("write", args, io, {});
}
int readEntry(std::span<const std::string> args, Io& io) {
    return runDeviceVerb("read", args, io, {});
}
int runEntry(std::span<const std::string> args, Io& io) {
    return runDeviceVerb("run", args, io, {});
}
int stopEntry(std::span<const std::string> args, Io& io) {
    return runDeviceVerb("stop", args, io, {});
}
int resetEntry(std::span<const std::string> args, Io& io) {
    return runDeviceVerb("reset", args, io, {});
}
int versionEntry(std::span<const std::string> args, Io& io) {
    return runDeviceVerb("version", args, io, {});
}
int firmwareEntry(std::span<const std::string> args, Io& io) {
    return runDeviceVerb("firmware", args, io, {});
}
int serveEntry(std::span<const std::string> args, Io& io) {
    return runDeviceVerb("serve-simulator", args, io, {});
}

}  // namespace

int runDeviceVerb(std::string_view name, std::span<const std::string> args, Io& io,
                  const DeviceRun& how) {
    InterruptGuard guard;
    if (name == "write") return runWrite(args, io, how);
    if (name == "read") return runRead(args, io, how);
    if (name == "run") return runSimple(name, runVerb(), args, io, how);
    if (name == "stop") return runSimple(name, stopVerb(), args, io, how);
    if (name == "reset") return runSimple(name, resetVerb(), args, io, how);
    if (name == "version") return runSimple(name, versionVerb(), args, io, how);
    if (name == "firmware") return runFirmware(args, io, how);
    if (name == "serve-simulator") return runServe(args, io);
    return usageError(io, "", "unknown command '" + std::string(name) + "'");
}

const Verb& writeVerb() {
    static const Verb verb{"write", "compile a program file and write it into the controller",
                           kWriteHelp, writeEntry};
    return verb;
}
const Verb& readVerb() {
    static const Verb verb{"read", "read the controller's program into a file", kReadHelp,
                           readEntry};
    return verb;
}
const Verb& runVerb() {
    static const Verb verb{"run", "start the controller's program", kRunHelp, runEntry};
    return verb;
}
const Verb& stopVerb() {
    static const Verb verb{"stop", "stop the controller's program and motors", kStopHelp,
                           stopEntry};
    return verb;
}
const Verb& resetVerb() {
    static const Verb verb{"reset", "reset the controller", kResetHelp, resetEntry};
    return verb;
}
const Verb& versionVerb() {
    static const Verb verb{"version", "print the controller's firmware version", kVersionHelp,
                           versionEntry};
    return verb;
}
const Verb& firmwareVerb() {
    static const Verb verb{"firmware", "update the controller's firmware from a file",
                           kFirmwareHelp, firmwareEntry};
    return verb;
}
const Verb& serveSimulatorVerb() {
    static const Verb verb{"serve-simulator", "serve the controller twin on a pseudo-terminal",
                           kServeHelp, serveEntry};
    return verb;
}

}  // namespace rv720::cli
