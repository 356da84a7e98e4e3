#include "device/controller_channel.h"

#include "protocol/commands.h"
#include "protocol/replies.h"

namespace rv720 {

using protocol::CommandCode;
using protocol::ReplyCode;

namespace {

class Unobserved final : public ChannelObserver {
  public:
    void linkStatus(const std::string&) override {}
    void connectionChanged(bool) override {}
    void linkLost() override {}
    void linkEnded(LinkEnd) override {}
    void retrying(int) override {}
    void notConnected() override {}
    void runningChanged(bool) override {}
};

Unobserved unobserved;

}  // namespace

ControllerChannel::ControllerChannel(FtdiApi& ftdi, Timer& usbTimer, Timer& timeoutTimer,
                                     std::unique_ptr<Waker> waker)
    : usbTimer_(usbTimer),
      timeoutTimer_(timeoutTimer),
      link_(ftdi, usbTimer, timeoutTimer, *this, std::move(waker)),
      observer_(&unobserved) {}

ControllerChannel::~ControllerChannel() = default;

void ControllerChannel::setObserver(ChannelObserver* observer) {
    observer_ = observer ? observer : &unobserved;
}

void ControllerChannel::open() {
    if (connected()) return;
    link_.OpenLink();
}

void ControllerChannel::disconnect() {
    closing_ = LinkEnd::Closed;
    link_.CloseLink();
    closing_ = LinkEnd::Lost;
    ended(LinkEnd::Closed);
}

bool ControllerChannel::connectedOrReport() {
    if (connected()) return true;
    observer_->notConnected();
    return false;
}

void ControllerChannel::send(const protocol::Message& command, ChannelSession& from) {
    if (!connected()) return;
    const Frame frame = protocol::toFrame(command);
    const FrameView sent(frame.view());
    Request request{CommandCode(command.code), sent.target()};
    if (request.code == CommandCode::ReadRecord)
        if (const auto index = protocol::decodeReadRecordIndex(sent)) request.index = *index;
    // Set first: a send that fails takes the link, and the request, with it.
    outstanding_ = request;
    owner_ = &from;
    link_.SendCommand(command.code, command.data());
    if (!connected()) {
        outstanding_.reset();
        owner_ = nullptr;
    }
}

bool ControllerChannel::answersOutstanding(FrameView frame) const {
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

void ControllerChannel::followRunningFlag(std::uint8_t status) {
    if (status == 1 && !programRunning_) {
        programRunning_ = true;
        observer_->runningChanged(true);
    } else if (status != 1 && programRunning_) {
        programRunning_ = false;
        observer_->runningChanged(false);
    }
}

// ---- the link's events ---------------------------------------------------------

void ControllerChannel::AddStatusLine(const std::string& text) {
    observer_->linkStatus(text);
}

void ControllerChannel::connectionIndicatorChanged(bool lit) {
    observer_->connectionChanged(lit);
    if (lit) return;
    // Without a link there is no run to follow: the flag follows the indicator, so
    // the next running frame after a reconnection is news again.
    programRunning_ = false;
    ChannelSession* owner = owner_;
    outstanding_.reset();  // nothing can answer it now
    owner_ = nullptr;
    if (owner) owner->onRequestLost(closing_);
    for (ChannelSession* session : sessions_)
        session->onLinkDown();
}

void ControllerChannel::linkLost() {
    observer_->linkLost();
    timeoutTimer_.stop();
    ended(LinkEnd::Lost);
}

void ControllerChannel::ended(LinkEnd how) {
    for (ChannelSession* session : sessions_)
        session->onLinkEnded(how);
    observer_->linkEnded(how);
}

void ControllerChannel::TimeoutTimerTimer() {
    const auto retries = link_.countTimeout();
    if (retries >= 3) {
        timeoutTimer_.stop();
        closing_ = LinkEnd::NoAnswer;
        link_.CloseLink();
        closing_ = LinkEnd::Lost;
        outstanding_.reset();
        owner_ = nullptr;
        ended(LinkEnd::NoAnswer);
    } else if (connected()) {
        link_.resendTransmitFrame();
        observer_->retrying(retries);
    } else {
        observer_->notConnected();
    }
}

void ControllerChannel::dispatchFrame(std::span<const std::uint8_t> bytes) {
    const FrameView frame(bytes);
    for (ChannelSession* session : sessions_)
        if (session->takesLateReply(frame)) {
            followRunningFlag(frame.status());
            return;
        }
    ChannelSession* answered = nullptr;
    if (answersOutstanding(frame)) {
        timeoutTimer_.stop();
        answered = owner_;
        outstanding_.reset();
        owner_ = nullptr;
    }
    followRunningFlag(frame.status());
    for (ChannelSession* session : sessions_)
        session->onFrame(frame, session == answered);
}

}  // namespace rv720
