#pragma once
// Compilation: the structural checks a program must pass before it may be
// written into the controller, and the dated report the transfer window shows.
// Pure: reads the image (its input-break block stands for the input-break
// controls that mirror it) and changes nothing.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "model/program_image.h"
#include "support/log_line.h"

namespace rv720 {

struct CompileReport {
    std::vector<LogLine> lines;
    int errors = 0;
    int warnings = 0;
    std::uint32_t commands = 0;
    bool writeAllowed = false;  // at least one command and no error
};

// `progress` is called once per scanned command with the 1-based count, so a
// window can advance its gauge.
CompileReport compileProgram(const ProgramImage& image, const std::string& date,
                             const std::string& time,
                             const std::function<void(int)>& progress = {});

}  // namespace rv720
