#include "device/backends/libftdi_ftdi.h"

#include <algorithm>
#include <cstdio>

#include "device/backends/serial_ftdi.h"

namespace rv720 {

namespace {
constexpr FtHandle kHandleBase = 0x1f7d000;
constexpr std::uint32_t kPurgeRx = 1, kPurgeTx = 2;
constexpr std::uint8_t kBits7 = 7;
constexpr std::uint8_t kStopBits15 = 1, kStopBits2 = 2;
constexpr std::uint8_t kParitySpace = 4;
constexpr std::uint16_t kFlowRtsCts = 0x0100, kFlowDtrDsr = 0x0200, kFlowXonXoff = 0x0400;
constexpr unsigned char kLatencyMs = 1;
constexpr int kChunk = 512;
}  // namespace

std::string usbName(const UsbConverter& converter) {
    char text[32];
    std::snprintf(text, sizeof text, "USB %03d/%03d", converter.bus, converter.address);
    return text;
}

LibFtdi::LibFtdi(std::unique_ptr<LibFtdiCalls> calls, const DeviceProbe& probe,
                 std::string serialNumber)
    : calls_(std::move(calls)), probe_(probe), serialNumber_(std::move(serialNumber)) {}

LibFtdi::~LibFtdi() {
    if (open_) calls_->usbClose();
}

FtStatus LibFtdi::checkHandle(FtHandle handle) const {
    return open_ && handle == handle_ ? ft::Ok : ft::InvalidHandle;
}

bool LibFtdi::selected(const UsbConverter& converter, const std::string& description) const {
    if (!serialNumber_.empty()) return converter.serialNumber == serialNumber_;
    return description == kDeviceDescription ? descriptionMatches(converter.description)
                                             : converter.description == description;
}

FtStatus LibFtdi::createDeviceInfoList(std::uint32_t& count) {
    found_.clear();
    selected_.clear();
    failure_.reset();
    listed_ = true;
    if (calls_->usbFindAll(found_) < 0) found_.clear();  // no USB at all: nothing found
    for (std::size_t i = 0; i < found_.size(); ++i)
        if (selected(found_[i], kDeviceDescription)) selected_.push_back(i);
    if (selected_.empty() && !serialNumber_.empty())
        failure_ = OpenFailure{"FTDI converter " + serialNumber_, OpenCause::NotFound, {}};
    count = std::uint32_t(selected_.size());
    return ft::Ok;
}

FtStatus LibFtdi::getDeviceInfoDetail(std::uint32_t index, FtDeviceInfo& info) {
    if (index >= selected_.size()) return ft::DeviceNotFound;
    const UsbConverter& converter = found_[selected_[index]];
    info.flags = open_ ? 1 : 0;
    info.type = 0;
    info.id = (std::uint32_t(converter.vendorId) << 16) | converter.productId;
    info.locationId = std::uint32_t(converter.bus << 8 | converter.address);
    info.serialNumber = converter.serialNumber;
    info.description = converter.description;
    info.handle = open_ ? handle_ : 0;
    return ft::Ok;
}

FtStatus LibFtdi::failOpen(const UsbConverter& converter, int result) {
    OpenFailure failure{usbName(converter), OpenCause::Other, calls_->errorString()};
    FtStatus status = ft::DeviceNotOpened;
    const NodeState node = probe_.node(converter.node);
    if (!node.exists) {
        failure.cause = OpenCause::Unplugged;
        failure.detail.clear();
        status = ft::DeviceNotFound;
    } else if (result == libftdi::OpenFailed && !node.accessible) {
        failure.cause = OpenCause::NoPermission;
        failure.detail = node.group;
    } else if (result == libftdi::ClaimFailed) {
        failure.cause = OpenCause::Busy;
        failure.detail = probe_.holder(converter.node).value_or("");
    }
    failure_ = failure;
    return status;
}

FtStatus LibFtdi::openEx(const std::string& description, std::uint32_t flags, FtHandle& handle) {
    if (flags != ft::OpenByDescription) return ft::InvalidParameter;
    if (open_) return ft::DeviceNotOpened;  // one owner at a time
    if (!listed_) {
        std::uint32_t count = 0;
        createDeviceInfoList(count);
    }
    const auto it = std::find_if(found_.begin(), found_.end(),
                                 [&](const UsbConverter& c) { return selected(c, description); });
    if (it == found_.end()) return ft::DeviceNotFound;
    const UsbConverter& converter = *it;

    // Taking the device from the kernel's driver would hang up a program reading
    // its serial port.
    if (!converter.tty.empty()) {
        if (auto holder = probe_.holder(converter.tty)) {
            failure_ = OpenFailure{usbName(converter) + " (" + converter.tty + ")", OpenCause::Busy,
                                   *holder};
            return ft::DeviceNotOpened;
        }
    }
    if (const int result = calls_->usbOpenDev(std::size_t(it - found_.begin())); result < 0)
        return failOpen(converter, result);
    // A refused latency only makes replies slower; the line itself still works.
    calls_->setLatencyTimer(kLatencyMs);
    open_ = true;
    rx_.clear();
    failure_.reset();
    handle_ = kHandleBase + ++opens_;
    handle = handle_;
    return ft::Ok;
}

FtStatus LibFtdi::setBaudRate(FtHandle handle, std::uint32_t baud) {
    if (auto s = checkHandle(handle)) return s;
    if (baud == 0 || baud > 12'000'000) return ft::InvalidParameter;
    const int result = calls_->setBaudrate(int(baud));
    if (result == libftdi::BadBaudrate) return ft::InvalidParameter;
    return result < 0 ? ft::IoError : ft::Ok;
}

FtStatus LibFtdi::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                         std::uint8_t stopBits, std::uint8_t parity) {
    if (auto s = checkHandle(handle)) return s;
    // D2XX and libftdi number these alike.
    if (wordLength != ft::Bits8 && wordLength != kBits7) return ft::InvalidParameter;
    if (stopBits != ft::StopBits1 && stopBits != kStopBits15 && stopBits != kStopBits2)
        return ft::InvalidParameter;
    if (parity > kParitySpace) return ft::InvalidParameter;
    return calls_->setLineProperty(wordLength, stopBits, parity) < 0 ? ft::IoError : ft::Ok;
}

FtStatus LibFtdi::setFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t, std::uint8_t) {
    if (auto s = checkHandle(handle)) return s;
    if (flow != ft::FlowNone && flow != kFlowRtsCts && flow != kFlowDtrDsr && flow != kFlowXonXoff)
        return ft::InvalidParameter;
    return calls_->setFlowCtrl(flow) < 0 ? ft::IoError : ft::Ok;
}

FtStatus LibFtdi::purge(FtHandle handle, std::uint32_t mask) {
    if (auto s = checkHandle(handle)) return s;
    if (mask & kPurgeRx) {
        rx_.clear();
        if (calls_->tciflush() < 0) return ft::IoError;
    }
    if ((mask & kPurgeTx) && calls_->tcoflush() < 0) return ft::IoError;
    return ft::Ok;
}

FtStatus LibFtdi::getStatus(FtHandle handle, std::uint32_t& rxQueue, std::uint32_t& txQueue,
                            std::uint32_t& eventStatus) {
    if (auto s = checkHandle(handle)) return s;
    // Asking for one byte makes libftdi do one USB transfer, not wait for more; the
    // rest of that transfer stays with libftdi and is taken from it at once.
    unsigned char chunk[kChunk];
    int got = calls_->readData(chunk, 1);
    if (got < 0) return ft::IoError;
    while (got > 0) {
        rx_.insert(rx_.end(), chunk, chunk + got);
        const int more = std::min(calls_->buffered(), kChunk);
        if (more <= 0) break;
        got = calls_->readData(chunk, more);
        if (got < 0) return ft::IoError;
    }
    rxQueue = std::uint32_t(rx_.size());
    txQueue = 0;
    eventStatus = 0;
    return ft::Ok;
}

FtStatus LibFtdi::read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                       std::uint32_t& bytesRead) {
    bytesRead = 0;
    if (auto s = checkHandle(handle)) return s;
    if (!buffer && toRead > 0) return ft::InvalidParameter;
    const std::uint32_t n = std::min<std::uint32_t>(toRead, std::uint32_t(rx_.size()));
    std::copy_n(rx_.begin(), n, buffer);
    rx_.erase(rx_.begin(), rx_.begin() + n);
    bytesRead = n;
    return ft::Ok;
}

FtStatus LibFtdi::write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                        std::uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (auto s = checkHandle(handle)) return s;
    if (!buffer && toWrite > 0) return ft::InvalidParameter;
    if (toWrite == 0) return ft::Ok;
    const int written = calls_->writeData(buffer, int(toWrite));
    if (written < 0) return ft::IoError;
    bytesWritten = std::uint32_t(written);
    return written == int(toWrite) ? ft::Ok : ft::IoError;
}

FtStatus LibFtdi::close(FtHandle handle) {
    if (auto s = checkHandle(handle)) return s;
    open_ = false;
    rx_.clear();
    return calls_->usbClose() < 0 ? ft::IoError : ft::Ok;
}

}  // namespace rv720

#ifndef RV720_HAVE_LIBFTDI
namespace rv720 {
std::unique_ptr<LibFtdiCalls> systemLibFtdi() {
    return nullptr;
}
}  // namespace rv720
#endif
