// Program write and read and the firmware update, driven from the transfer window
// FKompilacja. Each step is one reply: the dispatcher calls the handlers below, and
// each handler sends the next command or ends the transfer.
#include <fstream>
#include <string>

#include "compiler/compiler.h"
#include "device/device_station.h"
#include "model/values.h"
#include "protocol/commands.h"
#include "protocol/replies.h"

namespace rv720 {

using protocol::CommandCode;

namespace {
const std::string kSeparator(69, '-');
std::string commandsLine(std::uint32_t n) {
    return "    Commands:    " + std::to_string(n);
}
}  // namespace

// ---- window state ------------------------------------------------------------

void DeviceStation::lockWindows() {
    windowsLocked_ = true;
    main_.LockWindows();
}

void DeviceStation::unlockWindows() {
    windowsLocked_ = false;
    main_.UnlockWindows();
}

void DeviceStation::setStopAvailable(bool on) {
    stopAvailable_ = on;
    transfer_.setStopAvailable(on);
}

void DeviceStation::setDownloadAvailable(bool on) {
    downloadAvailable_ = on;
    transfer_.setDownloadAvailable(on);
}

void DeviceStation::setGauge(int position) {
    gaugePosition_ = position;
    transfer_.setGaugePosition(position);
}

void DeviceStation::log(const std::string& text, Rgb color) {
    transfer_.addLogLine(text, color);
}

void DeviceStation::logSeparator() {
    log(kSeparator, colors::Black);
}

std::string DeviceStation::elapsedText() const {
    return formatFixed(tenths_ * 0.1L, 7, 1, clock_.decimalSeparator());
}

// ---- compilation hand-over ---------------------------------------------------

void DeviceStation::WriteProgramButtonClick() {
    writeDirection_ = true;
    setStopAvailable(false);
    closePermission_ = true;
    main_.setWindowVisible(Window::FKompilacja, true);
    transfer_.setGaugeMaximum(int(model_.length()));
    setGauge(0);
    setDownloadAvailable(false);
    transfer_.setCaption("Compilation");

    const CompileReport report = compileProgram(model_.image, clock_.shortDate(), clock_.longTime(),
                                                [this](int scanned) { setGauge(scanned); });
    transfer_.clearLog();
    for (const auto& line : report.lines)
        log(line.text, line.color);
    if (report.writeAllowed) setDownloadAvailable(true);
}

// ---- outcome -----------------------------------------------------------------

void DeviceStation::endTransfer(TransferResult result) {
    lastOutcome_ = TransferOutcome{transferKind_, result};
    transferKind_ = TransferKind::None;
    firmwareStep_ = FirmwareStep::None;
}

// The link went down or the controller stopped answering: nothing of the transfer
// can go on. Its clock stops, the window may be closed, Stop is of no use any more,
// and a read gives the program back; the caller gives the windows back.
void DeviceStation::abandonTransfer(TransferResult result) {
    const TransferKind kind = transferKind_;
    if (kind == TransferKind::None) return;
    transferTimer_->stop();
    closePermission_ = true;
    ackOwed_ = false;
    verifyDue_ = false;
    if (kind == TransferKind::Read) keepPreviousProgram();
    if (kind == TransferKind::Verify)
        log("Verify error: the program was not read back", colors::Red);
    if (kind != TransferKind::Firmware) {
        setStopAvailable(false);
        if (kind != TransferKind::Read) setDownloadAvailable(true);
    }
    endTransfer(kind == TransferKind::Write && stopFlag_ ? TransferResult::Stopped : result);
}

// ---- write -------------------------------------------------------------------

void DeviceStation::DownloadButtonClick() {
    if (!connectedOrReport()) return;
    // The acknowledgement a stopped write still owes comes before this write's.
    if (ackOwed_) staleAck_ = true;
    ackOwed_ = false;
    verifyDue_ = false;
    firmwareStep_ = FirmwareStep::None;
    written_ = model_.image;
    const std::uint32_t length = written_.length();
    stopFlag_ = false;
    closePermission_ = false;
    setStopAvailable(true);
    setDownloadAvailable(false);
    writeIndex_ = 0;
    setGauge(0);
    transfer_.setGaugeMaximum(int(length));
    tenths_ = 0;
    transferTimer_->start();

    transfer_.clearLog();
    log("Saving: " + clock_.shortDate() + " o " + clock_.longTime(), colors::Black);
    logSeparator();
    logSeparator();
    log(commandsLine(length), colors::Black);

    transferKind_ = TransferKind::Write;
    sendCommand(protocol::writeHeader({std::uint16_t(length), written_.inputBreakWire()}));
    if (transferKind_ != TransferKind::Write) return;  // the send lost the link: nothing began
    main_.AddStatusLine("Saving to EEPROM started");
    lockWindows();
}

void DeviceStation::onRecordStored(bool answer) {
    if (transferKind_ != TransferKind::Write) return;  // no write of ours is waiting for it
    if (stopFlag_) {
        // The acknowledgement still owed after Stop ends the write, without a report.
        if (ackOwed_) windUpStoppedWrite(true);
        return;
    }
    if (!answer) return;
    ++writeIndex_;
    setGauge(int(writeIndex_));
    if (writeIndex_ <= written_.length()) {
        if (!connectedOrReport()) return;
        sendCommand(protocol::writeRecord(
            {std::uint16_t(writeIndex_), written_.record(int(writeIndex_) - 1)}));
        return;
    }
    if (!connectedOrReport()) return;
    transferTimer_->stop();
    log("    Czas:        " + elapsedText() + " sec.", colors::Black);
    logSeparator();
    log("Programming finished", colors::Blue);
    main_.AddStatusLine("Saving to EEPROM memory finished");
    setDownloadAvailable(true);
    endTransfer(TransferResult::Finished);
    verifyDue_ = verifyAfterWrite_;
    sendToController(CommandCode::TransferEnd);
    closePermission_ = true;
    unlockWindows();
    setStopAvailable(false);
}

// A stopped write ends when the acknowledgement it owed arrives (and tells the
// controller once more that the transfer ended), or, when that acknowledgement was
// lost, when the controller confirms the end.
void DeviceStation::windUpStoppedWrite(bool sendEnd) {
    ackOwed_ = false;
    transferTimer_->stop();
    setDownloadAvailable(true);
    endTransfer(TransferResult::Stopped);
    if (sendEnd) sendToController(CommandCode::TransferEnd);
    closePermission_ = true;
    unlockWindows();
    setStopAvailable(false);
}

void DeviceStation::failWrite(const std::string& reason) {
    transferTimer_->stop();
    log(reason, colors::Red);
    main_.AddStatusLine("Saving EEPROM stopped");
    setDownloadAvailable(true);
    endTransfer(TransferResult::Refused);
    closePermission_ = true;
    setStopAvailable(false);
    sendToController(CommandCode::TransferEnd);
    unlockWindows();
}

// The controller's confirmation of the transfer end.
void DeviceStation::onTransferEndConfirmed() {
    unlockWindows();
    if (transferKind_ == TransferKind::Write && stopFlag_) {
        windUpStoppedWrite(false);
    } else if (verifyDue_) {
        verifyDue_ = false;
        startRead(TransferKind::Verify);
    }
}

// A refusal naming the outstanding command: a transfer waiting for it cannot go on.
void DeviceStation::onRefused(CommandCode code) {
    const bool writing = transferKind_ == TransferKind::Write && !stopFlag_;
    const bool reading =
        (transferKind_ == TransferKind::Read || transferKind_ == TransferKind::Verify) &&
        !stopFlag_;
    if (writing && code == CommandCode::WriteHeader)
        return failWrite("Programming error: the controller refused the program header");
    if (writing && code == CommandCode::WriteRecord)
        return failWrite("Programming error: the controller refused record " +
                         std::to_string(writeIndex_));
    if (reading && code == CommandCode::ReadHeader)
        return refuseRead("the controller refused to send the program header");
    if (reading && code == CommandCode::ReadRecord)
        return refuseRead("the controller refused to send record " + std::to_string(readCounter_));
    if (transferKind_ == TransferKind::Firmware && code == CommandCode::FirmwareUpdate)
        endTransfer(TransferResult::Refused);
}

// ---- read --------------------------------------------------------------------

void DeviceStation::ReadProgramButtonClick() {
    // Tested first: a read that never starts leaves the transfer window as it was.
    if (!connectedOrReport()) return;
    ProgramBefore before{model_.image, main_.programFileName()};
    if (!main_.NewButtonClick()) return;  // the operator kept the program
    beforeRead_ = std::move(before);
    ackOwed_ = false;
    verifyDue_ = false;
    firmwareStep_ = FirmwareStep::None;
    stopFlag_ = false;
    closePermission_ = false;
    writeDirection_ = false;

    model_.clear();
    transfer_.setCaption("Program reading");
    setStopAvailable(true);
    setGauge(0);
    setDownloadAvailable(false);
    transfer_.clearLog();
    main_.setWindowVisible(Window::FKompilacja, true);
    tenths_ = 0;
    transferTimer_->start();

    log("Reading started: " + clock_.shortDate() + " o " + clock_.longTime(), colors::Black);
    logSeparator();
    logSeparator();

    startRead(TransferKind::Read);
    if (transferKind_ != TransferKind::Read) return;  // the send lost the link
    main_.AddStatusLine(" Program reading of EEPROM memory was started");
    lockWindows();
}

// The one read engine: the header, then every record by index, into the program
// (a read) or into a scratch image (a verify after a write).
void DeviceStation::startRead(TransferKind kind) {
    transferKind_ = kind;
    readCounter_ = 0;
    if (kind == TransferKind::Verify) {
        readBack_ = ProgramImage{};
        stopFlag_ = false;
        closePermission_ = false;
        setStopAvailable(true);
        setDownloadAvailable(false);
        setGauge(0);
        lockWindows();
    }
    sendToController(CommandCode::ReadHeader);
}

void DeviceStation::requestRecord(std::uint16_t index) {
    sendCommand(protocol::readRecord(index));
}

void DeviceStation::onReadHeader(FrameView frame) {
    if ((transferKind_ != TransferKind::Read && transferKind_ != TransferKind::Verify) ||
        stopFlag_ || readCounter_ != 0)
        return;
    const auto header = protocol::decodeReadHeader(frame);
    if (!header) return refuseRead("incomplete program header");
    if (header->length > kMaxCommands)
        return refuseRead("program length " + std::to_string(header->length) + " is out of range");

    deviceProgramLength_ = header->length;
    readCounter_ = 1;
    transfer_.setGaugeMaximum(int(deviceProgramLength_));
    readTarget().setInputBreakFromWire(header->block);
    if (transferKind_ == TransferKind::Read) main_.refreshInputBreakControls();

    // An empty program has nothing to request: the read is complete as it stands.
    if (deviceProgramLength_ == 0) return finishRead();
    if (!connectedOrReport()) return;
    requestRecord(1);
}

// Only the reply to the request for record k gets here, so every index 1..N is
// stored once, in order, before the read is complete.
void DeviceStation::onReadRecord(FrameView frame) {
    if ((transferKind_ != TransferKind::Read && transferKind_ != TransferKind::Verify) ||
        stopFlag_ || readCounter_ == 0)
        return;
    const auto rec = protocol::decodeReadRecord(frame);
    if (!rec) return;
    setGauge(gaugePosition_ + 1);
    readTarget().setRecord(rec->index - 1, rec->record);
    ++readCounter_;
    if (readCounter_ <= deviceProgramLength_) {
        if (!connectedOrReport()) return;
        requestRecord(std::uint16_t(rec->index + 1));
    } else {
        finishRead();
    }
}

void DeviceStation::finishRead() {
    if (transferKind_ == TransferKind::Verify) return finishVerify();
    transferTimer_->stop();
    model_.image.setLength(readCounter_ - 1);
    log(commandsLine(model_.length()), colors::Black);
    log("    Time:        " + elapsedText() + " sec.", colors::Black);
    logSeparator();
    log("Reading finished. Succesfull", colors::Blue);
    main_.AddStatusLine("Reading from EEPROM memory finished");
    unlockWindows();
    main_.PrintProgram();
    closePermission_ = true;
    setStopAvailable(false);
    endTransfer(TransferResult::Finished);
    beforeRead_.reset();
    sendToController(CommandCode::TransferEnd);
}

namespace {

// The first difference between what was written and what came back, or nothing.
std::optional<std::string> firstDifference(const ProgramImage& written, const ProgramImage& read) {
    if (read.length() != written.length())
        return std::to_string(written.length()) + " commands written, " +
               std::to_string(read.length()) + " read";
    for (int slot = 0; slot < int(written.length()); ++slot) {
        const Record w = written.record(slot), r = read.record(slot);
        if (w != r)
            return "line " + std::to_string(slot + 1) + ": expected " + hexText(w) + ", read " +
                   hexText(r);
    }
    const auto w = written.inputBreakWire(), r = read.inputBreakWire();
    if (w != r) return "input breaks: expected " + hexText(w) + ", read " + hexText(r);
    return std::nullopt;
}

}  // namespace

void DeviceStation::finishVerify() {
    readBack_.setLength(readCounter_ - 1);
    const auto difference = firstDifference(written_, readBack_);
    if (difference)
        log("Verify error: " + *difference, colors::Red);
    else
        log("Verified: " + std::to_string(readBack_.length()) + " commands", colors::Blue);
    unlockWindows();
    closePermission_ = true;
    setStopAvailable(false);
    setDownloadAvailable(true);
    endTransfer(difference ? TransferResult::Differs : TransferResult::Finished);
    sendToController(CommandCode::TransferEnd);
}

// A refusal, or a reply that cannot belong to a 999-command program, ends the read:
// the program the operator had before is put back rather than a half-read one.
void DeviceStation::refuseRead(const std::string& reason) {
    const bool verify = transferKind_ == TransferKind::Verify;
    transferTimer_->stop();
    log((verify ? "Verify error: " : "Reading error: ") + reason, colors::Red);
    if (!verify) {
        keepPreviousProgram();
        main_.AddStatusLine("Reading from EEPROM stopped");
    }
    endTransfer(TransferResult::Refused);
    stopFlag_ = true;
    closePermission_ = true;
    setStopAvailable(false);
    if (verify) setDownloadAvailable(true);
    sendToController(CommandCode::TransferEnd);
    unlockWindows();
}

void DeviceStation::keepPreviousProgram() {
    if (!beforeRead_) return;
    model_.image = beforeRead_->image;
    main_.restoreProgramFileName(beforeRead_->fileName);
    beforeRead_.reset();
    main_.refreshInputBreakControls();
    main_.PrintProgram();
    log("Previous program kept", colors::Black);
}

// ---- transfer window ---------------------------------------------------------

void DeviceStation::transferStop() {
    stopFlag_ = true;
    closePermission_ = true;
    if (!connectedOrReport()) return;
    transferTimer_->stop();
    const TransferKind kind = transferKind_;
    if (kind == TransferKind::Verify) {
        log("Verify error: reading back stopped", colors::Red);
    } else if (writeDirection_) {
        log("    Time:        " + elapsedText() + " sec.", colors::Black);
        logSeparator();
        log("Programming error", colors::Blue);
        main_.AddStatusLine("Saving EEPROM stopped");
    } else {
        log(commandsLine(model_.length()), colors::Black);
        log("    Time:        " + elapsedText() + " sec.", colors::Black);
        logSeparator();
        log(" Reading error", colors::Blue);
        main_.AddStatusLine("Reading from EEPROM stopped");
    }
    if (kind == TransferKind::Write)
        ackOwed_ = outstanding_ && (outstanding_->code == CommandCode::WriteHeader ||
                                    outstanding_->code == CommandCode::WriteRecord);
    else if (outstanding_ && (outstanding_->code == CommandCode::ReadHeader ||
                              outstanding_->code == CommandCode::ReadRecord))
        owe(protocol::answerTo(outstanding_->code), 1 + link_.retryCounter());
    sendToController(CommandCode::TransferEnd);
    unlockWindows();
    // A stopped write waits for what it still owes; a read or verify is over now.
    if (kind == TransferKind::Read) keepPreviousProgram();
    if (kind == TransferKind::Read || kind == TransferKind::Verify) {
        setStopAvailable(false);
        if (kind == TransferKind::Verify) setDownloadAvailable(true);
        endTransfer(TransferResult::Stopped);
    } else if (kind == TransferKind::Write && !ackOwed_) {
        windUpStoppedWrite(false);
    }
}

// Closing the window ends a write or read that still runs, as Stop does: it must
// not go on unseen while the program can be edited.
void DeviceStation::transferClose() {
    const bool running = transferKind_ == TransferKind::Write ||
                         transferKind_ == TransferKind::Read ||
                         transferKind_ == TransferKind::Verify;
    if (running && !stopFlag_ && connected()) transferStop();
    main_.setWindowVisible(Window::FKompilacja, false);
    unlockWindows();
}

void TransferWindow::DownloadButtonClick() {
    station_.DownloadButtonClick();
}
void TransferWindow::StopButtonClick() {
    station_.transferStop();
}
void TransferWindow::CloseButtonClick() {
    station_.transferClose();
}
bool TransferWindow::FormCloseQuery() const {
    return station_.closePermission_;
}

// Esc stops while Stop is available and closes once it is not.
void TransferWindow::FormKeyPress(char key) {
    if (key == 27) {
        if (station_.stopAvailable_)
            StopButtonClick();
        else
            CloseButtonClick();
    } else if (key == 13) {
        if (station_.downloadAvailable_) DownloadButtonClick();
    }
}

// ---- firmware update ---------------------------------------------------------

void DeviceStation::onFirmwareAccepted() {
    if (!connectedOrReport()) return;
    clock_.sleepMs(protocol::kFirmwarePauseMs);
    // The controller expects the command-21 frame once more, outside the timeout.
    link_.writeTransmitFrame(protocol::toFrame(protocol::command(CommandCode::FirmwareUpdate)));
    if (connected()) firmwareStep_ = FirmwareStep::Confirmed;
}

void DeviceStation::onFirmwareFileRequested() {
    const auto path = main_.chooseFirmwareFile();
    if (!path) {
        // The controller now waits for a file that will not come; only a reset
        // brings it back.
        main_.AddStatusLine("Firmware file not chosen - reset the device");
        endTransfer(TransferResult::Stopped);
        return;
    }
    std::ifstream file(*path, std::ios::binary);
    if (!file.is_open()) {
        main_.AddStatusLine("Opening file error");
        endTransfer(TransferResult::Stopped);
        return;
    }

    transfer_.setCaption("Firmware update");
    main_.AddStatusLine("Firmware updating started");
    transfer_.setGaugeMaximum(kFirmwareGaugeMaximum);
    setGauge(0);
    setDownloadAvailable(false);
    main_.setWindowVisible(Window::FKompilacja, true);
    tenths_ = 0;
    transferTimer_->start();
    transfer_.clearLog();
    log("Firmware updating started: " + clock_.shortDate() + " o " + clock_.longTime(),
        colors::Black);
    logSeparator();
    logSeparator();
    lockWindows();

    firmwareStep_ = FirmwareStep::Streamed;
    const std::uint8_t start = protocol::kFirmwareStartByte;
    link_.WriteRaw(&start, 1);
    clock_.sleepMs(protocol::kFirmwarePauseMs);
    // No reply may be dispatched in the middle of the stream.
    usbTimer_->stop();
    char c;
    while (connected() && file.get(c)) {
        const auto b = std::uint8_t(c);
        link_.WriteRaw(&b, 1);
        setGauge(gaugePosition_ + 1);
    }
    file.close();
    if (connected()) usbTimer_->start();
}

void DeviceStation::onFirmwareEnded(bool success) {
    transferTimer_->stop();
    if (success) {
        setGauge(kFirmwareGaugeMaximum);
        log("    Data:      32 KB", colors::Black);
        logSeparator();
        log("Firmware updating finished successful", colors::Blue);
    } else {
        log("    Time:        " + elapsedText() + " sec.", colors::Black);
        logSeparator();
        log("Firmware updating error", colors::Blue);
    }
    main_.AddStatusLine("Firmware updating finished");
    endTransfer(success ? TransferResult::Finished : TransferResult::Refused);
    unlockWindows();
    link_.CloseLink();
}

}  // namespace rv720
