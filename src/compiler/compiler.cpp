#include "compiler/compiler.h"

#include <algorithm>

#include "model/commands.h"
#include "model/records.h"

namespace rv720 {

namespace {

const std::string kDashes(69, '-');

struct Counters {
    int motion = 0;
    int minVelocity = 0;
    int maxVelocity = 0;
    int maxAcceleration = 0;
    int enable = 0;
    int end = 0;
    int driver = 0;
    int input1Misuse = 0;
    int input2Misuse = 0;
    bool waitMisuse = false;
    // The first command behind each of the last three, for the report's lines.
    int firstInput1Misuse = -1;
    int firstInput2Misuse = -1;
    int firstMisplacedWait = -1;
};

bool isPositionCommand(std::uint8_t c) {
    return c == code::GoTo || c == code::Home || c == code::Brake || c == code::Stop;
}

// A wait for d motors must directly follow d commands that give those motors a
// position to reach (set position, HOME, brake, stop). The flags are counted as
// the bytes they are, as the station always has.
bool waitIsMisplaced(const ProgramImage& image, int slot) {
    const auto motors = MotorFlagsRecord::decode(image.record(slot)).motors;
    const int d = motors[0] + motors[1] + motors[2];
    if (d == 0) return false;
    if (slot < d) return true;
    for (int k = slot - 1; k >= slot - d; --k)
        if (!isPositionCommand(image.code(k))) return true;
    return false;
}

// The input-break controls mirror the block: ticked when the enabled byte is
// set, a line chosen when the stored line is one of the program lines 1..999.
struct BreakControls {
    bool ticked = false;
    bool lineChosen = false;
};

BreakControls breakControls(const ProgramImage& image, int input) {
    const InputBreak setting = image.inputBreak(input);
    return {setting.enabled, setting.line >= 1 && setting.line <= kMaxCommands};
}

}  // namespace

CompileReport compileProgram(const ProgramImage& image, const std::string& date,
                             const std::string& time, const std::function<void(int)>& progress) {
    const int length = int(std::min<std::uint32_t>(image.length(), kMaxCommands));
    const BreakControls input1 = breakControls(image, 1);
    const BreakControls input2 = breakControls(image, 2);

    Counters n;
    for (int i = 0; i < length; ++i) {
        if (progress) progress(i + 1);
        switch (image.code(i)) {
            case code::VMin:
                ++n.minVelocity;
                break;
            case code::VMax:
                ++n.maxVelocity;
                break;
            case code::AMax:
                ++n.maxAcceleration;
                break;
            case code::Enable:
                ++n.enable;
                break;
            case code::End:
                ++n.end;
                break;
            case code::Driver:
                ++n.driver;
                break;
            case code::VDest:
            case code::GoTo:
            case code::Home:
            case code::Brake:
            case code::Stop:
                ++n.motion;
                break;
            case code::JumpIfInput: {
                const std::uint8_t in = InputJumpRecord::decode(image.record(i)).input;
                if (input1.ticked && in == 1 && n.input1Misuse++ == 0) n.firstInput1Misuse = i;
                if (input2.ticked && in == 2 && n.input2Misuse++ == 0) n.firstInput2Misuse = i;
                break;
            }
            case code::WaitMotor:
                if (waitIsMisplaced(image, i) && !n.waitMisuse) {
                    n.waitMisuse = true;
                    n.firstMisplacedWait = i;
                }
                break;
            default:
                break;
        }
    }

    CompileReport report;
    report.commands = std::uint32_t(length);
    auto add = [&](std::string text, Rgb color, int slot = -1) {
        report.lines.push_back({std::move(text), color, slot});
    };
    auto error = [&](bool fails, const char* text, int slot = -1) {
        if (!fails) return;
        ++report.errors;
        add(text, colors::Red, slot);
    };

    add("Compilation start: " + date + " o " + time, colors::Black);
    add(kDashes, colors::Black);

    const bool motion = n.motion > 0;
    error(motion && (length == 0 || image.code(0) != code::Driver),
          "Error: No driver configuration in first program line", 0);
    error(motion && n.minVelocity == 0, "Error: Non defined minimal velocity");
    error(motion && n.maxVelocity == 0, "Error: Non defined maximal velocity");
    error(motion && n.maxAcceleration == 0, "Error: Non defined maximal acceleration");
    error(motion && n.driver == 0, "Error: Non definde driver step division");
    error(n.end == 0, "Error: Non defined end of the program");
    error(length == 0 || image.code(length - 1) != code::End,
          "Error: Non defined end of the program in last line", length - 1);
    error(length == 0, "Error: No commands");
    error(n.waitMisuse, "Error: Wrong use of wait for position comand", n.firstMisplacedWait);
    error(n.input1Misuse > 0, "Error: Not allowed use of 1 input in break mode",
          n.firstInput1Misuse);
    error(n.input2Misuse > 0, "Error: Not allowed use of 2 input in break mode",
          n.firstInput2Misuse);
    error(input1.ticked && !input1.lineChosen, "Error: No defined jump for 1 input in break mode");
    error(input2.ticked && !input2.lineChosen, "Error: No defined jump for 2 input in break mode");

    if (motion && n.enable == 0) {
        ++report.warnings;
        add("Warning: Motors aren't unblocked", colors::Green);
    }

    add(kDashes, colors::Black);
    add("Compilation:", colors::Black);
    add("    Commands:    " + std::to_string(length), colors::Black);
    add("    Errors:       " + std::to_string(report.errors), colors::Black);
    add("    Warnings: " + std::to_string(report.warnings), colors::Black);
    add(kDashes, colors::Black);
    add(report.errors == 0 ? "Compilation successfuly finished" : "Compilation failed",
        colors::Blue);

    report.writeAllowed = length > 0 && report.errors == 0;
    return report;
}

}  // namespace rv720
