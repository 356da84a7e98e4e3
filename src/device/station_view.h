#pragma once
// What the device side of the station shows. The core never touches a widget: its
// presenter (StationPresenter) reports through these three views, which the Qt
// forms (TFMain, TFKompilacja, the monitor windows) and the command-line tool
// implement.
//
// Every call happens on the one GUI thread, inside a button handler, a timer tick
// or the dispatch of a received frame. The firmware byte loop blocks that thread,
// so implementations repaint the gauge at once when its position changes.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/controller_commands.h"
#include "support/color.h"

namespace rv720 {

// The station's ten windows, in creation order.
enum class Window {
    FMain,
    FSterowanie,
    FWyjscia,
    FPodgladSilniki,
    FPodgladWejscia,
    FParametrLiczbowy,
    FInfo,
    FKompilacja,
    FLog,
    FPass,
};

// The two 60 x 60 indicators beside the emergency stop: lit shows "ID_led_play",
// unlit "ID_led_stop".
enum class Indicator { led_usb, led_prog };

// The main window and the window set.
class MainWindowView {
  public:
    virtual ~MainWindowView() = default;

    // Warning1 takes Warning2's text, Warning2 shows `text`.
    virtual void AddStatusLine(const std::string& text) = 0;
    // Warning1 takes Warning2's text, so both show the newest message.
    virtual void RepeatNewestStatusLine() = 0;

    virtual void setIndicator(Indicator which, bool lit) = 0;
    virtual void HideEditingControls() = 0;
    virtual void ShowEditingControls() = 0;
    virtual void LockWindows() = 0;
    virtual void UnlockWindows() = 0;

    virtual void setWindowVisible(Window window, bool visible) = 0;
    virtual bool isWindowVisible(Window window) const = 0;

    // Selects the whole listing line with this zero-based index and focuses the listing.
    virtual void selectExecutedLine(int line) = 0;

    // The New workflow (offer to save, then an empty program titled "New"). The
    // station clears the model itself afterwards, so a view may leave that out.
    // False: the operator cancelled, or the program could not be saved; the program
    // stays and a read does not begin.
    virtual bool NewButtonClick() = 0;
    // The program's file name ("" for a new one), which the caption shows, and its
    // return after a read that did not finish.
    virtual std::string programFileName() const = 0;
    virtual void restoreProgramFileName(const std::string& name) = 0;
    // The program image changed as a whole: re-render the listing (PrintProgram).
    virtual void PrintProgram() = 0;
    // The input-break block changed: refresh the controls that mirror it.
    virtual void refreshInputBreakControls() = 0;

    // OpenDialogDownload ("Program (*.bin)|*.bin", default extension "bin"): the
    // chosen path, or nothing when the operator cancels.
    virtual std::optional<std::string> chooseFirmwareFile() = 0;
};

// The compilation and transfer window FKompilacja.
class TransferView {
  public:
    virtual ~TransferView() = default;
    virtual void setCaption(const std::string& text) = 0;  // FormCaption
    virtual void clearLog() = 0;                           // KompilacjaLog
    virtual void addLogLine(const std::string& text, Rgb color) = 0;
    virtual void setGaugeMaximum(int maximum) = 0;  // KompilujBar
    virtual void setGaugePosition(int position) = 0;
    // Available = the covering picture (StopDumm, DownloadDumm) hidden.
    virtual void setStopAvailable(bool available) = 0;
    virtual void setDownloadAvailable(bool available) = 0;
};

// The about window's firmware field and the three monitor windows.
class MonitorView {
  public:
    virtual ~MonitorView() = default;
    virtual void showFirmwareVersion(const std::string& text) = 0;  // info_uc
    virtual void showMotorState(const MotorState& state) = 0;       // FPodgladSilniki
    // Only the changed lamps need redrawing.
    virtual void showIoState(const IoState& state) = 0;  // FPodgladWejscia
    // The bytes of one program message as they came, unfiltered (FLog).
    virtual void showUsbMessage(const std::vector<std::uint8_t>& bytes) = 0;
};

}  // namespace rv720
