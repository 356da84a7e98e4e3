#pragma once
// Choosing the device the link talks to, shared by the station and the rv720 tool
// (their --device option):
//
//   auto       the FTDI converter found by its USB product description
//              "Quellbrandtor RV720" (the default)
//   simulator  the in-process controller twin, its EEPROM kept in a file
//   PATH       the serial port at PATH (a converter's /dev/ttyUSB0, or the
//              pseudo-terminal of "rv720 serve-simulator"), whatever it reports
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "device/ftdi_api.h"
#include "sim/sim_time.h"

namespace rv720 {

namespace sim {
class SimulatedFtdi;
}

enum class DeviceKind { Auto, Simulator, SerialPort };

struct DeviceSpec {
    DeviceKind kind = DeviceKind::Auto;
    std::string port;  // SerialPort only
};

// Nothing for an empty text; any text other than the two keywords is a port.
std::optional<DeviceSpec> parseDeviceSpec(std::string_view text);

struct DeviceOptions {
    // The twin's EEPROM file; empty: the user's data folder (see defaultEepromPath).
    std::filesystem::path eepromPath;
    // The twin's clock; null: the steady clock. An event loop's own time goes here
    // so the twin keeps the loop's virtual time in tests.
    std::shared_ptr<sim::TimeSource> simulatorTime;
    // Whether the twin's bytes take the time they would on the wire.
    bool wireTime = true;
};

struct OpenedDevice {
    std::unique_ptr<FtdiApi> ftdi;       // null when the device name was not usable
    sim::SimulatedFtdi* twin = nullptr;  // set for the simulator
    std::string error;                   // why ftdi is null
    explicit operator bool() const { return ftdi != nullptr; }
};

// The backend for `deviceSpec`; nothing is opened yet (the link's OpenLink does that).
OpenedDevice makeFtdi(std::string_view deviceSpec, const DeviceOptions& options = {});

}  // namespace rv720
