#pragma once
// The device side without anything shown: the controller channel on one backend,
// the two sessions on it (ProgramTransfer, ControllerCommands) and the five timers
// that drive them. The station wraps it in DeviceStation; the command-line tool
// and tests use it as it is, with a presenter or observers of their own.
//
// Timers (all created stopped): UsbTimer 1 ms and TimeoutTimer 700 ms of the
// channel, Timer 100 ms (the transfer clock) of the program transfer, and
// MotorViewTimer and InputViewTimer 100 ms of the monitors.
#include <memory>

#include "device/controller_channel.h"
#include "device/controller_commands.h"
#include "device/program_transfer.h"
#include "protocol/ftdi_api.h"
#include "support/clock.h"
#include "support/timer.h"

namespace rv720 {

class StationPresenter;

inline constexpr int kUsbPollMs = 1;
inline constexpr int kReplyTimeoutMs = 700;
inline constexpr int kTransferTickMs = 100;  // the transfer clock counts tenths
inline constexpr int kMonitorPollMs = 100;

struct DeviceTimers {
    std::unique_ptr<Timer> usb, timeout, transfer, motorView, inputView;
    // In the order the device side has always made them.
    static DeviceTimers make(TimerFactory& timers);
};

class DeviceSessions final {
  public:
    // Makes the timers (and the link's waker) from `timers`.
    DeviceSessions(FtdiApi& ftdi, TimerFactory& timers, Clock& clock);
    DeviceSessions(FtdiApi& ftdi, DeviceTimers timers, std::unique_ptr<Waker> waker, Clock& clock);
    ~DeviceSessions();
    DeviceSessions(const DeviceSessions&) = delete;
    DeviceSessions& operator=(const DeviceSessions&) = delete;

    // `presenter` hears everything the channel and both sessions report, before
    // any observer added later.
    void present(StationPresenter& presenter);

    ControllerChannel& channel() { return channel_; }
    const ControllerChannel& channel() const { return channel_; }
    ProgramTransfer& transfer() { return transfer_; }
    const ProgramTransfer& transfer() const { return transfer_; }
    ControllerCommands& commands() { return commands_; }
    const ControllerCommands& commands() const { return commands_; }

    Timer& UsbTimer() { return *timers_.usb; }
    Timer& TimeoutTimer() { return *timers_.timeout; }
    Timer& TransferTimer() { return *timers_.transfer; }
    Timer& MotorViewTimer() { return *timers_.motorView; }
    Timer& InputViewTimer() { return *timers_.inputView; }

  private:
    DeviceTimers timers_;
    ControllerChannel channel_;
    ProgramTransfer transfer_;
    ControllerCommands commands_;
};

}  // namespace rv720
