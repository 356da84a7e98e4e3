#pragma once
#include <cstdint>

namespace rv720 {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace colors {
inline constexpr Rgb Black{0, 0, 0};
inline constexpr Rgb Motor1{24, 142, 214};  // a blue
inline constexpr Rgb Motor2{123, 40, 42};   // a dark red
inline constexpr Rgb Motor3{109, 178, 49};  // a green
inline constexpr Rgb Red{255, 0, 0};
inline constexpr Rgb Green{0, 128, 0};  // the half-intensity green of the reports
inline constexpr Rgb Blue{0, 0, 255};
inline constexpr Rgb Error{253, 124, 102};  // background of an unreadable entry box
}  // namespace colors

}  // namespace rv720
