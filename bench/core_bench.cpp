// Costs of the work done on every change of a full program: rendering the
// listing in both layouts, compiling, and the file codec.
#include <benchmark/benchmark.h>

#include <vector>

#include "compiler/compiler.h"
#include "editor/listing.h"
#include "model/commands.h"
#include "model/program_file.h"

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

}  // namespace
}  // namespace rv720
