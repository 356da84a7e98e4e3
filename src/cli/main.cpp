#include <iostream>

#include "cli/cli.h"

int main(int argc, char** argv) {
    rv720::SystemClock clock;
    rv720::cli::Io io{std::cout, std::cerr, clock};
    const rv720::cli::Args args(argv + 1, argv + argc);
    const int status = rv720::cli::runCli(args, io);
    std::cout.flush();
    // A listing that could not be written out in full (a closed pipe, a full
    // disk) must not end as a success.
    if (!std::cout) {
        if (status == rv720::cli::kExitOk) {
            std::cerr << "rv720: cannot write the output\n";
            return rv720::cli::kExitFailure;
        }
    }
    return status;
}
