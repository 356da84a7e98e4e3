#include "device/backends/device_factory.h"

#include "device/backends/serial_ftdi.h"
#include "sim/eeprom_file.h"
#include "sim/simulated_ftdi.h"

namespace rv720 {

std::optional<DeviceSpec> parseDeviceSpec(std::string_view text) {
    if (text.empty()) return std::nullopt;
    if (text == "auto") return DeviceSpec{DeviceKind::Auto, {}};
    if (text == "simulator") return DeviceSpec{DeviceKind::Simulator, {}};
    return DeviceSpec{DeviceKind::SerialPort, std::string(text)};
}

OpenedDevice makeFtdi(std::string_view deviceSpec, const DeviceOptions& options) {
    OpenedDevice device;
    const auto parsed = parseDeviceSpec(deviceSpec);
    if (!parsed) {
        device.error = "no device given (auto, simulator or a serial port path)";
        return device;
    }
    switch (parsed->kind) {
        case DeviceKind::Auto:
            device.ftdi = std::make_unique<SerialFtdi>();
            break;
        case DeviceKind::SerialPort:
            device.ftdi = SerialFtdi::onPort(parsed->port);
            break;
        case DeviceKind::Simulator: {
            sim::TwinOptions twin;
            twin.eepromPath =
                options.eepromPath.empty() ? sim::defaultEepromPath() : options.eepromPath;
            auto time = options.simulatorTime ? options.simulatorTime
                                              : std::make_shared<sim::SteadyTimeSource>();
            auto simulated = std::make_unique<sim::SimulatedFtdi>(std::move(twin), std::move(time));
            simulated->setWireTimeEmulation(options.wireTime);
            device.twin = simulated.get();
            device.ftdi = std::move(simulated);
            break;
        }
    }
    return device;
}

}  // namespace rv720
