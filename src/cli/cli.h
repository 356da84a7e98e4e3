#pragma once
// The rv720 command-line tool: a table of verbs ("list", "check", ...), each with
// its own options and --help, run against streams and a clock the caller passes
// in, so tests drive the tool in-process exactly as the binary does.
//
// Exit status of every verb: 0 done, 1 done but the program has errors (check),
// 2 nothing done: bad usage, or a file that cannot be read or is damaged; the
// reason is then one line on the error stream.
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/clock.h"

namespace rv720::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitProgramErrors = 1;
inline constexpr int kExitFailure = 2;

using Args = std::vector<std::string>;

struct Io {
    std::ostream& out;
    std::ostream& err;
    Clock& clock;
};

struct OptionDef {
    std::string_view name;  // without the leading "--"
    bool takesValue;
};

// Options as given: "--name value" or "--name=value"; "-h"/"--help" anywhere;
// "--" ends the options. Anything else starting with "-" is an error.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // in the order given
    bool help = false;
    std::string error;  // empty when the arguments parsed

    // Last value given for `name` (a later option overrides an earlier one).
    std::optional<std::string> value(std::string_view name) const;
};

ParsedArgs parseArgs(std::span<const std::string> args, std::span<const OptionDef> defs);

struct Verb {
    std::string_view name;
    std::string_view summary;  // one line for the overview
    std::string_view help;     // full text for "rv720 NAME --help"
    int (*run)(std::span<const std::string> args, Io& io);
};

// Every verb the tool knows, in the order the overview lists them.
std::span<const Verb> verbs();
const Verb* findVerb(std::string_view name);

// Runs the tool; `args` excludes the program name. Returns the exit status.
int runCli(std::span<const std::string> args, Io& io);

std::string overviewHelp();

// Reports a usage error of `verb` on the error stream and returns kExitFailure.
int usageError(Io& io, std::string_view verb, std::string_view message);

}  // namespace rv720::cli
