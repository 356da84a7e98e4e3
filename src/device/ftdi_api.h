#pragma once
// The D2XX-style calls the link makes, and nothing else: every backend (the
// controller twin, a serial port, a test fake) stands behind this interface.
// Results follow the vendor library: 0 is FT_OK, anything else a failure.
#include <cstdint>
#include <string>

namespace rv720 {

using FtStatus = std::uint32_t;
using FtHandle = std::uintptr_t;

namespace ft {
inline constexpr FtStatus Ok = 0;
inline constexpr FtStatus InvalidHandle = 1;
inline constexpr FtStatus DeviceNotFound = 2;
inline constexpr FtStatus DeviceNotOpened = 3;
inline constexpr FtStatus IoError = 4;
inline constexpr FtStatus InsufficientResources = 5;
inline constexpr FtStatus InvalidParameter = 6;
inline constexpr FtStatus OtherError = 18;

inline constexpr std::uint32_t OpenByDescription = 2;
inline constexpr std::uint32_t PurgeRxTx = 3;
inline constexpr std::uint8_t Bits8 = 8;
inline constexpr std::uint8_t StopBits1 = 0;
inline constexpr std::uint8_t ParityNone = 0;
inline constexpr std::uint16_t FlowNone = 0;
}  // namespace ft

// The controller's converter is programmed with this description and opened by it.
inline constexpr const char* kDeviceDescription = "Quellbrandtor RV720";
inline constexpr std::uint32_t kBaudRate = 111111;

struct FtDeviceInfo {
    std::uint32_t flags = 0, type = 0, id = 0, locationId = 0;
    std::string serialNumber, description;
    FtHandle handle = 0;
};

class FtdiApi {
  public:
    virtual ~FtdiApi() = default;
    virtual FtStatus createDeviceInfoList(std::uint32_t& count) = 0;
    virtual FtStatus getDeviceInfoDetail(std::uint32_t index, FtDeviceInfo& info) = 0;
    virtual FtStatus openEx(const std::string& description, std::uint32_t flags,
                            FtHandle& handle) = 0;
    virtual FtStatus setBaudRate(FtHandle handle, std::uint32_t baud) = 0;
    virtual FtStatus setDataCharacteristics(FtHandle handle, std::uint8_t wordLength,
                                            std::uint8_t stopBits, std::uint8_t parity) = 0;
    virtual FtStatus setFlowControl(FtHandle handle, std::uint16_t flow, std::uint8_t xon,
                                    std::uint8_t xoff) = 0;
    virtual FtStatus purge(FtHandle handle, std::uint32_t mask) = 0;
    virtual FtStatus getStatus(FtHandle handle, std::uint32_t& rxQueue, std::uint32_t& txQueue,
                               std::uint32_t& eventStatus) = 0;
    virtual FtStatus read(FtHandle handle, std::uint8_t* buffer, std::uint32_t toRead,
                          std::uint32_t& bytesRead) = 0;
    virtual FtStatus write(FtHandle handle, const std::uint8_t* buffer, std::uint32_t toWrite,
                           std::uint32_t& bytesWritten) = 0;
    virtual FtStatus close(FtHandle handle) = 0;
};

}  // namespace rv720
