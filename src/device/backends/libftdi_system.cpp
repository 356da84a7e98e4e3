// The seam's production side: libftdi1 on libusb, and the kernel's sysfs for the
// strings of a device this user may not open and for the tty its serial driver
// made.
#include <ftdi.h>
#include <libusb.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "device/backends/libftdi_calls.h"

namespace rv720 {

namespace {

namespace fs = std::filesystem;

std::string firstLine(const fs::path& file) {
    std::string line;
    std::ifstream in(file);
    std::getline(in, line);
    return line;
}

// /sys/bus/usb/devices/1-1.2 for the device on bus 1, port 1, then port 2.
fs::path sysfsDir(libusb_device* device) {
    std::uint8_t ports[8];
    const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
    std::string name = std::to_string(libusb_get_bus_number(device)) + "-";
    for (int i = 0; i < depth; ++i)
        name += (i ? "." : "") + std::to_string(ports[i]);
    return fs::path("/sys/bus/usb/devices") / name;
}

// The serial driver's tty of the device's first interface, while it has one.
std::string boundTty(const fs::path& device) {
    std::error_code ec;
    const fs::path interface = device.string() + ":1.0";
    for (const auto& entry : fs::directory_iterator(interface, ec)) {
        const std::string name = entry.path().filename();
        if (name.rfind("tty", 0) == 0 && name != "tty") return "/dev/" + name;
    }
    for (const auto& entry : fs::directory_iterator(interface / "tty", ec))
        return "/dev/" + entry.path().filename().string();
    return {};
}

class SystemLibFtdiCalls final : public LibFtdiCalls {
  public:
    ~SystemLibFtdiCalls() override {
        if (list_) ftdi_list_free(&list_);
        if (context_) ftdi_free(context_);  // closes the device if still open
    }

    int usbFindAll(std::vector<UsbConverter>& found) override {
        if (!context()) return -1;
        if (list_) ftdi_list_free(&list_);
        devices_.clear();
        // Vendor and product 0: the FTDI vendor's converters of every known kind.
        const int count = ftdi_usb_find_all(context_, &list_, 0, 0);
        if (count < 0) return count;
        for (ftdi_device_list* item = list_; item; item = item->next) {
            libusb_device* device = item->dev;
            UsbConverter converter;
            converter.bus = libusb_get_bus_number(device);
            converter.address = libusb_get_device_address(device);
            libusb_device_descriptor descriptor{};
            if (libusb_get_device_descriptor(device, &descriptor) == 0) {
                converter.vendorId = descriptor.idVendor;
                converter.productId = descriptor.idProduct;
            }
            char node[64];
            std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", converter.bus,
                          converter.address);
            converter.node = node;
            const fs::path sysfs = sysfsDir(device);
            char description[128] = {}, serial[128] = {};
            if (ftdi_usb_get_strings2(context_, device, nullptr, 0, description, sizeof description,
                                      serial, sizeof serial) == 0) {
                converter.description = description;
                converter.serialNumber = serial;
            } else {  // no permission to open it: the kernel read them at plug-in
                converter.description = firstLine(sysfs / "product");
                converter.serialNumber = firstLine(sysfs / "serial");
            }
            converter.tty = boundTty(sysfs);
            found.push_back(std::move(converter));
            devices_.push_back(device);
        }
        return count;
    }

    int usbOpenDev(std::size_t index) override {
        if (!context() || index >= devices_.size()) return -3;
        return ftdi_usb_open_dev(context_, devices_[index]);
    }
    int setBaudrate(int baud) override { return ftdi_set_baudrate(context_, baud); }
    int setLineProperty(int bits, int stopBits, int parity) override {
        return ftdi_set_line_property(context_, ftdi_bits_type(bits), ftdi_stopbits_type(stopBits),
                                      ftdi_parity_type(parity));
    }
    int setFlowCtrl(int flow) override { return ftdi_setflowctrl(context_, flow); }
    int setLatencyTimer(unsigned char ms) override { return ftdi_set_latency_timer(context_, ms); }
    int tciflush() override { return ftdi_tciflush(context_); }
    int tcoflush() override { return ftdi_tcoflush(context_); }
    int readData(unsigned char* buffer, int size) override {
        return ftdi_read_data(context_, buffer, size);
    }
    int buffered() const override { return context_ ? int(context_->readbuffer_remaining) : 0; }
    int writeData(const unsigned char* buffer, int size) override {
        return ftdi_write_data(context_, buffer, size);
    }
    int usbClose() override { return ftdi_usb_close(context_); }
    std::string errorString() const override {
        if (!context_) return "libusb could not start";
        const char* text = ftdi_get_error_string(context_);
        return text ? text : "";
    }

  private:
    // Made on first use, so a station that never looks for a converter never
    // starts libusb.
    ftdi_context* context() {
        if (!context_) {
            context_ = ftdi_new();
            // Closing gives the device back to the kernel's serial driver.
            if (context_) context_->module_detach_mode = AUTO_DETACH_REATACH_SIO_MODULE;
        }
        return context_;
    }

    ftdi_context* context_ = nullptr;
    ftdi_device_list* list_ = nullptr;
    std::vector<libusb_device*> devices_;
};

}  // namespace

std::unique_ptr<LibFtdiCalls> systemLibFtdi() {
    return std::make_unique<SystemLibFtdiCalls>();
}

}  // namespace rv720
