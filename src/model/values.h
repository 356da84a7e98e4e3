#pragma once
// Parameter values as the operator types and reads them.
//
// Velocities (rev/s) and accelerations (rev/s^2) are stored as milli values: the
// typed number is first rounded to single precision, multiplied by 1000 exactly
// and truncated toward zero, so 0.7 is stored as 699 and 12.5 as 12500. For
// display the stored integer is multiplied by 0.001, rounded to single precision
// again and written with exactly two decimals (7 significant digits at most),
// which shows 699 as 0.70. Number texts use the decimal separator the caller
// passes in (the user's locale), never a hard-wired point.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rv720 {

// A decimal number in the user's notation: optional sign, digits with at most one
// decimal separator, optional exponent; surrounding blanks are ignored. Anything
// else (letters, a point where the user writes a comma, an empty text) is nullopt.
std::optional<double> parseDecimal(std::string_view text, char separator);

// A signed 32-bit integer: optional sign and decimal digits ("$" or "0x" for
// hexadecimal), leading blanks allowed. Out of range or anything else: nullopt.
std::optional<std::int32_t> parseInteger(std::string_view text);

// Fixed notation with `digits` decimals after rounding to at most `precision`
// significant digits (half away from zero, on the exact binary value). A result
// that rounds to zero carries no minus sign.
std::string formatFixed(long double value, int precision, int digits, char separator);

// General notation with up to `precision` significant digits, trailing zeros
// dropped; scientific ("1E-6") for very small or very large values.
std::string formatGeneral(long double value, char separator, int precision = 15);

std::int32_t toMilli(float value);    // trunc(value * 1000), value already single
float fromMilli(std::int32_t milli);  // milli * 0.001 rounded to single
// "12.50": fromMilli's value as formatFixed(value, 7, 2) writes it.
std::string formatMilli(std::int32_t milli, char separator);
// The same text appended to `out`; returns the number of characters appended.
int appendMilli(std::string& out, std::int32_t milli, char separator);
std::string formatInteger(std::int32_t value);  // "-400"
int appendInteger(std::string& out, std::int64_t value);

}  // namespace rv720
