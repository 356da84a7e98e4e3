#pragma once
// The station without its windows: the program in memory, the editing rules and
// the parameter dialog's state on it, the device side (its sessions, their
// presenter and the handlers the windows call) and every timer that drives them.
// The main window owns one and shows it through its views; tests and the fuzz
// targets build one with views of their own.
//
// The core makes its timers itself, stopped, in this order (a loop fires timers
// due at the same moment in the order they were made): TimeoutTimer 700 ms,
// UsbTimer 1 ms, Timer 100 ms (the transfer clock), LastClickTimer 200 ms (the
// listing's double click), then MotorViewTimer and InputViewTimer 100 ms, which
// the preview windows share with the device side.
//
// Compiling belongs to the write, not to the device side, which knows nothing of
// the compiler: WriteProgramButtonClick compiles into the transfer window, whose
// Download (available only when the report allows it) then writes the program.
#include <memory>

#include "compiler/compiler.h"
#include "device/device_station.h"
#include "editor/editing.h"
#include "editor/parameter_pages.h"
#include "model/program_image.h"
#include "support/clock.h"
#include "support/timer.h"

namespace rv720 {

// What the core shows. One object may be several of these (the main window's
// device views are one object). Without an editor host, editing reports nothing
// and every question it asks is answered No.
struct StationViews {
    MainWindowView& main;
    TransferView& transfer;
    MonitorView& monitor;
    EditorHost* editor = nullptr;
};

class StationCore final {
  public:
    // `ftdi` is the controller's driver; without one the device list is empty and
    // Connect finds nothing. The driver, timers, clock and views must outlive the
    // core; nothing is shown while it is being made.
    StationCore(FtdiApi* ftdi, TimerFactory& timers, Clock& clock, StationViews views);
    ~StationCore();
    StationCore(const StationCore&) = delete;
    StationCore& operator=(const StationCore&) = delete;

    ProgramModel& model() { return model_; }
    const ProgramModel& model() const { return model_; }
    ParameterDialog& parameterDialog() { return parameterDialog_; }
    Editor& editor() { return editor_; }
    DeviceStation& device() { return device_; }

    // Compiles the program into the transfer window: the window opens on an empty
    // gauge that follows the scan, the report replaces its log, and Download
    // becomes available when the program may be written. Returns the report.
    CompileReport WriteProgramButtonClick();

    Timer& TimeoutTimer() { return device_.TimeoutTimer(); }
    Timer& UsbTimer() { return device_.UsbTimer(); }
    Timer& TransferTimer() { return device_.TransferTimer(); }  // the station's `Timer`
    Timer& LastClickTimer() { return editor_.lastClickTimer(); }
    Timer& MotorViewTimer() { return device_.MotorViewTimer(); }
    Timer& InputViewTimer() { return device_.InputViewTimer(); }

  private:
    // The three timers made before the editor's; the rest come after it.
    static DeviceTimers firstTimers(TimerFactory& timers);
    static DeviceTimers lastTimers(DeviceTimers made, TimerFactory& timers);

    Clock& clock_;
    std::unique_ptr<FtdiApi> noDevice_;
    std::unique_ptr<EditorHost> quietHost_;
    EditorHost& host_;
    ProgramModel model_;
    DeviceTimers timers_;  // made before the editor's, then handed to the device side
    ParameterDialog parameterDialog_;
    Editor editor_;
    DeviceStation device_;
};

}  // namespace rv720
