// Choosing a backend, and the serial backend's answers where no port is needed.
#include <gtest/gtest.h>

#include <sstream>

#include "app/device_factory.h"
#include "cli/device_verbs.h"
#include "device/backends/serial_ftdi.h"
#include "sim/eeprom_file.h"
#include "sim/simulated_ftdi.h"
#include "support/fixed_clock.h"
#include "support/record_builders.h"
#include "support/temp_folder.h"

namespace rv720 {
namespace {

using namespace rv720::test;

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

TEST(DeviceSpec, ConverterDescriptions) {
    const struct {
        std::string reported;
        bool matches;
    } cases[] = {
        {"Quellbrandtor RV720", true},
        {"Quellbrandtor_RV720", true},  // udev's spelling of the model
        {"Quellbrandtor RV72", false},
        {"Quellbrandtor RV7200", false},
        {"quellbrandtor rv720", false},
        {"FT232R USB UART", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(descriptionMatches(c.reported), c.matches) << c.reported;
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

// The ports a lister reports, for finding the converter without hardware.
PortLister ports(std::vector<SerialPortEntry> entries) {
    return [entries] { return entries; };
}

TEST(SerialFtdiListing, OnlyTheControllersPortIsListedOrOpened) {
    SerialFtdi ftdi(ports({{"/dev/rv720-test-a", "FT232R USB UART", "A1", 0x0403, 0x6001},
                           {"/dev/rv720-test-b", "Quellbrandtor_RV720", "B2", 0x0403, 0x6001},
                           {"/dev/rv720-test-c", "USB2.0-Serial", "", 0x1a86, 0x7523}}));
    std::uint32_t count = 0;
    EXPECT_EQ(ftdi.createDeviceInfoList(count), ft::Ok);
    EXPECT_EQ(count, 1u);
    FtDeviceInfo info;
    EXPECT_EQ(ftdi.getDeviceInfoDetail(0, info), ft::Ok);
    EXPECT_EQ(info.description, "Quellbrandtor_RV720");
    EXPECT_EQ(info.serialNumber, "B2");
    EXPECT_EQ(info.id, 0x04036001u);
    EXPECT_EQ(ftdi.getDeviceInfoDetail(1, info), ft::DeviceNotFound);

    // Listed, but gone by the time it is opened.
    FtHandle handle = 0;
    EXPECT_EQ(ftdi.openEx(kDeviceDescription, ft::OpenByDescription, handle), ft::DeviceNotFound);
    ASSERT_TRUE(ftdi.openFailure().has_value());
    EXPECT_EQ(openFailureText(*ftdi.openFailure()), "/dev/rv720-test-b: unplugged while opening");
    EXPECT_EQ(ftdi.openEx(kDeviceDescription, 1, handle), ft::InvalidParameter);
    EXPECT_EQ(ftdi.portPath(), "");
}

TEST(SerialFtdiListing, AMissingNamedPortIsAnEmptyList) {
    auto ftdi = SerialFtdi::onPort("/dev/rv720-no-such-port");
    std::uint32_t count = 7;
    EXPECT_EQ(ftdi->createDeviceInfoList(count), ft::Ok);
    EXPECT_EQ(count, 0u);
    ASSERT_TRUE(ftdi->openFailure().has_value());
    EXPECT_EQ(openFailureText(*ftdi->openFailure()), "/dev/rv720-no-such-port: not found");
    FtHandle handle = 0;
    EXPECT_EQ(ftdi->openEx(kDeviceDescription, ft::OpenByDescription, handle), ft::DeviceNotFound);
}

TEST(SerialFtdiListing, EveryCallOnAHandleNotOpenFails) {
    SerialFtdi ftdi(ports({}));
    const FtHandle h = 1;
    std::uint32_t a = 0, b = 0, c = 0;
    std::uint8_t byte = 0;
    const struct {
        const char* call;
        FtStatus status;
    } cases[] = {
        {"baud", ftdi.setBaudRate(h, kBaudRate)},
        {"data", ftdi.setDataCharacteristics(h, ft::Bits8, ft::StopBits1, ft::ParityNone)},
        {"flow", ftdi.setFlowControl(h, ft::FlowNone, 0, 0)},
        {"purge", ftdi.purge(h, ft::PurgeRxTx)},
        {"status", ftdi.getStatus(h, a, b, c)},
        {"read", ftdi.read(h, &byte, 1, a)},
        {"write", ftdi.write(h, &byte, 1, b)},
        {"close", ftdi.close(h)},
    };
    for (const auto& x : cases)
        EXPECT_EQ(x.status, ft::InvalidHandle) << x.call;
}

// A path that is no serial port is refused as the vendor driver refuses a device
// it cannot open: the indicator lights while the list is taken, then goes out, and
// one more line says why.
TEST(SerialFtdiListing, APathThatIsNoPortClosesTheLinkAgain) {
    TempFolder folder;
    const std::string file = folder.file("not-a-port");
    writeBytes(file, {1, 2, 3});
    std::ostringstream out, err;
    FixedClock clock;
    cli::Io io{out, err, clock};
    const std::vector<std::string> args = {"--device", file};
    EXPECT_EQ(cli::runDeviceVerb("version", args, io, {EventLoop::Time::Virtual, {}}),
              cli::kExitDeviceFailure);
    const std::string why = file + ": cannot be opened: not a serial port";
    EXPECT_EQ(out.str(), "Connection successful\nConnection finished\n" + why + "\n");
    EXPECT_EQ(err.str(), "rv720 version: the device cannot be reached: " + why + "\n");
}

}  // namespace
}  // namespace rv720
