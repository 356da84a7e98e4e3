#pragma once
// The scratch folder and file helpers live in support/temp_folder.h; this name
// stays for the tests that still include it from here.
#include "support/temp_folder.h"

namespace rv720::testing {
using test::readBytes;
using test::readText;
using test::TempFolder;
using test::writeBytes;
}  // namespace rv720::testing
