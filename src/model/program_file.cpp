#include "model/program_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rv720 {

namespace {

constexpr std::size_t kLengthOffset = 0;
constexpr std::size_t kInput1Offset = 10;
constexpr std::size_t kInput2Offset = 20;

// Closes a descriptor on every path out.
struct FdCloser {
    int fd = -1;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
    int close() {
        const int rc = ::close(fd);
        fd = -1;
        return rc;
    }
};

// Every byte, or the reason it could not be written.
bool writeAll(int fd, const std::vector<std::uint8_t>& bytes, int& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

// Where a chain of symbolic links ends; the path itself when it is no link. The
// end may not exist yet (a dangling link): saving creates it.
std::filesystem::path followLinks(std::filesystem::path path, int& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (int hops = 0; fs::is_symlink(path, ec); ++hops) {
        if (hops == 40) {
            error = ELOOP;
            break;
        }
        const fs::path next = fs::read_symlink(path, ec);
        if (ec) {
            error = ec.value();
            break;
        }
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

// A fresh, exclusively created file beside `target`. Its name is short whatever
// the target's (a name near the 255-character limit must stay saveable), and
// random, so two stations saving into one shared folder do not collide.
int createTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& tmp,
                          int& error) {
    std::random_device entropy;
    std::mt19937 generator(entropy());
    error = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char name[24];
        std::snprintf(name, sizeof name, ".rv720-%08x.tmp", unsigned(generator()));
        tmp = target.parent_path() / name;
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) return fd;
        error = errno;
        if (error != EEXIST) break;
    }
    return -1;
}

// The file rewritten where it lies: for a writable file in a folder that takes no
// new files. Not atomic, so only the fallback. A file that cannot be opened either
// is reported as the folder's refusal, as before there was a fallback.
SaveResult writeInPlace(const std::filesystem::path& target, const std::vector<std::uint8_t>& bytes,
                        int folderError) {
    FdCloser out{::open(target.c_str(), O_WRONLY | O_CLOEXEC)};
    if (out.fd < 0) return fileFailure(FileError::CannotCreate, systemCause(folderError));
    int error = 0;
    if (!writeAll(out.fd, bytes, error) || ::ftruncate(out.fd, off_t(bytes.size())) != 0 ||
        ::fsync(out.fd) != 0 || out.close() != 0)
        return fileFailure(FileError::CannotWrite, systemCause(error != 0 ? error : errno));
    return {};
}

// Makes a finished rename last through a power cut. Best effort: some file systems
// cannot sync a folder, and the file is in place either way.
void syncFolder(const std::filesystem::path& folder) {
    FdCloser dir{::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (dir.fd >= 0) ::fsync(dir.fd);
}

}  // namespace

std::vector<std::uint8_t> encodeProgramFile(const ProgramImage& image) {
    const std::uint32_t n = std::min<std::uint32_t>(image.length(), kMaxCommands);
    std::vector<std::uint8_t> bytes(kFileHeaderSize + std::size_t(n) * kRecordSize, 0);
    writeBe32(&bytes[kLengthOffset], std::int32_t(n));
    const InputBreakWire wire = image.inputBreakWire();
    std::copy(wire.begin(), wire.end(), bytes.begin() + kInput1Offset);
    for (std::uint32_t i = 0; i < n; ++i) {
        const Record r = image.record(int(i));
        std::copy(r.begin(), r.end(), bytes.begin() + kFileHeaderSize + i * kRecordSize);
    }
    return bytes;
}

ProgramFileResult decodeProgramFile(const std::uint8_t* data, std::size_t size,
                                    ProgramImage& image) {
    ProgramFileResult result;
    if (size < kFileHeaderSize) {
        result.error = FileError::TooShort;
        result.size = size;
        return result;
    }
    result.declaredLength = static_cast<std::uint32_t>(readBe32(data + kLengthOffset));
    const std::uint32_t n = std::min<std::uint32_t>(result.declaredLength, kMaxCommands);
    const std::size_t held = (size - kFileHeaderSize) / kRecordSize;
    if (held < n) {
        result.error = FileError::Truncated;
        result.size = result.declaredLength;
        result.held = held;
        return result;
    }
    InputBreakWire wire;
    static_assert(kInput2Offset == kInput1Offset + 10);
    std::copy(data + kInput1Offset, data + kInput1Offset + kInputBreakSize, wire.begin());
    image.setInputBreakFromWire(wire);
    for (std::uint32_t i = 0; i < n; ++i) {
        Record r;
        std::copy_n(data + kFileHeaderSize + i * kRecordSize, kRecordSize, r.begin());
        image.setRecord(int(i), r);
    }
    image.setLength(n);
    return result;
}

FileResult readRegularFile(const std::string& path, std::size_t limit,
                           std::vector<std::uint8_t>& bytes) {
    bytes.clear();
    // A named pipe or a device is refused before it is opened: opening a pipe waits
    // for a writer, reading a device may never end.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return fileFailure(FileError::CannotOpen, notARegularFile(info.st_mode));
    // Non-blocking, and checked again once open, in case the path changed meanwhile.
    FdCloser in{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
    if (in.fd < 0) return fileFailure(FileError::CannotOpen, systemCause(errno));
    if (::fstat(in.fd, &info) != 0) return fileFailure(FileError::CannotOpen, systemCause(errno));
    if (!S_ISREG(info.st_mode))
        return fileFailure(FileError::CannotOpen, notARegularFile(info.st_mode));
    bytes.resize(std::min<std::size_t>(limit, std::size_t(std::max<off_t>(info.st_size, 0)) + 1));
    std::size_t got = 0;
    while (got < limit) {
        if (got == bytes.size()) bytes.resize(std::min(limit, 2 * bytes.size()));
        const ssize_t n = ::read(in.fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            bytes.clear();
            return fileFailure(FileError::CannotRead, systemCause(errno));
        }
        if (n == 0) break;
        got += std::size_t(n);
    }
    bytes.resize(got);
    return {};
}

ProgramFileResult loadProgramFile(const std::string& path, ProgramImage& image) {
    // Nothing past the 999th record is ever used, so a huge file costs no more
    // than a full program.
    std::vector<std::uint8_t> bytes;
    if (FileResult read = readRegularFile(path, kMaxFileBytes, bytes); !read) {
        ProgramFileResult result;
        static_cast<FileResult&>(result) = std::move(read);
        return result;
    }
    return decodeProgramFile(bytes, image);
}

SaveResult saveProgramFile(const std::string& path, const ProgramImage& image) {
    return writeFileAtomically(path, encodeProgramFile(image));
}

SaveResult writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    namespace fs = std::filesystem;
    // Saving through a link updates the file it points at and keeps the link.
    int error = 0;
    const fs::path target = followLinks(path, error);
    if (error != 0) return fileFailure(FileError::CannotFollowLink, systemCause(error));
    if (target.filename().empty()) return fileFailure(FileError::NotAFileName);
    struct stat previous {};
    const bool exists = ::lstat(target.c_str(), &previous) == 0;
    if (exists && !S_ISREG(previous.st_mode))
        return fileFailure(FileError::CannotReplace, notARegularFile(previous.st_mode));

    fs::path tmp;
    FdCloser out{createTemporaryBeside(target, tmp, error)};
    if (out.fd < 0) {
        // A folder that takes no new files may still hold a file that may be written.
        if (exists && (error == EACCES || error == EPERM))
            return writeInPlace(target, bytes, error);
        return fileFailure(FileError::CannotCreate, systemCause(error));
    }
    auto fail = [&](FileError why, std::string cause) {
        if (out.fd >= 0) out.close();
        std::error_code ignored;
        fs::remove(tmp, ignored);
        return fileFailure(why, std::move(cause));
    };

    if (!writeAll(out.fd, bytes, error)) return fail(FileError::CannotWrite, systemCause(error));
    // Keep the permissions the previous file had.
    if (exists) ::fchmod(out.fd, previous.st_mode & 07777);
    // On the disk before it replaces anything: a power cut must not leave an empty file.
    if (::fsync(out.fd) != 0 || out.close() != 0)
        return fail(FileError::CannotWrite, systemCause(errno));

    std::error_code ec;
    fs::rename(tmp, target, ec);
    if (ec) return fail(FileError::CannotReplace, ec.message());
    syncFolder(target.parent_path());
    return {};
}

}  // namespace rv720
