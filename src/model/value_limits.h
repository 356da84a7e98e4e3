#pragma once
// The ranges a program's values may take, as the parameter dialog limits what the
// operator types. The dialog limits to these bounds; the text form refuses values
// outside them. Velocities and accelerations are compared in single precision:
// 31234.74 is the float 31234.740234375.
#include <cstdint>

namespace rv720::limits {

inline constexpr float kVelocity = 31234.74f;         // v_min, v_max, home: 0 ... this
inline constexpr float kAcceleration = 543263.8125f;  // a_max: 0 ... this
inline constexpr std::int32_t kPosition = 8'388'607;  // go_to: -this ... this
inline constexpr std::int32_t kWaitMs = 86'400'000;   // wait_ms: 0 ... this
inline constexpr std::int32_t kCounter = 65'535;      // counter: 0 ... this
inline constexpr std::int32_t kMinStepDivisor = 1;    // drv: 1/1 ... 1/256
inline constexpr std::int32_t kMaxStepDivisor = 256;
inline constexpr std::int32_t kMinStepsPerRev = 1;  // drv: 1 ... 1600 steps
inline constexpr std::int32_t kMaxStepsPerRev = 1'600;
inline constexpr int kMessageChars = 7;  // print_USB: b3 ... b9

// The last line a jump may name: the one after the program, where it ends. Line 0
// names nothing and is refused; lines below 0 pass as they are.
inline constexpr std::int64_t lastJumpTarget(std::uint32_t length) {
    return std::int64_t(length) + 1;
}

// A velocity or acceleration as the dialog limits it: at or below `lo` becomes
// `lo`, at or above `hi` becomes `hi`.
inline float limitDecimal(float v, float lo, float hi) {
    if (v <= lo) v = lo;
    if (v >= hi) v = hi;
    return v;
}

}  // namespace rv720::limits
