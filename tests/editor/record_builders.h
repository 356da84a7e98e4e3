#pragma once
// Small builders for command records and programs, shared by the listing,
// compiler and command-line tests.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "model/commands.h"
#include "model/program_image.h"

namespace rv720::testing {

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

inline Record driver(std::uint8_t motor, std::uint16_t divisor, std::uint16_t steps,
                     bool left = false, bool right = false) {
    Record r = makeRecord(code::Driver, motor);
    r[2] = left ? 1 : 0;
    r[3] = right ? 1 : 0;
    writeBe16(&r[4], divisor);
    writeBe16(&r[8], steps);
    return r;
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

}  // namespace rv720::testing
