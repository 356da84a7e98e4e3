#pragma once
// The device side of the main window without its widgets, under the names of the
// station's handlers: the buttons and timers the windows call end up here, and
// each calls the controller channel, the program transfer or the controller
// commands (DeviceSessions). What the operator sees comes from the
// StationPresenter, which hears every event of those three and shows it through
// MainWindowView, TransferView and MonitorView. A monitor polls while its window
// is shown. The compilation that opens a write is not here: the device side
// knows nothing of the compiler, and StationCore compiles before it shows the
// report through the presenter.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "device/device_sessions.h"
#include "device/station_presenter.h"
#include "device/station_view.h"
#include "device/usb_link.h"
#include "model/program_image.h"
#include "protocol/codes.h"
#include "support/clock.h"
#include "support/timer.h"

namespace rv720 {

inline constexpr const char* kFirmwarePassword = "73916kqwmz";

class DeviceStation;

// The handlers of the transfer window FKompilacja.
class TransferWindow {
  public:
    void DownloadButtonClick();
    void StopButtonClick();
    void CloseButtonClick();
    bool FormCloseQuery() const;
    void FormKeyPress(char key);  // 27 Esc, 13 Enter

  private:
    friend class DeviceStation;
    explicit TransferWindow(DeviceStation& station) : station_(station) {}
    DeviceStation& station_;
};

class DeviceStation final {
  public:
    // Makes its timers (and the link's waker) from `timers`.
    DeviceStation(FtdiApi& ftdi, TimerFactory& timers, Clock& clock, ProgramModel& model,
                  MainWindowView& mainView, TransferView& transferView, MonitorView& monitorView);
    DeviceStation(FtdiApi& ftdi, DeviceTimers timers, std::unique_ptr<Waker> waker, Clock& clock,
                  ProgramModel& model, MainWindowView& mainView, TransferView& transferView,
                  MonitorView& monitorView);
    ~DeviceStation();
    DeviceStation(const DeviceStation&) = delete;
    DeviceStation& operator=(const DeviceStation&) = delete;

    // The sessions and their presenter.
    DeviceSessions& sessions() { return sessions_; }
    ControllerChannel& channel() { return channel_; }
    ProgramTransfer& transfer() { return transfer_; }
    ControllerCommands& commands() { return commands_; }
    StationPresenter& presenter() { return presenter_; }

    // Link.
    void ConnectButtonClick();
    void DisconnectButtonClick() { channel_.disconnect(); }
    void UsbTimerTimer() { channel_.UsbTimerTimer(); }
    bool connected() const { return channel_.connected(); }
    // True when connected; otherwise posts "No connection".
    bool connectedOrReport() { return channel_.connectedOrReport(); }
    // Sends a direct command (nothing without a link) and makes it the outstanding one.
    void sendCommand(const protocol::Message& command);
    // A command is waiting for its reply (the reply timeout runs).
    bool awaitingReply() const { return channel_.awaitingReply(); }
    UsbLink& link() { return channel_.link(); }
    const UsbLink& link() const { return channel_.link(); }

    // Protocol.
    void TimeoutTimerTimer() { channel_.TimeoutTimerTimer(); }
    void PlayProgramButtonClick();
    void StopProgramButtonClick();
    void StopButtonClick();    // the emergency stop beside the indicators
    void SpeedButton1Click();  // device reset
    bool programRunning() const { return channel_.programRunning(); }

    // About and password windows.
    void InfoButtonClick();
    void SpeedButton2Click();  // firmware update: opens the password window
    // The password window's OK (and Enter): true when accepted and the update asked for;
    // false after "Wrong password" (the caller then colours its entry box), and
    // while a write or read runs.
    bool PassOkButtonClick(const std::string& entry);

    // Monitor windows.
    void ViweMotorButtonClick();
    void WiewIoButtonClick();
    void ViewUsbButtonClick();
    void MotorViewTimerTimer() { commands_.MotorViewTimerTimer(); }
    void InputViewTimerTimer() { commands_.InputViewTimerTimer(); }
    void closeMotorView();  // FPodgladSilniki's CloseButtonClick
    void closeInputView();  // FPodgladWejscia's closeButtonClick
    const std::array<bool, kLampCount>& lampStates() const { return commands_.lamps(); }

    // Transfers. A write starts with the compilation, which its caller shows
    // through the presenter (beginCompilation, showCompilation); the transfer
    // window's Download then writes the program.
    void ReadProgramButtonClick();
    // The program was edited: it is no longer the one compiled, so Download waits
    // for the next compilation.
    void programChanged();
    void TimerTimer() { transfer_.TimerTimer(); }
    TransferWindow& FKompilacja() { return transferWindow_; }

    // After a successful write, read the program back and compare (the transfer
    // window's option; off unless chosen).
    void setVerifyAfterWrite(bool on) { transfer_.setVerifyAfterWrite(on); }
    bool verifyAfterWrite() const { return transfer_.verifyAfterWrite(); }

    // Transfer state, for views and tests.
    TransferKind transferKind() const { return transfer_.kind(); }
    // The latest transfer that ended, and how.
    const std::optional<TransferOutcome>& lastOutcome() const { return transfer_.lastOutcome(); }
    bool stopAvailable() const { return presenter_.stopAvailable(); }
    bool downloadAvailable() const { return presenter_.downloadAvailable(); }
    bool closePermission() const { return presenter_.closePermission(); }
    bool writeDirection() const { return presenter_.writeDirection(); }
    bool windowsLocked() const { return presenter_.windowsLocked(); }
    std::uint32_t tenths() const { return transfer_.tenths(); }

    Timer& UsbTimer() { return sessions_.UsbTimer(); }
    Timer& TimeoutTimer() { return sessions_.TimeoutTimer(); }
    Timer& TransferTimer() { return sessions_.TransferTimer(); }  // the station's `Timer`
    Timer& MotorViewTimer() { return sessions_.MotorViewTimer(); }
    Timer& InputViewTimer() { return sessions_.InputViewTimer(); }

  private:
    friend class TransferWindow;

    void DownloadButtonClick();
    void transferStop();
    void transferClose();

    ProgramModel& model_;
    MainWindowView& main_;
    DeviceSessions sessions_;
    ControllerChannel& channel_;
    ProgramTransfer& transfer_;
    ControllerCommands& commands_;
    StationPresenter presenter_;
    TransferWindow transferWindow_{*this};
};

}  // namespace rv720
