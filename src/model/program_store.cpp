#include "model/program_store.h"

#include <filesystem>
#include <utility>
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
    if (error == FileError::TextMistake)
        return path + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + reason();
    return path + ": " + reason();
}

ProgramLoad loadProgram(const std::string& path, ProgramImage& image) {
    ProgramLoad load;
    std::vector<std::uint8_t> bytes;
    if (FileResult read = readRegularFile(path, kMaxTextBytes + 1, bytes); !read) {
        static_cast<FileResult&>(load) = std::move(read);
        return load;
    }

    const bool binary = bytes.empty() || bytes[0] == 0 || hasExtension(path, ".pri");
    if (binary) {
        // Nothing past the 999th record is ever used.
        if (bytes.size() > kMaxFileBytes) bytes.resize(kMaxFileBytes);
        ProgramFileResult decoded = decodeProgramFile(bytes, image);
        load.declaredLength = decoded.declaredLength;
        static_cast<FileResult&>(load) = std::move(decoded);
        return load;
    }
    load.form = ProgramForm::Text;
    if (bytes.size() > kMaxTextBytes) {
        load.error = FileError::TextTooLarge;
        return load;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const TextImportResult imported = importProgramText(text, image);
    if (!imported) {
        load.error = FileError::TextMistake;
        load.cause = imported.message;
        load.line = imported.line;
        load.column = imported.column;
        return load;
    }
    load.declaredLength = image.length();
    return load;
}

SaveResult saveProgram(const std::string& path, const ProgramImage& image, ProgramForm form) {
    if (form == ProgramForm::Binary) return saveProgramFile(path, image);
    const std::string text = exportProgramText(image);
    return writeFileAtomically(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

}  // namespace rv720
