#include "device/device_station.h"

#include "device/codes.h"
#include "device/replies.h"

namespace rv720 {

DeviceStation::DeviceStation(FtdiApi& ftdi, TimerFactory& timers, Clock& clock, ProgramModel& model,
                             MainWindowView& mainView, TransferView& transferView,
                             MonitorView& monitorView)
    : clock_(clock),
      model_(model),
      main_(mainView),
      transfer_(transferView),
      monitor_(monitorView),
      usbTimer_(timers.create(1)),
      timeoutTimer_(timers.create(700)),
      transferTimer_(timers.create(100)),
      motorViewTimer_(timers.create(100)),
      inputViewTimer_(timers.create(100)),
      link_(ftdi, *usbTimer_, *timeoutTimer_, *this) {
    usbTimer_->setHandler([this] { UsbTimerTimer(); });
    timeoutTimer_->setHandler([this] { TimeoutTimerTimer(); });
    transferTimer_->setHandler([this] { TimerTimer(); });
    motorViewTimer_->setHandler([this] { MotorViewTimerTimer(); });
    inputViewTimer_->setHandler([this] { InputViewTimerTimer(); });
}

DeviceStation::~DeviceStation() {
    // Handlers capture this; a timer that outlived us must not call back.
    for (auto* t : {usbTimer_.get(), timeoutTimer_.get(), transferTimer_.get(),
                    motorViewTimer_.get(), inputViewTimer_.get()}) {
        t->stop();
        t->setHandler({});
    }
}

bool DeviceStation::connectedOrReport() {
    if (connected()) return true;
    main_.AddStatusLine("No connection");
    return false;
}

void DeviceStation::sendToController(std::uint8_t code) {
    const std::uint8_t target = kTarget;
    link_.SendCommand(code, {&target, 1});
}

// ---- link ------------------------------------------------------------------

void DeviceStation::ConnectButtonClick() {
    if (connected()) return;
    link_.OpenLink();
    main_.RepeatNewestStatusLine();
}

void DeviceStation::DisconnectButtonClick() {
    motorViewTimer_->stop();
    inputViewTimer_->stop();
    link_.CloseLink();
    main_.AddStatusLine("Connection was finished");
}

void DeviceStation::connectionIndicatorChanged(bool lit) {
    main_.setIndicator(Indicator::led_usb, lit);
    if (lit) return;
    main_.setIndicator(Indicator::led_prog, false);
    // Without a link there is no run to follow: led_prog is out, the flag follows
    // it (so the next running frame after a reconnection lights it again), and the
    // editing look returns, whichever way the link went down (also after a run
    // request that was never answered, whose run-mode look would hide Connect).
    programRunning_ = false;
    main_.ShowEditingControls();
}

void DeviceStation::linkLost() {
    for (auto w :
         {Window::FPodgladSilniki, Window::FPodgladWejscia, Window::FKompilacja, Window::FLog})
        main_.setWindowVisible(w, false);
    timeoutTimer_->stop();
    abandonTransfer();
    if (windowsLocked_) unlockWindows();
}

void DeviceStation::abandonTransfer() {
    if (!windowsLocked_) return;
    // A transfer cannot go on without the link: its clock stops and the transfer
    // window may be closed again; the caller gives the windows back.
    transferTimer_->stop();
    closePermission_ = true;
}

// ---- protocol --------------------------------------------------------------

void DeviceStation::TimeoutTimerTimer() {
    const auto retries = link_.countTimeout();
    if (retries >= 3) {
        timeoutTimer_->stop();
        motorViewTimer_->stop();
        inputViewTimer_->stop();
        link_.CloseLink();
        abandonTransfer();
        unlockWindows();
        for (auto w : {Window::FPodgladSilniki, Window::FPodgladWejscia, Window::FLog})
            main_.setWindowVisible(w, false);
        main_.AddStatusLine("Device is not response");
    } else if (connected()) {
        link_.resendTransmitFrame();
        main_.AddStatusLine("Again data transmission - " + std::to_string(retries));
    } else {
        main_.AddStatusLine("No connection");
    }
}

void DeviceStation::followRunningFlag(std::uint8_t status) {
    if (status == 1 && !programRunning_) {
        main_.setIndicator(Indicator::led_prog, true);
        main_.setWindowVisible(Window::FSterowanie, false);
        main_.HideEditingControls();
        programRunning_ = true;
    } else if (status != 1 && programRunning_) {
        main_.setIndicator(Indicator::led_prog, false);
        programRunning_ = false;
        main_.ShowEditingControls();
    }
}

void DeviceStation::dispatchFrame(std::span<const std::uint8_t> frame) {
    timeoutTimer_->stop();
    followRunningFlag(frameStatus(frame));
    const std::string motor = std::to_string(frameTarget(frame));
    switch (frameCode(frame)) {
        case reply::MotorState:
            if (auto state = decodeMotorReply(frame)) monitor_.showMotorState(*state);
            motorViewTimer_->start();
            break;
        case reply::IoState:
            showIoReply(frame);
            inputViewTimer_->start();
            break;
        case reply::OutputsSet:
            main_.AddStatusLine("Outputs updated");
            break;
        case reply::WorkModeSet:
            main_.AddStatusLine("Work mode for motor " + motor + " set");
            break;
        case reply::VMinSet:
            main_.AddStatusLine("Minimum velocity " + motor + " set");
            break;
        case reply::VMaxSet:
            main_.AddStatusLine("Maximum velocity " + motor + " set");
            break;
        case reply::AMaxSet:
            main_.AddStatusLine("Acceleration " + motor + " set");
            break;
        case reply::VDestSet:
            main_.AddStatusLine("Destination velocity " + motor + " set");
            break;
        case reply::XDestSet:
        case reply::StepUpSet:
        case reply::StepDownSet:
            main_.AddStatusLine("Destination position " + motor + " set");
            break;
        case reply::Connected:
            main_.AddStatusLine("Connection successful");
            break;
        case reply::FirmwareVersion:
            if (auto version = decodeFirmwareVersion(frame)) monitor_.showFirmwareVersion(*version);
            break;
        case reply::Message:
            if (frame.size() >= 11) monitor_.showUsbMessage(decodeMessage(frame));
            break;
        case reply::ExecutedLine:
            if (auto line = decodeExecutedLine(frame)) main_.selectExecutedLine(*line);
            break;
        case reply::RecordStored:
            onRecordStored();
            break;
        case reply::TransferEnded:
            unlockWindows();
            break;
        case reply::ReadHeader:
            onReadHeader(frame);
            break;
        case reply::ReadRecord:
            onReadRecord(frame);
            break;
        case reply::FirmwareAccepted:
            onFirmwareAccepted();
            break;
        case reply::FirmwareFileRequested:
            onFirmwareFileRequested();
            break;
        case reply::FirmwareDone:
            onFirmwareEnded(true);
            break;
        case reply::FirmwareFailed:
            onFirmwareEnded(false);
            break;
        default:
            break;  // only the common steps above
    }
}

void DeviceStation::PlayProgramButtonClick() {
    if (!connectedOrReport()) return;
    sendToController(cmd::Run);
    if (!connected()) return;  // the request failed and took the link with it
    for (auto w :
         {Window::FKompilacja, Window::FParametrLiczbowy, Window::FSterowanie, Window::FPass})
        main_.setWindowVisible(w, false);
    main_.HideEditingControls();
}

void DeviceStation::StopProgramButtonClick() {
    if (connectedOrReport()) sendToController(cmd::Stop);
    main_.ShowEditingControls();
}

void DeviceStation::StopButtonClick() {
    StopProgramButtonClick();
}

void DeviceStation::SpeedButton1Click() {
    if (connectedOrReport()) sendToController(cmd::Reset);
}

// ---- about and password windows --------------------------------------------

void DeviceStation::InfoButtonClick() {
    monitor_.showFirmwareVersion("* * * * *");
    if (connected()) sendToController(cmd::FirmwareVersion);
    main_.setWindowVisible(Window::FInfo, true);
}

void DeviceStation::SpeedButton2Click() {
    if (connectedOrReport()) main_.setWindowVisible(Window::FPass, true);
}

bool DeviceStation::PassOkButtonClick(const std::string& entry) {
    if (entry != kFirmwarePassword) {
        main_.AddStatusLine("Wrong password");
        return false;
    }
    // The connection was tested when the window opened; SendCommand sends nothing
    // on a link lost since.
    sendToController(cmd::FirmwareUpdate);
    main_.setWindowVisible(Window::FPass, false);
    return true;
}

// ---- monitor windows -------------------------------------------------------

void DeviceStation::ViweMotorButtonClick() {
    if (!connectedOrReport()) return;
    main_.setWindowVisible(Window::FPodgladSilniki, true);
    motorViewTimer_->start();
}

void DeviceStation::WiewIoButtonClick() {
    if (!connectedOrReport()) return;
    main_.setWindowVisible(Window::FPodgladWejscia, true);
    inputViewTimer_->start();
}

void DeviceStation::ViewUsbButtonClick() {
    if (connectedOrReport()) main_.setWindowVisible(Window::FLog, true);
}

// One request per tick at most; the reply re-arms the timer, so requests leave
// 100 ms after the previous answer and never pile up.
void DeviceStation::MotorViewTimerTimer() {
    if (main_.isWindowVisible(Window::FPodgladSilniki) && connected())
        sendToController(cmd::MotorState);
    motorViewTimer_->stop();
}

void DeviceStation::InputViewTimerTimer() {
    if (main_.isWindowVisible(Window::FPodgladWejscia) && connected())
        sendToController(cmd::IoState);
    inputViewTimer_->stop();
}

void DeviceStation::closeMotorView() {
    motorViewTimer_->stop();
    main_.setWindowVisible(Window::FPodgladSilniki, false);
}

void DeviceStation::closeInputView() {
    main_.setWindowVisible(Window::FPodgladWejscia, false);
    inputViewTimer_->stop();
}

void DeviceStation::showIoReply(std::span<const std::uint8_t> frame) {
    const auto on = decodeLamps(frame);
    if (!on) return;
    IoState state;
    state.on = *on;
    bool any = false;
    for (int k = 0; k < kLampCount; ++k) {
        state.changed[k] = state.on[k] != lamps_[k];
        any = any || state.changed[k];
    }
    lamps_ = state.on;
    if (any) monitor_.showIoState(state);
}

}  // namespace rv720
