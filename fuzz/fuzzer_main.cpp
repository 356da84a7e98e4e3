// The libFuzzer entry point of one target, chosen when it is built
// (RV720_FUZZ_TARGET names a function of fuzz/targets.h).
#include <cstdio>
#include <cstdlib>

#include "fuzz/targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string broken = rv720::fuzz::RV720_FUZZ_TARGET({data, size});
    if (!broken.empty()) {
        std::fprintf(stderr, "\nbroken promise: %s\n", broken.c_str());
        std::abort();
    }
    return 0;
}
