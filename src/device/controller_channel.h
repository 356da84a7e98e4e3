#pragma once
// The one conversation with the controller: the link, the reply timeout around it,
// the pairing of every reply with the command it answers, and the controller's
// running flag. The two sessions (ProgramTransfer, ControllerCommands) send
// through it and hear every frame; an observer (the station's presenter) hears
// what happens to the link.
//
// Timers: UsbTimer 1 ms polls the receive queue while the link expects bytes (the
// link also sleeps on a waker where the platform has one); TimeoutTimer 700 ms
// re-sends an unanswered command twice and closes the link on the third expiry.
//
// Replies carry no request number, so the channel pairs them itself: the command
// sent last is the outstanding one, and only its reply (the same code, the same
// motor for a motor command, the same index for a record request, or a refusal
// naming its code) stops the reply timeout, and only the session that sent it is
// told that the frame answers it. Frames the controller sends on its own (executed
// line, program messages, the end of a run, a monitor reply that was overtaken)
// are passed on as always but answer nothing, so a lost reply is still re-sent.
// Every frame carries the controller's running flag (1 while its stored program
// executes); the channel follows it.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "device/usb_link.h"
#include "protocol/codes.h"
#include "protocol/ftdi_api.h"
#include "support/timer.h"

namespace rv720 {

// How the link ended for the sessions: lost (a status query or write failed),
// no answer (the reply timeout gave up and closed it), or closed by the operator.
enum class LinkEnd { Lost, NoAnswer, Closed };

// What happens to the link, for whoever shows it.
class ChannelObserver {
  public:
    virtual ~ChannelObserver() = default;
    // The link's own status lines ("Connection successful", "Can't find USB
    // device", "Connection finished", why a device cannot be opened).
    virtual void linkStatus(const std::string& text) = 0;
    // The connection indicator: lit while connected.
    virtual void connectionChanged(bool lit) = 0;
    // A status query or write failed while open: the link is going down. Comes
    // before the sessions hear of it.
    virtual void linkLost() = 0;
    // The link ended, after the sessions have ended what it carried.
    virtual void linkEnded(LinkEnd how) = 0;
    // The reply timeout sent the outstanding command again (attempt 1 or 2).
    virtual void retrying(int attempt) = 0;
    // Something was to be sent, or the timeout expired, without a link.
    virtual void notConnected() = 0;
    // The controller's program started (true) or ended (false).
    virtual void runningChanged(bool running) = 0;
};

// A session on the channel.
class ChannelSession {
  public:
    virtual ~ChannelSession() = default;
    // A frame that belongs to an exchange already ended: true takes it, and nothing
    // else hears of it.
    virtual bool takesLateReply(FrameView) { return false; }
    // Every verified frame; `answer`: it answers the command this session sent last.
    virtual void onFrame(FrameView frame, bool answer) = 0;
    // The command this session sent last will not be answered: the link went down.
    virtual void onRequestLost(LinkEnd) {}
    // The connection indicator went out: nothing sent before can be answered now.
    virtual void onLinkDown() {}
    // The link was lost, stopped answering or was closed by the operator.
    virtual void onLinkEnded(LinkEnd) {}
};

class ControllerChannel final : private LinkEvents {
  public:
    // A command whose reply is awaited: its code, target and record index (record
    // requests only).
    struct Request {
        protocol::CommandCode code{};
        std::uint8_t target = 0;
        int index = -1;
    };

    ControllerChannel(FtdiApi& ftdi, Timer& usbTimer, Timer& timeoutTimer,
                      std::unique_ptr<Waker> waker);
    ~ControllerChannel() override;
    ControllerChannel(const ControllerChannel&) = delete;
    ControllerChannel& operator=(const ControllerChannel&) = delete;

    // Null: nobody is told.
    void setObserver(ChannelObserver* observer);
    // Sessions hear frames in the order they were attached.
    void attach(ChannelSession& session) { sessions_.push_back(&session); }

    // Opens the link (nothing happens while it is open).
    void open();
    // The operator closes the link: whatever it carried ends.
    void disconnect();
    // Closes the link as the protocol asks (the end of a firmware update).
    void close() { link_.CloseLink(); }
    bool connected() const { return link_.connected(); }
    // True when connected; otherwise tells the observer.
    bool connectedOrReport();

    // Sends a command from `from` and makes it the outstanding one.
    void send(const protocol::Message& command, ChannelSession& from);
    // Writes a ready-made frame as it is, with no reply awaited.
    void writeFrame(const Frame& frame) { link_.writeTransmitFrame(frame); }
    void writeRaw(std::uint8_t byte) { link_.WriteRaw(&byte, 1); }
    // No reply may be dispatched while a firmware image streams out.
    void holdReceiving() { usbTimer_.stop(); }
    void resumeReceiving() { usbTimer_.start(); }

    // A command is waiting for its reply (the reply timeout runs).
    bool awaitingReply() const { return outstanding_.has_value(); }
    const std::optional<Request>& outstanding() const { return outstanding_; }
    // How often the outstanding command was sent again.
    int retryCounter() const { return link_.retryCounter(); }
    bool programRunning() const { return programRunning_; }

    void UsbTimerTimer() { link_.UsbTimerTimer(); }
    void TimeoutTimerTimer();

    UsbLink& link() { return link_; }
    const UsbLink& link() const { return link_; }

  private:
    // LinkEvents
    void AddStatusLine(const std::string& text) override;
    void connectionIndicatorChanged(bool lit) override;
    void linkLost() override;
    void dispatchFrame(std::span<const std::uint8_t> frame) override;

    bool answersOutstanding(FrameView frame) const;
    void followRunningFlag(std::uint8_t status);
    void ended(LinkEnd how);

    Timer& usbTimer_;
    Timer& timeoutTimer_;
    UsbLink link_;
    ChannelObserver* observer_ = nullptr;
    std::vector<ChannelSession*> sessions_;
    std::optional<Request> outstanding_;
    ChannelSession* owner_ = nullptr;  // the session that sent the outstanding command
    LinkEnd closing_ = LinkEnd::Lost;  // why the link is going down, while it does
    bool programRunning_ = false;
};

}  // namespace rv720
