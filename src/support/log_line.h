#pragma once
// One coloured line of a log or report, as the transfer window shows it.
#include <string>

#include "support/color.h"

namespace rv720 {

struct LogLine {
    std::string text;
    Rgb color;
    int slot = -1;  // the command the line concerns (its first one), or -1
};

}  // namespace rv720
