#include "app/device_factory.h"

#include <cstdlib>

#include "device/backends/libftdi_ftdi.h"
#include "device/backends/serial_ftdi.h"
#include "sim/eeprom_file.h"
#include "sim/input_switch.h"
#include "sim/loop_time.h"
#include "sim/simulated_ftdi.h"

namespace rv720 {

std::filesystem::path simulatorEepromPath(const std::optional<std::string>& given) {
    if (given) return *given;
    if (const char* env = std::getenv(kEepromVariable); env && *env) return env;
    return sim::defaultEepromPath();
}

bool switchSimulatorInput(OpenedDevice& device, const sim::InputSwitch& change) {
    if (!device.twin) return false;
    device.twin->sync();
    sim::applyInputSwitch(device.twin->twin(), change);
    return true;
}

std::vector<AttachedDevice> attachedDevices() {
    auto ftdi = systemLibFtdi();
    return attachedDevices(ftdi.get(), systemSerialPorts());
}

std::optional<DeviceSpec> parseDeviceSpec(std::string_view text) {
    if (text.empty()) return std::nullopt;
    if (text == "auto") return DeviceSpec{DeviceKind::Auto, {}, {}};
    if (text == "simulator") return DeviceSpec{DeviceKind::Simulator, {}, {}};
    if (text == "ftdi") return DeviceSpec{DeviceKind::Ftdi, {}, {}};
    if (text.starts_with("ftdi:")) {
        if (text.size() == 5) return std::nullopt;
        return DeviceSpec{DeviceKind::Ftdi, {}, std::string(text.substr(5))};
    }
    return DeviceSpec{DeviceKind::SerialPort, std::string(text), {}};
}

OpenedDevice makeFtdi(std::string_view deviceSpec, const DeviceOptions& options) {
    OpenedDevice device;
    const auto parsed = parseDeviceSpec(deviceSpec);
    if (!parsed) {
        device.error = std::string("no device given (") + kDeviceChoices + ")";
        return device;
    }
    switch (parsed->kind) {
        case DeviceKind::Auto: {
            std::vector<std::unique_ptr<FtdiApi>> candidates;
            if (auto calls = systemLibFtdi())
                candidates.push_back(std::make_unique<LibFtdi>(std::move(calls)));
            candidates.push_back(std::make_unique<SerialFtdi>());
            device.ftdi = std::make_unique<FirstThatOpens>(std::move(candidates));
            break;
        }
        case DeviceKind::Ftdi: {
            auto calls = systemLibFtdi();
            if (!calls) {
                device.error = "this build has no libftdi; use auto or a serial port path";
                return device;
            }
            device.ftdi =
                std::make_unique<LibFtdi>(std::move(calls), systemProbe(), parsed->serialNumber);
            break;
        }
        case DeviceKind::SerialPort:
            device.ftdi = SerialFtdi::onPort(parsed->port);
            break;
        case DeviceKind::Simulator: {
            sim::TwinOptions twin;
            twin.eepromPath =
                options.eepromPath.empty() ? sim::defaultEepromPath() : options.eepromPath;
            std::shared_ptr<sim::TimeSource> time = options.simulatorTime;
            if (!time && options.loop) time = std::make_shared<sim::LoopTime>(*options.loop);
            if (!time) time = std::make_shared<sim::SteadyTimeSource>();
            auto simulated = std::make_unique<sim::SimulatedFtdi>(std::move(twin), std::move(time));
            simulated->setWireTimeEmulation(options.wireTime);
            device.twin = simulated.get();
            device.ftdi = std::move(simulated);
            break;
        }
    }
    return device;
}

// ---- auto -------------------------------------------------------------------------

FirstThatOpens::FirstThatOpens(std::vector<std::unique_ptr<FtdiApi>> candidates)
    : candidates_(std::move(candidates)), counts_(candidates_.size(), 0) {}

FtStatus FirstThatOpens::createDeviceInfoList(std::uint32_t& count) {
    count = 0;
    failure_.reset();
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
        counts_[i] = 0;
        candidates_[i]->createDeviceInfoList(counts_[i]);
        count += counts_[i];
        if (!failure_) failure_ = candidates_[i]->openFailure();
    }
    return ft::Ok;
}

FtStatus FirstThatOpens::getDeviceInfoDetail(std::uint32_t index, FtDeviceInfo& info) {
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
        if (index < counts_[i]) return candidates_[i]->getDeviceInfoDetail(index, info);
        index -= counts_[i];
    }
    return ft::DeviceNotFound;
}

FtStatus FirstThatOpens::openEx(const std::string& description, std::uint32_t flags,
                                FtHandle& handle) {
    FtStatus status = ft::DeviceNotFound;
    failure_.reset();
    for (std::size_t i = 0; i < candidates_.size(); ++i) {
        if (counts_[i] == 0) continue;
        status = candidates_[i]->openEx(description, flags, handle);
        if (status == ft::Ok) {
            active_ = candidates_[i].get();
            failure_.reset();
            return status;
        }
        const auto failure = candidates_[i]->openFailure();
        if (!failure_) failure_ = failure;
        if (failure && failure->cause == OpenCause::Busy) break;
    }
    return status;
}

FtStatus FirstThatOpens::setBaudRate(FtHandle handle, std::uint32_t baud) {
    return active_ ? active_->setBaudRate(handle, baud) : ft::InvalidHandle;
}

FtStatus FirstThatOpens::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                                std::uint8_t stopBits, std::uint8_t parity) {
    return active_ ? active_->setDataCharacteristics(handle, wordLength, stopBits, parity)
                   : ft::InvalidHandle;
}

FtStatus FirstThatOpens::setFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                        std::uint8_t xoff) {
    return active_ ? active_->setFlowControl(handle, flow, xon, xoff) : ft::InvalidHandle;
}

FtStatus FirstThatOpens::purge(FtHandle handle, std::uint32_t mask) {
    return active_ ? active_->purge(handle, mask) : ft::InvalidHandle;
}

FtStatus FirstThatOpens::getStatus(FtHandle handle, std::uint32_t& rxQueue, std::uint32_t& txQueue,
                                   std::uint32_t& eventStatus) {
    return active_ ? active_->getStatus(handle, rxQueue, txQueue, eventStatus) : ft::InvalidHandle;
}

FtStatus FirstThatOpens::read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                              std::uint32_t& bytesRead) {
    bytesRead = 0;
    return active_ ? active_->read(handle, buffer, toRead, bytesRead) : ft::InvalidHandle;
}

FtStatus FirstThatOpens::write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                               std::uint32_t& bytesWritten) {
    bytesWritten = 0;
    return active_ ? active_->write(handle, buffer, toWrite, bytesWritten) : ft::InvalidHandle;
}

FtStatus FirstThatOpens::close(FtHandle handle) {
    return active_ ? active_->close(handle) : ft::InvalidHandle;
}

ReceiveWait FirstThatOpens::receiveWait(FtHandle handle) {
    return active_ ? active_->receiveWait(handle) : ReceiveWait{};
}

// ---- the devices a user can see ----------------------------------------------------

namespace {

std::optional<OpenFailure> problemOf(const std::string& name, const std::string& node,
                                     const std::string& tty, const DeviceProbe& probe) {
    const NodeState state = probe.node(node);
    if (!state.exists) return OpenFailure{name, OpenCause::Unplugged, {}};
    if (!state.accessible) return OpenFailure{name, OpenCause::NoPermission, state.group};
    for (const std::string& path : {tty, node})
        if (!path.empty())
            if (auto holder = probe.holder(path))
                return OpenFailure{name, OpenCause::Busy, *holder};
    return std::nullopt;
}

}  // namespace

std::vector<AttachedDevice> attachedDevices(LibFtdiCalls* ftdi,
                                            const std::vector<SerialPortEntry>& ports,
                                            const DeviceProbe& probe) {
    std::vector<AttachedDevice> devices;
    std::vector<UsbConverter> converters;
    if (ftdi && ftdi->usbFindAll(converters) < 0) converters.clear();
    for (const UsbConverter& c : converters) {
        const std::string name = usbName(c);
        devices.push_back({"ftdi", name, c.description, c.serialNumber,
                           descriptionMatches(c.description),
                           problemOf(name, c.node, c.tty, probe)});
    }
    for (const SerialPortEntry& p : ports)
        devices.push_back({"serial", p.path, p.description, p.serialNumber,
                           descriptionMatches(p.description),
                           problemOf(p.path, p.path, {}, probe)});
    return devices;
}

}  // namespace rv720
