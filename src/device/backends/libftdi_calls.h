#pragma once
// The seam under the libftdi backend: libftdi's own calls, one to one, on one
// ftdi_context, so the backend's choices (which converter, in which order the
// calls go, how failures read) are tested against a scripted fake, and only this
// thin layer touches the library.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rv720 {

// One FTDI converter on the bus.
struct UsbConverter {
    std::string description, serialNumber;
    int bus = 0, address = 0;
    std::uint16_t vendorId = 0, productId = 0;
    std::string node;  // "/dev/bus/usb/001/005": what libftdi opens
    std::string tty;   // "/dev/ttyUSB0" while the kernel's serial driver has it
};

class LibFtdiCalls {
  public:
    virtual ~LibFtdiCalls() = default;
    // ftdi_usb_find_all for the FTDI vendor's converters, and ftdi_usb_get_strings2
    // for each (the kernel's copy of the strings when this user may not open the
    // device). The number found, or libftdi's negative error.
    virtual int usbFindAll(std::vector<UsbConverter>& found) = 0;
    // ftdi_usb_open_dev on entry `index` of the last list. The kernel's serial
    // driver is detached while open and attached again by usbClose.
    virtual int usbOpenDev(std::size_t index) = 0;
    virtual int setBaudrate(int baud) = 0;                                // ftdi_set_baudrate
    virtual int setLineProperty(int bits, int stopBits, int parity) = 0;  // ftdi_set_line_property
    virtual int setFlowCtrl(int flow) = 0;                                // ftdi_setflowctrl
    virtual int setLatencyTimer(unsigned char ms) = 0;                    // ftdi_set_latency_timer
    virtual int tciflush() = 0;                                           // ftdi_tciflush
    virtual int tcoflush() = 0;                                           // ftdi_tcoflush
    virtual int readData(unsigned char* buffer, int size) = 0;            // ftdi_read_data
    // What libftdi still holds of its last USB transfer (readbuffer_remaining): a
    // readData of up to this many bytes is served without going to the device.
    virtual int buffered() const = 0;
    virtual int writeData(const unsigned char* buffer, int size) = 0;  // ftdi_write_data
    virtual int usbClose() = 0;                                        // ftdi_usb_close
    virtual std::string errorString() const = 0;                       // ftdi_get_error_string
};

// The library itself; null in a build without libftdi.
std::unique_ptr<LibFtdiCalls> systemLibFtdi();

// libftdi's errors the backend tells apart (ftdi_usb_open_dev).
namespace libftdi {
inline constexpr int OpenFailed = -4;   // libusb_open: no permission, or gone
inline constexpr int ClaimFailed = -5;  // another program has claimed the device
inline constexpr int BadBaudrate = -1;  // ftdi_set_baudrate: a rate the chip cannot make
}  // namespace libftdi

}  // namespace rv720
