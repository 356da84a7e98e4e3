#include "cli/simulate_verb.h"

#include <ostream>

#include "cli/program_verbs.h"
#include "model/program_file.h"
#include "sim/dry_run.h"
#include "sim/dry_run_report.h"

namespace rv720::cli {

namespace {

constexpr std::string_view kSimulateHelp =
    "Usage: rv720 simulate FILE [--seconds S] [--set-input IN=on|off[@T]] ... [--json]\n"
    "                      [--csv OUT.csv]\n"
    "\n"
    "Dry-runs the program in FILE (a .pri or its text form) on a controller twin of\n"
    "its own -- never a controller, never the simulator's stored program -- started\n"
    "as Play starts it, on virtual time, until it stops or S seconds have passed.\n"
    "When it stops with a motor still on its way to a position, the run goes on\n"
    "until it gets there (or S); a motor turning at a set velocity is not waited\n"
    "for. Prints how it stopped and when (the cycle time), the commands executed,\n"
    "each motor's final position and peak velocity, and the USB messages with their\n"
    "times.\n"
    "\n"
    "Options:\n"
    "  --seconds S      the limit in virtual seconds, at most 3600 (default 600)\n"
    "  --set-input IN=on|off[@T]\n"
    "                   switches an input T seconds into the run (at the start\n"
    "                   without @T): INPUT1 ... INPUT6 (also in1 ... in6), RUN or\n"
    "                   STOP; may be given more than once. INPUT1/INPUT2 edges take\n"
    "                   the input breaks, STOP stops the program.\n"
    "  --json           print one JSON object instead: \"ended\" (end() reached),\n"
    "                   \"stop\", \"seconds\", \"executed\", \"positions\" (steps),\n"
    "                   \"peak_velocity\" (rev/s), \"motors_running\", \"messages\",\n"
    "                   \"message_seconds\", \"lines\" (the line of every command\n"
    "                   executed, at most 100000) and \"lines_truncated\"\n"
    "  --csv OUT.csv    also write the trace: t,line,x1,x2,x3,v1,v2,v3 every 10 ms\n"
    "                   (seconds, executing line, steps, rev/s)\n"
    "  -h, --help       show this help\n"
    "\n"
    "Exit status: 0 the program ran (to its end or to the limit); 1 it cannot run\n"
    "(empty, or STOP held at the start); 2 bad usage, FILE cannot be read or is\n"
    "damaged, or OUT.csv cannot be written.\n";

constexpr OptionDef kSimulateOptions[] = {
    {"seconds", true}, {"set-input", true}, {"json", false}, {"csv", true}};

constexpr int kMaxSeconds = 3600;

}  // namespace

int runSimulate(std::span<const std::string> args, Io& io) {
    const ParsedArgs parsed = parseArgs(args, kSimulateOptions);
    if (parsed.help) {
        io.out << simulateVerb().help;
        return kExitOk;
    }
    if (!parsed.error.empty()) return usageError(io, "simulate", parsed.error);
    if (parsed.positional.size() != 1)
        return usageError(io, "simulate",
                          parsed.positional.empty() ? "no program file given"
                                                    : "exactly one program file is expected");

    sim::DryRunOptions options;
    if (const auto text = parsed.value("seconds")) {
        // The switch syntax reads seconds to the millisecond; reuse it.
        const auto limit = sim::parseInputSwitch("RUN=on@" + *text);
        if (!limit || limit->at <= sim::SimDuration{0} ||
            limit->at > std::chrono::seconds(kMaxSeconds))
            return usageError(
                io, "simulate",
                "--seconds takes 0.001 ... 3600 (at most three decimals), not '" + *text + "'");
        options.limit = limit->at;
    }
    for (const auto& [name, value] : parsed.options) {
        if (name != "set-input") continue;
        const auto change = sim::parseInputSwitch(value);
        if (!change)
            return usageError(io, "simulate",
                              "--set-input needs IN=on or IN=off, optionally @SECONDS (IN: "
                              "INPUT1 ... INPUT6, RUN, STOP), not '" +
                                  value + "'");
        options.switches.push_back(*change);
    }
    const auto csv = parsed.value("csv");
    if (csv && csv->empty()) return usageError(io, "simulate", "--csv needs a file name");

    ProgramImage image;
    if (!loadProgramForVerb(parsed.positional[0], image, io)) return kExitFailure;
    const sim::DryRun run = sim::dryRun(image, options);
    if (csv) {
        const std::string trace = sim::dryRunCsv(run);
        const SaveResult saved = writeFileAtomically(*csv, {trace.begin(), trace.end()});
        if (!saved) {
            io.err << "rv720: " << *csv << ": " << saved.reason() << "\n";
            return kExitFailure;
        }
    }
    io.out << (parsed.value("json") ? sim::dryRunJson(run) : sim::dryRunSummary(run));
    return run.end == sim::DryRunEnd::NotStarted ? kExitProgramErrors : kExitOk;
}

const Verb& simulateVerb() {
    static const Verb verb{"simulate", "dry-run a program on a twin of its own", kSimulateHelp,
                           runSimulate};
    return verb;
}

}  // namespace rv720::cli
