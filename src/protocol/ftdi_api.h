#pragma once
// The D2XX-style calls the link makes, and nothing else: every backend (the
// controller twin, a serial port, libftdi, a test fake) stands behind this
// interface. Results follow the vendor library: 0 is FT_OK, anything else a
// failure.
//
// Two answers beyond the vendor's calls, both with defaults that keep a backend
// working without them: how the link may wait for bytes instead of asking every
// millisecond (receiveWait), and why the device could not be listed or opened
// (openFailure), in terms a user can act on.
#include <chrono>
#include <cstdint>
#include <optional>
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

// How the link may wait for the next bytes of an open handle.
struct ReceiveWait {
    // The backend cannot tell when bytes come: the link asks it at its 1 ms tick
    // while it expects bytes, and now and then otherwise.
    bool polled = true;
    int fd = -1;  // becomes readable when bytes have come in
    // Bytes, or news of the device's own, are due after this long.
    std::optional<std::chrono::nanoseconds> due;
};

// Why the device named could not be listed or opened.
enum class OpenCause {
    NotFound,      // nothing of that name is attached
    NoPermission,  // the user may not open its device node
    Busy,          // another program holds it
    Unplugged,     // it went away while being opened
    Other,         // anything else; `detail` says what the system said
};

struct OpenFailure {
    std::string device;  // "/dev/ttyUSB0", "USB 001/005"
    OpenCause cause = OpenCause::Other;
    // NoPermission: the group owning the node; Busy: the holder ("minicom, pid 812")
    // when known; Other: the system's words.
    std::string detail;
};

// What a user reads: "no permission - install ..." (the reason), and the status
// line "/dev/ttyUSB0: no permission - install ..." (device and reason).
std::string openFailureReason(const OpenFailure& failure);
std::string openFailureText(const OpenFailure& failure);

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

    virtual ReceiveWait receiveWait(FtHandle) { return {}; }
    // Why the last createDeviceInfoList or openEx did not give a usable device;
    // nothing when it did, or when there is nothing to say beyond "none found".
    virtual std::optional<OpenFailure> openFailure() const { return std::nullopt; }
};

}  // namespace rv720
