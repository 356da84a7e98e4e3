#include "device/station_presenter.h"

#include "model/values.h"

namespace rv720 {

using protocol::ReplyCode;

namespace {

const std::string kSeparator(69, '-');

std::string commandsLine(std::uint32_t n) {
    return "    Commands:    " + std::to_string(n);
}

}  // namespace

std::string transferProblemText(const TransferFailure& f) {
    const bool writing = f.kind == TransferKind::Write;
    const std::string number = std::to_string(f.number);
    switch (f.problem) {
        case TransferProblem::HeaderRefused:
            return writing ? "the controller refused the program header"
                           : "the controller refused to send the program header";
        case TransferProblem::RecordRefused:
            return (writing ? "the controller refused record "
                            : "the controller refused to send record ") +
                   number;
        case TransferProblem::HeaderIncomplete:
            return "incomplete program header";
        case TransferProblem::LengthOutOfRange:
            return "program length " + number + " is out of range";
        case TransferProblem::LengthDiffers:
            return number + " commands written, " + std::to_string(f.other) + " read";
        case TransferProblem::RecordDiffers:
            return "line " + number + ": expected " + hexText(f.expected) + ", read " +
                   hexText(f.actual);
        case TransferProblem::InputBreaksDiffer:
            return "input breaks: expected " + hexText(f.expected) + ", read " + hexText(f.actual);
        case TransferProblem::FirmwareRefused:
        case TransferProblem::FirmwareFailed:
        case TransferProblem::None:
            break;
    }
    return {};
}

StationPresenter::StationPresenter(const Clock& clock, MainWindowView& mainView,
                                   TransferView& transferView, MonitorView& monitorView)
    : clock_(clock), main_(mainView), transfer_(transferView), monitor_(monitorView) {}

// ---- window state ------------------------------------------------------------

void StationPresenter::lockWindows() {
    windowsLocked_ = true;
    main_.LockWindows();
}

void StationPresenter::unlockWindows() {
    windowsLocked_ = false;
    main_.UnlockWindows();
}

void StationPresenter::setStopAvailable(bool on) {
    stopAvailable_ = on;
    transfer_.setStopAvailable(on);
}

void StationPresenter::setDownloadAvailable(bool on) {
    downloadAvailable_ = on;
    transfer_.setDownloadAvailable(on);
}

void StationPresenter::setGauge(int position) {
    transfer_.setGaugePosition(position);
}

void StationPresenter::log(const std::string& text, Rgb color) {
    transfer_.addLogLine(text, color);
}

void StationPresenter::logSeparator() {
    log(kSeparator, colors::Black);
}

void StationPresenter::logStarted(const std::string& what) {
    log(what + ": " + clock_.shortDate() + " o " + clock_.longTime(), colors::Black);
    logSeparator();
    logSeparator();
}

std::string StationPresenter::elapsedText(std::uint32_t tenths) const {
    return formatFixed(tenths * 0.1L, 7, 1, clock_.decimalSeparator());
}

void StationPresenter::closeTransferWindow() {
    main_.setWindowVisible(Window::FKompilacja, false);
    unlockWindows();
}

void StationPresenter::passwordRefused() {
    main_.AddStatusLine("Wrong password");
}

void StationPresenter::versionAsked() {
    monitor_.showFirmwareVersion("* * * * *");
}

// ---- compilation -------------------------------------------------------------

void StationPresenter::beginCompilation(std::uint32_t length) {
    writeDirection_ = true;
    setStopAvailable(false);
    closePermission_ = true;
    main_.setWindowVisible(Window::FKompilacja, true);
    transfer_.setGaugeMaximum(int(length));
    setGauge(0);
    setDownloadAvailable(false);
    transfer_.setCaption("Compilation");
}

void StationPresenter::showCompilation(const std::vector<LogLine>& report, bool writeAllowed) {
    transfer_.clearLog();
    for (const auto& line : report)
        log(line.text, line.color);
    if (writeAllowed) setDownloadAvailable(true);
}

// ---- the link ----------------------------------------------------------------

void StationPresenter::linkStatus(const std::string& text) {
    main_.AddStatusLine(text);
}

void StationPresenter::connectionChanged(bool lit) {
    main_.setIndicator(Indicator::led_usb, lit);
    if (lit) return;
    // Without a link there is no run to follow: led_prog goes out and the editing
    // look returns, whichever way the link went down (also after a run request that
    // was never answered, whose run-mode look would hide Connect).
    main_.setIndicator(Indicator::led_prog, false);
    main_.ShowEditingControls();
}

void StationPresenter::linkLost() {
    for (auto w :
         {Window::FPodgladSilniki, Window::FPodgladWejscia, Window::FKompilacja, Window::FLog})
        main_.setWindowVisible(w, false);
}

void StationPresenter::linkEnded(LinkEnd how) {
    if (how == LinkEnd::NoAnswer) {
        unlockWindows();
        for (auto w : {Window::FPodgladSilniki, Window::FPodgladWejscia, Window::FLog})
            main_.setWindowVisible(w, false);
        main_.AddStatusLine("Device is not response");
        return;
    }
    // Not reachable from the locked windows, but a transfer must not outlive its link.
    if (windowsLocked_) unlockWindows();
    if (how == LinkEnd::Closed) main_.AddStatusLine("Connection was finished");
}

void StationPresenter::retrying(int attempt) {
    main_.AddStatusLine("Again data transmission - " + std::to_string(attempt));
}

void StationPresenter::notConnected() {
    main_.AddStatusLine("No connection");
}

void StationPresenter::runningChanged(bool running) {
    main_.setIndicator(Indicator::led_prog, running);
    if (running) {
        main_.setWindowVisible(Window::FSterowanie, false);
        main_.HideEditingControls();
    } else {
        main_.ShowEditingControls();
    }
}

// ---- transfers ---------------------------------------------------------------

void StationPresenter::beginning(TransferKind kind, std::uint32_t total) {
    switch (kind) {
        case TransferKind::Write:
            closePermission_ = false;
            setStopAvailable(true);
            setDownloadAvailable(false);
            setGauge(0);
            transfer_.setGaugeMaximum(int(total));
            transfer_.clearLog();
            logStarted("Saving");
            log(commandsLine(total), colors::Black);
            break;
        case TransferKind::Read:
            closePermission_ = false;
            writeDirection_ = false;
            transfer_.setCaption("Program reading");
            setStopAvailable(true);
            setGauge(0);
            setDownloadAvailable(false);
            transfer_.clearLog();
            main_.setWindowVisible(Window::FKompilacja, true);
            logStarted("Reading started");
            break;
        case TransferKind::Verify:
            closePermission_ = false;
            setStopAvailable(true);
            setDownloadAvailable(false);
            setGauge(0);
            lockWindows();
            break;
        case TransferKind::Firmware:
            transfer_.setCaption("Firmware update");
            main_.AddStatusLine("Firmware updating started");
            transfer_.setGaugeMaximum(kFirmwareGaugeMaximum);
            setGauge(0);
            setDownloadAvailable(false);
            main_.setWindowVisible(Window::FKompilacja, true);
            transfer_.clearLog();
            logStarted("Firmware updating started");
            break;
        case TransferKind::None:
            break;
    }
}

void StationPresenter::started(TransferKind kind) {
    if (kind == TransferKind::Write) main_.AddStatusLine("Saving to EEPROM started");
    if (kind == TransferKind::Read)
        main_.AddStatusLine(" Program reading of EEPROM memory was started");
    lockWindows();
}

void StationPresenter::headerRead(TransferKind kind, std::uint32_t total) {
    transfer_.setGaugeMaximum(int(total));
    if (kind == TransferKind::Read) main_.refreshInputBreakControls();
}

void StationPresenter::progress(TransferKind, std::uint32_t done) {
    setGauge(int(done));
}

void StationPresenter::stopping(TransferKind kind, std::uint32_t commandsRead,
                                std::uint32_t tenths) {
    if (kind == TransferKind::Verify) {
        log("Verify error: reading back stopped", colors::Red);
    } else if (writeDirection_) {
        log("    Time:        " + elapsedText(tenths) + " sec.", colors::Black);
        logSeparator();
        log("Programming error", colors::Blue);
        main_.AddStatusLine("Saving EEPROM stopped");
    } else {
        log(commandsLine(commandsRead), colors::Black);
        log("    Time:        " + elapsedText(tenths) + " sec.", colors::Black);
        logSeparator();
        log(" Reading error", colors::Blue);
        main_.AddStatusLine("Reading from EEPROM stopped");
    }
}

void StationPresenter::stopSent(TransferKind) {
    unlockWindows();
}

void StationPresenter::verifyEnded() {
    unlockWindows();
    closePermission_ = true;
    setStopAvailable(false);
    setDownloadAvailable(true);
}

void StationPresenter::finished(const TransferSuccess& done) {
    switch (done.kind) {
        case TransferKind::Write:
            log("    Czas:        " + elapsedText(done.tenths) + " sec.", colors::Black);
            logSeparator();
            log("Programming finished", colors::Blue);
            main_.AddStatusLine("Saving to EEPROM memory finished");
            setDownloadAvailable(true);
            break;
        case TransferKind::Read:
            log(commandsLine(done.commands), colors::Black);
            log("    Time:        " + elapsedText(done.tenths) + " sec.", colors::Black);
            logSeparator();
            log("Reading finished. Succesfull", colors::Blue);
            main_.AddStatusLine("Reading from EEPROM memory finished");
            unlockWindows();
            main_.PrintProgram();
            closePermission_ = true;
            setStopAvailable(false);
            nameBeforeRead_.reset();
            break;
        case TransferKind::Verify:
            log("Verified: " + std::to_string(done.commands) + " commands", colors::Blue);
            verifyEnded();
            break;
        case TransferKind::Firmware:
            setGauge(kFirmwareGaugeMaximum);
            log("    Data:      32 KB", colors::Black);
            logSeparator();
            log("Firmware updating finished successful", colors::Blue);
            main_.AddStatusLine("Firmware updating finished");
            unlockWindows();
            break;
        case TransferKind::None:
            break;
    }
}

// A read that did not finish: the program it replaced is back, and its file name.
void StationPresenter::showPreviousProgramKept() {
    if (nameBeforeRead_) main_.restoreProgramFileName(*nameBeforeRead_);
    nameBeforeRead_.reset();
    main_.refreshInputBreakControls();
    main_.PrintProgram();
    log("Previous program kept", colors::Black);
}

void StationPresenter::failed(const TransferFailure& f) {
    const TransferKind kind = f.kind;
    if (f.result == TransferResult::NoConnection) return;  // the handler said so
    if (f.abandoned) {
        // Nothing of the transfer can go on: the window may be closed, Stop is of
        // no use any more; the windows come back once the link has ended.
        closePermission_ = true;
        if (f.previousKept) showPreviousProgramKept();
        if (kind == TransferKind::Verify)
            log("Verify error: the program was not read back", colors::Red);
        if (kind != TransferKind::Firmware) {
            setStopAvailable(false);
            if (kind != TransferKind::Read) setDownloadAvailable(true);
        }
        return;
    }
    switch (kind) {
        case TransferKind::Write:
            if (f.result == TransferResult::Stopped) {
                setDownloadAvailable(true);
            } else {
                log("Programming error: " + transferProblemText(f), colors::Red);
                main_.AddStatusLine("Saving EEPROM stopped");
                setDownloadAvailable(true);
                closePermission_ = true;
                setStopAvailable(false);
            }
            break;
        case TransferKind::Read:
        case TransferKind::Verify: {
            const bool verify = kind == TransferKind::Verify;
            if (f.result == TransferResult::Stopped) {
                if (f.previousKept) showPreviousProgramKept();
                setStopAvailable(false);
                if (verify) setDownloadAvailable(true);
            } else if (f.result == TransferResult::Differs) {
                log("Verify error: " + transferProblemText(f), colors::Red);
                verifyEnded();
            } else {
                log((verify ? "Verify error: " : "Reading error: ") + transferProblemText(f),
                    colors::Red);
                if (!verify) {
                    if (f.previousKept) showPreviousProgramKept();
                    main_.AddStatusLine("Reading from EEPROM stopped");
                }
                closePermission_ = true;
                setStopAvailable(false);
                if (verify) setDownloadAvailable(true);
            }
            break;
        }
        case TransferKind::Firmware:
            if (f.result == TransferResult::NoFile) {
                // The controller now waits for a file that will not come; only a
                // reset brings it back.
                main_.AddStatusLine("Firmware file not chosen - reset the device");
            } else if (f.result == TransferResult::FileUnreadable) {
                main_.AddStatusLine("Opening file error");
            } else if (f.problem == TransferProblem::FirmwareFailed) {
                log("    Time:        " + elapsedText(f.tenths) + " sec.", colors::Black);
                logSeparator();
                log("Firmware updating error", colors::Blue);
                main_.AddStatusLine("Firmware updating finished");
                unlockWindows();
            }
            break;
        case TransferKind::None:
            break;
    }
}

void StationPresenter::released(TransferKind kind, TransferResult result) {
    if (result == TransferResult::Refused) {
        unlockWindows();
    } else if (kind == TransferKind::Write) {
        closePermission_ = true;
        unlockWindows();
        setStopAvailable(false);
    }
}

void StationPresenter::endConfirmed() {
    unlockWindows();
}

// ---- controller commands -------------------------------------------------------

void StationPresenter::acknowledged(ReplyCode code, std::uint8_t target) {
    const std::string motor = std::to_string(target);
    switch (code) {
        case ReplyCode::OutputsSet:
            main_.AddStatusLine("Outputs updated");
            break;
        case ReplyCode::WorkModeSet:
            main_.AddStatusLine("Work mode for motor " + motor + " set");
            break;
        case ReplyCode::VMinSet:
            main_.AddStatusLine("Minimum velocity " + motor + " set");
            break;
        case ReplyCode::VMaxSet:
            main_.AddStatusLine("Maximum velocity " + motor + " set");
            break;
        case ReplyCode::AMaxSet:
            main_.AddStatusLine("Acceleration " + motor + " set");
            break;
        case ReplyCode::VDestSet:
            main_.AddStatusLine("Destination velocity " + motor + " set");
            break;
        case ReplyCode::XDestSet:
        case ReplyCode::StepUpSet:
        case ReplyCode::StepDownSet:
            main_.AddStatusLine("Destination position " + motor + " set");
            break;
        case ReplyCode::Connected:
            main_.AddStatusLine("Connection successful");
            break;
        default:
            break;
    }
}

void StationPresenter::motorState(const MotorState& state) {
    monitor_.showMotorState(state);
}

// Only the lamps that changed need redrawing; a report that changes none shows
// nothing.
void StationPresenter::ioState(const IoState& state) {
    if (state.anyChanged()) monitor_.showIoState(state);
}

void StationPresenter::firmwareVersion(const protocol::FirmwareVersion& version) {
    monitor_.showFirmwareVersion(version.text());
}

void StationPresenter::usbMessage(const std::vector<std::uint8_t>& bytes) {
    monitor_.showUsbMessage(bytes);
}

void StationPresenter::executedLine(int line) {
    main_.selectExecutedLine(line);
}

}  // namespace rv720
