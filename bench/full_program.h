#pragma once
// The program the transfer benchmarks write and read: 999 commands, every record
// different, so nothing is skipped on the way.
#include "model/commands.h"
#include "model/program_image.h"

namespace rv720::bench {

inline ProgramImage fullProgramForWrite() {
    ProgramImage image;
    for (int i = 0; i < kMaxCommands - 1; ++i) {
        Record r = makeRecord(code::WaitMs, kControllerTarget);
        writeBe32(&r[2], 10 + i);
        image.setRecord(i, r);
    }
    image.setRecord(kMaxCommands - 1, makeRecord(code::End, kControllerTarget));
    image.setLength(kMaxCommands);
    return image;
}

}  // namespace rv720::bench
