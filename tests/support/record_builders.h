#pragma once
// Builders of command records and programs, shared by every test that needs a
// program: each writes the bytes by hand, as the controller's manual lays them out,
// so that a fault in the typed records of model/ cannot hide in the test's own
// input.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "model/commands.h"
#include "model/program_image.h"

namespace rv720::test {

// A record from its leading bytes b0, b1, b2, ...; the rest zero.
inline Record recordOf(std::initializer_list<std::uint8_t> leading) {
    Record r{};
    std::size_t i = 0;
    for (auto b : leading)
        r[i++] = b;
    return r;
}

// A record with P1 and P2 as signed big-endian values.
inline Record withParams(std::uint8_t code, std::uint8_t motor, std::int32_t p1 = 0,
                         std::int32_t p2 = 0) {
    Record r = makeRecord(code, motor);
    writeBe32(&r[2], p1);
    writeBe32(&r[6], p2);
    return r;
}

// A record with the bytes b2, b3, ... given one by one (the rest zero).
inline Record withBytes(std::uint8_t code, std::uint8_t motor,
                        std::initializer_list<std::uint8_t> tail) {
    Record r = makeRecord(code, motor);
    int k = 2;
    for (auto b : tail)
        r[k++] = b;
    return r;
}

inline Record driver(std::uint8_t motor, std::uint16_t divisor, std::int32_t stepsPerRev,
                     bool left = false, bool right = false) {
    Record r = makeRecord(code::Driver, motor);
    r[2] = left ? 1 : 0;
    r[3] = right ? 1 : 0;
    writeBe16(&r[4], divisor);
    writeBe32(&r[6], stepsPerRev);
    return r;
}

inline Record jumpTo(std::int32_t line) {
    return withParams(code::JumpLine, kControllerTarget, line);
}

// if(inN = on) jump_line(line).
inline Record jumpIfInput(std::int32_t line, std::uint8_t input, bool on) {
    Record r = withParams(code::JumpIfInput, kControllerTarget, line);
    r[6] = input;
    r[7] = on ? 1 : 0;
    return r;
}

// wait_motor or clear_motor for the motors given.
inline Record motorFlags(std::uint8_t code, bool m1, bool m2, bool m3) {
    return withBytes(code, kControllerTarget,
                     {std::uint8_t(m1), std::uint8_t(m2), std::uint8_t(m3)});
}

inline Record message(const char* text) {
    Record r = makeRecord(code::PrintUsb, kControllerTarget);
    int n = 0;
    while (text[n] && n < 7) {
        r[3 + n] = std::uint8_t(text[n]);
        ++n;
    }
    r[2] = std::uint8_t(n);
    return r;
}

inline ProgramImage programOf(const std::vector<Record>& records) {
    ProgramImage image;
    for (std::size_t i = 0; i < records.size(); ++i)
        image.setRecord(int(i), records[i]);
    image.setLength(std::uint32_t(records.size()));
    return image;
}

}  // namespace rv720::test
