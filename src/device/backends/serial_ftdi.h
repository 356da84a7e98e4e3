#pragma once
// SerialFtdi: the D2XX calls answered by a serial port, for the FTDI converter as
// the operating system exposes it (a virtual COM port such as /dev/ttyUSB0), or for
// any port named explicitly (a pseudo-terminal served by "rv720 serve-simulator",
// a null-modem cable).
//
// Finding the controller: by default the device list holds the system's USB
// serial ports whose USB product description is "Quellbrandtor RV720", as the
// vendor driver's list would; a port of another description is never counted or
// opened. Given a port path, the list holds that one port and opening takes it
// whatever it reports.
//
// Line: the link asks for 111,111 baud, 8 data bits, one stop bit, no parity and
// no flow control; the D2XX codes are translated one to one and a value the port
// cannot take is refused with a non-zero status, never ignored. The port is opened
// raw and exclusive, and without HUPCL, so closing it leaves DTR and RTS as they
// are (opening a serial port raises them; the kernel gives no way around that).
// The driver is asked for low latency (ASYNC_LOW_LATENCY, and the FTDI driver's
// latency_timer of 1 ms where this user may write it): else the driver holds
// received bytes for 16 ms, and every reply waits that long.
//
// Timing: nothing here blocks except a write, which waits (at most writeTimeout)
// until the driver has taken its bytes. A status query moves what the port has
// received into a buffer without waiting, and reads are served from that buffer.
// The port's descriptor is what the link sleeps on between bytes. Any failure of
// the port (a converter pulled out, a closed terminal) is a non-zero status, which
// closes the link; a port that cannot be opened says why (openFailure).
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "device/backends/device_probe.h"
#include "protocol/ftdi_api.h"

namespace rv720 {

struct SerialPortEntry {
    std::string path;         // "/dev/ttyUSB0"
    std::string description;  // the USB product description, when the system knows it
    std::string serialNumber;
    std::uint16_t vendorId = 0, productId = 0;
};

using PortLister = std::function<std::vector<SerialPortEntry>()>;

// The system's serial ports that sit on a USB device.
std::vector<SerialPortEntry> systemUsbSerialPorts();
// Every serial port the system reports, on USB or not.
std::vector<SerialPortEntry> systemSerialPorts();

// True when a reported product description names the controller's converter.
// udev reports the model with blanks turned into underscores
// ("Quellbrandtor_RV720"), so both spellings are taken.
bool descriptionMatches(std::string_view reported);

class SerialFtdi final : public FtdiApi {
  public:
    // The converter found by its description among the ports `lister` reports.
    explicit SerialFtdi(PortLister lister = systemUsbSerialPorts,
                        const DeviceProbe& probe = systemProbe());
    // The port at `path` (or a port name such as "ttyUSB0"), whatever it reports.
    static std::unique_ptr<SerialFtdi> onPort(const std::string& path,
                                              const DeviceProbe& probe = systemProbe());
    ~SerialFtdi() override;

    // How long one write may wait for the driver to take its bytes.
    void setWriteTimeout(std::chrono::milliseconds timeout) { writeTimeout_ = timeout; }
    // The port opened last ("" before the first open).
    const std::string& portPath() const { return openedPath_; }

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
    std::optional<OpenFailure> openFailure() const override { return failure_; }

  private:
    FtStatus checkHandle(FtHandle handle) const;
    FtStatus pump();  // moves what has arrived into rx_
    FtStatus failOpen(const std::string& path, int error, bool listed);
    void askForLowLatency(const std::string& path);

    PortLister lister_;
    const DeviceProbe& probe_;
    bool anyDescription_ = false;  // an explicitly named port
    std::string namedPath_;        // that port's name as given
    std::vector<SerialPortEntry> listed_;
    int fd_ = -1;
    std::deque<std::uint8_t> rx_;
    FtHandle handle_ = 0;
    std::uint32_t opens_ = 0;
    std::string openedPath_;
    std::optional<OpenFailure> failure_;
    std::chrono::milliseconds writeTimeout_{2000};
};

}  // namespace rv720
