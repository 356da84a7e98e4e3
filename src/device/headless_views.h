#pragma once
// The station's three views with nothing to show, for programs without windows
// (the command-line tool, benchmarks): derive and override what you report.
// Window visibility is remembered, because the station asks whether a preview
// window is open before it polls the controller.
#include <set>

#include "device/station_view.h"

namespace rv720 {

class HeadlessViews : public MainWindowView, public TransferView, public MonitorView {
  public:
    // MainWindowView
    void AddStatusLine(const std::string&) override {}
    void RepeatNewestStatusLine() override {}
    void setIndicator(Indicator, bool) override {}
    void HideEditingControls() override {}
    void ShowEditingControls() override {}
    void LockWindows() override {}
    void UnlockWindows() override {}
    void setWindowVisible(Window window, bool visible) override {
        if (visible)
            visible_.insert(window);
        else
            visible_.erase(window);
    }
    bool isWindowVisible(Window window) const override { return visible_.count(window) > 0; }
    void selectExecutedLine(int) override {}
    bool NewButtonClick() override { return true; }
    std::string programFileName() const override { return {}; }
    void restoreProgramFileName(const std::string&) override {}
    void PrintProgram() override {}
    void refreshInputBreakControls() override {}
    std::optional<std::string> chooseFirmwareFile() override { return std::nullopt; }

    // TransferView
    void setCaption(const std::string&) override {}
    void clearLog() override {}
    void addLogLine(const std::string&, Rgb) override {}
    void setGaugeMaximum(int) override {}
    void setGaugePosition(int) override {}
    void setStopAvailable(bool) override {}
    void setDownloadAvailable(bool) override {}

    // MonitorView
    void showFirmwareVersion(const std::string&) override {}
    void showMotorState(const MotorState&) override {}
    void showIoState(const IoState&) override {}
    void showUsbMessage(const std::vector<std::uint8_t>&) override {}

  private:
    std::set<Window> visible_;
};

}  // namespace rv720
