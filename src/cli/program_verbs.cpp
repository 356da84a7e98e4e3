#include "cli/program_verbs.h"

#include <filesystem>
#include <ostream>

#include "model/program_store.h"
#include "model/program_text.h"

namespace rv720::cli {

namespace {

constexpr std::string_view kListHelp =
    "Usage: rv720 list FILE.pri [--columns 1|4] [--decimal-separator CHAR]\n"
    "\n"
    "Prints the listing of the program in FILE.pri (or its text form, FILE.rv720),\n"
    "one line per command, each line\n"
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
    "Compiles the program in FILE.pri (or its text form, FILE.rv720) as the station\n"
    "does before writing it into the controller and prints the report, dated with\n"
    "the local clock: every error and the warning, the summary and the verdict.\n"
    "\n"
    "Options:\n"
    "  -h, --help  show this help\n"
    "\n"
    "Exit status: 0 the program compiles without errors (warnings allowed); 1 it has\n"
    "errors; 2 bad usage, or FILE cannot be read or is damaged.\n";

constexpr std::string_view kExportHelp =
    "Usage: rv720 export FILE.pri [-o OUT.rv720] [--labels]\n"
    "\n"
    "Writes the program in FILE.pri as text (the .rv720 form): the two input-break\n"
    "lines, then one command a line in the listing's words, values with a '.' in\n"
    "full precision. A record whose bytes the words cannot hold exactly is written\n"
    "as raw(..) with its ten bytes, so 'rv720 import' gives back the same file.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT  the text file to write (replaced if it exists); without it\n"
    "                    the text goes to the standard output\n"
    "  --labels          name every line a jump or an input break goes to (@line21)\n"
    "                    and jump to the names, so that lines can be added by hand\n"
    "                    without renumbering\n"
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 written; 2 bad usage, FILE cannot be read or is damaged, or OUT\n"
    "cannot be written.\n";

constexpr std::string_view kImportHelp =
    "Usage: rv720 import FILE.rv720 [-o OUT.pri]\n"
    "\n"
    "Reads a program in the text form and writes it as a program file. Every value\n"
    "must lie within the limits the station's parameter dialog keeps; a mistake is\n"
    "reported as FILE:LINE:COLUMN: expected ... and nothing is written.\n"
    "\n"
    "Options:\n"
    "  -o, --output OUT  the program file to write (replaced if it exists); without\n"
    "                    it FILE with the extension .pri\n"
    "  -h, --help        show this help\n"
    "\n"
    "Exit status: 0 written; 2 bad usage, a mistake in FILE, or OUT cannot be\n"
    "written.\n";

constexpr OptionDef kListOptions[] = {{"columns", true}, {"decimal-separator", true}};
constexpr OptionDef kExportOptions[] = {{"output", true}, {"labels", false}};
constexpr OptionDef kImportOptions[] = {{"output", true}};

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
    const ProgramLoad loaded = loadProgram(path, image);
    if (!loaded) {
        // A mistake in a text is located as compilers locate theirs.
        io.err << (loaded.error == FileError::TextMistake ? "" : "rv720: ") << loaded.located(path)
               << "\n";
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

namespace {

bool writeOutput(const std::string& path, const std::vector<std::uint8_t>& bytes, Io& io) {
    const SaveResult saved = writeFileAtomically(path, bytes);
    if (!saved) io.err << "rv720: " << path << ": " << saved.reason() << "\n";
    return saved.ok();
}

}  // namespace

int runExport(std::span<const std::string> args, Io& io) {
    ParsedArgs parsed;
    int status = kExitOk;
    if (!prepare(args, kExportOptions, exportVerb(), io, parsed, status)) return status;
    const auto output = parsed.value("output");
    if (output && output->empty()) return usageError(io, "export", "-o needs a file name");

    ProgramImage image;
    if (!loadProgramForVerb(parsed.positional[0], image, io)) return kExitFailure;
    TextExportOptions options;
    options.labels = parsed.value("labels").has_value();
    const std::string text = exportProgramText(image, options);
    if (!output) {
        io.out << text;
        return kExitOk;
    }
    return writeOutput(*output, {text.begin(), text.end()}, io) ? kExitOk : kExitFailure;
}

int runImport(std::span<const std::string> args, Io& io) {
    ParsedArgs parsed;
    int status = kExitOk;
    if (!prepare(args, kImportOptions, importVerb(), io, parsed, status)) return status;
    const std::string& input = parsed.positional[0];
    std::string output = parsed.value("output").value_or("");
    if (output.empty()) {
        const std::filesystem::path path(input);
        if (path.extension() == ".pri")
            return usageError(io, "import", "FILE is a .pri already; give the output with -o");
        output = std::filesystem::path(path).replace_extension(".pri").string();
    }

    ProgramImage image;
    if (!loadProgramForVerb(input, image, io)) return kExitFailure;
    return writeOutput(output, encodeProgramFile(image), io) ? kExitOk : kExitFailure;
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

const Verb& exportVerb() {
    static const Verb verb{"export", "write a program file as text (.rv720)", kExportHelp,
                           runExport};
    return verb;
}

const Verb& importVerb() {
    static const Verb verb{"import", "write a program text as a program file (.pri)", kImportHelp,
                           runImport};
    return verb;
}

}  // namespace rv720::cli
