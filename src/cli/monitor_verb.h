#pragma once
// rv720 monitor: the station's two preview windows without windows. The motor and
// the I/O state are polled exactly as FPodgladSilniki and FPodgladWejscia poll them
// (one request outstanding each, the next 100 ms after the reply), and the latest
// of both is printed once a second, one line per report, so that a production line
// can log a controller:
//
//   TIME  M1 x=STEPS v=REV/S  M2 ...  M3 ...  out1=0 ... out7=0 relay1=0 relay2=0
//         in1=0 ... in6=0 RUN=0 STOP=0            (all on one line)
//
// TIME is the clock's long time; velocities follow the monitor window's rule
// (exactly zero prints "0,000"). The station's status lines go to stderr, so stdout
// carries reports only.
//
// On the built-in simulator, --set-input changes the twin's inputs: at once, or a
// given number of seconds into the monitoring. The twin lives only as long as this
// command, so that is the only moment its inputs can be worked from the command line.
#include <atomic>
#include <span>
#include <string>

#include "cli/cli.h"
#include "cli/device_verbs.h"

namespace rv720::cli {

const Verb& monitorVerb();

// With `how` (tests: virtual time, a prepared simulator). `interrupted`, when given,
// is looked at between timer ticks and ends the monitoring as Ctrl+C does.
int runMonitor(std::span<const std::string> args, Io& io, const DeviceRun& how,
               const std::atomic<bool>* interrupted = nullptr);

}  // namespace rv720::cli
