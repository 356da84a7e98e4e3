#include "device/backends/serial_ftdi.h"

#include <QCoreApplication>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>

namespace rv720 {

namespace {

// D2XX line codes.
constexpr std::uint8_t kBits7 = 7;
constexpr std::uint8_t kStopBits2 = 2;
constexpr std::uint8_t kParityOdd = 1, kParityEven = 2, kParityMark = 3, kParitySpace = 4;
constexpr std::uint16_t kFlowRtsCts = 0x0100, kFlowDtrDsr = 0x0200, kFlowXonXoff = 0x0400;
constexpr std::uint32_t kPurgeRx = 1, kPurgeTx = 2;
constexpr FtHandle kHandleBase = 0x5e7000;

FtStatus statusFor(QSerialPort::SerialPortError error) {
    switch (error) {
        case QSerialPort::NoError:
            return ft::Ok;
        case QSerialPort::DeviceNotFoundError:
            return ft::DeviceNotFound;
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError:
            return ft::DeviceNotOpened;
        case QSerialPort::NotOpenError:
            return ft::InvalidHandle;
        case QSerialPort::UnsupportedOperationError:
            return ft::InvalidParameter;
        case QSerialPort::ResourceError:
        case QSerialPort::ReadError:
        case QSerialPort::WriteError:
        case QSerialPort::TimeoutError:
            return ft::IoError;
        default:
            return ft::OtherError;
    }
}

std::string toStd(const QString& text) {
    return text.toStdString();
}

}  // namespace

// The port and, in a process without one (the command-line tool), the Qt core
// application its notifiers need. Declared in this order so the port goes first.
struct SerialFtdi::Port {
    std::unique_ptr<QCoreApplication> app;
    QSerialPort serial;

    static std::unique_ptr<QCoreApplication> ensureApplication() {
        if (QCoreApplication::instance()) return nullptr;
        static int argc = 1;
        static char name[] = "rv720";
        static char* argv[] = {name, nullptr};
        return std::make_unique<QCoreApplication>(argc, argv);
    }
    Port() : app(ensureApplication()) {}
};

std::vector<SerialPortEntry> systemUsbSerialPorts() {
    std::vector<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (!info.hasVendorIdentifier()) continue;  // not on USB: no converter of ours
        ports.push_back({toStd(info.systemLocation()), toStd(info.description()),
                         toStd(info.serialNumber()), info.vendorIdentifier(),
                         info.productIdentifier()});
    }
    std::sort(ports.begin(), ports.end(),
              [](const auto& a, const auto& b) { return a.path < b.path; });
    return ports;
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

SerialFtdi::SerialFtdi(PortLister lister) : lister_(std::move(lister)) {}

std::unique_ptr<SerialFtdi> SerialFtdi::onPort(const std::string& path) {
    // A bare name is looked up where the system keeps its ports.
    std::string location = path;
    if (path.find('/') == std::string::npos)
        location = toStd(QSerialPortInfo(QString::fromStdString(path)).systemLocation());
    auto ftdi = std::make_unique<SerialFtdi>([location] {
        std::vector<SerialPortEntry> ports;
        std::error_code ec;
        if (std::filesystem::exists(location, ec)) ports.push_back({location, "", "", 0, 0});
        return ports;
    });
    ftdi->anyDescription_ = true;
    return ftdi;
}

SerialFtdi::~SerialFtdi() = default;

FtStatus SerialFtdi::checkHandle(FtHandle handle) const {
    if (!port_ || !port_->serial.isOpen() || handle != handle_) return ft::InvalidHandle;
    return ft::Ok;
}

FtStatus SerialFtdi::createDeviceInfoList(std::uint32_t& count) {
    listed_ = lister_ ? lister_() : std::vector<SerialPortEntry>{};
    count = std::uint32_t(listed_.size());
    return ft::Ok;
}

FtStatus SerialFtdi::getDeviceInfoDetail(std::uint32_t index, FtDeviceInfo& info) {
    if (index >= listed_.size()) return ft::DeviceNotFound;
    const SerialPortEntry& entry = listed_[index];
    const bool isOpen = port_ && port_->serial.isOpen() && entry.path == openedPath_;
    info.flags = isOpen ? 1 : 0;
    info.type = 0;
    info.id = (std::uint32_t(entry.vendorId) << 16) | entry.productId;
    info.locationId = index;
    info.serialNumber = entry.serialNumber;
    info.description = entry.description.empty() ? entry.path : entry.description;
    info.handle = isOpen ? handle_ : 0;
    return ft::Ok;
}

FtStatus SerialFtdi::openEx(const std::string& description, std::uint32_t flags, FtHandle& handle) {
    if (flags != ft::OpenByDescription) return ft::InvalidParameter;
    if (port_ && port_->serial.isOpen()) return ft::DeviceNotOpened;  // one owner at a time
    if (listed_.empty() && lister_) listed_ = lister_();

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

    if (!port_) port_ = std::make_unique<Port>();
    QSerialPort& serial = port_->serial;
    serial.setPortName(QString::fromStdString(chosen->path));
    if (!serial.open(QIODevice::ReadWrite)) {
        const FtStatus status = statusFor(serial.error());
        serial.clearError();
        return status == ft::Ok ? ft::DeviceNotOpened : status;
    }
    // The converter's power-on line, until the link sets its own.
    serial.setBaudRate(9600);
    openedPath_ = chosen->path;
    handle_ = kHandleBase + ++opens_;
    handle = handle_;
    return ft::Ok;
}

FtStatus SerialFtdi::setBaudRate(FtHandle handle, std::uint32_t baud) {
    if (auto s = checkHandle(handle)) return s;
    if (baud == 0 || baud > 3'000'000) return ft::InvalidParameter;
    if (!port_->serial.setBaudRate(qint32(baud))) {
        const FtStatus status = statusFor(port_->serial.error());
        port_->serial.clearError();
        return status == ft::Ok ? ft::InvalidParameter : status;
    }
    return ft::Ok;
}

FtStatus SerialFtdi::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) {
    if (auto s = checkHandle(handle)) return s;
    QSerialPort::DataBits bits;
    if (wordLength == ft::Bits8)
        bits = QSerialPort::Data8;
    else if (wordLength == kBits7)
        bits = QSerialPort::Data7;
    else
        return ft::InvalidParameter;

    QSerialPort::StopBits stops;
    if (stopBits == ft::StopBits1)
        stops = QSerialPort::OneStop;
    else if (stopBits == kStopBits2)
        stops = QSerialPort::TwoStop;
    else
        return ft::InvalidParameter;

    QSerialPort::Parity par;
    switch (parity) {
        case ft::ParityNone:
            par = QSerialPort::NoParity;
            break;
        case kParityOdd:
            par = QSerialPort::OddParity;
            break;
        case kParityEven:
            par = QSerialPort::EvenParity;
            break;
        case kParityMark:
            par = QSerialPort::MarkParity;
            break;
        case kParitySpace:
            par = QSerialPort::SpaceParity;
            break;
        default:
            return ft::InvalidParameter;
    }
    QSerialPort& serial = port_->serial;
    if (!serial.setDataBits(bits) || !serial.setStopBits(stops) || !serial.setParity(par)) {
        const FtStatus status = statusFor(serial.error());
        serial.clearError();
        return status == ft::Ok ? ft::InvalidParameter : status;
    }
    return ft::Ok;
}

FtStatus SerialFtdi::setFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t,
                                    std::uint8_t) {
    if (auto s = checkHandle(handle)) return s;
    QSerialPort::FlowControl control;
    switch (flow) {
        case ft::FlowNone:
            control = QSerialPort::NoFlowControl;
            break;
        case kFlowRtsCts:
            control = QSerialPort::HardwareControl;
            break;
        case kFlowXonXoff:
            control = QSerialPort::SoftwareControl;
            break;
        case kFlowDtrDsr:  // a serial port offers no DTR/DSR handshake
        default:
            return ft::InvalidParameter;
    }
    if (!port_->serial.setFlowControl(control)) {
        const FtStatus status = statusFor(port_->serial.error());
        port_->serial.clearError();
        return status == ft::Ok ? ft::InvalidParameter : status;
    }
    return ft::Ok;
}

FtStatus SerialFtdi::purge(FtHandle handle, std::uint32_t mask) {
    if (auto s = checkHandle(handle)) return s;
    QSerialPort& serial = port_->serial;
    if (mask & kPurgeRx) {
        pump();  // what the driver holds goes too
        serial.clear(QSerialPort::Input);
        serial.readAll();
    }
    if (mask & kPurgeTx) serial.clear(QSerialPort::Output);
    const FtStatus status = statusFor(serial.error());
    serial.clearError();
    return status;
}

FtStatus SerialFtdi::pump() {
    QSerialPort& serial = port_->serial;
    // Each ready-read takes what the driver has; a zero timeout never waits. Its
    // "timed out" only means that nothing more was there.
    while (serial.waitForReadyRead(0)) {
    }
    const QSerialPort::SerialPortError error = serial.error();
    if (error == QSerialPort::TimeoutError) {
        serial.clearError();
        return ft::Ok;
    }
    return statusFor(error);
}

FtStatus SerialFtdi::getStatus(FtHandle handle, std::uint32_t& rxQueue, std::uint32_t& txQueue,
                               std::uint32_t& eventStatus) {
    if (auto s = checkHandle(handle)) return s;
    if (auto s = pump()) return s;
    rxQueue = std::uint32_t(std::min<qint64>(port_->serial.bytesAvailable(), UINT32_MAX));
    txQueue = std::uint32_t(std::min<qint64>(port_->serial.bytesToWrite(), UINT32_MAX));
    eventStatus = 0;
    return ft::Ok;
}

FtStatus SerialFtdi::read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                          std::uint32_t& bytesRead) {
    bytesRead = 0;
    if (auto s = checkHandle(handle)) return s;
    if (!buffer && toRead > 0) return ft::InvalidParameter;
    QSerialPort& serial = port_->serial;
    if (serial.bytesAvailable() < qint64(toRead))
        if (auto s = pump()) return s;
    const qint64 got = serial.read(reinterpret_cast<char*>(buffer), qint64(toRead));
    if (got < 0) {
        const FtStatus status = statusFor(serial.error());
        serial.clearError();
        return status == ft::Ok ? ft::IoError : status;
    }
    bytesRead = std::uint32_t(got);
    return ft::Ok;
}

FtStatus SerialFtdi::write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                           std::uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (auto s = checkHandle(handle)) return s;
    if (!buffer && toWrite > 0) return ft::InvalidParameter;
    if (toWrite == 0) return ft::Ok;
    QSerialPort& serial = port_->serial;
    if (serial.write(reinterpret_cast<const char*>(buffer), qint64(toWrite)) != qint64(toWrite)) {
        const FtStatus status = statusFor(serial.error());
        serial.clearError();
        return status == ft::Ok ? ft::IoError : status;
    }
    // Without an event loop the bytes leave only when asked to; a driver that does
    // not take them in time has lost its device.
    while (serial.bytesToWrite() > 0) {
        if (!serial.waitForBytesWritten(int(writeTimeout_.count()))) {
            const FtStatus status = statusFor(serial.error());
            serial.clearError();
            return status == ft::Ok ? ft::IoError : status;
        }
    }
    if (serial.error() != QSerialPort::NoError) {
        const FtStatus status = statusFor(serial.error());
        serial.clearError();
        if (status != ft::Ok) return status;
    }
    bytesWritten = toWrite;
    return ft::Ok;
}

FtStatus SerialFtdi::close(FtHandle handle) {
    if (!port_ || handle != handle_ || !port_->serial.isOpen()) return ft::InvalidHandle;
    port_->serial.close();
    port_->serial.clearError();
    return ft::Ok;
}

}  // namespace rv720
