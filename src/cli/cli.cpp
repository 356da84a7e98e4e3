#include "cli/cli.h"

#include <algorithm>
#include <ostream>

#include "cli/program_verbs.h"
#include "cli/simulate_verb.h"
#include "support/build_info.h"
#ifdef RV720_DEVICE_VERBS
#include "cli/device_verbs.h"
#include "cli/devices_verb.h"
#include "cli/monitor_verb.h"
#endif

namespace rv720::cli {

std::optional<std::string> ParsedArgs::value(std::string_view name) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it)
        if (it->first == name) return it->second;
    return std::nullopt;
}

ParsedArgs parseArgs(std::span<const std::string> args, std::span<const OptionDef> defs) {
    ParsedArgs parsed;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            parsed.positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            parsed.help = true;
            continue;
        }
        // "-o FILE" is the usual spelling of --output.
        const bool shortOutput =
            arg == "-o" && std::any_of(defs.begin(), defs.end(),
                                       [](const OptionDef& d) { return d.name == "output"; });
        if (shortOutput) {
            if (i + 1 >= args.size()) {
                parsed.error = "option '-o' needs a value";
                return parsed;
            }
            parsed.options.emplace_back("output", args[++i]);
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            parsed.error = "unknown option '" + arg + "'";
            return parsed;
        }
        const auto eq = arg.find('=');
        const std::string name =
            arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
        const OptionDef* def = nullptr;
        for (const auto& s : defs)
            if (s.name == name) def = &s;
        if (!def) {
            parsed.error = "unknown option '--" + name + "'";
            return parsed;
        }
        if (!def->takesValue) {
            if (eq != std::string::npos) {
                parsed.error = "option '--" + name + "' takes no value";
                return parsed;
            }
            parsed.options.emplace_back(name, "");
            continue;
        }
        if (eq != std::string::npos) {
            parsed.options.emplace_back(name, arg.substr(eq + 1));
        } else if (i + 1 < args.size()) {
            parsed.options.emplace_back(name, args[++i]);
        } else {
            parsed.error = "option '--" + name + "' needs a value";
            return parsed;
        }
    }
    return parsed;
}

std::span<const Verb> verbs() {
    // One entry per verb; a new verb adds its descriptor here.
    static const Verb table[] = {
        listVerb(),     checkVerb(),   exportVerb(),   importVerb(),
        simulateVerb(),
#ifdef RV720_DEVICE_VERBS
        writeVerb(),    readVerb(),    runVerb(),      stopVerb(),
        resetVerb(),    versionVerb(), firmwareVerb(), serveSimulatorVerb(),
        monitorVerb(),  devicesVerb(),
#endif
    };
    return table;
}

const Verb* findVerb(std::string_view name) {
    for (const Verb& verb : verbs())
        if (verb.name == name) return &verb;
    return nullptr;
}

std::string overviewHelp() {
    std::string text =
        "Usage: rv720 COMMAND [OPTIONS]\n"
        "\n"
        "Command-line face of the RV720 Station: renders, checks and dry-runs program\n"
        "files (*.pri, or their text form *.rv720) exactly as the station does, and\n"
        "talks to a controller (or the simulator) over the station's own link.\n"
        "\n"
        "Commands:\n";
    for (const Verb& verb : verbs()) {
        std::string name(verb.name);
        name.resize(std::max<std::size_t>(name.size() + 2, 17), ' ');
        text += "  " + name + std::string(verb.summary) + "\n";
    }
    text +=
        "\n"
        "Options:\n"
        "  -h, --help     show this help\n"
        "      --version  print the tool's version (the controller's: 'rv720 version')\n"
        "\n"
        "Run 'rv720 COMMAND --help' for the options of a command, or 'rv720 help COMMAND'.\n"
        "\n"
        "Exit status: 0 done; 1 the checked program has errors, the simulated one cannot\n"
        "run, or the device failed or did not answer; 2 bad usage, or a file that cannot\n"
        "be read or is damaged (the reason is one line on stderr).\n";
    return text;
}

int usageError(Io& io, std::string_view verb, std::string_view message) {
    const std::string who = verb.empty() ? "rv720" : "rv720 " + std::string(verb);
    io.err << who << ": " << message << " (see '" << who << " --help')\n";
    return kExitFailure;
}

int runCli(std::span<const std::string> args, Io& io) {
    if (args.empty()) return usageError(io, "", "no command given");
    const std::string& first = args[0];
    if (first == "-h" || first == "--help") {
        io.out << overviewHelp();
        return kExitOk;
    }
    if (first == "--version") {
        io.out << "rv720 " << kVersion << "\n";
        return kExitOk;
    }
    if (first == "help") {
        if (args.size() == 1) {
            io.out << overviewHelp();
            return kExitOk;
        }
        const Verb* verb = findVerb(args[1]);
        if (!verb) return usageError(io, "", "unknown command '" + args[1] + "'");
        io.out << verb->help;
        return kExitOk;
    }
    const Verb* verb = findVerb(first);
    if (!verb) return usageError(io, "", "unknown command '" + first + "'");
    return verb->run(args.subspan(1), io);
}

}  // namespace rv720::cli
