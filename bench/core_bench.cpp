// Costs of the work done on every change of a full program: rendering the
// listing in both layouts, compiling, the file codec and the text form; and a
// dry run of ten minutes of program with the three motors busy throughout.
#include <benchmark/benchmark.h>

#include <vector>

#include "compiler/compiler.h"
#include "editor/listing.h"
#include "model/commands.h"
#include "model/program_file.h"
#include "model/program_text.h"
#include "model/values.h"
#include "sim/dry_run.h"

namespace rv720 {
namespace {

// 999 commands of every kind, motors in turn, so each body and column is drawn.
ProgramImage fullProgram() {
    static const std::uint8_t codes[] = {
        code::Driver,   code::VMin,        code::VMax,          code::AMax,       code::Enable,
        code::GoTo,     code::Home,        code::WaitMotor,     code::VDest,      code::Brake,
        code::Stop,     code::Counter,     code::SetOut,        code::WaitMs,     code::SetUsb,
        code::PrintUsb, code::JumpIfInput, code::JumpIfCounter, code::ClearMotor, code::JumpLine};
    ProgramImage image;
    for (int i = 0; i < kMaxCommands - 1; ++i) {
        const std::uint8_t c = codes[i % std::size(codes)];
        const CommandInfo* info = commandInfo(c);
        Record r = makeRecord(c, info->perMotor ? std::uint8_t(1 + i % 3) : kControllerTarget);
        writeBe32(&r[2], 1000 + 37 * i);
        writeBe32(&r[6], 250 + i);
        if (c == code::PrintUsb) {
            r[2] = 5;
            r[3] = 'H', r[4] = 'e', r[5] = 'l', r[6] = 'l', r[7] = 'o';
        }
        if (c == code::WaitMotor || c == code::ClearMotor) r[2] = 1, r[3] = 0, r[4] = 1;
        image.setRecord(i, r);
    }
    image.setRecord(kMaxCommands - 1, makeRecord(code::End, kControllerTarget));
    image.setLength(kMaxCommands);
    return image;
}

void renderOneColumn(benchmark::State& state) {
    const ProgramImage image = fullProgram();
    for (auto _ : state)
        benchmark::DoNotOptimize(renderListing(image, ListingLayout::OneColumn, '.'));
}
BENCHMARK(renderOneColumn)->Unit(benchmark::kMicrosecond);

void renderFourColumns(benchmark::State& state) {
    const ProgramImage image = fullProgram();
    for (auto _ : state)
        benchmark::DoNotOptimize(renderListing(image, ListingLayout::FourColumns, '.'));
}
BENCHMARK(renderFourColumns)->Unit(benchmark::kMicrosecond);

void compileFullProgram(benchmark::State& state) {
    const ProgramImage image = fullProgram();
    for (auto _ : state)
        benchmark::DoNotOptimize(compileProgram(image, "08.12.2026", "19:30:05"));
}
BENCHMARK(compileFullProgram)->Unit(benchmark::kMicrosecond);

void encodeFile(benchmark::State& state) {
    const ProgramImage image = fullProgram();
    for (auto _ : state)
        benchmark::DoNotOptimize(encodeProgramFile(image));
}
BENCHMARK(encodeFile)->Unit(benchmark::kMicrosecond);

void decodeFile(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = encodeProgramFile(fullProgram());
    ProgramImage image;
    for (auto _ : state)
        benchmark::DoNotOptimize(decodeProgramFile(bytes, image));
}
BENCHMARK(decodeFile)->Unit(benchmark::kMicrosecond);

void exportText(benchmark::State& state) {
    const ProgramImage image = fullProgram();
    for (auto _ : state)
        benchmark::DoNotOptimize(exportProgramText(image));
}
BENCHMARK(exportText)->Unit(benchmark::kMicrosecond);

void importText(benchmark::State& state) {
    const std::string text = exportProgramText(fullProgram());
    ProgramImage image;
    for (auto _ : state)
        benchmark::DoNotOptimize(importProgramText(text, image));
}
BENCHMARK(importText)->Unit(benchmark::kMicrosecond);

// Motors 1 and 2 shuttle between two positions and motor 3 turns at a set
// velocity, forever: 600 s of virtual time, every step of every ramp integrated.
void dryRunTenMinutes(benchmark::State& state) {
    const auto record = [](std::uint8_t c, std::uint8_t motor, std::int32_t p1) {
        Record r = makeRecord(c, motor);
        writeBe32(&r[2], p1);
        return r;
    };
    ProgramImage program;
    int n = 0;
    for (std::uint8_t m = 1; m <= 3; ++m) {
        program.setRecord(n++, record(code::VMax, m, toMilli(5.0f)));
        program.setRecord(n++, record(code::AMax, m, toMilli(8.0f)));
    }
    program.setRecord(n++, record(code::VDest, 3, toMilli(2.0f)));
    const int loop = n + 1;
    program.setRecord(n++, record(code::GoTo, 1, 4000));
    program.setRecord(n++, record(code::GoTo, 2, -2500));
    Record wait = makeRecord(code::WaitMotor, kControllerTarget);
    wait[2] = wait[3] = 1;
    program.setRecord(n++, wait);
    program.setRecord(n++, record(code::GoTo, 1, 0));
    program.setRecord(n++, record(code::GoTo, 2, 0));
    program.setRecord(n++, wait);
    program.setRecord(n++, record(code::JumpLine, kControllerTarget, loop));
    program.setLength(std::uint32_t(n));
    sim::DryRunOptions options;
    options.limit = std::chrono::minutes(10);
    for (auto _ : state) {
        const sim::DryRun run = sim::dryRun(program, options);
        benchmark::DoNotOptimize(run.samples.data());
        state.counters["executed"] = double(run.executed);
    }
}
BENCHMARK(dryRunTenMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace rv720
