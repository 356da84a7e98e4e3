// Not a timing: the listing's integer formatting of stored thousandths checked
// against formatFixed, which rounds the exact decimal expansion, on every value that
// is a rounding tie of its kept decimals (every 32-bit milli value ending in 5 below
// 100000 rev/s, in 50 below a million, in 500 above), both signs, plus ten million
// random ones. Reports the count of values and of mismatches; fails on the first
// mismatch. About a minute: the exact expansion is the slow part.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>

#include "model/values.h"

namespace rv720 {
namespace {

void milliFormatMatchesTheExactExpansion(benchmark::State& state) {
    for (auto _ : state) {
        std::int64_t values = 0, mismatches = 0;
        std::string first;
        const auto check = [&](std::int64_t m) {
            if (m < INT32_MIN || m > INT32_MAX) return;
            const auto milli = std::int32_t(m);
            ++values;
            if (formatMilli(milli, '.') == formatFixed(fromMilli(milli), 7, 2, '.')) return;
            if (mismatches++ == 0) first = std::to_string(milli);
        };
        const struct {
            std::int64_t from, to, spacing;
        } regions[] = {{0, 100'000'000, 10},
                       {100'000'000, 1'000'000'000, 100},
                       {1'000'000'000, std::int64_t(INT32_MAX) + 1, 1000}};
        for (const auto& r : regions)
            for (std::int64_t m = r.from + r.spacing / 2; m < r.to; m += r.spacing) {
                check(m);
                check(-m);
            }
        std::mt19937 random(720);
        std::uniform_int_distribution<std::int32_t> any(INT32_MIN, INT32_MAX);
        for (int k = 0; k < 10'000'000; ++k)
            check(any(random));
        state.counters["values"] = double(values);
        state.counters["mismatches"] = double(mismatches);
        if (mismatches) state.SkipWithError(("first mismatch at " + first).c_str());
    }
}
BENCHMARK(milliFormatMatchesTheExactExpansion)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace rv720
