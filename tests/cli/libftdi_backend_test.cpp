// The libftdi backend through a scripted fake of libftdi's calls, `auto` choosing
// between libftdi and the serial port, and `rv720 devices`: which converter is
// counted and opened, the calls made on it, and what a user reads when it cannot
// be opened.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <sstream>

#include "app/device_factory.h"
#include "app/pty_simulator.h"
#include "cli/devices_verb.h"
#include "device/backends/libftdi_ftdi.h"
#include "support/device_fakes.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"

namespace rv720 {
namespace {

using test::Bytes;
using test::RecordingView;
using Lines = std::vector<std::string>;

class ScriptedLibFtdi final : public LibFtdiCalls {
  public:
    std::vector<UsbConverter> converters;
    int openResult = 0;
    bool readsFail = false;
    std::string error = "libusb_open() failed";
    std::deque<Bytes> transfers;  // what each USB read brings, in order
    std::vector<Bytes> writes;
    std::vector<std::string> calls;

    int usbFindAll(std::vector<UsbConverter>& found) override {
        calls.push_back("find");
        found = converters;
        return int(found.size());
    }
    int usbOpenDev(std::size_t index) override {
        calls.push_back("open " + converters.at(index).serialNumber);
        return openResult;
    }
    int setBaudrate(int baud) override { return log("baud " + std::to_string(baud)); }
    int setLineProperty(int bits, int stop, int parity) override {
        return log("line " + std::to_string(bits) + " " + std::to_string(stop) + " " +
                   std::to_string(parity));
    }
    int setFlowCtrl(int flow) override { return log("flow " + std::to_string(flow)); }
    int setLatencyTimer(unsigned char ms) override { return log("latency " + std::to_string(ms)); }
    int tciflush() override { return log("tciflush"); }
    int tcoflush() override { return log("tcoflush"); }
    int readData(unsigned char* buffer, int size) override {
        if (readsFail) return -1;
        if (held_.empty()) {  // one USB transfer, as libftdi makes when it holds nothing
            if (transfers.empty()) return 0;
            held_ = transfers.front();
            transfers.pop_front();
        }
        const int n = std::min<int>(size, int(held_.size()));
        std::copy_n(held_.begin(), n, buffer);
        held_.erase(held_.begin(), held_.begin() + n);
        return n;
    }
    int buffered() const override { return int(held_.size()); }
    int writeData(const unsigned char* buffer, int size) override {
        writes.emplace_back(buffer, buffer + size);
        return size;
    }
    int usbClose() override { return log("close"); }
    std::string errorString() const override { return error; }

  private:
    int log(std::string call) {
        calls.push_back(std::move(call));
        return 0;
    }
    Bytes held_;
};

// Nodes are there and open to this user unless the test says otherwise.
class FakeProbe final : public DeviceProbe {
  public:
    std::map<std::string, NodeState> nodes;
    std::map<std::string, std::string> holders;
    NodeState node(const std::string& path) const override {
        const auto it = nodes.find(path);
        return it != nodes.end() ? it->second : NodeState{true, true, "plugdev"};
    }
    std::optional<std::string> holder(const std::string& path) const override {
        const auto it = holders.find(path);
        if (it == holders.end()) return std::nullopt;
        return it->second;
    }
};

UsbConverter converter(std::string description, std::string serial, int address,
                       std::string tty = {}) {
    UsbConverter c;
    c.description = std::move(description);
    c.serialNumber = std::move(serial);
    c.bus = 1;
    c.address = address;
    c.vendorId = 0x0403;
    c.productId = 0x6001;
    c.node = "/dev/bus/usb/001/00" + std::to_string(address);
    c.tty = std::move(tty);
    return c;
}

std::vector<UsbConverter> threeConverters() {
    return {converter("FT232R USB UART", "A1", 2), converter(kDeviceDescription, "B2", 3),
            converter(kDeviceDescription, "C3", 4)};
}

// A station on any backend, on manual timers and wakers.
struct Station {
    explicit Station(FtdiApi& ftdi) : station(ftdi, timers, clock, model, view, view, view) {}
    ManualTimerFactory timers{true};
    FixedClock clock;
    ProgramModel model;
    RecordingView view;
    DeviceStation station;

    void wake() {
        if (!static_cast<ManualTimer&>(station.UsbTimer()).tick()) timers.wakers().front()->wake();
    }
    Lines statuses() const {
        Lines lines;
        for (const auto& e : view.events)
            if (e.rfind("status ", 0) == 0) lines.push_back(e.substr(7));
        return lines;
    }
};

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

TEST(DevicesVerb, ListsConvertersAndPortsAndWhetherTheControllerCanBeOpened) {
    ScriptedLibFtdi fake;
    fake.converters = {converter("FT232R USB UART", "A1", 2),
                       converter(kDeviceDescription, "B2", 3, "/dev/ttyUSB1")};
    const std::vector<SerialPortEntry> ports = {
        {"/dev/ttyS0", "", "", 0, 0},
        {"/dev/ttyUSB1", "Quellbrandtor_RV720", "B2", 0x0403, 0x6001}};
    FakeProbe probe;
    probe.nodes["/dev/ttyS0"] = {true, false, "dialout"};
    probe.holders["/dev/ttyUSB1"] = "minicom, pid 812";

    auto run = [&](std::vector<AttachedDevice> devices) {
        std::ostringstream out, err;
        FixedClock clock;
        cli::Io io{out, err, clock};
        const int status = cli::runDevices({}, io, devices);
        return std::tuple{status, out.str(), err.str()};
    };
    const auto [status, out, err] = run(attachedDevices(&fake, ports, probe));
    EXPECT_EQ(status, 1);  // the controller's converter is there, but minicom has it
    EXPECT_EQ(
        out,
        "ftdi    USB 001/002   \"FT232R USB UART\"      serial A1  other       can be opened\n"
        "ftdi    USB 001/003   \"Quellbrandtor RV720\"  serial B2  controller  held by "
        "another program (minicom, pid 812)\n"
        "serial  /dev/ttyS0    \"\"                     serial -   other       no permission - "
        "install the udev rule 60-rv720.rules (make install-udev) or join group dialout\n"
        "serial  /dev/ttyUSB1  \"Quellbrandtor_RV720\"  serial B2  controller  held by "
        "another program (minicom, pid 812)\n");
    EXPECT_EQ(err, "rv720 devices: the controller's converter cannot be opened\n");

    probe.holders.clear();
    EXPECT_EQ(std::get<0>(run(attachedDevices(&fake, ports, probe))), 0);
    fake.converters.pop_back();
    const auto [noneStatus, noneOut, noneErr] = run(attachedDevices(&fake, {ports[0]}, probe));
    EXPECT_EQ(noneStatus, 1);
    EXPECT_TRUE(noneOut.ends_with("\nCan't find USB device\n")) << noneOut;
}

}  // namespace
}  // namespace rv720
