#include "sim/simulated_ftdi.h"

#include <algorithm>

namespace rv720::sim {

namespace {
constexpr FtHandle kHandleBase = 0x7200000;
constexpr std::uint32_t kFlagOpened = 1;
constexpr std::uint32_t kDeviceType232R = 5;
constexpr std::uint32_t kPurgeRx = 1;
constexpr std::uint32_t kPurgeTx = 2;
}  // namespace

SimDuration wireTime(std::int64_t bytes) {
    constexpr std::int64_t kBitsPerByte = 10;
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    const std::int64_t numerator = bytes * kBitsPerByte * kNsPerSecond;
    return SimDuration((numerator + kBaudRate - 1) / kBaudRate);
}

SimulatedFtdi::SimulatedFtdi(TwinOptions options, std::shared_ptr<TimeSource> time)
    : time_(time ? std::move(time) : std::make_shared<SteadyTimeSource>()),
      twin_(std::move(options)) {}

bool SimulatedFtdi::lineSettingsMatch() const {
    return baud_ == kBaudRate && wordLength_ == ft::Bits8 && stopBits_ == ft::StopBits1 &&
           parity_ == ft::ParityNone;
}

std::uint8_t SimulatedFtdi::onTheWire(std::uint8_t b) const {
    return lineSettingsMatch() ? b : std::uint8_t(~b);
}

SimTime SimulatedFtdi::arrivalTime(Line& line, SimTime sentAt) {
    if (!wireTime_) return sentAt;
    if (sentAt >= line.freeAt) {  // the line was idle: a new burst begins
        line.burstStart = sentAt;
        line.burstCount = 0;
    }
    ++line.burstCount;
    line.freeAt = line.burstStart + wireTime(line.burstCount);
    return line.freeAt;
}

void SimulatedFtdi::collectTwinOutput() {
    for (auto& chunk : twin_.takeOutput())
        for (auto b : chunk.bytes)
            up_.bytes.push_back({arrivalTime(up_, chunk.at), onTheWire(b)});
}

void SimulatedFtdi::sync() {
    const SimTime now = std::max(time_->now(), twin_.now());
    if (twin_.unplugged()) {
        down_ = Line{};
        up_ = Line{};
        if (open_) handleLost_ = true;
        twin_.advanceTo(now);
        twin_.takeOutput();
        return;
    }
    while (!down_.bytes.empty() && down_.bytes.front().at <= now) {
        const TimedByte next = down_.bytes.front();
        down_.bytes.pop_front();
        twin_.advanceTo(next.at);
        collectTwinOutput();
        twin_.receiveByte(next.value);
        collectTwinOutput();
    }
    twin_.advanceTo(now);
    collectTwinOutput();
}

std::uint32_t SimulatedFtdi::readable(SimTime now) const {
    std::uint32_t n = 0;
    for (const auto& b : up_.bytes) {
        if (b.at > now) break;
        ++n;
    }
    return n;
}

FtStatus SimulatedFtdi::checkHandle(FtHandle handle) {
    sync();
    if (handleLost_ && handle == handle_) return ft::IoError;
    if (!open_ || handle != handle_) return ft::InvalidHandle;
    return ft::Ok;
}

FtStatus SimulatedFtdi::createDeviceInfoList(std::uint32_t& count) {
    sync();
    count = twin_.unplugged() ? 0 : 1;
    return ft::Ok;
}

FtStatus SimulatedFtdi::getDeviceInfoDetail(std::uint32_t index, FtDeviceInfo& info) {
    sync();
    if (twin_.unplugged() || index != 0) return ft::DeviceNotFound;
    info.flags = open_ ? kFlagOpened : 0;
    info.type = kDeviceType232R;
    info.id = 0x04036001;
    info.locationId = 0x0111;
    info.serialNumber = "RV720SIM";
    info.description = kDeviceDescription;
    info.handle = open_ ? handle_ : 0;
    return ft::Ok;
}

FtStatus SimulatedFtdi::openEx(const std::string& description, std::uint32_t flags,
                               FtHandle& handle) {
    sync();
    if (twin_.unplugged() || flags != ft::OpenByDescription || description != kDeviceDescription)
        return ft::DeviceNotFound;
    if (open_) return ft::DeviceNotOpened;  // one owner at a time, as the driver allows
    open_ = true;
    handleLost_ = false;
    handle_ = kHandleBase + ++opens_;
    handle = handle_;
    baud_ = 9600;
    wordLength_ = ft::Bits8;
    stopBits_ = ft::StopBits1;
    parity_ = ft::ParityNone;
    down_ = Line{};
    up_ = Line{};
    return ft::Ok;
}

FtStatus SimulatedFtdi::setBaudRate(FtHandle handle, std::uint32_t baud) {
    if (auto s = checkHandle(handle)) return s;
    baud_ = baud;
    return ft::Ok;
}

FtStatus SimulatedFtdi::setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                               std::uint8_t stopBits, std::uint8_t parity) {
    if (auto s = checkHandle(handle)) return s;
    wordLength_ = wordLength;
    stopBits_ = stopBits;
    parity_ = parity;
    return ft::Ok;
}

FtStatus SimulatedFtdi::setFlowControl(FtHandle handle, std::uint16_t, std::uint8_t, std::uint8_t) {
    return checkHandle(handle);
}

FtStatus SimulatedFtdi::purge(FtHandle handle, std::uint32_t mask) {
    if (auto s = checkHandle(handle)) return s;
    if (mask & kPurgeRx) up_.bytes.clear();
    if (mask & kPurgeTx) down_.bytes.clear();
    return ft::Ok;
}

FtStatus SimulatedFtdi::getStatus(FtHandle handle, std::uint32_t& rxQueue, std::uint32_t& txQueue,
                                  std::uint32_t& eventStatus) {
    if (auto s = checkHandle(handle)) return s;
    rxQueue = readable(twin_.now());
    txQueue = std::uint32_t(down_.bytes.size());
    eventStatus = 0;
    return ft::Ok;
}

FtStatus SimulatedFtdi::read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                             std::uint32_t& bytesRead) {
    bytesRead = 0;
    if (auto s = checkHandle(handle)) return s;
    if (!buffer && toRead > 0) return ft::InvalidParameter;
    const std::uint32_t n = std::min(toRead, readable(twin_.now()));
    for (std::uint32_t i = 0; i < n; ++i) {
        buffer[i] = up_.bytes.front().value;
        up_.bytes.pop_front();
    }
    bytesRead = n;
    return ft::Ok;
}

FtStatus SimulatedFtdi::write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                              std::uint32_t& bytesWritten) {
    bytesWritten = 0;
    if (auto s = checkHandle(handle)) return s;
    if (!buffer && toWrite > 0) return ft::InvalidParameter;
    const SimTime now = twin_.now();
    for (std::uint32_t i = 0; i < toWrite; ++i)
        down_.bytes.push_back({arrivalTime(down_, now), onTheWire(buffer[i])});
    sync();
    bytesWritten = toWrite;
    return ft::Ok;
}

ReceiveWait SimulatedFtdi::receiveWait(FtHandle handle) {
    ReceiveWait wait;
    wait.polled = false;
    if (checkHandle(handle) != ft::Ok) {  // a pulled cable: the next query says so, now
        wait.due = SimDuration::zero();
        return wait;
    }
    const SimTime now = twin_.now();
    std::optional<SimTime> due;
    auto consider = [&](SimTime t) {
        if (!due || t < *due) due = t;
    };
    // A reply is read whole: wake when the last byte sent so far can be read, not
    // at each of its bytes; at once when some can be read already.
    if (readable(now) > 0) consider(now);
    if (!up_.bytes.empty()) consider(up_.bytes.back().at);
    if (!down_.bytes.empty()) consider(down_.bytes.back().at);
    if (const auto next = twin_.nextEventTime()) consider(*next);
    if (due) wait.due = std::max(*due - now, SimDuration::zero());
    return wait;
}

FtStatus SimulatedFtdi::close(FtHandle handle) {
    sync();
    if (!open_ || handle != handle_) return ft::InvalidHandle;
    open_ = false;
    handleLost_ = false;
    down_ = Line{};
    up_ = Line{};
    return ft::Ok;
}

}  // namespace rv720::sim
