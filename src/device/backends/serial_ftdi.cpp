#include "device/backends/serial_ftdi.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <QSerialPortInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "device/backends/line_settings.h"

namespace rv720 {

namespace {

// D2XX line codes beyond the ones the link uses.
constexpr std::uint8_t kBits7 = 7;
constexpr std::uint8_t kStopBits2 = 2;
constexpr std::uint8_t kParityOdd = 1, kParityEven = 2, kParityMark = 3, kParitySpace = 4;
constexpr std::uint16_t kFlowRtsCts = 0x0100, kFlowDtrDsr = 0x0200, kFlowXonXoff = 0x0400;
constexpr std::uint32_t kPurgeRx = 1, kPurgeTx = 2;
constexpr FtHandle kHandleBase = 0x5e7000;
// A reader that stops reading must not make the buffer grow without bound.
constexpr std::size_t kMaxBuffered = 1 << 20;

std::vector<SerialPortEntry> portsFromSystem(bool usbOnly) {
    std::vector<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (usbOnly && !info.hasVendorIdentifier()) continue;  // not on USB: no converter of ours
        ports.push_back({info.systemLocation().toStdString(), info.description().toStdString(),
                         info.serialNumber().toStdString(), info.vendorIdentifier(),
                         info.productIdentifier()});
    }
    std::sort(ports.begin(), ports.end(),
              [](const auto& a, const auto& b) { return a.path < b.path; });
    return ports;
}

}  // namespace

std::vector<SerialPortEntry> systemUsbSerialPorts() {
    return portsFromSystem(true);
}

std::vector<SerialPortEntry> systemSerialPorts() {
    return portsFromSystem(false);
}

bool descriptionMatches(std::string_view reported) {
    const std::string_view wanted = kDeviceDescription;
    if (reported.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const char c = reported[i] == '_' ? ' ' : reported[i];
        if (c != wanted[i]) return false;
    }
    return true;
}

SerialFtdi::SerialFtdi(PortLister lister, const DeviceProbe& probe)
    : lister_(std::move(lister)), probe_(probe) {}

std::unique_ptr<SerialFtdi> SerialFtdi::onPort(const std::string& path, const DeviceProbe& probe) {
    // A bare name is looked up where the system keeps its ports.
    std::string location = path;
    if (path.find('/') == std::string::npos)
        location = QSerialPortInfo(QString::fromStdString(path)).systemLocation().toStdString();
    auto ftdi = std::make_unique<SerialFtdi>(
        [location] {
            std::vector<SerialPortEntry> ports;
            std::error_code ec;
            if (std::filesystem::exists(location, ec)) ports.push_back({location, "", "", 0, 0});
            return ports;
        },
        probe);
    ftdi->anyDescription_ = true;
    ftdi->namedPath_ = location;
    return ftdi;
}

SerialFtdi::~SerialFtdi() {
    if (fd_ >= 0) ::close(fd_);
}

FtStatus SerialFtdi::checkHandle(FtHandle handle) const {
    if (fd_ < 0 || handle != handle_) return ft::InvalidHandle;
    return ft::Ok;
}

FtStatus SerialFtdi::createDeviceInfoList(std::uint32_t& count) {
    listed_.clear();
    failure_.reset();
    for (auto& entry : lister_ ? lister_() : std::vector<SerialPortEntry>{})
        if (anyDescription_ || descriptionMatches(entry.description))
            listed_.push_back(std::move(entry));
    if (listed_.empty() && anyDescription_)
        failure_ = OpenFailure{namedPath_, OpenCause::NotFound, {}};
    count = std::uint32_t(listed_.size());
    return ft::Ok;
}

FtStatus SerialFtdi::getDeviceInfoDetail(std::uint32_t index, FtDeviceInfo& info) {
    if (index >= listed_.size()) return ft::DeviceNotFound;
    const SerialPortEntry& entry = listed_[index];
    const bool isOpen = fd_ >= 0 && entry.path == openedPath_;
    info.flags = isOpen ? 1 : 0;
    info.type = 0;
    info.id = (std::uint32_t(entry.vendorId) << 16) | entry.productId;
    info.locationId = index;
    info.serialNumber = entry.serialNumber;
    info.description = entry.description.empty() ? entry.path : entry.description;
    info.handle = isOpen ? handle_ : 0;
    return ft::Ok;
}

FtStatus SerialFtdi::failOpen(const std::string& path, int error, bool listed) {
    OpenFailure failure{path, OpenCause::Other, std::strerror(error)};
    FtStatus status = ft::DeviceNotOpened;
    switch (error) {
        case EACCES:
        case EPERM:
            failure.cause = OpenCause::NoPermission;
            failure.detail = probe_.node(path).group;
            break;
        case EBUSY:
            failure.cause = OpenCause::Busy;
            failure.detail = probe_.holder(path).value_or("");
            break;
        case ENOENT:
        case ENODEV:
        case ENXIO:
            failure.cause = listed ? OpenCause::Unplugged : OpenCause::NotFound;
            failure.detail.clear();
            status = ft::DeviceNotFound;
            break;
        case ENOTTY:
            failure.detail = "not a serial port";
            break;
        default:
            break;
    }
    failure_ = failure;
    return status;
}

void SerialFtdi::askForLowLatency(const std::string& path) {
    // Both are wishes: a pseudo-terminal has neither, a driver may refuse.
    serial_struct serial{};
    if (::ioctl(fd_, TIOCGSERIAL, &serial) == 0 && !(serial.flags & ASYNC_LOW_LATENCY)) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ::ioctl(fd_, TIOCSSERIAL, &serial);
    }
    std::error_code ec;
    const auto real = std::filesystem::canonical(path, ec);
    if (ec) return;
    const auto timer =
        std::filesystem::path("/sys/class/tty") / real.filename() / "device" / "latency_timer";
    if (::access(timer.c_str(), W_OK) != 0) return;
    std::ofstream(timer) << "1\n";
}

FtStatus SerialFtdi::openEx(const std::string& description, std::uint32_t flags, FtHandle& handle) {
    if (flags != ft::OpenByDescription) return ft::InvalidParameter;
    if (fd_ >= 0) return ft::DeviceNotOpened;  // one owner at a time
    if (listed_.empty()) {
        std::uint32_t count = 0;
        createDeviceInfoList(count);
    }
    const SerialPortEntry* chosen = nullptr;
    for (const auto& entry : listed_) {
        if (anyDescription_ ||
            (description == kDeviceDescription ? descriptionMatches(entry.description)
                                               : entry.description == description)) {
            chosen = &entry;
            break;
        }
    }
    if (!chosen) return ft::DeviceNotFound;
    const std::string path = chosen->path;

    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return failOpen(path, errno, true);
    // Exclusive while it is ours: a second program opening it would take bytes
    // meant for the station.
    ::ioctl(fd, TIOCEXCL);
    if (!makeRawLine(fd) || !setLineSpeed(fd, 9600)) {  // the converter's power-on line
        const int error = errno;
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        return failOpen(path, error, true);
    }
    fd_ = fd;
    rx_.clear();
    askForLowLatency(path);
    failure_.reset();
    openedPath_ = path;
    handle_ = kHandleBase + ++opens_;
    handle = handle_;
    return ft::Ok;
}

FtStatus SerialFtdi::setBaudRate(FtHandle handle, std::uint32_t baud) {
    if (auto s = checkHandle(handle)) return s;
    if (baud == 0 || baud > 3'000'000) return ft::InvalidParameter;
    if (!setLineSpeed(fd_, baud)) return errno == EINVAL ? ft::InvalidParameter : ft::IoError;
    return ft::Ok;
}

FtStatus SerialFtdi::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) {
    if (auto s = checkHandle(handle)) return s;
    if (wordLength != ft::Bits8 && wordLength != kBits7) return ft::InvalidParameter;
    if (stopBits != ft::StopBits1 && stopBits != kStopBits2) return ft::InvalidParameter;
    LineParity par;
    switch (parity) {
        case ft::ParityNone:
            par = LineParity::None;
            break;
        case kParityOdd:
            par = LineParity::Odd;
            break;
        case kParityEven:
            par = LineParity::Even;
            break;
        case kParityMark:
            par = LineParity::Mark;
            break;
        case kParitySpace:
            par = LineParity::Space;
            break;
        default:
            return ft::InvalidParameter;
    }
    if (!setLineFraming(fd_, wordLength, stopBits == kStopBits2, par))
        return errno == EINVAL ? ft::InvalidParameter : ft::IoError;
    return ft::Ok;
}

FtStatus SerialFtdi::setFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t,
                                    std::uint8_t) {
    if (auto s = checkHandle(handle)) return s;
    LineFlow control;
    switch (flow) {
        case ft::FlowNone:
            control = LineFlow::None;
            break;
        case kFlowRtsCts:
            control = LineFlow::RtsCts;
            break;
        case kFlowXonXoff:
            control = LineFlow::XonXoff;
            break;
        case kFlowDtrDsr:  // a serial port offers no DTR/DSR handshake
        default:
            return ft::InvalidParameter;
    }
    if (!setLineFlow(fd_, control)) return errno == EINVAL ? ft::InvalidParameter : ft::IoError;
    return ft::Ok;
}

FtStatus SerialFtdi::purge(FtHandle handle, std::uint32_t mask) {
    if (auto s = checkHandle(handle)) return s;
    if (mask & kPurgeRx) {
        rx_.clear();
        if (::tcflush(fd_, TCIFLUSH) != 0) return ft::IoError;
    }
    if ((mask & kPurgeTx) && ::tcflush(fd_, TCOFLUSH) != 0) return ft::IoError;
    return ft::Ok;
}

FtStatus SerialFtdi::pump() {
    std::uint8_t chunk[4096];
    while (rx_.size() < kMaxBuffered) {
        const ssize_t n = ::read(fd_, chunk, sizeof chunk);
        if (n > 0) {
            rx_.insert(rx_.end(), chunk, chunk + n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return ft::Ok;  // all there was
        return ft::IoError;                           // hung up (0) or failed
    }
    return ft::Ok;
}

FtStatus SerialFtdi::getStatus(FtHandle handle, std::uint32_t& rxQueue, std::uint32_t& txQueue,
                               std::uint32_t& eventStatus) {
    if (auto s = checkHandle(handle)) return s;
    if (auto s = pump()) return s;
    int pending = 0;
    if (::ioctl(fd_, TIOCOUTQ, &pending) != 0) pending = 0;
    rxQueue = std::uint32_t(rx_.size());
    txQueue = std::uint32_t(std::max(pending, 0));
    eventStatus = 0;
    return ft::Ok;
}

FtStatus SerialFtdi::read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                          std::uint32_t& bytesRead) {
    bytesRead = 0;
    if (auto s = checkHandle(handle)) return s;
    if (!buffer && toRead > 0) return ft::InvalidParameter;
    if (rx_.size() < toRead)
        if (auto s = pump()) return s;
    const std::uint32_t n = std::min<std::uint32_t>(toRead, std::uint32_t(rx_.size()));
    std::copy_n(rx_.begin(), n, buffer);
    rx_.erase(rx_.begin(), rx_.begin() + n);
    bytesRead = n;
    return ft::Ok;
}

FtStatus SerialFtdi::write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                           std::uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (auto s = checkHandle(handle)) return s;
    if (!buffer && toWrite > 0) return ft::InvalidParameter;
    // A driver that does not take the bytes in time has lost its device.
    const auto giveUp = std::chrono::steady_clock::now() + writeTimeout_;
    while (bytesWritten < toWrite) {
        const ssize_t n = ::write(fd_, buffer + bytesWritten, toWrite - bytesWritten);
        if (n > 0) {
            bytesWritten += std::uint32_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) return ft::IoError;
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now());
        pollfd fd{fd_, POLLOUT, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, int(left.count())) <= 0 ||
            (fd.revents & (POLLERR | POLLHUP | POLLNVAL)))
            return ft::IoError;
    }
    return ft::Ok;
}

FtStatus SerialFtdi::close(FtHandle handle) {
    if (auto s = checkHandle(handle)) return s;
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
    rx_.clear();
    return ft::Ok;
}

ReceiveWait SerialFtdi::receiveWait(FtHandle handle) {
    ReceiveWait wait;
    wait.polled = false;
    if (checkHandle(handle) == ft::Ok) wait.fd = fd_;
    return wait;
}

}  // namespace rv720
