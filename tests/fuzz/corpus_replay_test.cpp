// Every committed fuzz input, replayed through its target in the ordinary suite:
// a fault a fuzzer once found stays found, without clang.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/targets.h"

namespace rv720::fuzz {
namespace {

namespace fs = std::filesystem;

struct Target {
    const char* folder;
    std::string (*check)(Input);
};

const Target kTargets[] = {
    {"program_file", programFileRoundTrip},
    {"assembler", frameAssemblyMatchesModel},
    {"dispatch", replyDispatchKeepsItsPromises},
};

std::vector<fs::path> filesIn(const fs::path& folder) {
    std::vector<fs::path> files;
    if (fs::is_directory(folder))
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::uint8_t> contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs every file of fuzz/<where>/<target>/; returns how many there were.
std::size_t replay(const char* where) {
    std::size_t count = 0;
    for (const Target& target : kTargets) {
        for (const fs::path& file : filesIn(fs::path(RV720_FUZZ_DIR) / where / target.folder)) {
            const auto bytes = contents(file);
            EXPECT_EQ(target.check(bytes), "") << file.string();
            ++count;
        }
    }
    return count;
}

TEST(FuzzCorpus, EveryCommittedInputKeepsThePromises) {
    for (const Target& target : kTargets)
        EXPECT_FALSE(filesIn(fs::path(RV720_FUZZ_DIR) / "corpus" / target.folder).empty())
            << target.folder << ": its corpus is gone";
    replay("corpus");
}

// Inputs that break today's code wait in fuzz/findings/ until the fault is mended;
// then this passes (--gtest_also_run_disabled_tests) and they move to the corpus.
// None is open at the moment.
TEST(FuzzCorpus, DISABLED_OpenFindingsNoLongerBreakAnything) {
    replay("findings");
}

}  // namespace
}  // namespace rv720::fuzz
