#pragma once
// The twin's EEPROM kept on disk, so a program written to the simulated controller
// is still there the next time the station starts. Layout, all numbers big-endian:
//
//   0        2   program length N (0..999)
//   2       20   input-break block as on the wire: ten INPUT1 bytes, ten INPUT2 bytes
//   22    10*N   the records, b0..b9 each, slot 0 first
//   22+10N   2   16-bit sum of every byte before it
//
// It is the read header and records of the transfer protocol laid end to end, with
// a sum so that a truncated or overwritten file is noticed. A missing, short, long
// or mis-summed file reads as an empty program. Saving writes a sibling temporary
// file and renames it over the old one, so a crash never leaves half a program.
#include <filesystem>
#include <optional>

#include "model/program_image.h"

namespace rv720::sim {

// $XDG_DATA_HOME/rv720/eeprom.bin, or ~/.local/share/rv720/eeprom.bin; empty when
// neither variable is set.
std::filesystem::path defaultEepromPath();

// The stored program, or nothing when the file is missing or damaged. Slots beyond
// the length come back zero.
std::optional<ProgramImage> loadEeprom(const std::filesystem::path& path);

// False when the file could not be written; the old file is then left as it was.
bool saveEeprom(const std::filesystem::path& path, const ProgramImage& program);

}  // namespace rv720::sim
