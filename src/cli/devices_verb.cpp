#include "cli/devices_verb.h"

#include <algorithm>
#include <ostream>

#include "cli/device_verbs.h"

namespace rv720::cli {

namespace {

constexpr std::string_view kDevicesHelp =
    "Usage: rv720 devices\n"
    "\n"
    "Lists every FTDI converter (through libftdi) and every serial port this user\n"
    "can see, one a line:\n"
    "\n"
    "  ftdi    USB 001/005   \"Quellbrandtor RV720\"  serial A50285BI  controller  can be "
    "opened\n"
    "  serial  /dev/ttyUSB0  \"Quellbrandtor RV720\"  serial A50285BI  controller  can be "
    "opened\n"
    "  serial  /dev/ttyS0    \"\"                     serial -         other       no "
    "permission - ...\n"
    "\n"
    "Each line gives how it is reached (ftdi: libftdi on the USB bus and device\n"
    "number; serial: the port's path), its USB product description, its serial\n"
    "number, whether it is the controller's converter (its description is\n"
    "\"Quellbrandtor RV720\") and whether this user can open it, or why not: no\n"
    "permission (with the fix), held by another program (with its name), or gone.\n"
    "The same converter shows once through libftdi and once as its serial port.\n"
    "Whether a device can be opened is judged from its permissions and the programs\n"
    "holding it, without opening it: opening would disturb a program using it.\n"
    "\n"
    "Use '--device ftdi:SERIAL' to reach a converter by its serial number, or\n"
    "'--device PATH' for a serial port.\n"
    "\n"
    "Exit status: 0 the controller's converter is attached and can be opened; 1 it\n"
    "is not attached (\"Can't find USB device\") or cannot be opened; 2 bad usage.\n";

int devicesEntry(std::span<const std::string> args, Io& io) {
    return runDevices(args, io, attachedDevices());
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

}  // namespace

int runDevices(std::span<const std::string> args, Io& io,
               const std::vector<AttachedDevice>& devices) {
    const ParsedArgs parsed = parseArgs(args, {});
    if (parsed.help) {
        io.out << kDevicesHelp;
        return kExitOk;
    }
    if (!parsed.error.empty()) return usageError(io, "devices", parsed.error);
    if (!parsed.positional.empty())
        return usageError(io, "devices", "unexpected argument '" + parsed.positional[0] + "'");

    std::size_t whereWidth = 0, descriptionWidth = 0, serialWidth = 0;
    for (const auto& d : devices) {
        whereWidth = std::max(whereWidth, d.where.size());
        descriptionWidth = std::max(descriptionWidth, d.description.size() + 2);
        serialWidth = std::max(serialWidth, std::max<std::size_t>(d.serialNumber.size(), 1));
    }
    bool found = false, usable = false;
    for (const auto& d : devices) {
        io.out << padded(d.kind, 6) << "  " << padded(d.where, whereWidth) << "  "
               << padded('"' + d.description + '"', descriptionWidth) << "  serial "
               << padded(d.serialNumber.empty() ? "-" : d.serialNumber, serialWidth) << "  "
               << (d.matches ? "controller" : "other     ") << "  "
               << (d.problem ? openFailureReason(*d.problem) : "can be opened") << '\n';
        found = found || d.matches;
        usable = usable || (d.matches && !d.problem);
    }
    if (!found) {
        io.out << "Can't find USB device\n";
        return kExitDeviceFailure;
    }
    if (!usable) {
        io.err << "rv720 devices: the controller's converter cannot be opened\n";
        return kExitDeviceFailure;
    }
    return kExitOk;
}

const Verb& devicesVerb() {
    static const Verb verb{"devices",
                           "list FTDI converters and serial ports, and find the controller",
                           kDevicesHelp, devicesEntry};
    return verb;
}

}  // namespace rv720::cli
