// Choosing a backend: the --device words, the simulator's EEPROM, and `auto`
// between libftdi and the serial port.
#include <gtest/gtest.h>

#include <optional>

#include "app/device_factory.h"
#include "app/pty_simulator.h"
#include "device/backends/libftdi_ftdi.h"
#include "device/backends/serial_ftdi.h"
#include "sim/eeprom_file.h"
#include "sim/simulated_ftdi.h"
#include "support/backend_fakes.h"
#include "support/fixed_clock.h"
#include "support/record_builders.h"
#include "support/temp_folder.h"

namespace rv720 {
namespace {

using namespace rv720::test;
using Lines = std::vector<std::string>;

TEST(DeviceSpec, KeywordsAndPorts) {
    const struct {
        std::string text;
        std::optional<DeviceKind> kind;
        std::string port, serial;
    } cases[] = {
        {"auto", DeviceKind::Auto, "", ""},
        {"simulator", DeviceKind::Simulator, "", ""},
        {"ftdi", DeviceKind::Ftdi, "", ""},
        {"ftdi:A50285BI", DeviceKind::Ftdi, "", "A50285BI"},
        {"ftdi:", std::nullopt, "", ""},
        {"/dev/ttyUSB0", DeviceKind::SerialPort, "/dev/ttyUSB0", ""},
        {"ttyUSB1", DeviceKind::SerialPort, "ttyUSB1", ""},
        {"Auto", DeviceKind::SerialPort, "Auto", ""},  // keywords are exact
        {"", std::nullopt, "", ""},
    };
    for (const auto& c : cases) {
        const auto parsed = parseDeviceSpec(c.text);
        ASSERT_EQ(parsed.has_value(), c.kind.has_value()) << c.text;
        if (!parsed) continue;
        EXPECT_EQ(parsed->kind, *c.kind) << c.text;
        EXPECT_EQ(parsed->port, c.port) << c.text;
        EXPECT_EQ(parsed->serialNumber, c.serial) << c.text;
    }
}

TEST(DeviceFactory, SimulatorKeepsItsEepromWhereItIsTold) {
    TempFolder folder;
    const std::string path = folder.file("eeprom.bin");
    ASSERT_TRUE(sim::saveEeprom(path, programOf({makeRecord(code::End, kControllerTarget)})));
    for (bool wire : {false, true}) {
        DeviceOptions options;
        options.eepromPath = path;
        options.wireTime = wire;
        OpenedDevice device = makeFtdi("simulator", options);
        ASSERT_TRUE(device);
        ASSERT_NE(device.twin, nullptr);
        EXPECT_EQ(device.twin, dynamic_cast<sim::SimulatedFtdi*>(device.ftdi.get()));
        EXPECT_EQ(device.twin->twin().program().length(), 1u);
        EXPECT_EQ(device.twin->wireTimeEmulation(), wire);
    }
}

TEST(AutoDevice, WithoutTheControllerFindsNothingAndOpensNothing) {
    auto calls = std::make_unique<ScriptedLibFtdi>();
    calls->converters = {converter("FT232R USB UART", "A1", 2)};
    ScriptedLibFtdi& fake = *calls;
    FakeProbe probe;
    std::vector<std::unique_ptr<FtdiApi>> candidates;
    candidates.push_back(std::make_unique<LibFtdi>(std::move(calls), probe));
    candidates.push_back(std::make_unique<SerialFtdi>(
        [] {
            return std::vector<SerialPortEntry>{{"/dev/null", "USB2.0-Serial", "", 0x1a86, 0x7523}};
        },
        probe));
    FirstThatOpens ftdi(std::move(candidates));
    Station s(ftdi);
    s.station.ConnectButtonClick();
    EXPECT_FALSE(s.station.connected());
    EXPECT_EQ(s.statuses(), Lines{"Can't find USB device"});
    EXPECT_EQ(fake.calls, Lines{"find"});
}

// libftdi first; its refusal sends `auto` to the serial port, unless the converter
// is busy, which its serial port would be as well.
TEST(AutoDevice, TakesTheSerialPortWhenLibftdiCannotOpenTheConverter) {
    std::string error;
    auto pty = PtySimulator::open({}, error);
    ASSERT_NE(pty, nullptr) << error;
    for (const bool busy : {false, true}) {
        auto calls = std::make_unique<ScriptedLibFtdi>();
        calls->converters = {converter(kDeviceDescription, "B2", 3, "/dev/ttyUSB0")};
        calls->openResult = libftdi::OpenFailed;
        FakeProbe probe;
        probe.nodes["/dev/bus/usb/001/003"] = {true, false, "plugdev"};
        if (busy) probe.holders["/dev/ttyUSB0"] = "minicom, pid 812";
        auto serial = std::make_unique<SerialFtdi>(
            [&] {
                return std::vector<SerialPortEntry>{
                    {pty->path(), "Quellbrandtor_RV720", "B2", 0x0403, 0x6001}};
            },
            probe);
        SerialFtdi& port = *serial;
        std::vector<std::unique_ptr<FtdiApi>> candidates;
        candidates.push_back(std::make_unique<LibFtdi>(std::move(calls), probe));
        candidates.push_back(std::move(serial));
        FirstThatOpens ftdi(std::move(candidates));
        Station s(ftdi);
        s.station.ConnectButtonClick();
        EXPECT_EQ(s.station.connected(), !busy);
        EXPECT_EQ(port.portPath(), busy ? "" : pty->path());
        if (busy) {
            EXPECT_EQ(s.statuses().back(),
                      "USB 001/003 (/dev/ttyUSB0): held by another program (minicom, pid 812)");
        }
        s.station.DisconnectButtonClick();
    }
}

}  // namespace
}  // namespace rv720
