#pragma once
// LibFtdi: the D2XX calls answered by libftdi, which talks to the converter over
// USB itself, as the vendor's library does, instead of through the kernel's
// serial driver.
//
// Finding the controller: the list holds the FTDI converters whose USB product
// description is "Quellbrandtor RV720" (or, when a serial number is given, the one
// with that number whatever its description); any other converter is never
// counted or opened. Opening takes the device from the kernel's serial driver for
// as long as it is open and gives it back on closing. A converter whose serial
// port another program holds is reported busy and left alone: taking it would
// hang that program up.
//
// Line: baud rate, data characteristics and flow control map one to one onto
// libftdi's codes; purge flushes the chip's buffers. Right after opening the
// chip's latency timer is set to 1 ms: else it holds received bytes for 16 ms.
// DTR and RTS are never touched.
//
// Receiving: a status query makes one USB read (at most the chip's latency timer
// long) and moves what it brought, and whatever libftdi kept of it, into a
// buffer; the count is what the buffer holds, and reads are served from it. libftdi
// cannot say when bytes come, so the link asks at its tick while it expects them.
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/backends/device_probe.h"
#include "device/backends/libftdi_calls.h"
#include "protocol/ftdi_api.h"

namespace rv720 {

// "USB 001/005", the name a converter goes by in messages.
std::string usbName(const UsbConverter& converter);

class LibFtdi final : public FtdiApi {
  public:
    LibFtdi(std::unique_ptr<LibFtdiCalls> calls, const DeviceProbe& probe = systemProbe(),
            std::string serialNumber = {});
    ~LibFtdi() override;

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
    std::optional<OpenFailure> openFailure() const override { return failure_; }

  private:
    FtStatus checkHandle(FtHandle handle) const;
    bool selected(const UsbConverter& converter, const std::string& description) const;
    FtStatus failOpen(const UsbConverter& converter, int result);

    std::unique_ptr<LibFtdiCalls> calls_;
    const DeviceProbe& probe_;
    std::string serialNumber_;
    std::vector<UsbConverter> found_;    // the last list, every converter
    std::vector<std::size_t> selected_;  // the ones counted, as indices into found_
    bool listed_ = false;
    bool open_ = false;
    FtHandle handle_ = 0;
    std::uint32_t opens_ = 0;
    std::deque<std::uint8_t> rx_;
    std::optional<OpenFailure> failure_;
};

}  // namespace rv720
