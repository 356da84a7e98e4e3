#pragma once
// The composition root's choice of device: the one place besides the tests that
// knows the backends (libftdi, the serial port, the controller twin). The station
// and the rv720 tool build their device here from their --device option:
//
//   auto         the converter whose USB product description is "Quellbrandtor
//                RV720": through libftdi first, else through its serial port (the
//                default). Converters and ports of any other description are not
//                counted, so with none attached the link finds no device.
//   ftdi         that converter through libftdi only
//   ftdi:SERIAL  the FTDI converter with that serial number, through libftdi,
//                whatever its description
//   simulator    the in-process controller twin, its EEPROM kept in a file
//   PATH         the serial port at PATH (a converter's /dev/ttyUSB0, or the
//                pseudo-terminal of "rv720 serve-simulator"), whatever it reports
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "device/backends/device_probe.h"
#include "device/backends/libftdi_calls.h"
#include "device/backends/serial_ftdi.h"
#include "protocol/ftdi_api.h"
#include "sim/sim_time.h"

namespace rv720 {

class EventLoop;

namespace sim {
class SimulatedFtdi;
struct InputSwitch;
}  // namespace sim

enum class DeviceKind { Auto, Ftdi, Simulator, SerialPort };

struct DeviceSpec {
    DeviceKind kind = DeviceKind::Auto;
    std::string port;          // SerialPort only
    std::string serialNumber;  // Ftdi only: "ftdi:SERIAL"
};

// Nothing for an empty text (or "ftdi:" without a number); any text other than
// the keywords is a port.
std::optional<DeviceSpec> parseDeviceSpec(std::string_view text);

// For the help of --device.
inline constexpr const char* kDeviceChoices = "auto, ftdi, ftdi:SERIAL, simulator or a port path";

// The environment variable naming the simulator's EEPROM file when --eeprom is
// not given.
inline constexpr const char* kEepromVariable = "RV720_EEPROM";

// The twin's EEPROM file: `given` (--eeprom), else $RV720_EEPROM, else the user's
// data folder (sim::defaultEepromPath).
std::filesystem::path simulatorEepromPath(const std::optional<std::string>& given);

struct DeviceOptions {
    // The twin's EEPROM file; empty: the user's data folder (see defaultEepromPath).
    std::filesystem::path eepromPath;
    // The twin's clock; null: `loop`'s time when given, else the steady clock. An
    // event loop's own time keeps the twin on the loop's virtual time in tests.
    std::shared_ptr<sim::TimeSource> simulatorTime;
    const EventLoop* loop = nullptr;
    // Whether the twin's bytes take the time they would on the wire.
    bool wireTime = true;
};

struct OpenedDevice {
    std::unique_ptr<FtdiApi> ftdi;       // null when the device name was not usable
    sim::SimulatedFtdi* twin = nullptr;  // set for the simulator
    std::string error;                   // why ftdi is null
    explicit operator bool() const { return ftdi != nullptr; }
};

// Switches an input of the simulator's twin now, after everything the twin owes
// until now; false for any other device (a controller's inputs are wired).
bool switchSimulatorInput(OpenedDevice& device, const sim::InputSwitch& change);

// The backend for `deviceSpec`; nothing is opened yet (the link's OpenLink does that).
OpenedDevice makeFtdi(std::string_view deviceSpec, const DeviceOptions& options = {});

// `auto`: the first of `candidates` that opens. Its list counts every candidate's
// devices (each counts only the controller's); opening tries them in order and
// stops at a converter another program holds, which the next would only reach
// through the same device.
class FirstThatOpens final : public FtdiApi {
  public:
    explicit FirstThatOpens(std::vector<std::unique_ptr<FtdiApi>> candidates);

    FtStatus createDeviceInfoList(std::uint32_t& count) override;
    FtStatus getDeviceInfoDetail(std::uint32_t index, FtDeviceInfo& info) override;
    FtStatus openEx(const std::string& description, std::uint32_t flags, FtHandle& handle) override;
    FtStatus setBaudRate(FtHandle handle, std::uint32_t baud) override;
    FtStatus setDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override;
    FtStatus setFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                            std::uint8_t xoff) override;
    FtStatus purge(FtHandle handle, std::uint32_t mask) override;
    FtStatus getStatus(FtHandle handle, std::uint32_t& rxQueue, std::uint32_t& txQueue,
                       std::uint32_t& eventStatus) override;
    FtStatus read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                  std::uint32_t& bytesRead) override;
    FtStatus write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                   std::uint32_t& bytesWritten) override;
    FtStatus close(FtHandle handle) override;
    ReceiveWait receiveWait(FtHandle handle) override;
    std::optional<OpenFailure> openFailure() const override { return failure_; }

  private:
    FtdiApi* active() const { return active_; }

    std::vector<std::unique_ptr<FtdiApi>> candidates_;
    std::vector<std::uint32_t> counts_;
    FtdiApi* active_ = nullptr;  // the one opened last
    std::optional<OpenFailure> failure_;
};

// One converter or serial port as `rv720 devices` shows it.
struct AttachedDevice {
    std::string kind;   // "ftdi" or "serial"
    std::string where;  // "USB 001/005", "/dev/ttyUSB0"
    std::string description, serialNumber;
    bool matches = false;  // it is the controller's converter
    // Why this user could not open it (nothing: it can, as far as can be told
    // without opening it).
    std::optional<OpenFailure> problem;
};

// Every FTDI converter libftdi sees (none without `ftdi`) and every serial port of
// `ports`, converters first.
std::vector<AttachedDevice> attachedDevices(LibFtdiCalls* ftdi,
                                            const std::vector<SerialPortEntry>& ports,
                                            const DeviceProbe& probe = systemProbe());
// The same for this system's libftdi and serial ports.
std::vector<AttachedDevice> attachedDevices();

}  // namespace rv720
