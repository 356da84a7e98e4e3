#include "editor/listing.h"

#include <algorithm>
#include <array>

#include "model/commands.h"
#include "model/message_text.h"
#include "model/records.h"
#include "model/values.h"

namespace rv720 {

namespace {

constexpr int kLineWidth = 105;
constexpr int kDriverLead = 72;  // puts a controller command at character 77

// A line under construction, appended in place. Texts are UTF-8; padding counts
// characters, not bytes, so a message with accented letters keeps the columns
// straight.
class LineBuilder {
  public:
    explicit LineBuilder(std::string& text) : text_(text) { text_.reserve(kLineWidth + 16); }
    LineBuilder& operator<<(std::string_view ascii) {
        text_ += ascii;
        width_ += int(ascii.size());
        return *this;
    }
    LineBuilder& operator<<(char c) {
        text_ += c;
        ++width_;
        return *this;
    }
    LineBuilder& number(std::int64_t value) {
        width_ += appendInteger(text_, value);
        return *this;
    }
    LineBuilder& milli(std::int32_t value, char separator) {
        width_ += appendMilli(text_, value, separator);
        return *this;
    }
    LineBuilder& flag(std::uint8_t byte) { return *this << (byte != 0 ? "on)" : "off)"); }
    // Message bytes in the listing font's code page; control bytes become '?' so a
    // stray line break can never split a listing line (line index is slot index).
    void messageByte(std::uint8_t byte) {
        if (byte < 0x20 || byte == 0x7F) byte = '?';
        if (byte == 0xAD) byte = '-';  // the soft hyphen would be invisible
        appendMessageChar(text_, byte);
        ++width_;
    }
    void blanks(int n) {
        text_.append(std::size_t(n), ' ');
        width_ += n;
    }
    // Appends blanks while the line is shorter than n characters; never cuts.
    void padTo(int n) {
        if (width_ < n) {
            text_.append(std::size_t(n - width_), ' ');
            width_ = n;
        }
    }

  private:
    std::string& text_;
    int width_ = 0;
};

struct Layout {
    int lead;           // blanks before a controller command
    int motorStart[4];  // pad target before a motor's body, index 1..3
};

constexpr Layout kOneColumn{0, {0, 0, 0, 0}};
constexpr Layout kFourColumns{kDriverLead, {0, 0, 29, 53}};

void motorBody(LineBuilder& line, const Record& r, std::string_view keyword, char separator) {
    const std::uint8_t c = r[0];
    line << keyword << "(M" << char('0' + r[1]);
    switch (c) {
        case code::VMin:
        case code::VMax:
        case code::VDest:
        case code::AMax:
            line << "; ";
            line.milli(ValueRecord::decode(r).value, separator) << ')';
            return;
        case code::GoTo:
            line << "; ";
            line.number(ValueRecord::decode(r).value) << ')';
            return;
        case code::Home: {
            const HomeRecord home = HomeRecord::decode(r);
            line << "; ";
            line.milli(home.firstMilli, separator) << "; ";
            line.milli(home.secondMilli, separator) << ')';
            return;
        }
        case code::Driver: {
            // The steps are shown as their low 16 bits, as the station always has.
            const DriverRecord d = DriverRecord::decode(r);
            line << "; 1/";
            line.number(d.divisor) << "; ";
            line.number(std::uint16_t(d.stepsPerRev))
                << "; " << (d.left != 0 ? '1' : '0') << "; " << (d.right != 0 ? '1' : '0') << ')';
            return;
        }
        default:  // brake, stop
            line << ')';
    }
}

void outputName(LineBuilder& line, std::uint8_t output) {
    if (output <= 7) {
        line << "out";
        line.number(output);
    } else {
        line << "pk";
        line.number(output - 7);
    }
}

void controllerBody(LineBuilder& line, const Record& r) {
    switch (r[0]) {
        case code::Enable:
            (line << "enable(").flag(SwitchRecord::decode(r).on);
            break;
        case code::SetUsb:
            (line << "set_USB(").flag(SwitchRecord::decode(r).on);
            break;
        case code::WaitMs:
            (line << "wait_ms(").number(ValueRecord::decode(r).value) << ')';
            break;
        case code::Counter:
            (line << "counter(").number(ValueRecord::decode(r).value) << ')';
            break;
        case code::JumpLine:
            (line << "jump_line(").number(ValueRecord::decode(r).value) << ')';
            break;
        case code::JumpIfCounter:
            (line << "if(counter>0) jump_line(").number(ValueRecord::decode(r).value) << ')';
            break;
        case code::End:
            line << "end()";
            break;
        case code::SetOut: {
            const OutputRecord out = OutputRecord::decode(r);
            line << "set_out(";
            outputName(line, out.output);
            (line << " = ").flag(out.state);
            break;
        }
        case code::JumpIfInput: {
            const InputJumpRecord jump = InputJumpRecord::decode(r);
            (line << "if(in").number(jump.input)
                << " = " << (jump.state != 0 ? "on) jump_line(" : "off) jump_line(");
            line.number(jump.target) << ')';
            break;
        }
        case code::PrintUsb: {
            // A damaged count shows the characters the record can hold and the count
            // as stored, so the damage stays visible.
            const MessageRecord message = MessageRecord::decode(r);
            line << "print_USB(";
            for (int k = 0; k < message.shown(); ++k)
                line.messageByte(message.characters[std::size_t(k)]);
            (line << ',').number(message.count) << ')';
            break;
        }
    }
}

void motorFlagBody(LineBuilder& line, const Record& r, std::string_view keyword, bool fourColumns) {
    const MotorFlagsRecord flags = MotorFlagsRecord::decode(r);
    if (fourColumns) {
        const int padAfter[3] = {29, 53, kLineWidth};
        for (int u = 0; u < 3; ++u) {
            if (flags.motors[std::size_t(u)] == 1)
                line << keyword << "(M" << char('1' + u) << ")  ";
            line.padTo(padAfter[u]);
        }
        return;
    }
    bool first = true;
    for (int u = 0; u < 3; ++u) {
        if (flags.motors[std::size_t(u)] != 1) continue;
        line << (first ? keyword : std::string_view()) << (first ? "(M" : "; M") << char('1' + u);
        first = false;
    }
    if (!first) line << ')';
}

}  // namespace

std::vector<ListingLine> renderListing(const ProgramImage& image, ListingLayout layout,
                                       char decimalSeparator) {
    const bool four = layout == ListingLayout::FourColumns;
    const Layout& lay = four ? kFourColumns : kOneColumn;
    const int length = int(std::min<std::uint32_t>(image.length(), kMaxCommands));
    std::vector<ListingLine> lines(static_cast<std::size_t>(length));
    Rgb color = colors::Black;
    for (int slot = 0; slot < length; ++slot) {
        ListingLine& out = lines[std::size_t(slot)];
        LineBuilder line(out.text);
        const int number = slot + 1;
        line << char('0' + number / 100) << char('0' + number / 10 % 10) << char('0' + number % 10)
             << ": ";

        const Record r = image.record(slot);
        switch (r[1]) {
            case 1:
                color = colors::Motor1;
                break;
            case 2:
                color = colors::Motor2;
                break;
            case 3:
                color = colors::Motor3;
                break;
            case 4:
                color = colors::Black;
                break;
            default:
                break;  // a damaged motor byte keeps the previous colour
        }
        out.color = color;

        const CommandInfo* info = commandInfo(r[0]);
        if (!info) continue;  // codes never stored (0, 21, above 22): the number alone
        if (info->perMotor) {
            // A motor-1 body follows the number; motors 2 and 3 are first padded to
            // their column. Any other motor byte leaves the number alone.
            const int m = r[1];
            if (m >= 1 && m <= 3) {
                line.padTo(lay.motorStart[m]);
                motorBody(line, r, info->keyword, decimalSeparator);
                line.padTo(kLineWidth);
            }
        } else if (info->params == ParamKind::MotorFlags) {
            motorFlagBody(line, r, info->keyword, four);
            line.padTo(kLineWidth);
        } else {
            line.blanks(lay.lead);
            controllerBody(line, r);
            line.padTo(kLineWidth);
        }
    }
    return lines;
}

std::string commandCounterText(std::uint32_t length) {
    const long long left = static_cast<long long>(kMaxCommands) - static_cast<long long>(length);
    return "Command: " + std::to_string(length) + " (left " + std::to_string(left) + " )";
}

}  // namespace rv720
