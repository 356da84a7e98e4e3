#pragma once
// A dry run: a program tried on a controller twin of its own, before any machine
// moves. The program is stored into a fresh twin (never the user's EEPROM file),
// started as Play starts it (the run command over the twin's frame protocol), and run
// on virtual time until it stops or the limit is reached; inputs are switched at
// the times given. Recorded: every command as it starts, every USB message,
// and every 10 ms the executing line and the three motors' positions (steps) and
// velocities (rev/s, with each motor's drv configuration at that moment).
//
// After the program stops the run goes on while a motor is still on its way to a
// position (a go_to left running by end()), up to the limit, so the final
// positions are where those moves end; a motor turning at a set velocity is not
// waited for (it would turn for ever). The last sample lies on the 10 ms grid at
// or after that.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/program_image.h"
#include "sim/input_switch.h"
#include "sim/sim_time.h"

namespace rv720::sim {

enum class DryRunEnd : std::uint8_t {
    NotStarted,      // nothing to run (an empty program), or STOP held at the start
    End,             // end()
    RanOff,          // ran past the last line
    JumpOutside,     // a jump, or an input break, to a line outside the program
    UnknownCommand,  // a record whose code the controller does not know
    StopInput,       // the STOP input
    Limit,           // still running at the limit
};

// "end", "ran_off", "jump_outside", "unknown_command", "stop_input", "limit",
// "not_started".
const char* dryRunEndName(DryRunEnd end);

struct DryRunOptions {
    SimDuration limit = std::chrono::minutes(10);
    std::vector<InputSwitch> switches;  // in any order
};

inline constexpr SimDuration kDryRunSampleInterval = std::chrono::milliseconds(10);
// Commands kept for the time cursor; the count goes on beyond.
inline constexpr std::size_t kDryRunMaxExecutions = 1'000'000;

struct DryRunExecution {
    SimTime at;
    int line;  // 1-based
};

struct DryRunMessage {
    SimTime at;
    std::string characters;  // the bytes sent, one a character
};

struct MotionSample {
    SimTime at;
    int line = 0;  // the command executing then, 1-based; 0 before the first
    std::array<std::int32_t, 3> position{};
    std::array<double, 3> velocity{};  // rev/s
};

struct DryRun {
    DryRunEnd end = DryRunEnd::NotStarted;
    SimTime stoppedAt{0};  // when the program stopped, or the limit
    std::uint64_t executed = 0;
    std::vector<DryRunExecution> executions;  // the first kDryRunMaxExecutions
    std::vector<DryRunMessage> messages;
    std::vector<MotionSample> samples;  // from 0, every kDryRunSampleInterval
    std::array<std::int32_t, 3> positions{};
    std::array<double, 3> peakVelocity{};  // largest |v| seen, rev/s
    bool motorsRunning = false;            // a motor still turned when the run ended

    bool ended() const { return end == DryRunEnd::End; }
    bool executionsTruncated() const { return executed > executions.size(); }
    // The command executing at `t` (1-based), 0 before the first.
    int lineAt(SimTime t) const;
};

DryRun dryRun(const ProgramImage& program, const DryRunOptions& options = {});

}  // namespace rv720::sim
