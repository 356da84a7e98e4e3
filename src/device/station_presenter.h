#pragma once
// The station's face of the device sessions: turns what the channel, the program
// transfer and the controller commands report into the station's exact status
// lines, transfer log lines and their colours, the gauge, the transfer window's
// buttons, the window lock and the indicators, through MainWindowView,
// TransferView and MonitorView. The texts are the station's own, spelling
// included; the command-line tool prints them through the same presenter.
//
// It keeps what those views need to be asked: whether the transfer window may be
// closed, which of its buttons are available, whether the windows are locked,
// the gauge's position, the direction of the latest transfer (a write shows
// "Programming error" when stopped, a read " Reading error") and the file name
// of a program a read replaced.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/controller_channel.h"
#include "device/controller_commands.h"
#include "device/program_transfer.h"
#include "device/station_view.h"
#include "support/clock.h"
#include "support/log_line.h"

namespace rv720 {

inline constexpr int kFirmwareGaugeMaximum = 32500;

class StationPresenter final : public ChannelObserver,
                               public TransferObserver,
                               public CommandsObserver {
  public:
    StationPresenter(const Clock& clock, MainWindowView& mainView, TransferView& transferView,
                     MonitorView& monitorView);

    // Compilation into the transfer window, before a write: the window opens on
    // an empty gauge of `length` commands, the gauge follows the scan, then the
    // report replaces the log and Download becomes available when it may write.
    void beginCompilation(std::uint32_t length);
    void compilationProgress(int scanned) { setGauge(scanned); }
    void showCompilation(const std::vector<LogLine>& report, bool writeAllowed);

    // A read is about to replace the program of this file: its name comes back
    // when the read does not finish.
    void readReplaces(std::string fileName) { nameBeforeRead_ = std::move(fileName); }
    void compiledProgramChanged() { setDownloadAvailable(false); }
    // The operator's Stop or Close: the transfer window may be closed now.
    void allowClose() { closePermission_ = true; }
    // The transfer window's Close.
    void closeTransferWindow();
    // The password window's OK with another text than the password.
    void passwordRefused();
    // The about window asks the controller for its version (shown until it answers).
    void versionAsked();

    bool closePermission() const { return closePermission_; }
    bool writeDirection() const { return writeDirection_; }
    bool stopAvailable() const { return stopAvailable_; }
    bool downloadAvailable() const { return downloadAvailable_; }
    bool windowsLocked() const { return windowsLocked_; }

    // ChannelObserver
    void linkStatus(const std::string& text) override;
    void connectionChanged(bool lit) override;
    void linkLost() override;
    void linkEnded(LinkEnd how) override;
    void retrying(int attempt) override;
    void notConnected() override;
    void runningChanged(bool running) override;

    // TransferObserver
    void beginning(TransferKind kind, std::uint32_t total) override;
    void started(TransferKind kind) override;
    void headerRead(TransferKind kind, std::uint32_t total) override;
    void progress(TransferKind kind, std::uint32_t done) override;
    void stopping(TransferKind kind, std::uint32_t commandsRead, std::uint32_t tenths) override;
    void stopSent(TransferKind kind) override;
    void finished(const TransferSuccess& success) override;
    void failed(const TransferFailure& failure) override;
    void released(TransferKind kind, TransferResult result) override;
    void endConfirmed() override;

    // CommandsObserver
    void acknowledged(protocol::ReplyCode code, std::uint8_t target) override;
    void motorState(const MotorState& state) override;
    void ioState(const IoState& state) override;
    void firmwareVersion(const protocol::FirmwareVersion& version) override;
    void usbMessage(const std::vector<std::uint8_t>& bytes) override;
    void executedLine(int line) override;

  private:
    void lockWindows();
    void unlockWindows();
    void setStopAvailable(bool on);
    void setDownloadAvailable(bool on);
    void setGauge(int position);
    void log(const std::string& text, Rgb color);
    void logSeparator();
    void logStarted(const std::string& what);             // "what: date o time" and two separators
    std::string elapsedText(std::uint32_t tenths) const;  // tenths as seconds, "12.3"
    void showPreviousProgramKept();
    void verifyEnded();

    const Clock& clock_;
    MainWindowView& main_;
    TransferView& transfer_;
    MonitorView& monitor_;

    bool closePermission_ = true;
    bool writeDirection_ = true;
    bool stopAvailable_ = false;
    bool downloadAvailable_ = false;
    bool windowsLocked_ = false;
    std::optional<std::string> nameBeforeRead_;
};

// The text of a failed transfer step for a log line: what the controller refused
// or sent, or what a verify found different ("" for none).
std::string transferProblemText(const TransferFailure& failure);

}  // namespace rv720
