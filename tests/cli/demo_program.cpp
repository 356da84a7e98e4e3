#include "cli/demo_program.h"

#include "model/values.h"
#include "support/record_builders.h"

namespace rv720::testing {

using namespace rv720::test;

namespace {

// Velocities and accelerations are stored the way the parameter dialog stores them.
Record milli(std::uint8_t code, std::uint8_t motor, float value) {
    return withParams(code, motor, toMilli(value));
}

Record home(std::uint8_t motor, float fast, float slow) {
    return withParams(code::Home, motor, toMilli(fast), toMilli(slow));
}

}  // namespace

ProgramImage demoProgram() {
    const std::uint8_t c = kControllerTarget;
    ProgramImage image = programOf({
        // Driver set-up first: step divisor, steps per revolution, end sensors.
        driver(1, 8, 200, true, false),                   // 1
        driver(2, 8, 200, false, false),                  // 2
        driver(3, 16, 400, false, true),                  // 3
        milli(code::VMin, 1, 0.5f),                       // 4
        milli(code::VMin, 2, 0.5f),                       // 5
        milli(code::VMin, 3, 0.25f),                      // 6
        milli(code::VMax, 1, 5.0f),                       // 7
        milli(code::VMax, 2, 5.0f),                       // 8
        milli(code::VMax, 3, 2.5f),                       // 9
        milli(code::AMax, 1, 10.0f),                      // 10
        milli(code::AMax, 2, 10.0f),                      // 11
        milli(code::AMax, 3, 4.0f),                       // 12
        withBytes(code::SetUsb, c, {1}),                  // 13
        message("Start"),                                 // 14
        withBytes(code::Enable, c, {1}),                  // 15
        motorFlags(code::ClearMotor, true, true, true),   // 16
        home(1, 1.0f, 0.2f),                              // 17
        home(2, 1.0f, 0.2f),                              // 18
        motorFlags(code::WaitMotor, true, true, false),   // 19
        withParams(code::Counter, c, 5),                  // 20
        milli(code::VDest, 3, 1.5f),                      // 21: loop start
        withParams(code::GoTo, 1, 1600),                  // 22
        withParams(code::GoTo, 2, -800),                  // 23
        motorFlags(code::WaitMotor, true, true, false),   // 24
        withBytes(code::SetOut, c, {1, 1}),               // 25
        withParams(code::WaitMs, c, 250),                 // 26
        withBytes(code::SetOut, c, {1, 0}),               // 27
        withParams(code::GoTo, 1, 0),                     // 28
        withParams(code::GoTo, 2, 0),                     // 29
        motorFlags(code::WaitMotor, true, true, false),   // 30
        message("Cycle"),                                 // 31
        withParams(code::JumpIfCounter, c, 21),           // 32
        makeRecord(code::Brake, 3),                       // 33
        motorFlags(code::WaitMotor, false, false, true),  // 34
        withBytes(code::SetOut, c, {8, 1}),               // 35: relay 1 on
        jumpIfInput(38, 3, true),                         // 36: wait for INPUT3
        withParams(code::JumpLine, c, 36),                // 37
        makeRecord(code::Stop, 1),                        // 38: also the INPUT1 break target
        makeRecord(code::Stop, 2),                        // 39
        withBytes(code::SetOut, c, {8, 0}),               // 40
        withBytes(code::Enable, c, {0}),                  // 41
        message("Done"),                                  // 42
        makeRecord(code::End, c),                         // 43
    });
    // INPUT1 interrupts the job on a falling edge and jumps to the shut-down lines (stop both
    // axes).
    image.setInputBreak(1, {true, 38, 0});
    return image;
}

}  // namespace rv720::testing
