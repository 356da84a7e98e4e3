#pragma once
// The controller's commands outside a transfer: run, stop, reset, the firmware
// version, the direct commands (outputs, work modes, limits, set velocities and
// positions), and the two monitors that poll the motor and I/O state. A session
// on the controller channel that reports typed events and knows nothing of
// windows.
//
// Every command sent here is one request; its answer finishes it (run: with the
// controller's running flag), a refusal naming it or the end of the link fails it.
// Reports come whenever the controller sends them, answered or not: motor and I/O
// states, the firmware version, program messages, the executed line, and the
// acknowledgements of outputs, motor settings and the connection check.
//
// Monitors: MotorViewTimer and InputViewTimer 100 ms pace the requests, one
// outstanding at a time, re-armed by the reply; while a transfer runs they tick
// without asking, so their requests never replace the transfer's.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "device/controller_channel.h"
#include "protocol/replies.h"
#include "support/timer.h"

namespace rv720 {

class ProgramTransfer;

using protocol::kLampCount;
using protocol::MotorState;

// The seventeen lamps: outputs 1..7, relays 1..2, inputs 1..6, RUN, STOP.
struct IoState {
    std::array<bool, kLampCount> on{};
    std::array<bool, kLampCount> changed{};  // since the previous report
    bool anyChanged() const;
    friend bool operator==(const IoState&, const IoState&) = default;
};

enum class Monitor { Motors, Io };

// Why a command was not answered.
enum class CommandError {
    NoConnection,  // there was no link: nothing was sent
    Refused,       // the controller refused it
    NoAnswer,      // the reply timeout gave up
    LinkLost,      // the link went down, or the operator closed it
};

// The answer to a command.
struct CommandResult {
    protocol::CommandCode command{};
    bool running = false;                              // the answer's running flag
    std::optional<protocol::FirmwareVersion> version;  // the version request's
};

class CommandsObserver {
  public:
    virtual ~CommandsObserver() = default;
    // Outputs set, a motor's setting set (target: the motor), the connection
    // confirmed.
    virtual void acknowledged(protocol::ReplyCode, std::uint8_t /*target*/) {}
    virtual void motorState(const MotorState&) {}
    virtual void ioState(const IoState&) {}
    virtual void firmwareVersion(const protocol::FirmwareVersion&) {}
    // The bytes of one program message as they came.
    virtual void usbMessage(const std::vector<std::uint8_t>&) {}
    // The zero-based line the running program executes.
    virtual void executedLine(int) {}
    virtual void commandFinished(const CommandResult&) {}
    virtual void commandFailed(protocol::CommandCode, CommandError) {}
};

class ControllerCommands final : public ChannelSession {
  public:
    // `transfer`: while it runs the monitors wait.
    ControllerCommands(ControllerChannel& channel, const ProgramTransfer& transfer,
                       Timer& motorViewTimer, Timer& inputViewTimer);
    ~ControllerCommands() override;
    ControllerCommands(const ControllerCommands&) = delete;
    ControllerCommands& operator=(const ControllerCommands&) = delete;

    void addObserver(CommandsObserver& observer) { observers_.push_back(&observer); }

    // Each sends one command and returns whether the link is still up after it;
    // without a link it fails with NoConnection and sends nothing.
    bool run();
    bool stop();
    bool reset();
    bool requestVersion();
    // A direct command (outputs, motor settings, state requests).
    bool send(const protocol::Message& command);

    // A monitor polls while it is wanted: by default from start until stop; the
    // owner may ask something else (the station: whether its window is shown).
    void startMonitor(Monitor monitor);
    void stopMonitor(Monitor monitor);
    void setMonitorWanted(std::function<bool(Monitor)> wanted) { wanted_ = std::move(wanted); }
    void MotorViewTimerTimer() { tick(Monitor::Motors); }
    void InputViewTimerTimer() { tick(Monitor::Io); }

    // The lamps of the latest I/O report.
    const std::array<bool, kLampCount>& lamps() const { return lamps_; }

    // ChannelSession
    void onFrame(FrameView frame, bool answer) override;
    void onRequestLost(LinkEnd how) override;
    void onLinkEnded(LinkEnd how) override;

  private:
    template <class Event>
    void tell(Event event) {
        for (CommandsObserver* observer : observers_)
            event(*observer);
    }
    bool sendCommand(const protocol::Message& command);
    Timer& timerOf(Monitor monitor) { return monitor == Monitor::Motors ? motorTimer_ : ioTimer_; }
    bool wanted(Monitor monitor) const;
    void tick(Monitor monitor);
    void showIoReply(FrameView frame);

    ControllerChannel& channel_;
    const ProgramTransfer& transfer_;
    Timer& motorTimer_;
    Timer& ioTimer_;
    std::vector<CommandsObserver*> observers_;
    std::function<bool(Monitor)> wanted_;
    std::array<bool, 2> watching_{};
    std::optional<protocol::CommandCode> pending_;  // sent, its answer awaited
    std::array<bool, kLampCount> lamps_{};
};

}  // namespace rv720
