#pragma once
// Verbs that work on program files alone: "list" renders the listing, "check"
// compiles the program and prints the report, "export" and "import" turn a
// program file into its text form and back. Each takes either form.
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"
#include "compiler/compiler.h"
#include "editor/listing.h"
#include "model/program_image.h"

namespace rv720::cli {

const Verb& listVerb();
const Verb& checkVerb();
const Verb& exportVerb();
const Verb& importVerb();

// "1" or "4"; anything else is nullopt.
std::optional<ListingLayout> parseColumns(std::string_view text);
// One printable character that cannot be part of a number's digits or sign.
std::optional<char> parseDecimalSeparator(std::string_view text);

// Loads `path`, in either form, into `image`; on failure writes "rv720: PATH:
// reason" (a text: "PATH:LINE:COLUMN: expected ...") to the error stream and
// returns false.
bool loadProgramForVerb(const std::string& path, ProgramImage& image, Io& io);

void printListing(const std::vector<ListingLine>& lines, std::ostream& out);
void printReport(const CompileReport& report, std::ostream& out);

int runList(std::span<const std::string> args, Io& io);
int runCheck(std::span<const std::string> args, Io& io);
int runExport(std::span<const std::string> args, Io& io);
int runImport(std::span<const std::string> args, Io& io);

}  // namespace rv720::cli
