#pragma once
// rv720 simulate: a dry run of a program file on a twin of its own, with a short
// summary, one JSON object (--json) or a CSV trace every 10 ms (--csv).
#include "cli/cli.h"

namespace rv720::cli {

const Verb& simulateVerb();
int runSimulate(std::span<const std::string> args, Io& io);

}  // namespace rv720::cli
