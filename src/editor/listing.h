#pragma once
// The program listing: one line per command slot, in the station's own command
// language ("001: v_min(M1; 12.50)"), padded with blanks to 105 characters, in
// one column or in four columns (motor 1, 2, 3 and the controller's commands at
// characters 5, 29, 53 and 77). Line index == slot index, always: a record that
// cannot be shown (code 0, 21, above 22) is its line number alone.
#include <cstdint>
#include <string>
#include <vector>

#include "model/program_image.h"
#include "support/color.h"

namespace rv720 {

enum class ListingLayout { OneColumn, FourColumns };

struct ListingLine {
    std::string text;
    Rgb color;
};

std::vector<ListingLine> renderListing(const ProgramImage& image, ListingLayout layout,
                                       char decimalSeparator);

// The label under the listing: "Command: 12 (left 987 )".
std::string commandCounterText(std::uint32_t length);

}  // namespace rv720
