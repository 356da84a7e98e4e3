#pragma once
// The device side of the main window without its widgets: the link, the timers
// around it, the reply dispatcher, the program write and read, the firmware update
// and the monitor request loops. Its methods are the station's handlers; everything
// visible goes out through MainWindowView, TransferView and MonitorView.
//
// Timers (all created stopped): UsbTimer 1 ms polls the receive queue while the link
// expects bytes (the link also sleeps on a waker where the platform has one); TimeoutTimer
// 700 ms re-sends an unanswered command twice and closes the link on the third
// expiry; Timer 100 ms counts transfer time in tenths; MotorViewTimer and
// InputViewTimer 100 ms pace the monitor requests, one outstanding at a time,
// re-armed by the reply.
//
// Write: the write header (length, input-break block) is acknowledged like a
// record, and every record k (1-based) by one more acknowledgement; then the
// transfer end. Read: the read header and its reply, then a record request and its
// reply for each index; then the transfer end. Firmware: the update command and its
// acceptance, the same command's raw frame once more, the controller's request for
// the file, the start byte, a 1000 ms pause, the file's bytes one write each, then
// "done" or "failed", after which the link closes. The bytes of every frame are in
// protocol/.
//
// Replies carry no request number, so the station pairs them itself: the command
// sent last is the outstanding one, and only its reply (the same code, the same
// motor for a motor command, the same index for a record request, or a refusal
// naming its code) stops the reply timeout and moves a transfer on. Frames the
// controller sends on its own (executed line, program messages, the end of a run,
// a monitor reply that was overtaken) are shown as always but answer nothing, so a
// lost reply is still re-sent. A read stores record k only from the reply to its
// request for k and asks for k + 1 only then; a write sends record k + 1 only on the
// acknowledgement it awaits. A transfer that ended (finished, stopped, closed,
// refused, timed out, link lost) takes none of the replies still on their way, and
// firmware replies count only at their step of an update. While a transfer runs
// the monitor windows wait, so their requests never replace its outstanding one.
// A read that does not finish puts back the program, its file name and caption.
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "device/ftdi_api.h"
#include "device/station_view.h"
#include "device/usb_link.h"
#include "model/program_image.h"
#include "protocol/codes.h"
#include "support/clock.h"
#include "support/timer.h"

namespace rv720 {

inline constexpr const char* kFirmwarePassword = "73916kqwmz";
inline constexpr int kFirmwareGaugeMaximum = 32500;

class DeviceStation;

enum class TransferKind { None, Write, Read, Verify, Firmware };

// How a write, read, verify or firmware update ended.
enum class TransferResult {
    Finished,  // written, read, read back equal, or the firmware accepted
    Stopped,   // Stop or Close, or no firmware file given
    Refused,   // the controller refused a step, or sent what no program can hold
    Differs,   // the program read back after a write is not the one written
    NoAnswer,  // the reply timeout gave up
    LinkLost,  // the link went down
};

struct TransferOutcome {
    TransferKind kind = TransferKind::None;
    TransferResult result = TransferResult::Finished;
    friend bool operator==(const TransferOutcome&, const TransferOutcome&) = default;
};

// The handlers of the transfer window FKompilacja.
class TransferWindow {
  public:
    void DownloadButtonClick();
    void StopButtonClick();
    void CloseButtonClick();
    bool FormCloseQuery() const;
    void FormKeyPress(char key);  // 27 Esc, 13 Enter

  private:
    friend class DeviceStation;

    enum class TransferKind { None, Write, Read, Verify, Firmware };

    // How a write, read, verify or firmware update ended.
    enum class TransferResult {
        Finished,  // written, read, read back equal, or the firmware accepted
        Stopped,   // Stop or Close, or no firmware file given
        Refused,   // the controller refused a step, or sent what no program can hold
        Differs,   // the program read back after a write is not the one written
        NoAnswer,  // the reply timeout gave up
        LinkLost,  // the link went down
    };

    struct TransferOutcome {
        TransferKind kind = TransferKind::None;
        TransferResult result = TransferResult::Finished;
        friend bool operator==(const TransferOutcome&, const TransferOutcome&) = default;
    };
    explicit TransferWindow(DeviceStation& station) : station_(station) {}
    DeviceStation& station_;
};

class DeviceStation final : private LinkEvents {
  public:
    DeviceStation(FtdiApi& ftdi, TimerFactory& timers, Clock& clock, ProgramModel& model,
                  MainWindowView& mainView, TransferView& transferView, MonitorView& monitorView);
    ~DeviceStation() override;
    DeviceStation(const DeviceStation&) = delete;
    DeviceStation& operator=(const DeviceStation&) = delete;

    // Link.
    void ConnectButtonClick();
    void DisconnectButtonClick();
    void UsbTimerTimer() { link_.UsbTimerTimer(); }
    bool connected() const { return link_.connected(); }
    // True when connected; otherwise posts "No connection".
    bool connectedOrReport();
    // Sends a command and makes it the outstanding one.
    void sendCommand(const protocol::Message& command);
    // A command is waiting for its reply (the reply timeout runs).
    bool awaitingReply() const { return outstanding_.has_value(); }
    UsbLink& link() { return link_; }
    const UsbLink& link() const { return link_; }

    // Protocol.
    void TimeoutTimerTimer();
    void PlayProgramButtonClick();
    void StopProgramButtonClick();
    void StopButtonClick();    // the emergency stop beside the indicators
    void SpeedButton1Click();  // device reset
    bool programRunning() const { return programRunning_; }

    // About and password windows.
    void InfoButtonClick();
    void SpeedButton2Click();  // firmware update: opens the password window
    // The password window's OK (and Enter): true when accepted and the update asked for;
    // false after "Wrong password" (the caller then colours its entry box), and
    // while a write or read runs.
    bool PassOkButtonClick(const std::string& entry);

    // Monitor windows.
    void ViweMotorButtonClick();
    void WiewIoButtonClick();
    void ViewUsbButtonClick();
    void MotorViewTimerTimer();
    void InputViewTimerTimer();
    void closeMotorView();  // FPodgladSilniki's CloseButtonClick
    void closeInputView();  // FPodgladWejscia's closeButtonClick
    const std::array<bool, kLampCount>& lampStates() const { return lamps_; }

    // Compilation and transfers.
    void WriteProgramButtonClick();
    void ReadProgramButtonClick();
    void TimerTimer() { ++tenths_; }
    TransferWindow& FKompilacja() { return transferWindow_; }

    // After a successful write, read the program back and compare (the transfer
    // window's option; off unless chosen).
    void setVerifyAfterWrite(bool on) { verifyAfterWrite_ = on; }
    bool verifyAfterWrite() const { return verifyAfterWrite_; }

    // Transfer state, for views, the command-line tool and tests.
    TransferKind transferKind() const { return transferKind_; }
    // The latest transfer that ended, and how.
    const std::optional<TransferOutcome>& lastOutcome() const { return lastOutcome_; }
    bool stopAvailable() const { return stopAvailable_; }
    bool downloadAvailable() const { return downloadAvailable_; }
    bool closePermission() const { return closePermission_; }
    bool writeDirection() const { return writeDirection_; }
    bool windowsLocked() const { return windowsLocked_; }
    std::uint32_t tenths() const { return tenths_; }

    Timer& UsbTimer() { return *usbTimer_; }
    Timer& TimeoutTimer() { return *timeoutTimer_; }
    Timer& TransferTimer() { return *transferTimer_; }  // the station's `Timer`
    Timer& MotorViewTimer() { return *motorViewTimer_; }
    Timer& InputViewTimer() { return *inputViewTimer_; }

  private:
    friend class TransferWindow;
    enum class FirmwareStep { None, Requested, Confirmed, Streamed };
    // A command whose reply is awaited: its code, target and record index (record
    // requests only).
    struct Request {
        protocol::CommandCode code{};
        std::uint8_t target = 0;
        int index = -1;
    };
    struct ProgramBefore {
        ProgramImage image;
        std::string fileName;
    };

    // LinkEvents
    void AddStatusLine(const std::string& text) override { main_.AddStatusLine(text); }
    void connectionIndicatorChanged(bool lit) override;
    void linkLost() override;
    void dispatchFrame(std::span<const std::uint8_t> frame) override;

    bool answersOutstanding(FrameView frame) const;
    void owe(protocol::ReplyCode code, int count);
    bool owedByEndedRead(protocol::ReplyCode code);
    void followRunningFlag(std::uint8_t status);
    void showIoReply(FrameView frame);
    bool monitorsWait() const { return transferKind_ != TransferKind::None; }

    void endTransfer(TransferResult result);
    void abandonTransfer(TransferResult result);
    void lockWindows();
    void unlockWindows();
    void setStopAvailable(bool on);
    void setDownloadAvailable(bool on);
    void setGauge(int position);
    void log(const std::string& text, Rgb color);
    void logSeparator();
    std::string elapsedText() const;  // tenths as seconds, "12.3"
    void sendToController(protocol::CommandCode code);

    void DownloadButtonClick();
    void transferStop();
    void transferClose();
    void onRecordStored(bool answer);
    void windUpStoppedWrite(bool sendEnd);
    void failWrite(const std::string& reason);
    void onTransferEndConfirmed();
    void startRead(TransferKind kind);
    void requestRecord(std::uint16_t index);
    void onReadHeader(FrameView frame);
    void onReadRecord(FrameView frame);
    void finishRead();
    void finishVerify();
    void refuseRead(const std::string& reason);
    void keepPreviousProgram();
    void onRefused(protocol::CommandCode code);
    void onFirmwareAccepted();
    void onFirmwareFileRequested();
    void onFirmwareEnded(bool success);
    ProgramImage& readTarget() {
        return transferKind_ == TransferKind::Verify ? readBack_ : model_.image;
    }

    Clock& clock_;
    ProgramModel& model_;
    MainWindowView& main_;
    TransferView& transfer_;
    MonitorView& monitor_;
    std::unique_ptr<Timer> usbTimer_, timeoutTimer_, transferTimer_, motorViewTimer_,
        inputViewTimer_;
    UsbLink link_;
    TransferWindow transferWindow_{*this};

    bool programRunning_ = false;
    std::array<bool, kLampCount> lamps_{};

    std::optional<Request> outstanding_;
    // Replies ended reads still owe, oldest first: a header or record reply and how
    // often its request went out (re-sends included). Bounded: a reply owed this
    // long ago was lost.
    struct Owed {
        protocol::ReplyCode code{};
        int count = 0;
    };
    static constexpr std::size_t kMaxOwed = 8;
    std::deque<Owed> owedByEnded_;

    // Transfer state.
    TransferKind transferKind_ = TransferKind::None;
    std::optional<TransferOutcome> lastOutcome_;
    FirmwareStep firmwareStep_ = FirmwareStep::None;
    // A stopped write still owes the acknowledgement of what it sent last; a new
    // write started before it came lets it pass unused.
    bool ackOwed_ = false;
    bool staleAck_ = false;
    bool verifyAfterWrite_ = false;
    bool verifyDue_ = false;  // the write finished; verify once its end is confirmed
    ProgramImage written_;    // what the latest write sent
    ProgramImage readBack_;   // what a verify read
    std::uint32_t writeIndex_ = 0;
    std::uint32_t deviceProgramLength_ = 0;
    std::uint32_t readCounter_ = 0;
    bool stopFlag_ = false;
    std::uint32_t tenths_ = 0;
    bool closePermission_ = true;
    bool writeDirection_ = true;
    bool stopAvailable_ = false;
    bool downloadAvailable_ = false;
    bool windowsLocked_ = false;
    int gaugePosition_ = 0;
    std::optional<ProgramBefore> beforeRead_;  // put back when a read does not finish
};

}  // namespace rv720
