#include "device/controller_commands.h"

#include "device/program_transfer.h"
#include "protocol/commands.h"

namespace rv720 {

using protocol::CommandCode;
using protocol::ReplyCode;

bool IoState::anyChanged() const {
    for (bool c : changed)
        if (c) return true;
    return false;
}

ControllerCommands::ControllerCommands(ControllerChannel& channel, const ProgramTransfer& transfer,
                                       Timer& motorViewTimer, Timer& inputViewTimer)
    : channel_(channel),
      transfer_(transfer),
      motorTimer_(motorViewTimer),
      ioTimer_(inputViewTimer) {}

ControllerCommands::~ControllerCommands() = default;

bool ControllerCommands::sendCommand(const protocol::Message& command) {
    const auto code = CommandCode(command.code);
    if (!channel_.connected()) {
        tell([&](CommandsObserver& o) { o.commandFailed(code, CommandError::NoConnection); });
        return false;
    }
    pending_ = code;
    channel_.send(command, *this);
    return channel_.connected();
}

bool ControllerCommands::run() {
    return sendCommand(protocol::command(CommandCode::Run));
}

bool ControllerCommands::stop() {
    return sendCommand(protocol::command(CommandCode::Stop));
}

bool ControllerCommands::reset() {
    return sendCommand(protocol::command(CommandCode::Reset));
}

bool ControllerCommands::requestVersion() {
    return sendCommand(protocol::command(CommandCode::FirmwareVersion));
}

bool ControllerCommands::send(const protocol::Message& command) {
    return sendCommand(command);
}

// ---- monitors ------------------------------------------------------------------

void ControllerCommands::startMonitor(Monitor monitor) {
    watching_[std::size_t(monitor)] = true;
    timerOf(monitor).start();
}

void ControllerCommands::stopMonitor(Monitor monitor) {
    watching_[std::size_t(monitor)] = false;
    timerOf(monitor).stop();
}

bool ControllerCommands::wanted(Monitor monitor) const {
    return wanted_ ? wanted_(monitor) : watching_[std::size_t(monitor)];
}

// One request per tick at most; the reply re-arms the timer, so requests leave
// 100 ms after the previous answer and never pile up. During a transfer the timer
// keeps ticking without asking: a request would replace the transfer's.
void ControllerCommands::tick(Monitor monitor) {
    if (transfer_.running()) return;
    if (wanted(monitor) && channel_.connected())
        sendCommand(protocol::command(monitor == Monitor::Motors ? CommandCode::MotorState
                                                                 : CommandCode::IoState));
    timerOf(monitor).stop();
}

// ---- replies -------------------------------------------------------------------

void ControllerCommands::onFrame(FrameView frame, bool answer) {
    const auto code = ReplyCode(frame.code());
    switch (code) {
        case ReplyCode::MotorState:
            if (auto state = protocol::decodeMotorState(frame))
                tell([&](CommandsObserver& o) { o.motorState(*state); });
            motorTimer_.start();
            break;
        case ReplyCode::IoState:
            showIoReply(frame);
            ioTimer_.start();
            break;
        case ReplyCode::OutputsSet:
        case ReplyCode::WorkModeSet:
        case ReplyCode::VMinSet:
        case ReplyCode::VMaxSet:
        case ReplyCode::AMaxSet:
        case ReplyCode::VDestSet:
        case ReplyCode::XDestSet:
        case ReplyCode::StepUpSet:
        case ReplyCode::StepDownSet:
        case ReplyCode::Connected:
            tell([&](CommandsObserver& o) { o.acknowledged(code, frame.target()); });
            break;
        case ReplyCode::FirmwareVersion:
            if (auto version = protocol::decodeFirmwareVersion(frame))
                tell([&](CommandsObserver& o) { o.firmwareVersion(*version); });
            break;
        case ReplyCode::UsbMessage:
            if (auto message = protocol::decodeUsbMessage(frame))
                tell([&](CommandsObserver& o) { o.usbMessage(*message); });
            break;
        case ReplyCode::ExecutedLine:
            if (auto line = protocol::decodeExecutedLine(frame))
                tell([&](CommandsObserver& o) { o.executedLine(*line); });
            break;
        default:
            break;  // the program transfer's business
    }
    if (!answer || !pending_) return;
    const CommandCode sent = *pending_;
    pending_.reset();
    if (code == ReplyCode::Refused) {
        tell([&](CommandsObserver& o) { o.commandFailed(sent, CommandError::Refused); });
        return;
    }
    CommandResult result{sent, frame.status() == 1, std::nullopt};
    if (sent == CommandCode::FirmwareVersion)
        result.version = protocol::decodeFirmwareVersion(frame);
    tell([&](CommandsObserver& o) { o.commandFinished(result); });
}

void ControllerCommands::showIoReply(FrameView frame) {
    const auto on = protocol::decodeLamps(frame);
    if (!on) return;
    IoState state;
    state.on = *on;
    for (int k = 0; k < kLampCount; ++k)
        state.changed[k] = state.on[k] != lamps_[k];
    lamps_ = state.on;
    tell([&](CommandsObserver& o) { o.ioState(state); });
}

void ControllerCommands::onRequestLost(LinkEnd how) {
    if (!pending_) return;
    const CommandCode sent = *pending_;
    pending_.reset();
    const CommandError error =
        how == LinkEnd::NoAnswer ? CommandError::NoAnswer : CommandError::LinkLost;
    tell([&](CommandsObserver& o) { o.commandFailed(sent, error); });
}

void ControllerCommands::onLinkEnded(LinkEnd how) {
    // The monitors stop when the operator disconnects or the controller stopped
    // answering; a lost link stops them at their next tick.
    if (how == LinkEnd::Lost) return;
    motorTimer_.stop();
    ioTimer_.stop();
}

}  // namespace rv720
