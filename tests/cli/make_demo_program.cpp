// Writes the demo program: make_demo_program PATH (examples/demo.pri in the repository).
#include <iostream>

#include "cli/demo_program.h"
#include "model/program_file.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_demo_program PATH\n";
        return 2;
    }
    const auto saved = rv720::saveProgramFile(argv[1], rv720::testing::demoProgram());
    if (!saved) {
        std::cerr << "make_demo_program: " << argv[1] << ": " << saved.error << "\n";
        return 2;
    }
    return 0;
}
