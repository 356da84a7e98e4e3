// The dry-run window, offscreen: running a full 999-command program on its twin
// and drawing the window with the chart of the run, what the operator waits for
// after pressing Dry run; and the same for ten minutes of a program that never
// ends, the longest run the window makes by default.
#include <benchmark/benchmark.h>

#include "control/gui/dry_run_window.h"
#include "model/commands.h"
#include "model/values.h"
#include "support/scripted_dialogs.h"
#include "ui/dialogs.h"

namespace rv720 {
namespace {

Record command(std::uint8_t c, std::uint8_t motor, std::int32_t p1 = 0) {
    Record r = makeRecord(c, motor);
    writeBe32(&r[2], p1);
    return r;
}

// Set-up, then blocks of moves on all three motors with outputs, messages and
// short waits, to the 999th line: end(), or a jump back for an endless one.
ProgramImage fullProgram(bool endless) {
    ProgramImage image;
    int n = 0;
    for (std::uint8_t m = 1; m <= 3; ++m) {
        image.setRecord(n++, command(code::VMax, m, toMilli(4.0f)));
        image.setRecord(n++, command(code::AMax, m, toMilli(20.0f)));
    }
    image.setRecord(n++, command(code::SetUsb, kControllerTarget, 0x01000000));
    const int loop = n + 1;
    for (int k = 0; n < kMaxCommands - 1; ++k) {
        const Record block[] = {
            command(code::GoTo, 1, (k % 2 ? 1 : -1) * 800),
            command(code::GoTo, 2, (k % 3) * 300),
            command(code::VDest, 3, toMilli(float(k % 5) - 2.0f)),
            command(code::WaitMs, kControllerTarget, 25),
            command(code::SetOut, kControllerTarget, (1 + k % 7) << 24),
            command(code::PrintUsb, kControllerTarget, 0x01410000),  // "A"
        };
        for (const Record& r : block)
            if (n < kMaxCommands - 1) image.setRecord(n++, r);
    }
    image.setRecord(n++, endless ? command(code::JumpLine, kControllerTarget, loop)
                                 : makeRecord(code::End, kControllerTarget));
    image.setLength(std::uint32_t(n));
    return image;
}

void dryRunAndDraw(benchmark::State& state, bool endless) {
    ScriptedDialogs dialogs;
    TFDryRun window(dialogs);
    const ProgramImage program = fullProgram(endless);
    for (auto _ : state) {
        window.dryRun(program);
        window.repaint();
    }
    state.counters["virtual_s"] = double(window.result().stoppedAt.count()) / 1e9;
    state.counters["samples"] = double(window.result().samples.size());
}

void dryRun999Commands(benchmark::State& state) {
    dryRunAndDraw(state, false);
}
void dryRun999CommandsTenMinutes(benchmark::State& state) {
    dryRunAndDraw(state, true);
}
BENCHMARK(dryRun999Commands)->Unit(benchmark::kMillisecond);
BENCHMARK(dryRun999CommandsTenMinutes)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace
}  // namespace rv720
