#pragma once
// Verbs that talk to a controller (or the simulator) over the same link, protocol
// and transfer code as the station: write, read, run, stop, reset, version,
// firmware, and serve-simulator, which offers the simulator on a pseudo-terminal.
//
// Each device verb builds the station's device side without windows: the backend
// chosen by --device, the device sessions on a timer loop, and the station's
// presenter on a view that prints its status lines and transfer log lines on
// stdout as they occur. A verb waits on the sessions' results (a transfer
// finished or failed, a command answered or not), never on those texts; a write
// compiles first, as the station's write does.
//
// Exit status: 0 done; 1 the device failed, refused or did not answer (and for
// write, a program the compiler refuses, or one read back different); 2 bad input
// (usage, unreadable files, a wrong password); 130 interrupted (Ctrl+C, SIGTERM), a
// transfer ended with the controller first.
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "app/device_factory.h"
#include "cli/cli.h"
#include "support/event_loop.h"

namespace rv720::sim {
class SimulatedFtdi;
}

namespace rv720::cli {

inline constexpr int kExitDeviceFailure = 1;
inline constexpr int kExitInterrupted = 130;  // as a shell reports Ctrl+C

// How a device verb runs. The binary takes the defaults; tests run the loop on
// virtual time and may prepare the simulator (inject a fault, set an input).
struct DeviceRun {
    EventLoop::Time time = EventLoop::Time::Real;
    std::function<void(sim::SimulatedFtdi&)> prepareSimulator;
};

const Verb& writeVerb();
const Verb& readVerb();
const Verb& runVerb();
const Verb& stopVerb();
const Verb& resetVerb();
const Verb& versionVerb();
const Verb& firmwareVerb();
const Verb& serveSimulatorVerb();

// Runs the device verb `name` ("write", "read", ...) with `how`.
int runDeviceVerb(std::string_view name, std::span<const std::string> args, Io& io,
                  const DeviceRun& how);

}  // namespace rv720::cli
