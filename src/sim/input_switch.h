#pragma once
// Switching the twin's inputs from the command line or the dry-run window:
// "IN=on|off[@SECONDS]", IN being INPUT1 ... INPUT6 (also in1 ... in6 or 1 ... 6),
// RUN or STOP, in any letter case; SECONDS has at most three decimals (a
// millisecond) and reaches a day at most.
#include <optional>
#include <string>
#include <string_view>

#include "sim/sim_time.h"

namespace rv720::sim {

class ControllerTwin;

struct InputSwitch {
    enum class Kind : std::uint8_t { Input, Run, Stop };
    Kind kind = Kind::Input;
    int input = 0;  // 1..6 for Kind::Input
    bool on = false;
    SimDuration at{0};
};

std::optional<InputSwitch> parseInputSwitch(std::string_view text);

// "INPUT3=on@2.5", as parseInputSwitch reads it back.
std::string inputSwitchText(const InputSwitch& change);

// Sets the input now; edges take effect at once (RUN starts, STOP stops, the
// INPUT1/INPUT2 edges take the input breaks).
void applyInputSwitch(ControllerTwin& twin, const InputSwitch& change);

}  // namespace rv720::sim
