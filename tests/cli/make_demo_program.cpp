// Writes the demo program: make_demo_program PATH (examples/demo.pri in the repository;
// a PATH ending in .rv720 gets the text form).
#include <iostream>

#include "cli/demo_program.h"
#include "model/program_store.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_demo_program PATH\n";
        return 2;
    }
    const auto saved =
        rv720::saveProgram(argv[1], rv720::testing::demoProgram(), rv720::formForPath(argv[1]));
    if (!saved) {
        std::cerr << "make_demo_program: " << argv[1] << ": " << saved.reason() << "\n";
        return 2;
    }
    return 0;
}
