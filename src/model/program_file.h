#pragma once
// Program files (*.pri): the program length, the input-break block and the
// command records, all big-endian, no padding, 30 + 10 x N bytes:
//
//   offset  size    content
//   0       4       N, the program length, unsigned
//   4       6       reserved: written as zero, ignored when read
//   10      10      INPUT1 half of the input-break block (block bytes 0, 2, ..., 18)
//   20      10      INPUT2 half (block bytes 1, 3, ..., 19)
//   30      10 x N  the records in program order, each as b0..b9
//
// A declared length above 999 is read as 999 (the first 999 records). A file
// too short for its header or for the records it declares is refused instead
// of being padded with filler bytes, and bytes after the last record read are
// ignored. Only regular files are opened: a named pipe or a device is refused at
// once instead of blocking the caller.
// Saving goes through a temporary file (short name, same folder) that is synced
// to the disk and renamed over the target only once every byte is written, so a
// failed save or a power cut leaves the previous file as it was; the folder is
// synced after the rename. A symbolic link is followed to the file it names (a
// dangling one gets that file created) and stays a link. A file that may be
// written in a folder that takes no new files is rewritten in place instead.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/file_error.h"
#include "model/program_image.h"

namespace rv720 {

inline constexpr std::size_t kFileHeaderSize = 30;
inline constexpr std::size_t kMaxFileBytes = kFileHeaderSize + kRecordSize * kMaxCommands;

// Outcome of decoding or loading; see file_error.h for the failures and their reasons.
struct ProgramFileResult : FileResult {
    std::uint32_t declaredLength = 0;  // as the file states it, before the cut to 999
};

// Bytes of a program file for the image's length, block and first `length` records.
std::vector<std::uint8_t> encodeProgramFile(const ProgramImage& image);

// On success overwrites the length, the input-break block and the slots 0..N-1
// of `image` (later slots keep their stale contents). On failure `image` is
// untouched.
ProgramFileResult decodeProgramFile(const std::uint8_t* data, std::size_t size,
                                    ProgramImage& image);
inline ProgramFileResult decodeProgramFile(const std::vector<std::uint8_t>& bytes,
                                           ProgramImage& image) {
    return decodeProgramFile(bytes.data(), bytes.size(), image);
}

// Reads at most `limit` bytes of the regular file at `path` into `bytes`. A named
// pipe, a device or a folder is refused at once, before anything can block
// (FileError::CannotOpen); a failing read is FileError::CannotRead.
FileResult readRegularFile(const std::string& path, std::size_t limit,
                           std::vector<std::uint8_t>& bytes);

// Reads and decodes the file at `path`; `image` is untouched on any failure.
ProgramFileResult loadProgramFile(const std::string& path, ProgramImage& image);

using SaveResult = FileResult;

// Writes the image's program to `path` as described above.
SaveResult saveProgramFile(const std::string& path, const ProgramImage& image);

// The same for ready-made bytes; shared by every writer of whole files.
SaveResult writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace rv720
