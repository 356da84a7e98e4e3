#pragma once
// The demo program shipped as examples/demo.pri: a three-axis job as an operator
// would write it, using most command kinds. make_demo_program writes it out; a
// test keeps the committed file and this code in step.
#include "model/program_image.h"

namespace rv720::testing {

ProgramImage demoProgram();

}  // namespace rv720::testing
