// The serial backend's answers where no port is needed: which converter is the
// controller's, and which ports are listed or opened.
#include <gtest/gtest.h>

#include "device/backends/serial_ftdi.h"

namespace rv720 {
namespace {


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

}  // namespace
}  // namespace rv720
