#include "model/values.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace rv720 {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Exact decimal expansion of |value| (glibc prints binary floating point exactly).
std::string exactDigits(long double value) {
    char buffer[6000];
    std::snprintf(buffer, sizeof buffer, "%.80Lf", std::fabs(value));
    return buffer;
}

// Rounds the decimal text "iii.fff" half away from zero so that it keeps `keep`
// decimals (keep may be negative: round into the integer part). Returns the
// integer digits and `keep` (>= 0) fraction digits.
void roundDecimal(const std::string& exact, int keep, std::string& intPart, std::string& frac) {
    const auto point = exact.find('.');
    std::string digits = exact.substr(0, point) + exact.substr(point + 1);
    const int intLen = int(point);
    int cut = intLen + keep;  // number of digits kept
    if (cut < 0) {
        intPart = "0";
        frac.assign(std::max(keep, 0), '0');
        return;
    }
    bool up = cut < int(digits.size()) && digits[cut] >= '5';
    std::string kept = digits.substr(0, cut);
    if (up) {
        int i = int(kept.size()) - 1;
        while (i >= 0 && kept[i] == '9')
            kept[i--] = '0';
        if (i >= 0)
            ++kept[i];
        else {
            kept.insert(kept.begin(), '1');
            ++cut;
        }
    }
    int newIntLen = int(kept.size()) - std::max(keep, 0);
    if (keep < 0) {
        kept.append(-keep, '0');
        newIntLen = int(kept.size());
    }
    intPart = newIntLen > 0 ? kept.substr(0, newIntLen) : "0";
    frac = keep > 0 ? kept.substr(newIntLen) : "";
    std::size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
}

}  // namespace

std::optional<double> parseDecimal(std::string_view text, char separator) {
    std::string_view s = trim(text);
    std::string normal;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) normal += s[i++];
    int mantissaDigits = 0;
    while (i < s.size() && isDigit(s[i]))
        normal += s[i++], ++mantissaDigits;
    if (i < s.size() && s[i] == separator) {
        normal += '.';
        ++i;
        while (i < s.size() && isDigit(s[i]))
            normal += s[i++], ++mantissaDigits;
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        normal += 'e';
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) normal += s[i++];
        int expDigits = 0;
        while (i < s.size() && isDigit(s[i]))
            normal += s[i++], ++expDigits;
        if (expDigits == 0) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;
    const char* begin = normal.data();
    if (*begin == '+') ++begin;
    double value = 0;
    auto [end, ec] = std::from_chars(begin, normal.data() + normal.size(), value);
    if (ec != std::errc() || end != normal.data() + normal.size()) return std::nullopt;
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int32_t> parseInteger(std::string_view text) {
    std::string_view s = text;
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return std::nullopt;
    std::int64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string formatFixed(long double value, int precision, int digits, char separator) {
    const std::string exact = exactDigits(value);
    const auto point = exact.find('.');
    std::string intDigits = exact.substr(0, point);
    std::size_t nz = intDigits.find_first_not_of('0');
    int significantInt = nz == std::string::npos ? 0 : int(intDigits.size() - nz);
    if (significantInt > precision) return formatGeneral(value, separator, precision);
    int keep = digits;
    if (significantInt > 0) {
        keep = std::min(digits, precision - significantInt);
    } else {
        const std::string frac = exact.substr(point + 1);
        std::size_t first = frac.find_first_not_of('0');
        if (first != std::string::npos) keep = std::min<int>(digits, int(first) + precision);
    }
    std::string intPart, frac;
    roundDecimal(exact, keep, intPart, frac);
    frac.resize(std::max(digits, 0), '0');
    const bool zero = intPart == "0" && frac.find_first_not_of('0') == std::string::npos;
    std::string out = (value < 0 && !zero) ? "-" : "";
    out += intPart;
    if (digits > 0) {
        out += separator;
        out += frac;
    }
    return out;
}

std::string formatGeneral(long double value, char separator, int precision) {
    if (value == 0) return "0";
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*Le", precision - 1, std::fabs(value));
    // buffer: d.ddddde[+-]xx, rounded to `precision` significant digits.
    std::string text = buffer;
    const auto e = text.find('e');
    std::string mantissa = text.substr(0, e);
    const int exponent = std::stoi(text.substr(e + 1));
    std::string digits;
    for (char c : mantissa)
        if (c != '.') digits += c;
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    std::string out = value < 0 ? "-" : "";
    if (exponent >= precision || std::fabs(value) < 0.00001L) {
        out += digits.substr(0, 1);
        if (digits.size() > 1) {
            out += separator;
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(exponent);
        return out;
    }
    if (exponent >= 0) {
        std::string intPart = digits.substr(0, std::min<std::size_t>(digits.size(), exponent + 1));
        intPart.resize(exponent + 1, '0');
        out += intPart;
        if (int(digits.size()) > exponent + 1) {
            out += separator;
            out += digits.substr(exponent + 1);
        }
    } else {
        out += '0';
        out += separator;
        out += std::string(-exponent - 1, '0');
        out += digits;
    }
    return out;
}

std::int32_t toMilli(float value) {
    // float * 1000 is exact in double; the cast truncates toward zero.
    const double scaled = double(value) * 1000.0;
    if (scaled >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (scaled <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(scaled);
}

float fromMilli(std::int32_t milli) {
    return static_cast<float>(static_cast<long double>(milli) * 0.001L);
}

// The listing shows a value of every velocity record, so this is formatFixed's
// rounding done in integers: a single-precision value below 2^22 times 100 has at
// most 31 significant bits, so the scaled value is exact in long double, and its
// floor and the half-away-from-zero test on the remainder are exact too. Seven
// significant digits at most: two decimals up to five integer digits, one for six,
// none for seven (|milli| < 2^31 keeps it below 2.2 million).
int appendMilli(std::string& out, std::int32_t milli, char separator) {
    const long double magnitude = std::fabs(static_cast<long double>(fromMilli(milli)));
    const int kept = magnitude < 100000 ? 2 : magnitude < 1000000 ? 1 : 0;
    const long double scale = kept == 2 ? 100 : kept == 1 ? 10 : 1;
    const long double scaled = magnitude * scale;
    const long double whole = std::floor(scaled);
    auto n = static_cast<std::uint64_t>(whole);
    if (scaled - whole >= 0.5L) ++n;

    // Digits of n, the last `kept` of them after the separator, then zeros to two.
    char digits[24];
    char* end = std::to_chars(digits, digits + sizeof digits, n).ptr;
    int count = int(end - digits);
    const std::size_t before = out.size();
    if (milli < 0 && n != 0) out += '-';  // a value that rounds to zero has no sign
    if (count <= kept) {
        out += '0';
    } else {
        out.append(digits, std::size_t(count - kept));
    }
    out += separator;
    for (int k = kept; k > 0; --k)
        out += count >= k ? digits[count - k] : '0';
    out.append(std::size_t(2 - kept), '0');
    return int(out.size() - before);
}

std::string formatMilli(std::int32_t milli, char separator) {
    std::string out;
    appendMilli(out, milli, separator);
    return out;
}

std::string formatInteger(std::int32_t value) {
    return std::to_string(value);
}

int appendInteger(std::string& out, std::int64_t value) {
    char digits[24];
    const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, std::size_t(end - digits));
    return int(end - digits);
}

}  // namespace rv720
