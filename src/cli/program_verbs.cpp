#include "cli/program_verbs.h"

#include <ostream>

#include "model/program_file.h"

namespace rv720::cli {

namespace {

constexpr std::string_view kListHelp =
    "Usage: rv720 list FILE.pri [--columns 1|4] [--decimal-separator CHAR]\n"
    "\n"
    "Prints the listing of the program in FILE.pri, one line per command, each line\n"
    "exactly as the station renders it: the three-digit line number, the command and\n"
    "blanks up to 105 characters.\n"
    "\n"
    "Options:\n"
    "  --columns 1|4             1: one column (the default); 4: one column for each\n"
    "                            motor and one for the controller's commands, starting\n"
    "                            at characters 5, 29, 53 and 77\n"
    "  --decimal-separator CHAR  the character between the whole and the decimal part\n"
    "                            of velocities and accelerations (default '.')\n"
    "  -h, --help                show this help\n"
    "\n"
    "Exit status: 0 listed; 2 bad usage, or FILE cannot be read or is damaged.\n";

constexpr std::string_view kCheckHelp =
    "Usage: rv720 check FILE.pri\n"
    "\n"
    "Compiles the program in FILE.pri as the station does before writing it into the\n"
    "controller and prints the report, dated with the local clock: every error and\n"
    "the warning, the summary and the verdict.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 the program compiles without errors (warnings allowed); 1 it has\n"
    "errors; 2 bad usage, or FILE cannot be read or is damaged.\n";

constexpr OptionDef kListOptions[] = {{"columns", true}, {"decimal-separator", true}};

// Shared start of the file verbs: options, help, exactly one file.
bool prepare(std::span<const std::string> args, std::span<const OptionDef> defs, const Verb& verb,
             Io& io, ParsedArgs& parsed, int& status) {
    parsed = parseArgs(args, defs);
    if (parsed.help) {
        io.out << verb.help;
        status = kExitOk;
        return false;
    }
    if (!parsed.error.empty()) {
        status = usageError(io, verb.name, parsed.error);
        return false;
    }
    if (parsed.positional.size() != 1) {
        status = usageError(io, verb.name,
                            parsed.positional.empty() ? "no program file given"
                                                      : "exactly one program file is expected");
        return false;
    }
    return true;
}

}  // namespace

std::optional<ListingLayout> parseColumns(std::string_view text) {
    if (text == "1") return ListingLayout::OneColumn;
    if (text == "4") return ListingLayout::FourColumns;
    return std::nullopt;
}

std::optional<char> parseDecimalSeparator(std::string_view text) {
    if (text.size() != 1) return std::nullopt;
    const char c = text[0];
    const bool printable = c > ' ' && c < 0x7F;
    const bool partOfNumber = (c >= '0' && c <= '9') || c == '-' || c == '+';
    if (!printable || partOfNumber) return std::nullopt;
    return c;
}

bool loadProgramForVerb(const std::string& path, ProgramImage& image, Io& io) {
    const ProgramFileResult loaded = loadProgramFile(path, image);
    if (!loaded) {
        io.err << "rv720: " << path << ": " << loaded.error << "\n";
        return false;
    }
    if (loaded.declaredLength > kMaxCommands)
        io.err << "rv720: " << path << ": note: declares " << loaded.declaredLength
               << " commands, the first " << kMaxCommands << " are read\n";
    return true;
}

void printListing(const std::vector<ListingLine>& lines, std::ostream& out) {
    for (const ListingLine& line : lines)
        out << line.text << '\n';
}

void printReport(const CompileReport& report, std::ostream& out) {
    for (const LogLine& line : report.lines)
        out << line.text << '\n';
}

int runList(std::span<const std::string> args, Io& io) {
    ParsedArgs parsed;
    int status = kExitOk;
    if (!prepare(args, kListOptions, listVerb(), io, parsed, status)) return status;

    ListingLayout layout = ListingLayout::OneColumn;
    if (auto text = parsed.value("columns")) {
        auto chosen = parseColumns(*text);
        if (!chosen) return usageError(io, "list", "--columns takes 1 or 4, not '" + *text + "'");
        layout = *chosen;
    }
    char separator = '.';
    if (auto text = parsed.value("decimal-separator")) {
        auto chosen = parseDecimalSeparator(*text);
        if (!chosen)
            return usageError(io, "list",
                              "--decimal-separator takes one printable character other than a "
                              "digit or a sign, not '" +
                                  *text + "'");
        separator = *chosen;
    }

    ProgramImage image;
    if (!loadProgramForVerb(parsed.positional[0], image, io)) return kExitFailure;
    printListing(renderListing(image, layout, separator), io.out);
    return kExitOk;
}

int runCheck(std::span<const std::string> args, Io& io) {
    ParsedArgs parsed;
    int status = kExitOk;
    if (!prepare(args, {}, checkVerb(), io, parsed, status)) return status;

    ProgramImage image;
    if (!loadProgramForVerb(parsed.positional[0], image, io)) return kExitFailure;
    const CompileReport report = compileProgram(image, io.clock.shortDate(), io.clock.longTime());
    printReport(report, io.out);
    return report.errors == 0 ? kExitOk : kExitProgramErrors;
}

const Verb& listVerb() {
    static const Verb verb{"list", "print the listing of a program file", kListHelp, runList};
    return verb;
}

const Verb& checkVerb() {
    static const Verb verb{"check", "compile a program file and print the report", kCheckHelp,
                           runCheck};
    return verb;
}

}  // namespace rv720::cli
