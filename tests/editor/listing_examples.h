#pragma once
// The program behind the golden listings in tests/data/listing: lines 3..12 are
// the worked examples of the listing, line 1 a minimum velocity and line 2 a
// wait for motor 2.
#include "support/record_builders.h"

namespace rv720::test {

inline ProgramImage listingExamplesProgram() {
    return programOf({
        withParams(code::VMin, 1, 12500),
        withBytes(code::WaitMotor, 4, {0, 1, 0}),
        withParams(code::VMax, 2, 20000),
        withParams(code::GoTo, 1, -400),
        withParams(code::Home, 3, 2000, 500),
        driver(1, 8, 200, true, false),
        withBytes(code::SetOut, 4, {8, 1}),
        jumpIfInput(3, 2, false),
        message("Hello"),
        withBytes(code::SetOut, 4, {9, 0}),
        message(""),
        withParams(code::VDest, 1, -1500),
    });
}

}  // namespace rv720::test
