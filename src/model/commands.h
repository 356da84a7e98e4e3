#pragma once
// The controller's command codes: what each record's b0 means, the keyword the
// listing prints and which parameter bytes the command uses.
#include <cstdint>
#include <string_view>

namespace rv720 {

namespace code {
inline constexpr std::uint8_t VMin = 1;
inline constexpr std::uint8_t VMax = 2;
inline constexpr std::uint8_t VDest = 3;
inline constexpr std::uint8_t AMax = 4;
inline constexpr std::uint8_t Enable = 5;
inline constexpr std::uint8_t WaitMs = 6;
inline constexpr std::uint8_t JumpLine = 7;
inline constexpr std::uint8_t GoTo = 8;
inline constexpr std::uint8_t Home = 9;
inline constexpr std::uint8_t End = 10;
inline constexpr std::uint8_t Brake = 11;
inline constexpr std::uint8_t Stop = 12;
inline constexpr std::uint8_t Counter = 13;
inline constexpr std::uint8_t JumpIfCounter = 14;
inline constexpr std::uint8_t SetOut = 15;
inline constexpr std::uint8_t JumpIfInput = 16;
inline constexpr std::uint8_t Driver = 17;
inline constexpr std::uint8_t SetUsb = 18;
inline constexpr std::uint8_t PrintUsb = 19;
inline constexpr std::uint8_t WaitMotor = 20;
inline constexpr std::uint8_t EditOutputs = 21;  // edited code only, never stored
inline constexpr std::uint8_t ClearMotor = 22;
}  // namespace code

// b1 of a command that is not tied to one motor.
inline constexpr std::uint8_t kControllerTarget = 4;

enum class ParamKind : std::uint8_t {
    None,
    Milli,       // P1 milli
    MilliPair,   // P1 and P2 milli (HOME)
    Integer,     // P1 integer
    Line,        // P1 line (jumps)
    OnOff,       // b2 flag
    Output,      // b2 output number, b3 state
    JumpInput,   // P1 line, b6 input, b7 state
    Driver,      // b2, b3 sensors, b4..b5 divisor, P2 steps per revolution
    Message,     // b2 length, b3.. characters
    MotorFlags,  // b2, b3, b4 one per motor
};

struct CommandInfo {
    std::uint8_t code;
    std::string_view keyword;  // as the listing prints it
    bool perMotor;             // b1 is a motor 1..3, one record per motor
    ParamKind params;
};

// nullptr for code 0, 21 and codes above 22: those are never stored.
const CommandInfo* commandInfo(std::uint8_t code);

inline bool isJumpCode(std::uint8_t c) {
    return c == code::JumpLine || c == code::JumpIfCounter || c == code::JumpIfInput;
}

}  // namespace rv720
