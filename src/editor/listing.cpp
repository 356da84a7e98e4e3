#include "editor/listing.h"

#include <algorithm>
#include <array>

#include "model/commands.h"
#include "model/message_text.h"
#include "model/values.h"

namespace rv720 {

namespace {

constexpr int kLineWidth = 105;
constexpr int kDriverLead = 72;  // puts a controller command at character 77
constexpr int kMaxMessage = 7;   // b3..b9

// A line under construction. Texts are UTF-8; padding counts characters, not
// bytes, so a message with accented letters keeps the columns straight.
class LineBuilder {
  public:
    LineBuilder() { text_.reserve(kLineWidth + 8); }
    void append(std::string_view ascii) {
        text_ += ascii;
        width_ += int(ascii.size());
    }
    void append(char c) {
        text_ += c;
        ++width_;
    }
    // Message bytes in the listing font's code page; control bytes become '?' so a
    // stray line break can never split a listing line (line index is slot index).
    void appendMessageByte(std::uint8_t byte) {
        if (byte < 0x20 || byte == 0x7F) byte = '?';
        if (byte == 0xAD) byte = '-';  // the soft hyphen would be invisible
        appendMessageChar(text_, byte);
        ++width_;
    }
    // Appends blanks while the line is shorter than n characters; never cuts.
    void padTo(int n) {
        if (width_ < n) {
            text_.append(std::size_t(n - width_), ' ');
            width_ = n;
        }
    }
    std::string take() { return std::move(text_); }

  private:
    std::string text_;
    int width_ = 0;
};

struct Layout {
    int lead;           // blanks before a controller command
    int motorStart[4];  // pad target before a motor's body, index 1..3
};

constexpr Layout kOneColumn{0, {0, 0, 0, 0}};
constexpr Layout kFourColumns{kDriverLead, {0, 0, 29, 53}};

std::string onOff(std::uint8_t flag) {
    return flag != 0 ? "on)" : "off)";
}

std::string motorBody(const ProgramImage& image, int slot, char separator) {
    const std::uint8_t c = image.code(slot);
    const std::string m = std::to_string(image.motor(slot));
    const auto milli = [&](std::int32_t v) { return formatMilli(v, separator); };
    std::string keyword(commandInfo(c)->keyword);
    switch (c) {
        case code::VMin:
        case code::VMax:
        case code::VDest:
        case code::AMax:
            return keyword + "(M" + m + "; " + milli(image.p1(slot)) + ")";
        case code::GoTo:
            return keyword + "(M" + m + "; " + formatInteger(image.p1(slot)) + ")";
        case code::Home:
            return keyword + "(M" + m + "; " + milli(image.p1(slot)) + "; " +
                   milli(image.p2(slot)) + ")";
        case code::Brake:
        case code::Stop:
            return keyword + "(M" + m + ")";
        case code::Driver: {
            const int divisor = image.byte(slot, 4) * 256 + image.byte(slot, 5);
            const int steps = image.byte(slot, 8) * 256 + image.byte(slot, 9);
            return keyword + "(M" + m + "; 1/" + std::to_string(divisor) + "; " +
                   std::to_string(steps) + "; " + (image.byte(slot, 2) != 0 ? "1" : "0") + "; " +
                   (image.byte(slot, 3) != 0 ? "1" : "0") + ")";
        }
    }
    return {};
}

void controllerBody(LineBuilder& line, const ProgramImage& image, int slot) {
    const auto b = [&](int k) { return image.byte(slot, k); };
    const std::string p1 = formatInteger(image.p1(slot));
    switch (image.code(slot)) {
        case code::Enable:
            line.append("enable(" + onOff(b(2)));
            break;
        case code::WaitMs:
            line.append("wait_ms(" + p1 + ")");
            break;
        case code::JumpLine:
            line.append("jump_line(" + p1 + ")");
            break;
        case code::End:
            line.append("end()");
            break;
        case code::Counter:
            line.append("counter(" + p1 + ")");
            break;
        case code::JumpIfCounter:
            line.append("if(counter>0) jump_line(" + p1 + ")");
            break;
        case code::SetOut:
            line.append(b(2) <= 7 ? "set_out(out" + std::to_string(b(2))
                                  : "set_out(pk" + std::to_string(b(2) - 7));
            line.append(" = " + onOff(b(3)));
            break;
        case code::JumpIfInput:
            line.append("if(in" + std::to_string(b(6)) + " = " +
                        (b(7) != 0 ? "on) jump_line(" : "off) jump_line(") + p1 + ")");
            break;
        case code::SetUsb:
            line.append("set_USB(" + onOff(b(2)));
            break;
        case code::PrintUsb: {
            // A damaged length byte shows the characters the record can hold
            // and the length as stored, so the damage stays visible.
            const int shown = std::min<int>(b(2), kMaxMessage);
            line.append("print_USB(");
            for (int k = 0; k < shown; ++k)
                line.appendMessageByte(b(3 + k));
            line.append("," + std::to_string(b(2)) + ")");
            break;
        }
    }
}

void motorFlagBody(LineBuilder& line, const ProgramImage& image, int slot, bool fourColumns) {
    const std::string w(commandInfo(image.code(slot))->keyword);
    const bool set[3] = {image.byte(slot, 2) == 1, image.byte(slot, 3) == 1,
                         image.byte(slot, 4) == 1};
    if (fourColumns) {
        const int padAfter[3] = {29, 53, kLineWidth};
        for (int u = 0; u < 3; ++u) {
            if (set[u]) line.append(w + "(M" + std::to_string(u + 1) + ")  ");
            line.padTo(padAfter[u]);
        }
        return;
    }
    std::string names;
    for (int u = 0; u < 3; ++u) {
        if (!set[u]) continue;
        if (!names.empty()) names += "; ";
        names += "M" + std::to_string(u + 1);
    }
    if (!names.empty()) line.append(w + "(" + names + ")");
}

bool isMotorCommand(std::uint8_t c) {
    const CommandInfo* info = commandInfo(c);
    return info && info->perMotor;
}

}  // namespace

std::vector<ListingLine> renderListing(const ProgramImage& image, ListingLayout layout,
                                       char decimalSeparator) {
    const bool four = layout == ListingLayout::FourColumns;
    const Layout& lay = four ? kFourColumns : kOneColumn;
    const int length = int(std::min<std::uint32_t>(image.length(), kMaxCommands));
    std::vector<ListingLine> lines;
    lines.reserve(std::size_t(length));
    Rgb color = colors::Black;
    for (int slot = 0; slot < length; ++slot) {
        LineBuilder line;
        char number[8];
        number[0] = char('0' + (slot + 1) / 100);
        number[1] = char('0' + (slot + 1) / 10 % 10);
        number[2] = char('0' + (slot + 1) % 10);
        line.append(std::string_view(number, 3));
        line.append(": ");

        switch (image.motor(slot)) {
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

        const std::uint8_t c = image.code(slot);
        if (isMotorCommand(c)) {
            // A motor-1 body follows the number; motors 2 and 3 are first
            // padded to their column. Any other motor byte leaves the number alone.
            const int m = image.motor(slot);
            if (m >= 1 && m <= 3) {
                line.padTo(lay.motorStart[m]);
                line.append(motorBody(image, slot, decimalSeparator));
                line.padTo(kLineWidth);
            }
        } else if (c == code::WaitMotor || c == code::ClearMotor) {
            motorFlagBody(line, image, slot, four);
            line.padTo(kLineWidth);
        } else if (commandInfo(c)) {
            line.append(std::string(std::size_t(lay.lead), ' '));
            controllerBody(line, image, slot);
            line.padTo(kLineWidth);
        }
        // Codes that are never stored (0, 21, above 22) show the number alone,
        // so the lines below still match their slots.
        lines.push_back({line.take(), color});
    }
    return lines;
}

std::string commandCounterText(std::uint32_t length) {
    const long long left = static_cast<long long>(kMaxCommands) - static_cast<long long>(length);
    return "Command: " + std::to_string(length) + " (left " + std::to_string(left) + " )";
}

}  // namespace rv720
