#pragma once
// The device fakes live in support/device_fakes.h; this name stays for the tests
// that still include it from here.
#include "support/device_fakes.h"
