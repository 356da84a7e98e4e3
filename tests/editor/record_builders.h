#pragma once
// The record builders live in support/record_builders.h; this name stays for the
// tests that still include it from here.
#include "support/record_builders.h"

namespace rv720::testing {
using test::driver;
using test::message;
using test::programOf;
using test::withBytes;
using test::withParams;
}  // namespace rv720::testing
