#include "sim/eeprom_file.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

#include "protocol/frame.h"

namespace rv720::sim {

namespace {
constexpr std::size_t kHeaderSize = 2 + kInputBreakSize;
constexpr std::size_t kSumSize = 2;
}  // namespace

std::filesystem::path defaultEepromPath() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "rv720" / "eeprom.bin";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".local" / "share" / "rv720" / "eeprom.bin";
    return {};
}

std::optional<ProgramImage> loadEeprom(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    if (bytes.size() < kHeaderSize + kSumSize) return std::nullopt;
    const std::uint16_t length = readBe16(bytes.data());
    if (length > kMaxCommands) return std::nullopt;
    const std::size_t body = kHeaderSize + std::size_t(length) * kRecordSize;
    if (bytes.size() != body + kSumSize) return std::nullopt;
    if (frameSum({bytes.data(), body}) != readBe16(bytes.data() + body)) return std::nullopt;

    ProgramImage program;
    program.setLength(length);
    InputBreakWire wire;
    std::copy_n(bytes.begin() + 2, kInputBreakSize, wire.begin());
    program.setInputBreakFromWire(wire);
    for (int slot = 0; slot < length; ++slot) {
        Record r;
        std::copy_n(bytes.begin() + kHeaderSize + slot * kRecordSize, kRecordSize, r.begin());
        program.setRecord(slot, r);
    }
    return program;
}

bool saveEeprom(const std::filesystem::path& path, const ProgramImage& program) {
    const auto length = std::uint16_t(std::min<std::uint32_t>(program.length(), kMaxCommands));
    std::vector<std::uint8_t> bytes(kHeaderSize + std::size_t(length) * kRecordSize + kSumSize);
    writeBe16(bytes.data(), length);
    const InputBreakWire wire = program.inputBreakWire();
    std::copy(wire.begin(), wire.end(), bytes.begin() + 2);
    for (int slot = 0; slot < length; ++slot) {
        const Record r = program.record(slot);
        std::copy(r.begin(), r.end(), bytes.begin() + kHeaderSize + slot * kRecordSize);
    }
    const std::size_t body = bytes.size() - kSumSize;
    writeBe16(bytes.data() + body, frameSum({bytes.data(), body}));

    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    std::filesystem::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace rv720::sim
