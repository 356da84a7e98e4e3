#include "model/program_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

namespace rv720 {

namespace {

constexpr std::size_t kLengthOffset = 0;
constexpr std::size_t kInput1Offset = 10;
constexpr std::size_t kInput2Offset = 20;

std::string plural(std::size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

std::string systemReason(int error) {
    return error != 0 ? std::string(std::strerror(error)) : std::string("unknown error");
}

// Closes the stream on every path out of the writer.
struct FileCloser {
    std::FILE* file = nullptr;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
    int close() {
        const int rc = std::fclose(file);
        file = nullptr;
        return rc;
    }
};

// A fresh, exclusively created file beside `target`; the random part keeps two
// saves of the same name (two stations on a shared folder) from colliding.
std::FILE* createTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& tmp,
                                 int& error) {
    std::random_device entropy;
    std::mt19937_64 generator((std::uint64_t(entropy()) << 32) ^ entropy());
    const std::filesystem::path folder = target.parent_path();
    error = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, ".%012llx.tmp",
                      static_cast<unsigned long long>(generator() & 0xFFFFFFFFFFFFull));
        tmp = folder / ("." + target.filename().string() + suffix);
        errno = 0;
        // "x": fail rather than reuse a file someone else created.
        if (std::FILE* f = std::fopen(tmp.string().c_str(), "wbx")) return f;
        error = errno;
        if (error != EEXIST) break;
    }
    return nullptr;
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
        result.error = "file is " + plural(size, "byte") + ", a program file has at least " +
                       std::to_string(kFileHeaderSize);
        return result;
    }
    result.declaredLength = static_cast<std::uint32_t>(readBe32(data + kLengthOffset));
    const std::uint32_t n = std::min<std::uint32_t>(result.declaredLength, kMaxCommands);
    const std::size_t held = (size - kFileHeaderSize) / kRecordSize;
    if (held < n) {
        result.error = "declares " + plural(result.declaredLength, "command") + " but holds " +
                       std::to_string(held);
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
    result.ok = true;
    return result;
}

ProgramFileResult loadProgramFile(const std::string& path, ProgramImage& image) {
    ProgramFileResult result;
    errno = 0;
    FileCloser in{std::fopen(path.c_str(), "rb")};
    if (!in.file) {
        result.error = "cannot open: " + systemReason(errno);
        return result;
    }
    // Nothing past the 999th record is ever used, so a huge file costs no more
    // than a full program.
    std::vector<std::uint8_t> bytes(kMaxFileBytes);
    errno = 0;
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), in.file);
    if (std::ferror(in.file)) {
        result.error = "cannot read: " + systemReason(errno);
        return result;
    }
    bytes.resize(got);
    return decodeProgramFile(bytes, image);
}

SaveResult saveProgramFile(const std::string& path, const ProgramImage& image) {
    return writeFileAtomically(path, encodeProgramFile(image));
}

SaveResult writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    namespace fs = std::filesystem;
    SaveResult result;
    std::error_code ec;
    fs::path target(path);
    // Saving through a link updates the file it points at and keeps the link.
    if (fs::is_symlink(target, ec)) {
        const fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec) target = resolved;
    }
    if (target.filename().empty()) {
        result.error = "not a file name";
        return result;
    }

    fs::path tmp;
    int error = 0;
    FileCloser out{createTemporaryBeside(target, tmp, error)};
    if (!out.file) {
        result.error = "cannot create a file in its folder: " + systemReason(error);
        return result;
    }
    auto fail = [&](const std::string& reason) {
        if (out.file) out.close();
        std::error_code ignored;
        fs::remove(tmp, ignored);
        result.error = reason;
        return result;
    };

    errno = 0;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), out.file) != bytes.size())
        return fail("cannot write: " + systemReason(errno));
    errno = 0;
    if (std::fflush(out.file) != 0 || std::ferror(out.file))
        return fail("cannot write: " + systemReason(errno));
    errno = 0;
    if (out.close() != 0) return fail("cannot write: " + systemReason(errno));

    // Keep the permissions the previous file had.
    const fs::file_status previous = fs::status(target, ec);
    if (!ec && fs::is_regular_file(previous)) fs::permissions(tmp, previous.permissions(), ec);

    fs::rename(tmp, target, ec);
    if (ec) return fail("cannot replace it: " + ec.message());
    result.ok = true;
    return result;
}

}  // namespace rv720
