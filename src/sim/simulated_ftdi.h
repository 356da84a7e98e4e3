#pragma once
// SimulatedFtdi: the D2XX calls answered by an in-process controller twin, so the
// station, the command-line tool and the tests can talk to a controller without
// one attached. It lists exactly one device, "Quellbrandtor RV720", which opens by
// that description only.
//
// Time comes from a TimeSource (the steady clock in production, a manual one in
// tests). Every call first brings the twin up to "now": bytes the station wrote
// reach the twin at their arrival times, in order with what its program does in
// between, and what the twin sends is queued for reading.
//
// Wire time: with emulation on, each byte occupies the line for 10 bits at 111,111
// baud (90.00009 us) in each direction; a byte is readable, or reaches the twin,
// only once its last bit has passed, and bytes sent while the line is busy queue
// behind it. With emulation off bytes arrive the moment they are sent.
//
// Line settings: until the station sets 111,111 baud and 8 data bits, one stop bit,
// no parity (the converter starts at 9600 baud), every byte arrives inverted in
// both directions, as garbage would from a mismatched line.
//
// The twin's Unplugged fault pulls the cable: the device list is empty, opening
// fails with DeviceNotFound, calls on the open handle fail with IoError until it is
// closed, and bytes on the way are lost. After replug the device opens again.
// FT_Read returns what is queued and never waits for more.
//
// Waiting: the twin knows when its next byte will be readable, when the station's
// bytes on the way will have reached it, and when its program next acts, so the
// link is told to wake exactly then (receiveWait) and sleeps while nothing is due.
#include <cstdint>
#include <deque>
#include <memory>

#include "protocol/ftdi_api.h"
#include "sim/controller_twin.h"
#include "sim/sim_time.h"

namespace rv720::sim {

// How long n bytes occupy the line: n * 10 bits / 111,111 baud, rounded up to
// whole nanoseconds.
SimDuration wireTime(std::int64_t bytes);

class SimulatedFtdi final : public FtdiApi {
  public:
    explicit SimulatedFtdi(TwinOptions options = {},
                           std::shared_ptr<TimeSource> time = std::make_shared<SteadyTimeSource>());

    ControllerTwin& twin() { return twin_; }
    TimeSource& timeSource() { return *time_; }
    void setWireTimeEmulation(bool on) { wireTime_ = on; }
    bool wireTimeEmulation() const { return wireTime_; }
    bool lineSettingsMatch() const;
    // Brings the twin up to the time source's now (every call does this first).
    void sync();

    FtStatus createDeviceInfoList(std::uint32_t& count) override;
    FtStatus getDeviceInfoDetail(std::uint32_t index, FtDeviceInfo& info) override;
    FtStatus openEx(const std::string& description, std::uint32_t flags, FtHandle& handle) override;
    FtStatus setBaudRate(FtHandle handle, std::uint32_t baud) override;
    FtStatus setDataCharacteristics(FtHandle handle, std::uint8_t wordLength, std::uint8_t stopBits,
                                    std::uint8_t parity) override;
    FtStatus setFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                            std::uint8_t xoff) override;
    FtStatus purge(FtHandle handle, std::uint32_t mask) override;
    FtStatus getStatus(FtHandle handle, std::uint32_t& rxQueue, std::uint32_t& txQueue,
                       std::uint32_t& eventStatus) override;
    FtStatus read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                  std::uint32_t& bytesRead) override;
    FtStatus write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                   std::uint32_t& bytesWritten) override;
    FtStatus close(FtHandle handle) override;
    ReceiveWait receiveWait(FtHandle handle) override;

  private:
    struct TimedByte {
        SimTime at;
        std::uint8_t value;
    };
    // One direction of the cable.
    struct Line {
        std::deque<TimedByte> bytes;  // in arrival order
        SimTime burstStart{0};
        std::int64_t burstCount = 0;
        SimTime freeAt{0};
    };

    SimTime arrivalTime(Line& line, SimTime sentAt);
    void collectTwinOutput();
    std::uint8_t onTheWire(std::uint8_t b) const;
    FtStatus checkHandle(FtHandle handle);
    std::uint32_t readable(SimTime now) const;

    std::shared_ptr<TimeSource> time_;
    ControllerTwin twin_;
    bool wireTime_ = false;
    Line down_;  // station to controller
    Line up_;    // controller to station

    bool open_ = false;
    bool handleLost_ = false;  // the cable was pulled while open
    FtHandle handle_ = 0;
    std::uint32_t opens_ = 0;
    std::uint32_t baud_ = 9600;
    std::uint8_t wordLength_ = ft::Bits8, stopBits_ = ft::StopBits1, parity_ = ft::ParityNone;
};

}  // namespace rv720::sim
