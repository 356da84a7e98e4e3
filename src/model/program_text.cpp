#include "model/program_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <vector>

#include "model/commands.h"
#include "model/message_text.h"
#include "model/records.h"
#include "model/value_limits.h"
#include "model/values.h"

namespace rv720 {

namespace {

using limits::kAcceleration;
using limits::kVelocity;

constexpr std::string_view kHeaderComment = "# RV720 program\n";

// ------------------------------------------------------------------ values

std::string integerText(std::int64_t v) {
    char buffer[24];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, v).ptr;
    return std::string(buffer, end);
}

// A float in its shortest fixed notation that reads back as the same float,
// always with a decimal point.
std::string floatText(float f) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, f, std::chars_format::fixed).ptr;
    std::string text(buffer, end);
    if (text.find('.') == std::string::npos) text += ".0";
    return text;
}

// The stored thousandths as an exact decimal: 699 -> "0.699", 5000 -> "5.0".
std::string exactMilli(std::int32_t milli) {
    const std::int64_t m = milli;
    const std::int64_t a = m < 0 ? -m : m;
    std::string fraction = integerText(1000 + a % 1000).substr(1);
    while (fraction.size() > 1 && fraction.back() == '0')
        fraction.pop_back();
    return (m < 0 ? "-" : "") + integerText(a / 1000) + "." + fraction;
}

// What the dialog stores for a typed decimal: single precision, compared with the
// limits, times 1000, truncated. Outside the limits there is no value.
std::optional<std::int32_t> milliFromText(std::string_view text, float lo, float hi) {
    const auto typed = parseDecimal(text, '.');
    if (!typed || std::abs(*typed) > double(std::numeric_limits<float>::max())) return std::nullopt;
    const float v = float(*typed);
    if (!(v >= lo && v <= hi)) return std::nullopt;
    return toMilli(v);
}

// The text that imports as exactly `milli`: the plain decimal when it does,
// otherwise the float whose truncated thousandths are `milli` (2675 has no float
// at 2.675 that truncates to it, but 2.6750002 does).
std::optional<std::string> milliText(std::int32_t milli, float lo, float hi) {
    std::string plain = exactMilli(milli);
    if (milliFromText(plain, lo, hi) == milli) return plain;
    const double wanted = std::abs(double(milli));
    float f = float(wanted / 1000.0);
    const float inf = std::numeric_limits<float>::infinity();
    while (double(f) * 1000.0 < wanted)
        f = std::nextafter(f, inf);
    while (f > 0 && double(std::nextafter(f, 0.0f)) * 1000.0 >= wanted)
        f = std::nextafter(f, 0.0f);
    const std::string text = floatText(milli < 0 ? -f : f);
    if (milliFromText(text, lo, hi) == milli) return text;
    return std::nullopt;
}

// ------------------------------------------------------------------ message bytes

bool isUtf8Continuation(char c) {
    return (std::uint8_t(c) & 0xC0) == 0x80;
}

// Bytes a message can show as one character of its own in a line of text: the
// printable ones the code page assigns.
bool isTextByte(std::uint8_t b) {
    if (b < 0x20 || b == 0x7F) return false;
    return b == '?' || messageText(std::string(1, char(b))) != "?";
}

// The message byte for each character's UTF-8 spelling.
const std::map<std::string, std::uint8_t, std::less<>>& messageByteOf() {
    static const auto table = [] {
        std::map<std::string, std::uint8_t, std::less<>> t;
        for (int b = 0x20; b <= 0xFF; ++b)
            if (isTextByte(std::uint8_t(b))) t.emplace(messageText(std::string(1, char(b))), b);
        return t;
    }();
    return table;
}

// ------------------------------------------------------------------ export

std::string onOff(std::uint8_t b) {
    return b != 0 ? "on" : "off";
}

std::string motorName(std::uint8_t m) {
    return "M" + integerText(m);
}

std::string outputName(std::uint8_t n) {
    return n <= 7 ? "out" + integerText(n) : "pk" + integerText(n - 7);
}

// The words of a record in the listing's language. `exact` turns false when they
// do not hold every byte of it within the dialog's limits (the record is not the
// one the words make); the words are then still the listing's reading, for a
// comment. Empty for an unknown code.
std::string recordWords(const Record& r, std::uint32_t length,
                        const std::function<std::string(std::int32_t)>& target, bool& exact) {
    exact = true;
    const auto need = [&](bool ok) { exact = exact && ok; };
    const auto madeBy = [&](const Record& words) { need(words == r); };
    const CommandInfo* info = commandInfo(r[0]);
    if (!info) {
        exact = false;
        return {};
    }
    const std::string keyword(info->keyword);
    const std::uint8_t m = r[1];
    need(info->perMotor ? m >= 1 && m <= 3 : m == kControllerTarget);
    const auto milli = [&](std::int32_t v, float lo, float hi) {
        const auto text = milliText(v, lo, hi);
        need(text.has_value());
        return text ? *text : exactMilli(v);
    };
    const auto integer = [&](std::int32_t v, std::int32_t lo, std::int32_t hi) {
        need(v >= lo && v <= hi);
        return integerText(v);
    };
    const auto line = [&](std::int32_t v) {
        need(v != 0 && v <= limits::lastJumpTarget(length));
        return target(v);
    };
    const auto flag = [&](std::uint8_t b) {
        need(b <= 1);
        return onOff(b);
    };
    const std::string head = keyword + "(" + motorName(m) + "; ";
    const ValueRecord value = ValueRecord::decode(r);

    switch (r[0]) {
        case code::VMin:
        case code::VMax:
            madeBy(value.encode());
            return head + milli(value.value, 0, kVelocity) + ")";
        case code::VDest:
            madeBy(value.encode());
            return head + milli(value.value, -kVelocity, kVelocity) + ")";
        case code::AMax:
            madeBy(value.encode());
            return head + milli(value.value, 0, kAcceleration) + ")";
        case code::GoTo:
            madeBy(value.encode());
            return head + integer(value.value, -limits::kPosition, limits::kPosition) + ")";
        case code::Home: {
            const HomeRecord home = HomeRecord::decode(r);
            return head + milli(home.firstMilli, 0, kVelocity) + "; " +
                   milli(home.secondMilli, 0, kVelocity) + ")";
        }
        case code::Brake:
        case code::Stop:
            madeBy(makeRecord(r[0], m));
            return keyword + "(" + motorName(m) + ")";
        case code::Driver: {
            const DriverRecord d = DriverRecord::decode(r);
            need(d.left <= 1 && d.right <= 1);
            return head + "1/" +
                   integer(d.divisor, limits::kMinStepDivisor, limits::kMaxStepDivisor) + "; " +
                   integer(d.stepsPerRev, limits::kMinStepsPerRev, limits::kMaxStepsPerRev) + "; " +
                   (d.left != 0 ? "1" : "0") + "; " + (d.right != 0 ? "1" : "0") + ")";
        }
        case code::Enable:
        case code::SetUsb: {
            const SwitchRecord on = SwitchRecord::decode(r);
            madeBy(on.encode());
            return keyword + "(" + flag(on.on) + ")";
        }
        case code::WaitMs:
            madeBy(value.encode());
            return "wait_ms(" + integer(value.value, 0, limits::kWaitMs) + ")";
        case code::Counter:
            madeBy(value.encode());
            return "counter(" + integer(value.value, 0, limits::kCounter) + ")";
        case code::JumpLine:
            madeBy(value.encode());
            return "jump_line(" + line(value.value) + ")";
        case code::JumpIfCounter:
            madeBy(value.encode());
            return "if(counter>0) jump_line(" + line(value.value) + ")";
        case code::JumpIfInput: {
            const InputJumpRecord jump = InputJumpRecord::decode(r);
            madeBy(jump.encode());
            need(jump.input >= 1 && jump.input <= 6);
            return "if(in" + integerText(jump.input) + " = " + flag(jump.state) + ") jump_line(" +
                   line(jump.target) + ")";
        }
        case code::End:
            madeBy(makeRecord(code::End, m));
            return "end()";
        case code::SetOut: {
            const OutputRecord out = OutputRecord::decode(r);
            madeBy(out.encode());
            need(out.output >= 1 && out.output <= 9);
            return "set_out(" + outputName(out.output) + " = " + flag(out.state) + ")";
        }
        case code::PrintUsb: {
            const MessageRecord message = MessageRecord::decode(r);
            need(message.count <= limits::kMessageChars);
            MessageRecord words;  // the characters shown, nothing after them
            words.count = message.count;
            std::string text;
            for (int k = 0; k < message.shown(); ++k) {
                const std::uint8_t b = message.characters[std::size_t(k)];
                words.characters[std::size_t(k)] = b;
                need(isTextByte(b));
                // A comment must stay on its line whatever the byte.
                appendMessageChar(text, b < 0x20 || b == 0x7F ? std::uint8_t('?') : b);
            }
            madeBy(words.encode());
            return "print_USB(" + text + "," + integerText(message.count) + ")";
        }
        case code::WaitMotor:
        case code::ClearMotor: {
            const MotorFlagsRecord flags = MotorFlagsRecord::decode(r);
            madeBy(flags.encode());
            std::string names;
            for (int k = 0; k < 3; ++k) {
                const std::uint8_t set = flags.motors[std::size_t(k)];
                need(set <= 1);
                if (set == 0) continue;
                if (!names.empty()) names += "; ";
                names += motorName(std::uint8_t(k + 1));
            }
            return keyword + "(" + names + ")";
        }
    }
    exact = false;
    return {};
}

std::string hexBytes(const std::uint8_t* bytes, int n) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (int i = 0; i < n; ++i) {
        if (i) out += ' ';
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 0xF];
    }
    return out;
}

std::string rawText(const std::uint8_t* bytes, int n) {
    return "raw(" + hexBytes(bytes, n) + ")";
}

// One input-break row: the INPUT1 or INPUT2 half of the block as it goes to a file.
using BreakRow = std::array<std::uint8_t, 10>;

BreakRow breakRow(const ProgramImage& image, int input) {
    const InputBreakWire wire = image.inputBreakWire();
    BreakRow row;
    std::copy_n(wire.begin() + (input - 1) * 10, 10, row.begin());
    return row;
}

bool breakRowExact(const BreakRow& row, std::uint32_t length) {
    const int line = row[1] * 256 + row[2];
    return row[0] <= 1 && row[3] <= 1 && std::uint32_t(line) <= length &&
           std::all_of(row.begin() + 4, row.end(), [](std::uint8_t b) { return b == 0; });
}

struct ExportPlan {
    std::vector<bool> rawRecord;
    std::array<bool, 2> rawBreak{};
};

// The text for a plan; `recordLine[i]` receives the text line of record i.
std::string writeText(const ProgramImage& image, const TextExportOptions& options,
                      const ExportPlan& plan, std::vector<int>& recordLine,
                      std::array<int, 2>& breakLine) {
    const std::uint32_t n = std::min<std::uint32_t>(image.length(), kMaxCommands);
    std::vector<std::string> words(n);
    std::vector<bool> exact(n);
    std::vector<bool> labelled(std::size_t(n) + 2, false);
    const auto byNumber = [](std::int32_t v) { return integerText(v); };
    for (std::uint32_t i = 0; i < n; ++i) {
        bool isExact = false;
        words[i] = recordWords(image.record(int(i)), n, byNumber, isExact);
        exact[i] = isExact && !plan.rawRecord[i];
    }
    std::array<BreakRow, 2> rows{breakRow(image, 1), breakRow(image, 2)};
    std::array<bool, 2> rowExact{};
    for (int k = 0; k < 2; ++k)
        rowExact[k] = breakRowExact(rows[k], n) && !plan.rawBreak[k];

    const auto name = [&](std::int32_t line) { return "@line" + integerText(line); };
    const auto byLabel = [&](std::int32_t v) {
        if (v < 1 || std::int64_t(v) > std::int64_t(n) + 1) return integerText(v);
        labelled[std::size_t(v)] = true;
        return name(v);
    };
    if (options.labels) {
        for (std::uint32_t i = 0; i < n; ++i) {
            if (!exact[i] || !isJumpCode(image.code(int(i)))) continue;
            bool ignored = false;
            words[i] = recordWords(image.record(int(i)), n, byLabel, ignored);
        }
    }

    std::string out(kHeaderComment);
    int textLine = 1;
    for (int k = 0; k < 2; ++k) {
        const BreakRow& row = rows[std::size_t(k)];
        out += "input" + integerText(k + 1);
        if (rowExact[std::size_t(k)]) {
            const std::int32_t line = row[1] * 256 + row[2];
            out += "(" + onOff(row[0]) + "; " +
                   (line == 0        ? std::string("none")
                    : options.labels ? byLabel(line)
                                     : integerText(line)) +
                   "; " + (row[3] ? "rising" : "falling") + ")\n";
        } else {
            out += " " + rawText(row.data(), 10) + "\n";
        }
        breakLine[std::size_t(k)] = ++textLine;
    }
    recordLine.assign(n, 0);
    for (std::uint32_t i = 0; i < n; ++i) {
        if (labelled[i + 1]) out += name(std::int32_t(i + 1)) + ": ";
        if (exact[i]) {
            out += words[i];
        } else {
            const Record r = image.record(int(i));
            out += rawText(r.data(), kRecordSize);
            if (!words[i].empty()) out += "  # " + words[i];
        }
        out += '\n';
        recordLine[i] = ++textLine;
    }
    if (labelled[std::size_t(n) + 1]) out += name(std::int32_t(n + 1)) + ":\n";
    return out;
}

// ------------------------------------------------------------------ import

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c) || c == '_';
}
// A comma is taken in so that "1,5" reads as one wrong number, not as "1" and junk.
bool isNumberChar(char c) {
    return isDigit(c) || c == '+' || c == '-' || c == '.' || c == ',' || c == 'e' || c == 'E';
}

std::string limitText(float v) {
    std::string text = floatText(v);
    if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0)
        text.resize(text.size() - 2);
    return text;
}

// A line number or a label where a jump or an input break names a line; checked
// once the program's length is known.
struct LineRef {
    bool isLabel = false;
    std::string label;
    std::int64_t number = 0;
    int textLine = 0;
    int column = 0;
    int slot = -1;  // the jump record, or -1 / -2 for INPUT1 / INPUT2
};

struct LabelDef {
    std::uint32_t programLine = 0;
    int textLine = 0;
};

class Importer {
  public:
    TextImportResult run(std::string_view text, ProgramImage& image);

  private:
    // -- the line under the cursor
    bool fail(std::size_t at, std::string message);
    int columnOf(std::size_t at) const;
    void skipBlanks();
    bool atEnd() {
        skipBlanks();
        return pos_ >= line_.size() || line_[pos_] == '#';
    }
    bool expect(char c);
    std::string_view word();
    std::string_view numberToken();

    bool statement();
    bool header(int input);
    bool command(std::string_view keyword, std::size_t at, Record& r);
    bool raw(std::uint8_t* out, int n);
    bool motor(std::uint8_t& m);
    bool milli(std::int32_t& value, float lo, float hi, const char* what, const char* unit);
    bool integer(std::int64_t& v, std::int64_t lo, std::int64_t hi, const std::string& what);
    bool onOff(std::uint8_t& b);
    bool flag01(std::uint8_t& b);
    bool lineRef(int slot, bool breakLine);
    bool jumpTail();
    std::string_view name();
    bool message(Record& r);
    bool motorFlags(std::uint8_t code, Record& r);
    bool resolve();

    std::string_view line_;
    std::size_t pos_ = 0;
    int lineNo_ = 0;
    TextImportResult result_;

    std::vector<Record> records_;
    std::array<BreakRow, 2> breaks_{};
    std::array<int, 2> breakSeen_{};  // text line of each input-break line, 0 if none
    std::map<std::string, LabelDef, std::less<>> labels_;
    std::vector<std::string> pendingLabels_;
    std::vector<LineRef> refs_;
};

bool Importer::fail(std::size_t at, std::string message) {
    if (result_.line == 0) {
        result_.line = lineNo_;
        result_.column = columnOf(at);
        result_.message = std::move(message);
    }
    return false;
}

int Importer::columnOf(std::size_t at) const {
    at = std::min(at, line_.size());
    int column = 1;
    for (std::size_t i = 0; i < at; ++i)
        if (!isUtf8Continuation(line_[i])) ++column;
    return column;
}

void Importer::skipBlanks() {
    while (pos_ < line_.size() && isBlank(line_[pos_]))
        ++pos_;
}

bool Importer::expect(char c) {
    skipBlanks();
    if (pos_ < line_.size() && line_[pos_] == c) {
        ++pos_;
        return true;
    }
    return fail(pos_, std::string("expected '") + c + "'");
}

std::string_view Importer::word() {
    skipBlanks();
    const std::size_t start = pos_;
    while (pos_ < line_.size() && isWordChar(line_[pos_]))
        ++pos_;
    return line_.substr(start, pos_ - start);
}

// A label's name, right after its '@'.
std::string_view Importer::name() {
    const std::size_t start = pos_;
    while (pos_ < line_.size() && isWordChar(line_[pos_]))
        ++pos_;
    return line_.substr(start, pos_ - start);
}

std::string_view Importer::numberToken() {
    skipBlanks();
    const std::size_t start = pos_;
    while (pos_ < line_.size() && isNumberChar(line_[pos_]))
        ++pos_;
    return line_.substr(start, pos_ - start);
}

TextImportResult Importer::run(std::string_view text, ProgramImage& image) {
    // A byte-order mark from an editor is not part of the first line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (!text.empty() || lineNo_ == 0) {
        const auto newline = text.find('\n');
        line_ = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (!line_.empty() && line_.back() == '\r') line_.remove_suffix(1);
        ++lineNo_;
        pos_ = 0;
        if (!statement()) return result_;
        if (text.empty()) break;
    }
    for (const std::string& label : pendingLabels_)
        labels_[label].programLine = std::uint32_t(records_.size()) + 1;
    if (!resolve()) return result_;

    for (std::size_t i = 0; i < records_.size(); ++i)
        image.setRecord(int(i), records_[i]);
    image.setLength(std::uint32_t(records_.size()));
    InputBreakWire wire;
    std::copy(breaks_[0].begin(), breaks_[0].end(), wire.begin());
    std::copy(breaks_[1].begin(), breaks_[1].end(), wire.begin() + 10);
    image.setInputBreakFromWire(wire);
    result_.ok = true;
    return result_;
}

bool Importer::statement() {
    if (atEnd()) return true;
    if (line_[pos_] == '@') {
        const std::size_t at = pos_++;
        const std::string_view labelName = name();
        if (labelName.empty()) return fail(pos_, "expected a label name after '@'");
        const std::string label = "@" + std::string(labelName);
        if (const auto it = labels_.find(label); it != labels_.end())
            return fail(at, "expected a new label: " + label + " is already on line " +
                                integerText(it->second.textLine));
        if (!expect(':')) return false;
        labels_[label].textLine = lineNo_;
        pendingLabels_.push_back(label);
        if (atEnd()) return true;
    }
    const std::size_t at = pos_;
    const std::string_view keyword = word();
    if (keyword == "input1" || keyword == "input2") {
        if (!pendingLabels_.empty())
            return fail(at, "expected a command after the label " + pendingLabels_.back());
        if (!records_.empty())
            return fail(at, "expected the input-break lines before the first command");
        if (!header(keyword == "input1" ? 1 : 2)) return false;
    } else {
        if (records_.size() >= std::size_t(kMaxCommands))
            return fail(at, "expected at most 999 commands");
        Record r{};
        if (!command(keyword, at, r)) return false;
        for (const std::string& label : pendingLabels_)
            labels_[label].programLine = std::uint32_t(records_.size()) + 1;
        pendingLabels_.clear();
        records_.push_back(r);
    }
    if (!atEnd()) return fail(pos_, "expected the end of the line or a # comment");
    return true;
}

bool Importer::header(int input) {
    BreakRow& row = breaks_[std::size_t(input - 1)];
    if (breakSeen_[std::size_t(input - 1)] != 0)
        return fail(0, "expected input" + integerText(input) + " once: it is already on line " +
                           integerText(breakSeen_[std::size_t(input - 1)]));
    breakSeen_[std::size_t(input - 1)] = lineNo_;
    skipBlanks();
    const std::size_t at = pos_;
    if (word() == "raw") return raw(row.data(), 10);
    pos_ = at;
    row.fill(0);
    if (!expect('(') || !onOff(row[0]) || !expect(';')) return false;
    skipBlanks();
    const std::size_t lineAt = pos_;
    if (word() == "none") {
        // no line chosen: stays 0
    } else {
        pos_ = lineAt;
        if (!lineRef(-input, true)) return false;
    }
    if (!expect(';')) return false;
    skipBlanks();
    const std::size_t edgeAt = pos_;
    const std::string_view edge = word();
    if (edge != "falling" && edge != "rising") return fail(edgeAt, "expected falling or rising");
    row[3] = edge == "rising" ? 1 : 0;
    return expect(')');
}

bool Importer::raw(std::uint8_t* out, int n) {
    const std::string what = "expected ten bytes in hex, as raw(0A 04 00 00 00 00 00 00 00 00)";
    if (!expect('(')) return false;
    for (int i = 0; i < n; ++i) {
        skipBlanks();
        const auto hex = [&](std::size_t k) -> int {
            if (k >= line_.size()) return -1;
            const char c = line_[k];
            if (isDigit(c)) return c - '0';
            if (c >= 'A' && c <= 'F') return c - 'A' + 10;
            if (c >= 'a' && c <= 'f') return c - 'a' + 10;
            return -1;
        };
        const int hi = hex(pos_), lo = hex(pos_ + 1);
        if (hi < 0 || lo < 0 || (pos_ + 2 < line_.size() && isWordChar(line_[pos_ + 2])))
            return fail(pos_, what);
        out[i] = std::uint8_t(hi * 16 + lo);
        pos_ += 2;
    }
    skipBlanks();
    if (pos_ < line_.size() && line_[pos_] != ')') return fail(pos_, what);
    return expect(')');
}

bool Importer::motor(std::uint8_t& m) {
    skipBlanks();
    const std::size_t at = pos_;
    const std::string_view w = word();
    if (w.size() != 2 || w[0] != 'M' || w[1] < '1' || w[1] > '3')
        return fail(at, "expected a motor M1, M2 or M3");
    m = std::uint8_t(w[1] - '0');
    return true;
}

bool Importer::milli(std::int32_t& value, float lo, float hi, const char* what, const char* unit) {
    skipBlanks();
    const std::size_t at = pos_;
    const auto read = milliFromText(numberToken(), lo, hi);
    if (!read)
        return fail(at, std::string("expected ") + what + " from " + limitText(lo) + " to " +
                            limitText(hi) + unit);
    value = *read;
    return true;
}

bool Importer::integer(std::int64_t& v, std::int64_t lo, std::int64_t hi, const std::string& what) {
    skipBlanks();
    const std::size_t at = pos_;
    std::string_view token = numberToken();
    if (!token.empty() && token[0] == '+') token.remove_prefix(1);
    const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
    if (token.empty() || ec != std::errc() || end != token.data() + token.size() || v < lo ||
        v > hi)
        return fail(at, "expected " + what);
    return true;
}

bool Importer::onOff(std::uint8_t& b) {
    skipBlanks();
    const std::size_t at = pos_;
    const std::string_view w = word();
    if (w != "on" && w != "off") return fail(at, "expected on or off");
    b = w == "on" ? 1 : 0;
    return true;
}

bool Importer::flag01(std::uint8_t& b) {
    std::int64_t v = 0;
    if (!integer(v, 0, 1, "0 or 1")) return false;
    b = std::uint8_t(v);
    return true;
}

bool Importer::lineRef(int slot, bool breakLine) {
    skipBlanks();
    LineRef ref;
    ref.textLine = lineNo_;
    ref.column = columnOf(pos_);
    ref.slot = slot;
    if (pos_ < line_.size() && line_[pos_] == '@') {
        ++pos_;
        const std::string_view label = name();
        if (label.empty()) return fail(pos_, "expected a label name after '@'");
        ref.isLabel = true;
        ref.label = "@" + std::string(label);
    } else {
        const std::size_t at = pos_;
        std::string_view token = numberToken();
        if (!token.empty() && token[0] == '+') token.remove_prefix(1);
        const auto [end, ec] =
            std::from_chars(token.data(), token.data() + token.size(), ref.number);
        if (token.empty() || ec != std::errc() || end != token.data() + token.size() ||
            ref.number < (breakLine ? 0 : std::numeric_limits<std::int32_t>::min()) ||
            ref.number > std::numeric_limits<std::int32_t>::max())
            return fail(at, breakLine ? "expected a line number, none or a label"
                                      : "expected a line number or a label");
    }
    refs_.push_back(std::move(ref));
    return true;
}

bool Importer::jumpTail() {
    skipBlanks();
    const std::size_t at = pos_;
    if (word() != "jump_line") return fail(at, "expected jump_line");
    return expect('(') && lineRef(int(records_.size()), false) && expect(')');
}

bool Importer::message(Record& r) {
    if (!expect('(')) return false;
    const std::string_view rest = line_.substr(pos_);
    const auto charCount = [](std::string_view s) {
        return std::int64_t(
            std::count_if(s.begin(), s.end(), [](char c) { return !isUtf8Continuation(c); }));
    };
    // The count closes the command, so the text itself may hold commas and
    // parentheses: of the ",N)" that end the line (or stand before a comment), the
    // last whose N counts the characters before it wins.
    struct Candidate {
        std::size_t comma, close;
        std::int64_t count;
    };
    std::vector<Candidate> candidates;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != ',') continue;
        std::size_t j = i + 1;
        while (j < rest.size() && isDigit(rest[j]))
            ++j;
        std::size_t k = j;
        while (k < rest.size() && isBlank(rest[k]))
            ++k;
        if (j == i + 1 || k >= rest.size() || rest[k] != ')') continue;
        std::size_t after = k + 1;
        while (after < rest.size() && isBlank(rest[after]))
            ++after;
        if (after < rest.size() && rest[after] != '#') continue;
        std::int64_t count = -1;
        std::from_chars(rest.data() + i + 1, rest.data() + j, count);
        candidates.push_back({i, k, count});
    }
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        const std::string_view text = rest.substr(0, it->comma);
        if (it->count != charCount(text)) continue;
        if (it->count > limits::kMessageChars) return fail(pos_, "expected at most 7 characters");
        MessageRecord message;
        message.count = std::uint8_t(it->count);
        std::size_t c = 0;
        for (int n = 0; n < it->count; ++n) {
            std::size_t len = 1;
            while (c + len < text.size() && isUtf8Continuation(text[c + len]))
                ++len;
            const auto byte = messageByteOf().find(text.substr(c, len));
            if (byte == messageByteOf().end())
                return fail(pos_ + c,
                            "expected a printable character of the Central European code page "
                            "(Windows-1250)");
            message.characters[std::size_t(n)] = byte->second;
            c += len;
        }
        pos_ += it->close + 1;
        r = message.encode();
        return true;
    }
    if (!candidates.empty())
        return fail(pos_ + candidates.back().comma + 1,
                    "expected the number of characters between '(' and the comma");
    return fail(pos_,
                "expected the text, a comma and its number of characters, as "
                "print_USB(Hello,5)");
}

bool Importer::motorFlags(std::uint8_t code, Record& r) {
    MotorFlagsRecord flags{code, {}};
    r = flags.encode();
    if (!expect('(')) return false;
    skipBlanks();
    if (pos_ < line_.size() && line_[pos_] == ')') return expect(')');
    do {
        skipBlanks();
        const std::size_t at = pos_;
        std::uint8_t m = 0;
        if (!motor(m)) return false;
        std::uint8_t& set = flags.motors[std::size_t(m - 1)];
        if (set != 0) return fail(at, "expected each motor once");
        set = 1;
        skipBlanks();
    } while (pos_ < line_.size() && line_[pos_] == ';' && ++pos_);
    r = flags.encode();
    return expect(')');
}

bool Importer::command(std::string_view keyword, std::size_t at, Record& r) {
    std::uint8_t m = 0;
    std::int32_t first = 0, second = 0;
    std::int64_t v = 0;
    const auto velocity = [&](std::int32_t& value, float lo) {
        return milli(value, lo, kVelocity, "a velocity", " rev/s");
    };
    const auto motorFirst = [&] { return expect('(') && motor(m) && expect(';'); };
    // A one-value command, once its words have been read.
    const auto value = [&](std::uint8_t c, std::uint8_t motor, std::int32_t v) {
        r = ValueRecord{c, motor, v}.encode();
        return true;
    };
    if (keyword == "v_min" || keyword == "v_max")
        return motorFirst() && velocity(first, 0) && expect(')') &&
               value(keyword == "v_min" ? code::VMin : code::VMax, m, first);
    if (keyword == "v_dest")
        return motorFirst() && velocity(first, -kVelocity) && expect(')') &&
               value(code::VDest, m, first);
    if (keyword == "a_max")
        return motorFirst() && milli(first, 0, kAcceleration, "an acceleration", " rev/s^2") &&
               expect(')') && value(code::AMax, m, first);
    if (keyword == "home") {
        if (!motorFirst() || !velocity(first, 0) || !expect(';') || !velocity(second, 0) ||
            !expect(')'))
            return false;
        r = HomeRecord{m, first, second}.encode();
        return true;
    }
    if (keyword == "go_to")
        return motorFirst() &&
               integer(v, -limits::kPosition, limits::kPosition,
                       "a position from -8388607 to 8388607 steps") &&
               expect(')') && value(code::GoTo, m, std::int32_t(v));
    if (keyword == "brake" || keyword == "stop") {
        if (!expect('(') || !motor(m) || !expect(')')) return false;
        r = makeRecord(keyword == "brake" ? code::Brake : code::Stop, m);
        return true;
    }
    if (keyword == "drv") {
        if (!motorFirst()) return false;
        DriverRecord d;
        d.motor = m;
        skipBlanks();
        const std::size_t oneAt = pos_;
        if (numberToken() != "1") return fail(oneAt, "expected a step divisor such as 1/8");
        if (!expect('/') || !integer(v, limits::kMinStepDivisor, limits::kMaxStepDivisor,
                                     "a step divisor from 1/1 to 1/256"))
            return false;
        d.divisor = std::uint16_t(v);
        if (!expect(';') || !integer(v, limits::kMinStepsPerRev, limits::kMaxStepsPerRev,
                                     "steps per revolution from 1 to 1600"))
            return false;
        d.stepsPerRev = std::int32_t(v);
        if (!expect(';') || !flag01(d.left) || !expect(';') || !flag01(d.right) || !expect(')'))
            return false;
        r = d.encode();
        return true;
    }
    if (keyword == "enable" || keyword == "set_USB") {
        SwitchRecord on{keyword == "enable" ? code::Enable : code::SetUsb, 0};
        if (!expect('(') || !onOff(on.on) || !expect(')')) return false;
        r = on.encode();
        return true;
    }
    if (keyword == "wait_ms" || keyword == "counter") {
        const bool wait = keyword == "wait_ms";
        return expect('(') &&
               integer(v, 0, wait ? limits::kWaitMs : limits::kCounter,
                       wait ? "a time from 0 to 86400000 ms" : "a count from 0 to 65535") &&
               expect(')') &&
               value(wait ? code::WaitMs : code::Counter, kControllerTarget, std::int32_t(v));
    }
    if (keyword == "jump_line")
        return expect('(') && lineRef(int(records_.size()), false) && expect(')') &&
               value(code::JumpLine, kControllerTarget, 0);
    if (keyword == "end") {
        r = makeRecord(code::End, kControllerTarget);
        return expect('(') && expect(')');
    }
    if (keyword == "set_out") {
        if (!expect('(')) return false;
        skipBlanks();
        const std::size_t nameAt = pos_;
        const std::string_view name = word();
        const bool out =
            name.size() == 4 && name.substr(0, 3) == "out" && name[3] >= '1' && name[3] <= '7';
        const bool relay =
            name.size() == 3 && name.substr(0, 2) == "pk" && (name[2] == '1' || name[2] == '2');
        if (!out && !relay) return fail(nameAt, "expected an output out1 ... out7, pk1 or pk2");
        OutputRecord output{std::uint8_t(out ? name[3] - '0' : 7 + name[2] - '0'), 0};
        if (!expect('=') || !onOff(output.state) || !expect(')')) return false;
        r = output.encode();
        return true;
    }
    if (keyword == "if") {
        if (!expect('(')) return false;
        skipBlanks();
        const std::size_t condAt = pos_;
        const std::string_view what = word();
        if (what == "counter") {
            skipBlanks();
            const std::size_t zeroAt = pos_;
            if (!expect('>')) return false;
            if (numberToken() != "0") return fail(zeroAt, "expected >0");
            return expect(')') && jumpTail() && value(code::JumpIfCounter, kControllerTarget, 0);
        }
        if (what.size() == 3 && what.substr(0, 2) == "in" && what[2] >= '1' && what[2] <= '6') {
            InputJumpRecord jump{0, std::uint8_t(what[2] - '0'), 0};
            if (!expect('=') || !onOff(jump.state) || !expect(')') || !jumpTail()) return false;
            r = jump.encode();
            return true;
        }
        return fail(condAt, "expected counter>0 or an input in1 ... in6");
    }
    if (keyword == "print_USB") return message(r);
    if (keyword == "wait_motor" || keyword == "clear_motor")
        return motorFlags(keyword == "wait_motor" ? code::WaitMotor : code::ClearMotor, r);
    if (keyword == "raw") return raw(r.data(), kRecordSize);
    return fail(at,
                "expected a command: v_min, v_max, v_dest, a_max, enable, wait_ms, jump_line, "
                "go_to, home, end, brake, stop, counter, if, set_out, drv, set_USB, print_USB, "
                "wait_motor, clear_motor or raw");
}

bool Importer::resolve() {
    const auto length = std::uint32_t(records_.size());
    for (const LineRef& ref : refs_) {
        std::int64_t target = ref.number;
        if (ref.isLabel) {
            const auto it = labels_.find(ref.label);
            if (it == labels_.end()) {
                result_ = {false, ref.textLine, ref.column,
                           "expected a label defined in this file; " + ref.label + " is not"};
                return false;
            }
            target = it->second.programLine;
        }
        const bool breakLine = ref.slot < 0;
        const bool inRange = breakLine ? target >= 0 && target <= std::int64_t(length)
                                       : target != 0 && target <= limits::lastJumpTarget(length);
        if (!inRange) {
            const std::string last = integerText(breakLine ? length : length + 1);
            result_ = {false, ref.textLine, ref.column,
                       breakLine ? "expected a line from 1 to " + last + ", none or a label"
                                 : "expected a line from 1 to " + last + " or a label"};
            return false;
        }
        if (breakLine) {
            BreakRow& row = breaks_[std::size_t(-ref.slot - 1)];
            row[1] = std::uint8_t(target >> 8);
            row[2] = std::uint8_t(target);
        } else {
            setJumpTarget(records_[std::size_t(ref.slot)], std::int32_t(target));
        }
    }
    return true;
}

}  // namespace

std::string exportProgramText(const ProgramImage& image, const TextExportOptions& options) {
    const std::uint32_t n = std::min<std::uint32_t>(image.length(), kMaxCommands);
    ExportPlan plan;
    plan.rawRecord.assign(n, false);
    std::vector<int> recordLine;
    std::array<int, 2> breakLine{};
    // Read the text back as import will: whatever does not come back exactly is
    // written raw instead, so the export is lossless even where the words and the
    // reader might disagree.
    for (int attempt = 0;; ++attempt) {
        std::string text = writeText(image, options, plan, recordLine, breakLine);
        ProgramImage back = image;
        const TextImportResult read = importProgramText(text, back);
        bool changed = false;
        const auto rawAt = [&](int textLine) {
            for (int k = 0; k < 2; ++k)
                if (breakLine[std::size_t(k)] == textLine && !plan.rawBreak[std::size_t(k)])
                    changed = plan.rawBreak[std::size_t(k)] = true;
            for (std::uint32_t i = 0; i < n; ++i)
                if (recordLine[i] == textLine && !plan.rawRecord[i])
                    changed = true, plan.rawRecord[i] = true;
        };
        if (!read) {
            rawAt(read.line);
        } else {
            for (std::uint32_t i = 0; i < n; ++i)
                if (back.record(int(i)) != image.record(int(i))) rawAt(recordLine[i]);
            for (int k = 0; k < 2; ++k)
                if (breakRow(back, k + 1) != breakRow(image, k + 1))
                    rawAt(breakLine[std::size_t(k)]);
        }
        if (!changed || attempt > int(n) + 2) return text;
    }
}

TextImportResult importProgramText(std::string_view text, ProgramImage& image) {
    return Importer().run(text, image);
}

}  // namespace rv720
