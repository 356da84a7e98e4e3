// What a clean write, read, firmware update and run/stop show, event by event, on
// the controller twin with wire time and virtual time: every frame on the wire
// (hex), every status and log line (with its colour), every gauge step, lock,
// button and window change, each stamped with the milliseconds since the scene
// began. The texts under tests/data/transfer/ were taken from the station as it
// was before replies were matched to requests; any change to them is a change of
// what the operator sees and needs a reason. (The one change so far: the moments,
// once the link woke on arriving bytes instead of on the next 1 ms tick; every
// frame, line and step stayed as it was.)
//
// RV720_WRITE_GOLDEN=1 writes the files instead of comparing them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "model/program_file.h"
#include "support/fixed_clock.h"
#include "support/temp_folder.h"
#include "support/test_names.h"
#include "twin_bench.h"

namespace rv720::test {
namespace {

using namespace std::chrono_literals;

const std::string kWindowNames[] = {"FMain",
                                    "FSterowanie",
                                    "FWyjscia",
                                    "FPodgladSilniki",
                                    "FPodgladWejscia",
                                    "FParametrLiczbowy",
                                    "FInfo",
                                    "FKompilacja",
                                    "FLog",
                                    "FPass"};

std::string colourName(Rgb c) {
    return c == colors::Black  ? "black"
           : c == colors::Blue ? "blue"
           : c == colors::Red  ? "red"
                               : "?";
}

// Every visible effect as one line "   12.345  what".
class SceneRecorder final : public MainWindowView, public TransferView, public MonitorView {
  public:
    explicit SceneRecorder(const EventLoop& loop) : loop_(loop) {}

    void begin() {
        origin_ = loop_.now();
        lines_.str({});
        recording_ = true;
    }
    std::string text() const { return lines_.str(); }
    void note(const std::string& what) {
        if (!recording_) return;
        const auto ns = (loop_.now() - origin_).count();
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "%10.3f  ", double(ns) / 1e6);
        lines_ << stamp << what << '\n';
    }

    std::optional<std::string> firmwareFile;
    std::set<Window> visible;
    std::string fileName;

    // MainWindowView
    void AddStatusLine(const std::string& t) override { note("status " + t); }
    void RepeatNewestStatusLine() override { note("status repeated"); }
    void setIndicator(Indicator i, bool lit) override {
        note(std::string(i == Indicator::led_usb ? "led_usb " : "led_prog ") +
             (lit ? "lit" : "unlit"));
    }
    void HideEditingControls() override { note("run-mode look"); }
    void ShowEditingControls() override { note("editing look"); }
    void LockWindows() override { note("lock windows"); }
    void UnlockWindows() override { note("unlock windows"); }
    void setWindowVisible(Window w, bool on) override {
        on ? (void)visible.insert(w) : (void)visible.erase(w);
        note(std::string(on ? "show " : "hide ") + kWindowNames[int(w)]);
    }
    bool isWindowVisible(Window w) const override { return visible.count(w) != 0; }
    void selectExecutedLine(int line) override { note("select line " + std::to_string(line)); }
    bool NewButtonClick() override {
        note("new program");
        return true;
    }
    std::string programFileName() const override { return fileName; }
    void restoreProgramFileName(const std::string& name) override { note("file name " + name); }
    void PrintProgram() override { note("print program"); }
    void refreshInputBreakControls() override { note("refresh input breaks"); }
    std::optional<std::string> chooseFirmwareFile() override {
        note("choose firmware file");
        return firmwareFile;
    }

    // TransferView
    void setCaption(const std::string& t) override { note("caption " + t); }
    void clearLog() override { note("clear log"); }
    void addLogLine(const std::string& t, Rgb c) override {
        note("log " + colourName(c) + " " + t);
    }
    void setGaugeMaximum(int m) override { note("gauge maximum " + std::to_string(m)); }
    void setGaugePosition(int p) override { note("gauge " + std::to_string(p)); }
    void setStopAvailable(bool on) override { note(std::string("stop ") + (on ? "on" : "off")); }
    void setDownloadAvailable(bool on) override {
        note(std::string("download ") + (on ? "on" : "off"));
    }

    // MonitorView
    void showFirmwareVersion(const std::string& t) override { note("firmware version " + t); }
    void showMotorState(const MotorState&) override { note("motor state"); }
    void showIoState(const IoState&) override { note("io state"); }
    void showUsbMessage(const std::vector<std::uint8_t>& b) override {
        note("usb message " + hexText(b));
    }

  private:
    const EventLoop& loop_;
    EventLoop::Duration origin_{0};
    std::ostringstream lines_;
    bool recording_ = false;
};

struct Scene {
    EventLoop loop{EventLoop::Time::Virtual};
    sim::SimulatedFtdi ftdi{sim::TwinOptions{}, std::make_shared<sim::LoopTime>(loop)};
    FixedClock baseClock;
    LoopClock clock{baseClock, loop};
    SceneRecorder view{loop};
    StationCore core{&ftdi, loop, clock, {view, view, view}};
    ProgramModel& model = core.model();
    DeviceStation& station = core.device();

    Scene() {
        ftdi.setWireTimeEmulation(true);
        station.link().frameLog = [this](FrameDirection d, std::span<const std::uint8_t> b) {
            view.note((d == FrameDirection::Sent ? "> " : "< ") + hexText(b));
        };
    }
    // Connected, the demo compiled; written when `written`.
    void demo(bool written) {
        ASSERT_TRUE(loadProgramFile(RV720_TEST_DATA "/../../examples/demo.pri", model.image));
        station.ConnectButtonClick();
        core.WriteProgramButtonClick();
        if (written) transfer([&] { station.FKompilacja().DownloadButtonClick(); });
    }
    // Starts a transfer and runs until the controller has answered everything.
    void transfer(const std::function<void()>& start) {
        start();
        loop.runUntil([&] { return !station.windowsLocked(); }, 30s);
        loop.runUntil([&] { return !station.TimeoutTimer().isActive(); }, 10s);
        loop.runFor(20ms);
    }
};

void cleanWrite(Scene& s) {
    s.demo(false);
    s.view.begin();
    s.transfer([&] { s.station.FKompilacja().DownloadButtonClick(); });
}

void cleanRead(Scene& s) {
    s.demo(true);
    s.view.begin();
    s.transfer([&] { s.station.ReadProgramButtonClick(); });
}

void cleanFirmwareUpdate(Scene& s) {
    const TempFolder folder;
    const std::string path = folder.file("firmware.bin");
    {
        std::ofstream out(path, std::ios::binary);
        for (int i = 0; i < 16; ++i)
            out.put(char(i * 37 + 5));
    }
    s.view.firmwareFile = path;
    s.station.ConnectButtonClick();
    s.view.begin();
    s.station.SpeedButton2Click();
    s.station.PassOkButtonClick(kFirmwarePassword);
    s.loop.runUntil([&] { return !s.station.connected(); }, 30s);
    s.loop.runFor(20ms);
}

void runAndStop(Scene& s) {
    s.demo(true);
    s.view.begin();
    s.station.PlayProgramButtonClick();
    s.loop.runFor(600ms);
    s.station.StopProgramButtonClick();
    s.loop.runFor(100ms);
}

struct GoldenScene {
    const char* file;
    void (*play)(Scene&);
};

class CleanTransferGolden : public testing::TestWithParam<GoldenScene> {};

TEST_P(CleanTransferGolden, ShowsWhatItAlwaysShowed) {
    Scene s;
    GetParam().play(s);
    const std::string shown = s.view.text();
    const std::filesystem::path path =
        std::filesystem::path(RV720_TEST_DATA) / "transfer" / GetParam().file;
    if (const char* w = std::getenv("RV720_WRITE_GOLDEN"); w && *w == '1') {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << shown;
        GTEST_SKIP() << "written " << path;
    }
    std::ifstream in(path, std::ios::binary);
    ASSERT_TRUE(in.is_open()) << path;
    EXPECT_EQ(shown, std::string(std::istreambuf_iterator<char>(in), {}));  // a diff if not
}

INSTANTIATE_TEST_SUITE_P(Scenes, CleanTransferGolden,
                         testing::Values(GoldenScene{"clean_write.txt", cleanWrite},
                                         GoldenScene{"clean_read.txt", cleanRead},
                                         GoldenScene{"clean_firmware_update.txt",
                                                     cleanFirmwareUpdate},
                                         GoldenScene{"run_and_stop.txt", runAndStop}),
                         [](const auto& info) {
                             const std::string_view file = info.param.file;
                             return caseName(file.substr(0, file.find('.')));
                         });

}  // namespace
}  // namespace rv720::test
