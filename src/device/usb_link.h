#pragma once
// The one USB connection to the controller, through the D2XX-style calls of FtdiApi.
//
// Opening: list the devices, open the converter by its description "Quellbrandtor
// RV720", 111111 baud, 8N1, no flow control, purge both buffers. Only the purge's
// result decides whether the link stays open. When the device could not be opened,
// one more status line says which device and why (no permission, held by another
// program, unplugged), after the station's own lines.
// Receiving: every wake-up asks the driver how many bytes are queued and reads
// exactly that many, one byte per read, into the frame reassembler; every frame
// whose sum is right goes to dispatchFrame. The wake-ups follow the backend (see
// ReceiveWait): a descriptor that turns readable or a moment when bytes are due
// wakes the link at once, so a reply is handled as soon as its last byte is there;
// a backend that cannot tell is asked at UsbTimer's 1 ms tick while a reply is
// awaited or bytes are coming in (a frame half read, or bytes at the last tick),
// and every kIdlePoll otherwise. A platform
// without a Waker ticks every millisecond while connected.
// Sending: SendCommand frames the data, waits (boundedly) for a good status query,
// writes the frame and arms TimeoutTimer (700 ms) with the retry counter at 0. The
// last frame stays in the transmit buffer so the timeout can send it again.
// Any failing status query or write while open closes the link.
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "protocol/frame.h"
#include "protocol/ftdi_api.h"
#include "support/timer.h"

namespace rv720 {

// What the link does to the main window around it.
class LinkEvents {
  public:
    virtual ~LinkEvents() = default;
    virtual void AddStatusLine(const std::string& text) = 0;
    // Lit: led_usb shows "ID_led_play". Unlit: both led_usb and led_prog show
    // "ID_led_stop".
    virtual void connectionIndicatorChanged(bool lit) = 0;
    // A status query or write failed while open (the indicator has just gone out):
    // hide the monitor, transfer and message windows and stop the reply timeout.
    virtual void linkLost() = 0;
    virtual void dispatchFrame(std::span<const std::uint8_t> frame) = 0;
};

enum class FrameDirection { Sent, Received };

class UsbLink {
  public:
    // A status query that keeps failing before a send is retried this often, then
    // taken as a lost converter.
    static constexpr int kStatusAttempts = 5;
    // How often a backend that cannot signal bytes is asked while nothing is
    // expected: frames the controller sends on its own (a running program's line
    // reports and messages) are seen this late at most.
    static constexpr std::chrono::milliseconds kIdlePoll{20};

    // Without a waker the link polls at every UsbTimer tick while connected.
    UsbLink(FtdiApi& ftdi, Timer& usbTimer, Timer& timeoutTimer, LinkEvents& events,
            std::unique_ptr<Waker> waker = nullptr);
    // Releases a handle still open, quietly: the windows may already be gone.
    ~UsbLink();
    UsbLink(const UsbLink&) = delete;
    UsbLink& operator=(const UsbLink&) = delete;

    void OpenLink();
    void CloseLink();
    void WriteRaw(const std::uint8_t* bytes, std::int32_t count);
    void CheckLinkStatus();
    void SendCommand(const std::uint8_t* data, std::uint8_t code, std::uint32_t count);
    void SendCommand(std::uint8_t code, std::span<const std::uint8_t> data) {
        SendCommand(data.data(), code, std::uint32_t(data.size()));
    }
    void UsbTimerTimer();
    // Chooses how to wait for the next bytes (see above); every drain ends with it.
    // Call it when the device may have news the link did not cause (an input of
    // the twin changed).
    void listen();
    // Whether anything will wake the link for bytes: its tick or its waker.
    bool listening() const { return usbTimer_.isActive() || (waker_ && waker_->armed()); }
    void PutReceivedByte(std::uint8_t b);
    // True for FF FF FF, a length field that fits the frame and a matching sum.
    static bool VerifyFrame(std::span<const std::uint8_t> frame) { return verifyFrame(frame); }

    // The reply timeout's use of the transmit frame.
    std::uint8_t countTimeout() { return ++retryCounter_; }
    void resendTransmitFrame() {
        WriteRaw(txFrame_.bytes.data(), txFrame_.size);
        listen();
    }
    // Writes a ready-made frame as it is, keeping it as the transmit frame, with no
    // timeout and the retry counter unchanged.
    void writeTransmitFrame(const Frame& frame);

    bool connected() const { return connected_; }
    bool indicatorLit() const { return indicatorFlag_; }
    std::uint8_t retryCounter() const { return retryCounter_; }
    const Frame& transmitFrame() const { return txFrame_; }
    FtStatus status() const { return status_; }
    std::uint32_t deviceCount() const { return deviceCount_; }
    const FrameAssembler& assembler() const { return assembler_; }
    // Why the last opening failed ("" when it did not, or nothing was found).
    const std::string& openFailureLine() const { return openFailureLine_; }

    // Hex logging of every frame, off while empty.
    std::function<void(FrameDirection, std::span<const std::uint8_t>)> frameLog;

  private:
    void putIndicatorOut(const char* message);
    void lightIndicator();
    void reportOpenFailure();
    bool expectingBytes() const;

    FtdiApi& ftdi_;
    Timer& usbTimer_;
    Timer& timeoutTimer_;
    LinkEvents& events_;
    std::unique_ptr<Waker> waker_;
    bool bytesLastPoll_ = false;  // the last drain found bytes: more may follow
    std::string openFailureLine_;

    FtStatus status_ = ft::Ok;
    FtHandle handle_ = 0;
    bool handleOpen_ = false;  // FT_OpenEx succeeded and FT_Close is still due
    FtDeviceInfo deviceInfo_;
    std::uint32_t deviceCount_ = 0;
    bool connected_ = false;
    bool indicatorFlag_ = false;  // led_usb lit
    std::uint32_t rxQueue_ = 0, txQueue_ = 0, eventStatus_ = 0;
    FrameAssembler assembler_;
    std::uint8_t retryCounter_ = 0;
    Frame txFrame_;
};

// "FF FF FF 00 03 ..." for a frame log.
std::string hexText(std::span<const std::uint8_t> bytes);

}  // namespace rv720
