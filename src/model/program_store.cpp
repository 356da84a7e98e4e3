#include "model/program_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "model/program_text.h"

namespace rv720 {

namespace {

// Far beyond 999 commands with long comments; a bigger file is not a program.
constexpr std::size_t kMaxTextBytes = 8u << 20;

bool hasExtension(std::string_view path, std::string_view extension) {
    const std::string actual = std::filesystem::path(path).extension().string();
    if (actual.size() != extension.size()) return false;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        char c = actual[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != extension[i]) return false;
    }
    return true;
}

}  // namespace

ProgramForm formForPath(std::string_view path) {
    return hasExtension(path, kTextFormExtension) ? ProgramForm::Text : ProgramForm::Binary;
}

std::string ProgramLoad::located(const std::string& path) const {
    if (line > 0)
        return path + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + error;
    return path + ": " + error;
}

ProgramLoad loadProgram(const std::string& path, ProgramImage& image) {
    ProgramLoad load;
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        load.error = "cannot open: " + std::string(std::strerror(errno));
        return load;
    }
    std::vector<std::uint8_t> bytes(kMaxTextBytes + 1);
    errno = 0;
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    const bool failed = std::ferror(file);
    const int error = errno;
    std::fclose(file);
    if (failed) {
        load.error = "cannot read: " + std::string(std::strerror(error));
        return load;
    }

    const bool binary = bytes.empty() || bytes[0] == 0 || hasExtension(path, ".pri");
    if (binary) {
        // Nothing past the 999th record is ever used.
        if (bytes.size() > kMaxFileBytes) bytes.resize(kMaxFileBytes);
        const ProgramFileResult decoded = decodeProgramFile(bytes, image);
        load.ok = decoded.ok;
        load.error = decoded.error;
        load.declaredLength = decoded.declaredLength;
        return load;
    }
    load.form = ProgramForm::Text;
    if (bytes.size() > kMaxTextBytes) {
        load.error = "too large for a program text";
        return load;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const TextImportResult imported = importProgramText(text, image);
    load.ok = imported.ok;
    load.error = imported.message;
    load.line = imported.line;
    load.column = imported.column;
    load.declaredLength = image.length();
    return load;
}

SaveResult saveProgram(const std::string& path, const ProgramImage& image, ProgramForm form) {
    if (form == ProgramForm::Binary) return saveProgramFile(path, image);
    const std::string text = exportProgramText(image);
    return writeFileAtomically(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace rv720
