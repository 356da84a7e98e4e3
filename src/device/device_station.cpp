#include "device/device_station.h"

#include "protocol/commands.h"
#include "protocol/replies.h"

namespace rv720 {

using protocol::CommandCode;
using protocol::ReplyCode;

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
      link_(ftdi, *usbTimer_, *timeoutTimer_, *this, timers.createWaker()) {
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

void DeviceStation::sendToController(CommandCode code) {
    sendCommand(protocol::command(code));
}

void DeviceStation::sendCommand(const protocol::Message& command) {
    if (!connected()) return;
    const Frame frame = protocol::toFrame(command);
    const FrameView sent(frame.view());
    Request request{CommandCode(command.code), sent.target()};
    if (request.code == CommandCode::ReadRecord)
        if (const auto index = protocol::decodeReadRecordIndex(sent)) request.index = *index;
    // Set first: a send that fails takes the link, and the request, with it.
    outstanding_ = request;
    link_.SendCommand(command.code, command.data());
    if (!connected()) outstanding_.reset();
}

// A read that was stopped may still be answered, once for its request and once
// for every re-send of it, and on a serial line those replies come before
// anything a later read is answered with. They carry nothing that tells the two
// apart, so the first header or record replies of that kind are the ended read's.
// One lost on the way costs a later read one genuine reply instead, which the
// reply timeout then asks for again: slower, never wrong.
void DeviceStation::owe(ReplyCode code, int count) {
    owedByEnded_.push_back({code, count});
    if (owedByEnded_.size() > kMaxOwed) owedByEnded_.pop_front();
}

bool DeviceStation::owedByEndedRead(ReplyCode code) {
    for (auto it = owedByEnded_.begin(); it != owedByEnded_.end(); ++it) {
        if (it->code != code) continue;
        if (--it->count == 0) owedByEnded_.erase(it);
        return true;
    }
    return false;
}

bool DeviceStation::answersOutstanding(FrameView frame) const {
    if (!outstanding_) return false;
    const Request& r = *outstanding_;
    const auto code = ReplyCode(frame.code());
    if (code == ReplyCode::Refused)
        return protocol::decodeRefusedCode(frame) == protocol::byteOf(r.code);
    if (code != protocol::answerTo(r.code)) return false;
    if (protocol::isMotorCommand(r.code)) return frame.target() == r.target;
    if (r.code == CommandCode::ReadRecord) {
        const auto record = protocol::decodeReadRecord(frame);
        return record && record->index == r.index;
    }
    return true;
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
    // Not reachable from the locked windows, but a transfer must not outlive its link.
    abandonTransfer(TransferResult::LinkLost);
    if (windowsLocked_) unlockWindows();
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
    outstanding_.reset();  // nothing can answer it now
    owedByEnded_.clear();  // nor what an ended read still owed
}

void DeviceStation::linkLost() {
    for (auto w :
         {Window::FPodgladSilniki, Window::FPodgladWejscia, Window::FKompilacja, Window::FLog})
        main_.setWindowVisible(w, false);
    timeoutTimer_->stop();
    abandonTransfer(TransferResult::LinkLost);
    if (windowsLocked_) unlockWindows();
}

// ---- protocol --------------------------------------------------------------

void DeviceStation::TimeoutTimerTimer() {
    const auto retries = link_.countTimeout();
    if (retries >= 3) {
        timeoutTimer_->stop();
        motorViewTimer_->stop();
        inputViewTimer_->stop();
        link_.CloseLink();
        outstanding_.reset();
        abandonTransfer(TransferResult::NoAnswer);
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

void DeviceStation::dispatchFrame(std::span<const std::uint8_t> bytes) {
    const FrameView frame(bytes);
    const auto code = ReplyCode(frame.code());
    if (staleAck_ && code == ReplyCode::RecordStored) {
        staleAck_ = false;  // a stopped write's, not this write's
        followRunningFlag(frame.status());
        return;
    }
    if ((code == ReplyCode::ReadHeader || code == ReplyCode::ReadRecord) && owedByEndedRead(code)) {
        followRunningFlag(frame.status());
        return;
    }
    const bool answer = answersOutstanding(frame);
    if (answer) {
        timeoutTimer_->stop();
        outstanding_.reset();
    }
    followRunningFlag(frame.status());
    const std::string motor = std::to_string(frame.target());
    switch (code) {
        case ReplyCode::MotorState:
            if (auto state = protocol::decodeMotorState(frame)) monitor_.showMotorState(*state);
            motorViewTimer_->start();
            break;
        case ReplyCode::IoState:
            showIoReply(frame);
            inputViewTimer_->start();
            break;
        case ReplyCode::OutputsSet:
            main_.AddStatusLine("Outputs updated");
            break;
        case ReplyCode::WorkModeSet:
            main_.AddStatusLine("Work mode for motor " + motor + " set");
            break;
        case ReplyCode::VMinSet:
            main_.AddStatusLine("Minimum velocity " + motor + " set");
            break;
        case ReplyCode::VMaxSet:
            main_.AddStatusLine("Maximum velocity " + motor + " set");
            break;
        case ReplyCode::AMaxSet:
            main_.AddStatusLine("Acceleration " + motor + " set");
            break;
        case ReplyCode::VDestSet:
            main_.AddStatusLine("Destination velocity " + motor + " set");
            break;
        case ReplyCode::XDestSet:
        case ReplyCode::StepUpSet:
        case ReplyCode::StepDownSet:
            main_.AddStatusLine("Destination position " + motor + " set");
            break;
        case ReplyCode::Connected:
            main_.AddStatusLine("Connection successful");
            break;
        case ReplyCode::FirmwareVersion:
            if (auto version = protocol::decodeFirmwareVersion(frame))
                monitor_.showFirmwareVersion(version->text());
            break;
        case ReplyCode::UsbMessage:
            if (auto message = protocol::decodeUsbMessage(frame)) monitor_.showUsbMessage(*message);
            break;
        case ReplyCode::ExecutedLine:
            if (auto line = protocol::decodeExecutedLine(frame)) main_.selectExecutedLine(*line);
            break;
        case ReplyCode::Refused:
            if (answer) onRefused(CommandCode(*protocol::decodeRefusedCode(frame)));
            break;
        case ReplyCode::RecordStored:
            onRecordStored(answer);
            break;
        case ReplyCode::TransferEnded:
            staleAck_ = false;  // anything a stopped write still owed came before
            if (answer) onTransferEndConfirmed();
            break;
        case ReplyCode::ReadHeader:
            if (answer) onReadHeader(frame);
            break;
        case ReplyCode::ReadRecord:
            if (answer) onReadRecord(frame);
            break;
        case ReplyCode::FirmwareAccepted:
            if (answer && firmwareStep_ == FirmwareStep::Requested) onFirmwareAccepted();
            break;
        case ReplyCode::FirmwareFileRequested:
            if (firmwareStep_ == FirmwareStep::Confirmed) onFirmwareFileRequested();
            break;
        case ReplyCode::FirmwareDone:
        case ReplyCode::FirmwareFailed:
            if (firmwareStep_ == FirmwareStep::Streamed)
                onFirmwareEnded(code == ReplyCode::FirmwareDone);
            break;
        default:
            break;  // only the common steps above
    }
}

void DeviceStation::PlayProgramButtonClick() {
    if (!connectedOrReport()) return;
    sendToController(CommandCode::Run);
    if (!connected()) return;  // the request failed and took the link with it
    for (auto w :
         {Window::FKompilacja, Window::FParametrLiczbowy, Window::FSterowanie, Window::FPass})
        main_.setWindowVisible(w, false);
    main_.HideEditingControls();
}

void DeviceStation::StopProgramButtonClick() {
    if (connectedOrReport()) sendToController(CommandCode::Stop);
    main_.ShowEditingControls();
}

void DeviceStation::StopButtonClick() {
    StopProgramButtonClick();
}

void DeviceStation::SpeedButton1Click() {
    if (connectedOrReport()) sendToController(CommandCode::Reset);
}

// ---- about and password windows --------------------------------------------

void DeviceStation::InfoButtonClick() {
    monitor_.showFirmwareVersion("* * * * *");
    if (connected()) sendToController(CommandCode::FirmwareVersion);
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
    // The password window is locked while a write or read runs; an update started
    // anyway (a caller without windows) would take that transfer's place and leave
    // it, and the windows, hanging.
    if (windowsLocked_) return false;
    // The connection was tested when the window opened; SendCommand sends nothing
    // on a link lost since.
    sendToController(CommandCode::FirmwareUpdate);
    if (awaitingReply()) {
        transferKind_ = TransferKind::Firmware;
        firmwareStep_ = FirmwareStep::Requested;
    }
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
// 100 ms after the previous answer and never pile up. During a transfer the timer
// keeps ticking without asking: a request would replace the transfer's.
void DeviceStation::MotorViewTimerTimer() {
    if (monitorsWait()) return;
    if (main_.isWindowVisible(Window::FPodgladSilniki) && connected())
        sendToController(CommandCode::MotorState);
    motorViewTimer_->stop();
}

void DeviceStation::InputViewTimerTimer() {
    if (monitorsWait()) return;
    if (main_.isWindowVisible(Window::FPodgladWejscia) && connected())
        sendToController(CommandCode::IoState);
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

void DeviceStation::showIoReply(FrameView frame) {
    const auto on = protocol::decodeLamps(frame);
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
