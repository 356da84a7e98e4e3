#include "device/device_sessions.h"

#include "device/station_presenter.h"

namespace rv720 {

DeviceTimers DeviceTimers::make(TimerFactory& timers) {
    DeviceTimers made;
    made.usb = timers.create(kUsbPollMs);
    made.timeout = timers.create(kReplyTimeoutMs);
    made.transfer = timers.create(kTransferTickMs);
    made.motorView = timers.create(kMonitorPollMs);
    made.inputView = timers.create(kMonitorPollMs);
    return made;
}

DeviceSessions::DeviceSessions(FtdiApi& ftdi, TimerFactory& timers, Clock& clock)
    : DeviceSessions(ftdi, DeviceTimers::make(timers), timers.createWaker(), clock) {}

DeviceSessions::DeviceSessions(FtdiApi& ftdi, DeviceTimers timers, std::unique_ptr<Waker> waker,
                               Clock& clock)
    : timers_(std::move(timers)),
      channel_(ftdi, *timers_.usb, *timers_.timeout, std::move(waker)),
      transfer_(channel_, *timers_.transfer, clock),
      commands_(channel_, transfer_, *timers_.motorView, *timers_.inputView) {
    channel_.attach(transfer_);
    channel_.attach(commands_);
    timers_.usb->setHandler([this] { channel_.UsbTimerTimer(); });
    timers_.timeout->setHandler([this] { channel_.TimeoutTimerTimer(); });
    timers_.transfer->setHandler([this] { transfer_.TimerTimer(); });
    timers_.motorView->setHandler([this] { commands_.MotorViewTimerTimer(); });
    timers_.inputView->setHandler([this] { commands_.InputViewTimerTimer(); });
}

DeviceSessions::~DeviceSessions() {
    // Handlers capture this; a timer that outlived us must not call back.
    for (auto* t : {timers_.usb.get(), timers_.timeout.get(), timers_.transfer.get(),
                    timers_.motorView.get(), timers_.inputView.get()}) {
        t->stop();
        t->setHandler({});
    }
}

void DeviceSessions::present(StationPresenter& presenter) {
    channel_.setObserver(&presenter);
    transfer_.addObserver(presenter);
    commands_.addObserver(presenter);
}

}  // namespace rv720
