#pragma once
// rv720 devices: every FTDI converter and serial port this user can see, and
// whether the controller's converter is among them and can be opened.
#include <span>
#include <string>
#include <vector>

#include "app/device_factory.h"
#include "cli/cli.h"

namespace rv720::cli {

const Verb& devicesVerb();

// The verb on given devices (the binary passes the system's).
int runDevices(std::span<const std::string> args, Io& io,
               const std::vector<AttachedDevice>& devices);

}  // namespace rv720::cli
