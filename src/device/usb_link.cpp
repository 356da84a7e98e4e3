#include "device/usb_link.h"

#include <algorithm>

namespace rv720 {

UsbLink::UsbLink(FtdiApi& ftdi, Timer& usbTimer, Timer& timeoutTimer, LinkEvents& events,
                 std::unique_ptr<Waker> waker)
    : ftdi_(ftdi),
      usbTimer_(usbTimer),
      timeoutTimer_(timeoutTimer),
      events_(events),
      waker_(std::move(waker)) {
    if (waker_) waker_->setHandler([this] { UsbTimerTimer(); });
}

UsbLink::~UsbLink() {
    if (handleOpen_) ftdi_.close(handle_);
}

void UsbLink::putIndicatorOut(const char* message) {
    indicatorFlag_ = false;
    events_.connectionIndicatorChanged(false);
    events_.AddStatusLine(message);
}

void UsbLink::lightIndicator() {
    indicatorFlag_ = true;
    events_.connectionIndicatorChanged(true);
    events_.AddStatusLine("Connection successful");
}

void UsbLink::reportOpenFailure() {
    const auto failure = ftdi_.openFailure();
    if (!failure) return;
    openFailureLine_ = openFailureText(*failure);
    events_.AddStatusLine(openFailureLine_);
}

void UsbLink::OpenLink() {
    if (connected_) return;
    openFailureLine_.clear();

    // The list is taken before anything is opened; a device present already counts
    // as a connection (the indicator lights here and falls back below on failure).
    ftdi_.createDeviceInfoList(deviceCount_);
    status_ = deviceCount_ == 0 ? ft::DeviceNotFound : ft::Ok;
    CheckLinkStatus();
    if (deviceCount_ == 0) {
        events_.AddStatusLine("Can't find USB device");
        reportOpenFailure();
        return;
    }

    for (std::uint32_t i = 0; i < deviceCount_; ++i) {
        if (ftdi_.getDeviceInfoDetail(i, deviceInfo_) != ft::Ok) {
            if (indicatorFlag_) putIndicatorOut("USB device not found");
            break;
        }
    }

    // The first failing call ends the sequence: configuring a handle that did not
    // open, or purging a line whose settings were refused, proves nothing.
    status_ = ftdi_.openEx(kDeviceDescription, ft::OpenByDescription, handle_);
    handleOpen_ = status_ == ft::Ok;
    if (status_ == ft::Ok) status_ = ftdi_.setBaudRate(handle_, kBaudRate);
    if (status_ == ft::Ok)
        status_ = ftdi_.setDataCharacteristics(handle_, ft::Bits8, ft::StopBits1, ft::ParityNone);
    if (status_ == ft::Ok) status_ = ftdi_.setFlowControl(handle_, ft::FlowNone, 0, 0);
    if (status_ == ft::Ok) status_ = ftdi_.purge(handle_, ft::PurgeRxTx);
    CheckLinkStatus();
    if (connected_)
        listen();
    else
        reportOpenFailure();
}

void UsbLink::CloseLink() {
    if (!connected_) return;
    usbTimer_.stop();
    if (waker_) waker_->disarm();
    // A closed link cannot answer; an armed timeout would only report a lost
    // device the operator disconnected on purpose.
    timeoutTimer_.stop();
    if (handleOpen_) ftdi_.close(handle_);
    handleOpen_ = false;
    connected_ = false;
    if (indicatorFlag_) putIndicatorOut("Connection finished");
}

void UsbLink::WriteRaw(const std::uint8_t* bytes, std::int32_t count) {
    if (count < 0) return;
    if (connected_) {
        std::uint32_t written = 0;
        if (frameLog) frameLog(FrameDirection::Sent, {bytes, std::size_t(count)});
        status_ = ftdi_.write(handle_, bytes, std::uint32_t(count), written);
        CheckLinkStatus();
    } else if (indicatorFlag_) {
        putIndicatorOut("Connection finished");
    }
}

void UsbLink::CheckLinkStatus() {
    if (status_ == ft::DeviceNotFound && !connected_) {
        connected_ = false;
    } else if (status_ != ft::Ok && connected_) {
        if (indicatorFlag_) {
            putIndicatorOut("Connection finished");
            events_.linkLost();
        }
        // Released even when the indicator was already out (a failure during
        // opening), so neither the handle nor the poll outlives the connection.
        CloseLink();
    } else if (status_ == ft::Ok && !connected_) {
        if (!indicatorFlag_) lightIndicator();
        connected_ = true;
        listen();
    } else if (status_ == ft::Ok && connected_) {
        if (!indicatorFlag_) lightIndicator();
    }
}

void UsbLink::SendCommand(const std::uint8_t* data, std::uint8_t code, std::uint32_t count) {
    if (!connected_) return;
    const std::size_t n = std::min<std::uint32_t>(count, kMaxTxData);
    txFrame_ = buildFrame(code, 0, {data, n});

    // The driver must answer a status query before the frame goes out; a converter
    // that keeps failing is a lost converter, not a reason to hang the station.
    FtStatus query = ft::Ok;
    for (int attempt = 0; attempt < kStatusAttempts; ++attempt) {
        query = ftdi_.getStatus(handle_, rxQueue_, txQueue_, eventStatus_);
        if (query == ft::Ok) break;
    }
    if (query != ft::Ok) {
        status_ = query;
        CheckLinkStatus();
        return;
    }

    WriteRaw(txFrame_.bytes.data(), txFrame_.size);
    if (!connected_) return;  // the write failed and closed the link
    retryCounter_ = 0;
    timeoutTimer_.restart();
    listen();
}

void UsbLink::writeTransmitFrame(const Frame& frame) {
    txFrame_ = frame;
    WriteRaw(txFrame_.bytes.data(), txFrame_.size);
    listen();
}

void UsbLink::UsbTimerTimer() {
    if (!connected_) return;
    status_ = ftdi_.getStatus(handle_, rxQueue_, txQueue_, eventStatus_);
    CheckLinkStatus();
    const std::uint32_t queued = rxQueue_;
    for (std::uint32_t i = 0; i < queued && connected_; ++i) {
        // A frame dispatched here may close the link (end of a firmware update);
        // then the rest of the count is not read from a closed handle.
        std::uint8_t b = 0;
        std::uint32_t got = 0;
        ftdi_.read(handle_, &b, 1, got);
        if (got == 1) PutReceivedByte(b);
    }
    bytesLastPoll_ = queued > 0;
    listen();
}

bool UsbLink::expectingBytes() const {
    return timeoutTimer_.isActive() || assembler_.state() != 0 || bytesLastPoll_;
}

void UsbLink::listen() {
    if (!connected_) {
        usbTimer_.stop();
        if (waker_) waker_->disarm();
        return;
    }
    // Until the handle is open (the list counts as a connection), and on a platform
    // that can only tick, the tick polls.
    if (!waker_ || !handleOpen_) {
        usbTimer_.start();
        return;
    }
    const ReceiveWait wait = ftdi_.receiveWait(handle_);
    if (!wait.polled) {
        usbTimer_.stop();
        if (wait.fd >= 0 || wait.due)
            waker_->arm(wait.fd, wait.due);
        else
            waker_->disarm();  // nothing can arrive before the station writes again
        return;
    }
    if (expectingBytes()) {
        waker_->disarm();
        usbTimer_.start();
    } else {
        usbTimer_.stop();
        waker_->arm(-1, kIdlePoll);
    }
}

void UsbLink::PutReceivedByte(std::uint8_t b) {
    const auto result = assembler_.put(b);
    if (result == FrameAssembler::Result::Pending) return;
    const auto frame = assembler_.frame();
    if (frameLog) frameLog(FrameDirection::Received, frame);
    if (result == FrameAssembler::Result::Good && verifyFrame(frame)) events_.dispatchFrame(frame);
}

std::string openFailureReason(const OpenFailure& failure) {
    const std::string& detail = failure.detail;
    switch (failure.cause) {
        case OpenCause::NotFound:
            return "not found";
        case OpenCause::NoPermission:
            return "no permission - install the udev rule 60-rv720.rules (make install-udev) or "
                   "join " +
                   (detail.empty() ? std::string("the group that owns it") : "group " + detail);
        case OpenCause::Busy:
            return "held by another program" + (detail.empty() ? "" : " (" + detail + ")");
        case OpenCause::Unplugged:
            return "unplugged while opening";
        case OpenCause::Other:
            break;
    }
    return "cannot be opened" + (detail.empty() ? "" : ": " + detail);
}

std::string openFailureText(const OpenFailure& failure) {
    return failure.device + ": " + openFailureReason(failure);
}

std::string hexText(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 3);
    for (auto b : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

}  // namespace rv720
