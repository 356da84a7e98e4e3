#include "model/program_image.h"

#include <algorithm>

#include "model/commands.h"

namespace rv720 {

void ProgramImage::setRecord(int slot, const Record& r) {
    for (int k = 0; k < kRecordSize; ++k)
        setByte(slot, k, r[k]);
}

std::int32_t ProgramImage::p1(int slot) const {
    std::uint8_t b[4] = {byte(slot, 2), byte(slot, 3), byte(slot, 4), byte(slot, 5)};
    return readBe32(b);
}

std::int32_t ProgramImage::p2(int slot) const {
    std::uint8_t b[4] = {byte(slot, 6), byte(slot, 7), byte(slot, 8), byte(slot, 9)};
    return readBe32(b);
}

void ProgramImage::setP1(int slot, std::int32_t v) {
    std::uint8_t b[4];
    writeBe32(b, v);
    for (int k = 0; k < 4; ++k)
        setByte(slot, 2 + k, b[k]);
}

void ProgramImage::setP2(int slot, std::int32_t v) {
    std::uint8_t b[4];
    writeBe32(b, v);
    for (int k = 0; k < 4; ++k)
        setByte(slot, 6 + k, b[k]);
}

InputBreak ProgramImage::inputBreak(int input) const {
    const int o = input == 1 ? 0 : 1;
    InputBreak s;
    s.enabled = blockByte(o) != 0;
    s.line = std::uint16_t(blockByte(2 + o) * 256 + blockByte(4 + o));
    s.edge = blockByte(6 + o);
    return s;
}

void ProgramImage::setInputBreak(int input, const InputBreak& s) {
    const int o = input == 1 ? 0 : 1;
    setBlockByte(o, s.enabled ? 1 : 0);
    setBlockByte(2 + o, std::uint8_t(s.line >> 8));
    setBlockByte(4 + o, std::uint8_t(s.line & 0xFF));
    setBlockByte(6 + o, s.edge);
}

void ProgramImage::clearSparePairs() {
    for (int i = 8; i < kInputBreakSize; ++i)
        setBlockByte(i, 0);
}

InputBreakWire ProgramImage::inputBreakWire() const {
    InputBreakWire wire;
    for (int i = 0; i < 10; ++i) {
        wire[i] = blockByte(2 * i);
        wire[10 + i] = blockByte(2 * i + 1);
    }
    return wire;
}

void ProgramImage::setInputBreakFromWire(const InputBreakWire& wire) {
    for (int i = 0; i < 10; ++i) {
        setBlockByte(2 * i, wire[i]);
        setBlockByte(2 * i + 1, wire[10 + i]);
    }
}

void ProgramModel::appendRecord(const Record& r) {
    image.setRecord(int(image.length()), r);
    image.setLength(image.length() + 1);
}

void ProgramModel::makeRoomAtCursor() {
    const int n = int(image.length());
    image.setLength(n + 1);
    for (int p = n; p >= cursorLine + 1; --p)
        image.setRecord(p, image.record(p - 1));
}

void ProgramModel::insertRecordAtCursor(const Record& r) {
    makeRoomAtCursor();
    image.setRecord(cursorLine, r);
    ++cursorLine;
    renumberAfterInsert(cursorLine);
}

void ProgramModel::deleteRecord(int d) {
    const int n = int(image.length());
    if (n == 0) return;
    for (int p = d; p + 1 < n; ++p)
        image.setRecord(p, image.record(p + 1));
    image.setLength(n - 1);
    renumberAfterDelete(d);
}

void ProgramModel::swapRecords(int i, int j) {
    Record a = image.record(i);
    image.setRecord(i, image.record(j));
    image.setRecord(j, a);
}

// Line numbers compare as unsigned 32-bit values: a negative target read from a
// damaged file is a very large line and never follows an insert.
void ProgramModel::renumberAfterInsert(std::int32_t c) {
    const std::uint32_t length = image.length();
    const auto cu = static_cast<std::uint32_t>(c);
    bool changed = false;
    for (int input = 1; input <= 2; ++input) {
        InputBreak s = image.inputBreak(input);
        if (!s.enabled) continue;
        std::uint32_t line = s.line;
        if (line >= cu) {
            if (line < length) ++line;
            s.line = std::uint16_t(line);
            image.setInputBreak(input, s);
            changed = true;
        }
    }
    for (std::uint32_t i = 0; i < length; ++i) {
        if (!isJumpCode(image.code(int(i)))) continue;
        auto target = static_cast<std::uint32_t>(image.p1(int(i)));
        if (target >= cu && target < length) image.setP1(int(i), std::int32_t(target + 1));
    }
    if (changed) notifyInputBreak();
}

void ProgramModel::renumberAfterDelete(int d) {
    const std::uint32_t length = image.length();
    const auto du = static_cast<std::uint32_t>(d);
    bool changed = false;
    for (int input = 1; input <= 2; ++input) {
        InputBreak s = image.inputBreak(input);
        if (!s.enabled) continue;
        std::uint32_t line = s.line;
        if (line > du) {
            if (line > 1) --line;
            s.line = std::uint16_t(line);
            image.setInputBreak(input, s);
            changed = true;
        }
    }
    for (std::uint32_t i = 0; i < length; ++i) {
        if (!isJumpCode(image.code(int(i)))) continue;
        auto target = static_cast<std::uint32_t>(image.p1(int(i)));
        if (target > du && target > 1) image.setP1(int(i), std::int32_t(target - 1));
    }
    if (changed) notifyInputBreak();
}

bool ProgramModel::isJumpTarget(int d) const {
    const auto wanted = static_cast<std::uint32_t>(d) + 1;
    for (std::uint32_t i = 0; i < image.length(); ++i)
        if (isJumpCode(image.code(int(i))) &&
            static_cast<std::uint32_t>(image.p1(int(i))) == wanted)
            return true;
    return false;
}

void ProgramModel::clear() {
    image.setLength(0);
    for (int i = 0; i < kInputBreakSize; ++i)
        image.setBlockByte(i, 0);
}

}  // namespace rv720
