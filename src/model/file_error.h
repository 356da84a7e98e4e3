#pragma once
// Why a file could not be read or written: program files in both forms, and the
// other whole files the station and the tool write (dry-run traces). Callers
// decide by the kind -- the station takes a file it cannot open off its recent
// list, shows a text's mistake with its line and column, and so on -- never by the
// words; the words of every reason are made in one place, reason().
#include <cstdint>
#include <string>
#include <utility>

namespace rv720 {

enum class FileError : std::uint8_t {
    None,
    // Reading.
    CannotOpen,    // missing, not permitted, or not a regular file (a folder, a pipe, a device)
    CannotRead,    // the system failed while reading
    TooShort,      // shorter than the program file's header
    Truncated,     // holds fewer records than its header declares
    TextTooLarge,  // far larger than any program text
    TextMistake,   // a text form the import cannot read, at a line and column
    // Writing.
    NotAFileName,      // the path ends in a folder separator
    CannotFollowLink,  // a symbolic link loops or cannot be read
    CannotReplace,     // the path is not a regular file, or the rename failed
    CannotCreate,      // the folder takes no new file
    CannotWrite,       // the system failed while writing or syncing
};

// The outcome of reading or writing a file, with what its reason needs.
struct FileResult {
    FileError error = FileError::None;
    // The system's words (strerror), what the path is instead of a file ("a named
    // pipe"), or, for a text, what the import expected there.
    std::string cause;
    std::uint64_t size = 0;  // TooShort: the file's bytes; Truncated: the commands declared
    std::uint64_t held = 0;  // Truncated: the records the file holds
    int line = 0;            // TextMistake: where, counted from 1
    int column = 0;

    bool ok() const { return error == FileError::None; }
    explicit operator bool() const { return ok(); }

    // The reason as the user reads it, without the file name: "cannot open: No such
    // file or directory", "file is 25 bytes, a program file has at least 30 bytes",
    // "expected a motor M1, M2 or M3". Empty when nothing failed.
    std::string reason() const;
};

inline FileResult fileFailure(FileError error, std::string cause = {}) {
    FileResult result;
    result.error = error;
    result.cause = std::move(cause);
    return result;
}

// The system's words for errno `error` as a cause ("No such file or directory").
std::string systemCause(int error);

// The cause for a path whose file mode is not a regular file's:
// "not a regular file (a named pipe)".
std::string notARegularFile(unsigned mode);

}  // namespace rv720
