#pragma once
// Program files in either form: the binary .pri and the text form (.rv720). Every
// reader of program files (the tool's verbs, the station's Open) goes through
// loadProgram, so both forms are accepted everywhere alike.
//
// The form is told by the bytes first: a .pri starts with the high byte of its
// length, 0 for any program the station can hold, and a text never starts with
// a NUL. Otherwise the extension decides (.pri binary); anything else is text.
#include <cstdint>
#include <string>
#include <string_view>

#include "model/program_file.h"
#include "model/program_image.h"

namespace rv720 {

enum class ProgramForm : std::uint8_t { Binary, Text };

// The form a file of this name is written in: text for the text form's extension.
ProgramForm formForPath(std::string_view path);

// A failure is any of file_error.h's reading ones; a mistake in a text is
// FileError::TextMistake with its line and column.
struct ProgramLoad : FileResult {
    ProgramForm form = ProgramForm::Binary;
    std::uint32_t declaredLength = 0;  // binary form, before the cut to 999

    // One line naming the file: "PATH:LINE:COLUMN: expected ..." for a mistake in
    // a text (as compilers write it, so editors jump there), "PATH: reason" otherwise.
    std::string located(const std::string& path) const;
};

// Loads `path` in whichever form it is; `image` is untouched on any failure.
ProgramLoad loadProgram(const std::string& path, ProgramImage& image);

// Writes `image` to `path` in `form`, atomically (see program_file.h).
SaveResult saveProgram(const std::string& path, const ProgramImage& image, ProgramForm form);

}  // namespace rv720
