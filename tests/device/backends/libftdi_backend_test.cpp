// The libftdi backend through a scripted fake of libftdi's calls: which converter
// is counted and opened, the calls made on it, and what a user reads when it
// cannot be opened.
#include <gtest/gtest.h>

#include "device/backends/libftdi_ftdi.h"
#include "support/backend_fakes.h"

namespace rv720 {
namespace {

using namespace rv720::test;
using Lines = std::vector<std::string>;

TEST(LibFtdiBackend, CountsAndOpensOnlyTheConverterItIsAskedFor) {
    const struct {
        std::string serial;  // "": by the controller's description
        std::uint32_t count;
        std::string opened;  // "": none
        Lines failure;
    } cases[] = {
        {"", 2, "B2", {}},
        {"C3", 1, "C3", {}},
        {"A1", 1, "A1", {}},  // by serial number, whatever its description
        {"Z9", 0, "", {"FTDI converter Z9: not found"}},
    };
    for (const auto& c : cases) {
        auto calls = std::make_unique<ScriptedLibFtdi>();
        calls->converters = threeConverters();
        ScriptedLibFtdi& fake = *calls;
        FakeProbe probe;
        LibFtdi ftdi(std::move(calls), probe, c.serial);
        std::uint32_t count = 99;
        EXPECT_EQ(ftdi.createDeviceInfoList(count), ft::Ok);
        EXPECT_EQ(count, c.count) << c.serial;
        FtDeviceInfo info;
        for (std::uint32_t i = 0; i < count; ++i) {
            ASSERT_EQ(ftdi.getDeviceInfoDetail(i, info), ft::Ok);
            EXPECT_TRUE(c.serial.empty() ? info.description == kDeviceDescription
                                         : info.serialNumber == c.serial);
        }
        EXPECT_EQ(ftdi.getDeviceInfoDetail(count, info), ft::DeviceNotFound);
        FtHandle handle = 0;
        const FtStatus opened = ftdi.openEx(kDeviceDescription, ft::OpenByDescription, handle);
        EXPECT_EQ(opened == ft::Ok, !c.opened.empty()) << c.serial;
        EXPECT_EQ(fake.calls.size() > 1 ? fake.calls[1] : "",
                  c.opened.empty() ? "" : "open " + c.opened);
        Lines failure;
        if (auto f = ftdi.openFailure()) failure.push_back(openFailureText(*f));
        EXPECT_EQ(failure, c.failure) << c.serial;
    }
}

TEST(LibFtdiBackend, TheLinkOpensReadsAndClosesThroughLibftdisCalls) {
    auto calls = std::make_unique<ScriptedLibFtdi>();
    calls->converters = threeConverters();
    ScriptedLibFtdi& fake = *calls;
    FakeProbe probe;
    LibFtdi ftdi(std::move(calls), probe);
    Station s(ftdi);
    s.station.ConnectButtonClick();
    ASSERT_TRUE(s.station.connected());
    // The latency timer right after opening; DTR and RTS are never asked for.
    EXPECT_EQ(fake.calls, (Lines{"find", "open B2", "latency 1", "baud 111111", "line 8 0 0",
                                 "flow 0", "tciflush", "tcoflush"}));

    // The version's reply in one USB transfer, then another split over two.
    s.station.InfoButtonClick();
    const Frame reply = buildFrame(11, 0, Bytes{4, 1, 3});
    fake.transfers.push_back(Bytes(reply.bytes.begin(), reply.bytes.begin() + reply.size));
    s.wake();
    s.station.InfoButtonClick();
    fake.transfers.push_back(Bytes(reply.bytes.begin(), reply.bytes.begin() + 4));
    fake.transfers.push_back(Bytes(reply.bytes.begin() + 4, reply.bytes.begin() + reply.size));
    s.wake();
    s.wake();
    EXPECT_EQ(std::count(s.view.events.begin(), s.view.events.end(), "info_uc 1.3"), 2);
    ASSERT_EQ(fake.writes.size(), 2u);
    EXPECT_EQ(hexText(fake.writes[0]), "FF FF FF 00 03 0B 00 04 03 0F");

    // A failing USB read is a lost converter.
    fake.readsFail = true;
    s.wake();
    EXPECT_FALSE(s.station.connected());
    EXPECT_EQ(s.statuses().back(), "Connection finished");
    EXPECT_EQ(fake.calls.back(), "close");
}

TEST(LibFtdiBackend, SaysWhyTheConverterCannotBeOpened) {
    const std::string node = "/dev/bus/usb/001/003";
    const struct {
        const char* name;
        int openResult;
        NodeState node;
        std::string tty, ttyHolder, nodeHolder;
        bool openTried;
        std::string line;
    } cases[] = {
        {"no permission",
         libftdi::OpenFailed,
         {true, false, "plugdev"},
         "",
         "",
         "",
         true,
         "USB 001/003: no permission - install the udev rule 60-rv720.rules (make "
         "install-udev) or join group plugdev"},
        {"gone",
         libftdi::OpenFailed,
         {false, false, ""},
         "",
         "",
         "",
         true,
         "USB 001/003: unplugged while opening"},
        {"claimed",
         libftdi::ClaimFailed,
         {true, true, "plugdev"},
         "",
         "",
         "rv720-station, pid 4242",
         true,
         "USB 001/003: held by another program (rv720-station, pid 4242)"},
        {"serial port in use",
         0,
         {true, true, "plugdev"},
         "/dev/ttyUSB0",
         "minicom, pid 812",
         "",
         false,
         "USB 001/003 (/dev/ttyUSB0): held by another program (minicom, pid 812)"},
        {"other",
         -6,
         {true, true, "plugdev"},
         "",
         "",
         "",
         true,
         "USB 001/003: cannot be opened: libusb_open() failed"},
    };
    for (const auto& c : cases) {
        auto calls = std::make_unique<ScriptedLibFtdi>();
        calls->converters = {converter(kDeviceDescription, "B2", 3, c.tty)};
        calls->openResult = c.openResult;
        ScriptedLibFtdi& fake = *calls;
        FakeProbe probe;
        probe.nodes[node] = c.node;
        if (!c.ttyHolder.empty()) probe.holders[c.tty] = c.ttyHolder;
        if (!c.nodeHolder.empty()) probe.holders[node] = c.nodeHolder;
        LibFtdi ftdi(std::move(calls), probe);
        Station s(ftdi);
        s.station.ConnectButtonClick();
        EXPECT_FALSE(s.station.connected()) << c.name;
        EXPECT_EQ(s.statuses(), (Lines{"Connection successful", "Connection finished", c.line}))
            << c.name;
        EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "open B2"), c.openTried ? 1 : 0)
            << c.name;
        EXPECT_EQ(s.station.link().openFailureLine(), c.line) << c.name;
    }
}

// `auto` counts only the controller's converter: a machine with other converters
// and ports finds no device, and nothing is opened.

}  // namespace
}  // namespace rv720
