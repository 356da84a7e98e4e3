#pragma once
// A scripted D2XX stand-in, a view that records what the station shows, and a
// station on them with manual timers and a fixed clock.
#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/station_core.h"
#include "compiler/compiler.h"
#include "device/device_station.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"

namespace rv720::test {

using Bytes = std::vector<std::uint8_t>;

class ScriptedFtdi final : public FtdiApi {
  public:
    std::uint32_t devices = 1;
    FtStatus detailResult = ft::Ok, openResult = ft::Ok, baudResult = ft::Ok, purgeResult = ft::Ok,
             writeResult = ft::Ok;
    int failingStatusQueries = 0;  // the next this many status queries fail
    ReceiveWait wait;              // what the link may sleep on (default: ask at the tick)
    std::deque<std::uint8_t> rx;   // what the controller has sent
    std::vector<Bytes> writes;     // one entry per write call
    std::vector<std::string> calls;

    FtStatus createDeviceInfoList(std::uint32_t& count) override {
        count = devices;
        return ft::Ok;
    }
    FtStatus getDeviceInfoDetail(std::uint32_t, FtDeviceInfo&) override { return detailResult; }
    FtStatus openEx(const std::string& d, std::uint32_t flags, FtHandle& h) override {
        calls.push_back("open " + d + " " + std::to_string(flags));
        h = 7;
        return openResult;
    }
    FtStatus setBaudRate(FtHandle, std::uint32_t baud) override {
        calls.push_back("baud " + std::to_string(baud));
        return baudResult;
    }
    FtStatus setDataCharacteristics(FtHandle, std::uint8_t w, std::uint8_t s,
                                    std::uint8_t p) override {
        calls.push_back("data " + std::to_string(w) + std::to_string(s) + std::to_string(p));
        return ft::Ok;
    }
    FtStatus setFlowControl(FtHandle, std::uint16_t f, std::uint8_t, std::uint8_t) override {
        calls.push_back("flow " + std::to_string(f));
        return ft::Ok;
    }
    FtStatus purge(FtHandle, std::uint32_t mask) override {
        calls.push_back("purge " + std::to_string(mask));
        return purgeResult;
    }
    FtStatus getStatus(FtHandle, std::uint32_t& rxq, std::uint32_t& txq,
                       std::uint32_t& ev) override {
        ++statusQueries;
        if (failingStatusQueries > 0) {
            --failingStatusQueries;
            return ft::IoError;
        }
        rxq = std::uint32_t(rx.size());
        txq = ev = 0;
        return ft::Ok;
    }
    FtStatus read(FtHandle, std::uint8_t* buffer, std::uint32_t, std::uint32_t& got) override {
        ++reads;
        got = 0;
        if (rx.empty()) return ft::Ok;
        *buffer = rx.front();
        rx.pop_front();
        got = 1;
        return ft::Ok;
    }
    FtStatus write(FtHandle, const std::uint8_t* b, std::uint32_t n,
                   std::uint32_t& written) override {
        writes.emplace_back(b, b + n);
        written = n;
        return writeResult;
    }
    FtStatus close(FtHandle) override {
        calls.push_back("close");
        return ft::Ok;
    }
    ReceiveWait receiveWait(FtHandle) override { return wait; }

    int statusQueries = 0;
    int reads = 0;
};

// Records every visible effect as one text, in order, so a test can compare a
// whole sequence; keeps the current state of the things tests look up.
class RecordingView final : public MainWindowView, public TransferView, public MonitorView {
  public:
    std::vector<std::string> events;
    std::string warning1 = "...", warning2 = "...";
    std::set<Window> visible;
    std::map<Indicator, bool> lit;
    std::vector<LogLine> log;
    int gaugeMaximum = 999, gaugePosition = 0;
    std::string caption;
    std::optional<std::string> firmwareFile;
    std::string fileName;     // the main window's, shown in its caption
    bool newAccepted = true;  // the answer of the New workflow
    std::vector<MotorState> motorStates;
    std::vector<IoState> ioStates;
    std::vector<Bytes> messages;

    void AddStatusLine(const std::string& t) override {
        warning1 = warning2;
        warning2 = t;
        events.push_back("status " + t);
    }
    void RepeatNewestStatusLine() override { warning1 = warning2; }
    void setIndicator(Indicator i, bool on) override {
        lit[i] = on;
        events.push_back(std::string(i == Indicator::led_usb ? "led_usb " : "led_prog ") +
                         (on ? "play" : "stop"));
    }
    void HideEditingControls() override { events.push_back("HideEditingControls"); }
    void ShowEditingControls() override { events.push_back("ShowEditingControls"); }
    void LockWindows() override { events.push_back("LockWindows"); }
    void UnlockWindows() override { events.push_back("UnlockWindows"); }
    void setWindowVisible(Window w, bool on) override {
        on ? (void)visible.insert(w) : (void)visible.erase(w);
        events.push_back((on ? "show " : "hide ") + std::to_string(int(w)));
    }
    bool isWindowVisible(Window w) const override { return visible.count(w) != 0; }
    void selectExecutedLine(int line) override {
        events.push_back("select " + std::to_string(line));
    }
    bool NewButtonClick() override {
        events.push_back("NewButtonClick");
        if (newAccepted) fileName.clear();
        return newAccepted;
    }
    std::string programFileName() const override { return fileName; }
    void restoreProgramFileName(const std::string& name) override {
        fileName = name;
        events.push_back("fileName " + name);
    }
    void PrintProgram() override { events.push_back("PrintProgram"); }
    void refreshInputBreakControls() override { events.push_back("refreshInputBreak"); }
    std::optional<std::string> chooseFirmwareFile() override { return firmwareFile; }

    void setCaption(const std::string& t) override { caption = t; }
    void clearLog() override { log.clear(); }
    void addLogLine(const std::string& t, Rgb c) override { log.push_back({t, c}); }
    void setGaugeMaximum(int m) override { gaugeMaximum = m; }
    void setGaugePosition(int p) override { gaugePosition = p; }
    void setStopAvailable(bool on) override {
        events.push_back(std::string("stop ") + (on ? "on" : "off"));
    }
    void setDownloadAvailable(bool on) override {
        events.push_back(std::string("download ") + (on ? "on" : "off"));
    }

    void showFirmwareVersion(const std::string& t) override { events.push_back("info_uc " + t); }
    void showMotorState(const MotorState& s) override { motorStates.push_back(s); }
    void showIoState(const IoState& s) override { ioStates.push_back(s); }
    void showUsbMessage(const Bytes& b) override { messages.push_back(b); }

    std::vector<std::string> take() { return std::exchange(events, {}); }
    std::vector<std::string> logTexts() const {
        std::vector<std::string> t;
        for (const auto& l : log)
            t.push_back(l.text);
        return t;
    }
};

inline std::string windowEvent(const char* verb, Window w) {
    return std::string(verb) + " " + std::to_string(int(w));
}

// Payloads of the controller's program header (19) and record (20) replies.
inline Bytes headerReply(std::uint16_t length, std::uint8_t blockFill = 0) {
    Bytes d{4, std::uint8_t(length >> 8), std::uint8_t(length)};
    for (int i = 0; i < kInputBreakSize; ++i)
        d.push_back(std::uint8_t(blockFill + i));
    return d;
}
inline Bytes recordReply(std::uint16_t index, const Record& r) {
    Bytes d(3 + r.size(), 4);
    writeBe16(&d[1], index);
    std::copy(r.begin(), r.end(), d.begin() + 3);
    return d;
}

// How the link hears of bytes: the platform's 1 ms tick only, as it always did; a
// waker on a descriptor that turns readable (a serial port); or a waker while idle
// and the tick while bytes are expected (libftdi, which cannot tell).
enum class Wakeups { Tick, Readable, Polled };

inline std::string wakeupsName(Wakeups w) {
    return w == Wakeups::Tick ? "Tick" : w == Wakeups::Readable ? "Readable" : "Polled";
}

// A station on a scripted converter with manual timers and a fixed clock.
struct Bench {
    explicit Bench(Wakeups how = Wakeups::Tick) : wakeups(how), timers(how != Wakeups::Tick) {
        if (how == Wakeups::Readable) ftdi.wait = {false, 42, {}};
    }

    Wakeups wakeups;
    ScriptedFtdi ftdi;
    ManualTimerFactory timers;
    FixedClock clock;
    RecordingView view;
    StationCore core{&ftdi, timers, clock, {view, view, view}};
    ProgramModel& model = core.model();
    DeviceStation& station = core.device();

    ManualTimer& timer(Timer& t) { return static_cast<ManualTimer&>(t); }
    ManualWaker* waker() { return timers.wakers().empty() ? nullptr : timers.wakers().front(); }

    void connect() {
        station.ConnectButtonClick();
        view.take();
        ftdi.calls.clear();
    }
    // What the platform does once bytes have come: the tick that is running, else
    // the waker (the descriptor turned readable, or the idle poll came round).
    void wake() {
        if (!timer(station.UsbTimer()).tick() && waker()) waker()->wake();
    }
    // The controller's frame arrives and the link picks it up.
    void deliver(std::uint8_t code, Bytes data, std::uint8_t status = 0) {
        const Frame f = buildFrame(code, status, data);
        ftdi.rx.insert(ftdi.rx.end(), f.bytes.begin(), f.bytes.begin() + f.size);
        wake();
    }
    // Frames written since the last call, as code + data (shorter writes as they are).
    std::vector<Bytes> sent() {
        std::vector<Bytes> out;
        for (const auto& w : ftdi.writes) {
            if (w.size() < 9) {
                out.push_back(w);
                continue;
            }
            Bytes b{w[5]};
            b.insert(b.end(), w.begin() + 7, w.end() - 2);
            out.push_back(b);
        }
        ftdi.writes.clear();
        return out;
    }
};

}  // namespace rv720::test
