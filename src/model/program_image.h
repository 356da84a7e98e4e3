#pragma once
// The motion program as the controller stores it: one 10,012-byte image of ten
// byte planes (plane k holds byte k of all 999 command slots, so byte k of slot i
// is at k * 999 + i), then the 20-byte input-break block (even offsets INPUT1,
// odd offsets INPUT2), then two spare bytes. The program length lives beside the
// image; slots at or beyond it are stale and never shown, saved, sent or checked.
// Files and the wire carry a record as b0..b9 and the block as its ten INPUT1
// bytes followed by its ten INPUT2 bytes; the helpers below produce exactly that.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace rv720 {

inline constexpr int kMaxCommands = 999;
inline constexpr int kRecordSize = 10;
inline constexpr int kInputBreakSize = 20;
inline constexpr int kImageSize = 10012;
inline constexpr int kInputBreakOffset = kRecordSize * kMaxCommands;  // 9990

using Record = std::array<std::uint8_t, kRecordSize>;
using InputBreakWire = std::array<std::uint8_t, kInputBreakSize>;

// Big-endian helpers: every number on the wire and in files goes through these.
inline std::int32_t readBe32(const std::uint8_t* p) {
    return static_cast<std::int32_t>((std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
                                     (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]));
}
inline void writeBe32(std::uint8_t* p, std::int32_t value) {
    auto v = static_cast<std::uint32_t>(value);
    p[0] = std::uint8_t(v >> 24);
    p[1] = std::uint8_t(v >> 16);
    p[2] = std::uint8_t(v >> 8);
    p[3] = std::uint8_t(v);
}
inline std::uint16_t readBe16(const std::uint8_t* p) {
    return std::uint16_t((p[0] << 8) | p[1]);
}
inline void writeBe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = std::uint8_t(v >> 8);
    p[1] = std::uint8_t(v);
}

// One input-break setting as the operator sees it.
struct InputBreak {
    bool enabled = false;
    std::uint16_t line = 0;  // 1-based; 0 means none chosen
    std::uint8_t edge = 0;   // 0 falling, 1 rising
};

class ProgramImage {
  public:
    ProgramImage() { bytes_.fill(0); }

    std::uint32_t length() const { return length_; }
    void setLength(std::uint32_t n) { length_ = n; }

    std::uint8_t byte(int slot, int k) const { return bytes_[k * kMaxCommands + slot]; }
    void setByte(int slot, int k, std::uint8_t v) { bytes_[k * kMaxCommands + slot] = v; }
    std::uint8_t code(int slot) const { return byte(slot, 0); }
    std::uint8_t motor(int slot) const { return byte(slot, 1); }

    Record record(int slot) const {
        Record r;
        for (int k = 0; k < kRecordSize; ++k)
            r[k] = byte(slot, k);
        return r;
    }
    void setRecord(int slot, const Record& r);

    std::int32_t p1(int slot) const;
    std::int32_t p2(int slot) const;
    void setP1(int slot, std::int32_t v);
    void setP2(int slot, std::int32_t v);

    // Input-break block, indexed 0..19 as image offsets 9990..10009.
    std::uint8_t blockByte(int i) const { return bytes_[kInputBreakOffset + i]; }
    void setBlockByte(int i, std::uint8_t v) { bytes_[kInputBreakOffset + i] = v; }
    InputBreak inputBreak(int input) const;  // input 1 or 2
    void setInputBreak(int input, const InputBreak& setting);
    void clearSparePairs();                 // block bytes 8..19 (image 9998..10009)
    InputBreakWire inputBreakWire() const;  // INPUT1 bytes, then INPUT2 bytes
    void setInputBreakFromWire(const InputBreakWire& wire);

    const std::array<std::uint8_t, kImageSize>& bytes() const { return bytes_; }

    // Every byte and the length alike.
    friend bool operator==(const ProgramImage&, const ProgramImage&) = default;

  private:
    std::array<std::uint8_t, kImageSize> bytes_;
    std::uint32_t length_ = 0;
};

enum class EditMode : std::uint8_t { Append = 0, Insert = 1, Edit = 2, Direct = 5 };

struct MotorConfig {
    std::uint32_t stepDivisor = 8;
    std::int32_t stepsPerRev = 200;
};

// The image with the editing state that lives beside it, and the model operations
// that keep jump targets consistent. Nothing here checks capacity: the editor's
// checks come first, so append and make-room assume length < 999 on entry.
class ProgramModel {
  public:
    ProgramImage image;
    std::int32_t cursorLine = 0;
    EditMode editMode = EditMode::Append;
    std::uint8_t editedCode = 0;
    std::string valueText;
    std::array<MotorConfig, 3> motors{};

    // Called whenever renumbering rewrote an input-break line, so the controls
    // that mirror the block can refresh.
    std::function<void()> onInputBreakChanged;

    std::uint32_t length() const { return image.length(); }

    void appendRecord(const Record& r);
    void makeRoomAtCursor();
    void insertRecordAtCursor(const Record& r);
    void deleteRecord(int d);
    void swapRecords(int i, int j);
    void renumberAfterInsert(std::int32_t c);
    void renumberAfterDelete(int d);
    bool isJumpTarget(int d) const;
    void clear();  // new program: length 0, block cleared, slots left as they are

  private:
    void notifyInputBreak() {
        if (onInputBreakChanged) onInputBreakChanged();
    }
};

// A record with b0 = code and b1 = motor and the other bytes zero.
inline Record makeRecord(std::uint8_t code, std::uint8_t motor) {
    Record r{};
    r[0] = code;
    r[1] = motor;
    return r;
}

}  // namespace rv720
