#include "model/file_error.h"

#include <sys/stat.h>

#include <cstring>

#include "model/program_file.h"

namespace rv720 {

namespace {

std::string plural(std::uint64_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

std::string systemCause(int error) {
    return error != 0 ? std::string(std::strerror(error)) : std::string("unknown error");
}

std::string notARegularFile(unsigned mode) {
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : "something else";
    return std::string("not a regular file (") + kind + ")";
}

std::string FileResult::reason() const {
    switch (error) {
        case FileError::None:
            return {};
        case FileError::CannotOpen:
            return "cannot open: " + cause;
        case FileError::CannotRead:
            return "cannot read: " + cause;
        case FileError::TooShort:
            return "file is " + plural(size, "byte") + ", a program file has at least " +
                   plural(kFileHeaderSize, "byte");
        case FileError::Truncated:
            return "declares " + plural(size, "command") + " but holds " + std::to_string(held);
        case FileError::TextTooLarge:
            return "too large for a program text";
        case FileError::TextMistake:
            return cause;
        case FileError::NotAFileName:
            return "not a file name";
        case FileError::CannotFollowLink:
            return "cannot follow the link: " + cause;
        case FileError::CannotReplace:
            return "cannot replace it: " + cause;
        case FileError::CannotCreate:
            return "cannot create a file in its folder: " + cause;
        case FileError::CannotWrite:
            return "cannot write: " + cause;
    }
    return {};
}

}  // namespace rv720
