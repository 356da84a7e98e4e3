#pragma once
// The text form of a program (*.rv720): the same program as a .pri file, written
// for people, diffs and e-mail. UTF-8, one statement a line:
//
//   # a comment; blank lines are ignored
//   input1(on; 38; falling)        the input-break rows: enabled on|off, the line
//   input2(off; none; falling)     (a number, none or a label), the edge
//   drv(M1; 1/8; 200; 1; 0)        then the commands in program order, in the
//   @loop: go_to(M1; 1600)         listing's own words and argument order; a label
//   if(counter>0) jump_line(@loop) names the command it stands before
//   raw(13 04 02 48 69 6C 6F 00 00 00)   a record the words cannot hold exactly
//
// Values are written with a '.' whatever the locale and in full precision: a
// velocity is the shortest decimal that the dialog's conversion (single
// precision, times 1000, truncated) turns back into the stored value. Import
// enforces every limit the parameter dialog enforces and refuses what the dialog
// would have limited; raw(..) takes any ten bytes. Export writes raw(..) for a
// record (or an input-break row) whose bytes are not exactly what its words say
// -- unused bytes not zero, a flag other than 0 or 1, a value outside the
// limits, an unknown code -- with the listing's reading as a comment, so export
// followed by import gives back every record and the block byte for byte.
//
// The input-break lines come before the first command and may be left out (both
// off, no line, falling edge). A label stands before a command or alone on a line
// (then it names the next command; at the end, the line after the last command).
#include <cstdint>
#include <string>
#include <string_view>

#include "model/program_image.h"

namespace rv720 {

// Clashes with no common format, says whose program it is and is the tool's name.
inline constexpr std::string_view kTextFormExtension = ".rv720";

struct TextExportOptions {
    // Name every jump target and input-break line "@lineN" and jump to the names,
    // so that lines can be added by hand without renumbering.
    bool labels = false;
};

std::string exportProgramText(const ProgramImage& image, const TextExportOptions& options = {});

// Where and why an import failed; line and column count from 1 (characters).
struct TextImportResult {
    bool ok = false;
    int line = 0;
    int column = 0;
    std::string message;  // "expected a motor M1, M2 or M3"
    explicit operator bool() const { return ok; }
};

// On success overwrites the length, the input-break block and the slots 0..N-1
// of `image` (later slots keep their stale contents); on failure `image` is
// untouched.
TextImportResult importProgramText(std::string_view text, ProgramImage& image);

}  // namespace rv720
