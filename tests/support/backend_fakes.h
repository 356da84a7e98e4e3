// Backend doubles: a scripted fake of libftdi's calls, a probe of device nodes and
// their holders, the converters it lists, and a station on any backend on manual
// timers and wakers.
#pragma once

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "device/backends/device_probe.h"
#include "device/backends/libftdi_ftdi.h"
#include "device/device_station.h"
#include "support/device_fakes.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"

namespace rv720::test {

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

inline UsbConverter converter(std::string description, std::string serial, int address,
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

inline std::vector<UsbConverter> threeConverters() {
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
    std::vector<std::string> statuses() const {
        std::vector<std::string> lines;
        for (const auto& e : view.events)
            if (e.rfind("status ", 0) == 0) lines.push_back(e.substr(7));
        return lines;
    }
};

}  // namespace rv720::test
