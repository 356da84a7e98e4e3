#pragma once
// A dry run's outcome as text: the short summary for people, one JSON object for
// scripts and the 10 ms trace as CSV. Numbers carry a '.' whatever the locale.
#include <string>

#include "sim/dry_run.h"

namespace rv720::sim {

// At most this many executed lines go into the JSON object.
inline constexpr std::size_t kJsonMaxLines = 100'000;

std::string dryRunSummary(const DryRun& run);
std::string dryRunJson(const DryRun& run);
// "t,line,x1,x2,x3,v1,v2,v3", then one row a sample: seconds, the executing line,
// positions in steps, velocities in rev/s.
std::string dryRunCsv(const DryRun& run);

// "12.345": seconds to the millisecond.
std::string secondsText(SimTime t);

}  // namespace rv720::sim
