#pragma once
// Each command's record read as the fields its command uses, and written from them.
// A record is b0 (the code), b1 (the motor 1..3, or 4 for a command of the
// controller) and eight parameter bytes; P1 is b2..b5 and P2 b6..b9, signed 32-bit
// big-endian:
//
//   v_min v_max v_dest a_max    P1 thousandths of rev/s (a_max: of rev/s^2)
//   go_to                       P1 steps
//   home                        P1 and P2 thousandths of rev/s
//   brake stop end              nothing
//   drv                         b2 LEFT sensor, b3 RIGHT sensor, b4..b5 step divisor
//                               (16-bit), P2 steps per revolution
//   enable set_USB              b2 on
//   wait_ms counter             P1 milliseconds, repetitions
//   jump_line if(counter>0)     P1 the line jumped to (1-based)
//   if(in..) jump_line          P1 the line, b6 the input 1..6, b7 its state
//   set_out                     b2 the output 1..9 (outputs 1..7, relays 1..2), b3 state
//   print_USB                   b2 the count, b3..b9 the characters
//   wait_motor clear_motor      b2, b3, b4: motors 1, 2, 3
//
// Reading never fails and never judges: a damaged record reads as whatever its bytes
// say, so it can still be shown, and a flag keeps its byte (the station writes 0 or
// 1; readers of a damaged byte each keep the reading they always had). store() writes
// the code, the fields and, where the view has one, the motor, and leaves every other
// byte as it was, so an edit changes only what its page governs; encode() starts
// from zeros (and motor byte 4 for a command of the controller).
#include <array>
#include <cstdint>
#include <string>

#include "model/program_image.h"

namespace rv720 {

// The commands of one value in P1: v_min, v_max, v_dest, a_max (thousandths), go_to
// (steps) for a motor; wait_ms (milliseconds), counter (repetitions), jump_line and
// if(counter>0) jump_line (the line) for the controller, motor byte 4.
struct ValueRecord {
    std::uint8_t code = 0;
    std::uint8_t motor = 0;
    std::int32_t value = 0;

    static ValueRecord decode(const Record& r);
    void store(Record& r) const;
    Record encode() const;
};

struct HomeRecord {
    std::uint8_t motor = 0;
    std::int32_t firstMilli = 0;   // the velocity towards the approach point
    std::int32_t secondMilli = 0;  // the approach to 0

    static HomeRecord decode(const Record& r);
    void store(Record& r) const;
    Record encode() const;
};

struct DriverRecord {
    std::uint8_t motor = 0;
    std::uint8_t left = 0;  // the LEFT sensor's flag
    std::uint8_t right = 0;
    std::uint16_t divisor = 0;
    std::int32_t stepsPerRev = 0;

    static DriverRecord decode(const Record& r);
    void store(Record& r) const;
    Record encode() const;
};

// enable and set_USB.
struct SwitchRecord {
    std::uint8_t code = 0;
    std::uint8_t on = 0;

    static SwitchRecord decode(const Record& r);
    void store(Record& r) const;
    Record encode() const;
};

// if(inN = state) jump_line(target).
struct InputJumpRecord {
    std::int32_t target = 0;
    std::uint8_t input = 0;
    std::uint8_t state = 0;

    static InputJumpRecord decode(const Record& r);
    void store(Record& r) const;
    Record encode() const;
};

struct OutputRecord {
    std::uint8_t output = 0;
    std::uint8_t state = 0;

    static OutputRecord decode(const Record& r);
    void store(Record& r) const;
    Record encode() const;
};

inline constexpr int kMessageCapacity = 7;  // b3..b9

struct MessageRecord {
    std::uint8_t count = 0;  // as stored; only kMessageCapacity characters fit
    std::array<std::uint8_t, kMessageCapacity> characters{};

    // The characters the record holds: the count, cut to what fits.
    int shown() const { return count < kMessageCapacity ? count : kMessageCapacity; }
    // Sets the count and the first characters from `bytes` (at most the capacity);
    // characters beyond them stay as they were.
    void setText(const std::string& bytes);

    static MessageRecord decode(const Record& r);
    void store(Record& r) const;
    Record encode() const;
};

// wait_motor and clear_motor.
struct MotorFlagsRecord {
    std::uint8_t code = 0;
    std::array<std::uint8_t, 3> motors{};

    static MotorFlagsRecord decode(const Record& r);
    void store(Record& r) const;
    Record encode() const;
};

// The line a jump_line, if(counter>0) or if(in..) record jumps to, and its change
// when lines are inserted or deleted.
std::int32_t jumpTarget(const Record& r);
void setJumpTarget(Record& r, std::int32_t target);

}  // namespace rv720
