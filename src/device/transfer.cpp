// Program write and read and the firmware update, driven from the transfer window
// FKompilacja. Each step is one reply: the dispatcher calls the handlers below, and
// each handler sends the next command or ends the transfer.
#include <fstream>
#include <string>

#include "compiler/compiler.h"
#include "device/codes.h"
#include "device/device_station.h"
#include "device/replies.h"
#include "model/values.h"

namespace rv720 {

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

// ---- write -------------------------------------------------------------------

void DeviceStation::DownloadButtonClick() {
    if (!connectedOrReport()) return;
    const std::uint32_t length = model_.length();
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

    std::uint8_t header[3 + kInputBreakSize] = {kTarget};
    writeBe16(header + 1, std::uint16_t(length));
    const auto block = model_.image.inputBreakWire();
    std::copy(block.begin(), block.end(), header + 3);
    transferKind_ = Transfer::Write;
    link_.SendCommand(cmd::WriteHeader, header);
    main_.AddStatusLine("Saving to EEPROM started");
    lockWindows();
}

void DeviceStation::onRecordStored() {
    if (transferKind_ != Transfer::Write) return;  // no write of ours is waiting for it
    ++writeIndex_;
    setGauge(int(writeIndex_));
    if (writeIndex_ <= model_.length() && !stopFlag_) {
        if (!connectedOrReport()) return;
        std::uint8_t data[3 + kRecordSize] = {kTarget};
        writeBe16(data + 1, std::uint16_t(writeIndex_));
        const Record r = model_.image.record(int(writeIndex_) - 1);
        std::copy(r.begin(), r.end(), data + 3);
        link_.SendCommand(cmd::WriteRecord, data);
        return;
    }
    if (!connectedOrReport()) return;
    transferTimer_->stop();
    if (!stopFlag_) {
        log("    Czas:        " + elapsedText() + " sec.", colors::Black);
        logSeparator();
        log("Programming finished", colors::Blue);
        main_.AddStatusLine("Saving to EEPROM memory finished");
    }
    transferKind_ = Transfer::None;
    setDownloadAvailable(true);
    sendToController(cmd::TransferEnd);
    closePermission_ = true;
    unlockWindows();
    setStopAvailable(false);
}

// ---- read --------------------------------------------------------------------

void DeviceStation::ReadProgramButtonClick() {
    // Tested first: a read that never starts leaves the transfer window as it was.
    if (!connectedOrReport()) return;
    stopFlag_ = false;
    closePermission_ = false;
    writeDirection_ = false;

    beforeRead_ = model_.image;
    main_.NewButtonClick();
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

    transferKind_ = Transfer::Read;
    sendToController(cmd::ReadHeader);
    main_.AddStatusLine(" Program reading of EEPROM memory was started");
    lockWindows();
}

void DeviceStation::onReadHeader(std::span<const std::uint8_t> frame) {
    if (transferKind_ != Transfer::Read) return;
    const auto header = decodeReadHeader(frame);
    if (!header) return refuseRead("Reading error: incomplete program header");
    if (header->length > kMaxCommands)
        return refuseRead("Reading error: program length " + std::to_string(header->length) +
                          " is out of range");

    deviceProgramLength_ = header->length;
    readCounter_ = 1;
    transfer_.setGaugeMaximum(int(deviceProgramLength_));
    model_.image.setInputBreakFromWire(header->block);
    main_.refreshInputBreakControls();

    // An empty program has nothing to request: the read is complete as it stands.
    if (deviceProgramLength_ == 0) return finishRead();
    if (!connectedOrReport()) return;
    const std::uint8_t request[3] = {kTarget, 0, 1};
    link_.SendCommand(cmd::ReadRecord, request);
}

void DeviceStation::onReadRecord(std::span<const std::uint8_t> frame) {
    if (transferKind_ != Transfer::Read) return;
    const auto rec = decodeReadRecord(frame);
    if (!rec) return refuseRead("Reading error: incomplete record");
    if (rec->index < 1 || rec->index > kMaxCommands)
        return refuseRead("Reading error: record index " + std::to_string(rec->index) +
                          " is out of range");

    setGauge(gaugePosition_ + 1);
    model_.image.setRecord(rec->index - 1, rec->record);
    ++readCounter_;
    // The next index follows the one received; completion is judged by the count.
    if (connected() && readCounter_ <= deviceProgramLength_ && !stopFlag_) {
        std::uint8_t request[3] = {kTarget};
        writeBe16(request + 1, std::uint16_t(rec->index + 1));
        link_.SendCommand(cmd::ReadRecord, request);
    } else if (readCounter_ == deviceProgramLength_ + 1) {
        finishRead();
    }
}

void DeviceStation::finishRead() {
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
    transferKind_ = Transfer::None;
    beforeRead_.reset();
    sendToController(cmd::TransferEnd);
}

// A reply that cannot belong to a 999-command program ends the read: the program
// the operator had before is put back rather than a half-read one left behind.
void DeviceStation::refuseRead(const std::string& reason) {
    transferTimer_->stop();
    if (beforeRead_) model_.image = *beforeRead_;
    beforeRead_.reset();
    main_.refreshInputBreakControls();
    main_.PrintProgram();
    log(reason, colors::Red);
    main_.AddStatusLine("Reading from EEPROM stopped");
    transferKind_ = Transfer::None;
    stopFlag_ = true;
    closePermission_ = true;
    setStopAvailable(false);
    sendToController(cmd::TransferEnd);
    unlockWindows();
}

// ---- transfer window ---------------------------------------------------------

void DeviceStation::transferStop() {
    stopFlag_ = true;
    closePermission_ = true;
    if (!connectedOrReport()) return;
    transferTimer_->stop();
    if (writeDirection_) {
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
    sendToController(cmd::TransferEnd);
    unlockWindows();
}

void DeviceStation::transferClose() {
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

void TransferWindow::FormKeyPress(char key) {
    if (key == 27) {
        if (station_.stopAvailable_) StopButtonClick();
        if (!station_.stopAvailable_) CloseButtonClick();
    } else if (key == 13) {
        if (station_.downloadAvailable_) DownloadButtonClick();
    }
}

// ---- firmware update ---------------------------------------------------------

void DeviceStation::onFirmwareAccepted() {
    if (!connectedOrReport()) return;
    clock_.sleepMs(kFirmwarePauseMs);
    // The controller expects the command-21 frame once more, outside the timeout.
    const std::uint8_t target = kTarget;
    link_.writeTransmitFrame(buildFrame(cmd::FirmwareUpdate, 0, {&target, 1}));
}

void DeviceStation::onFirmwareFileRequested() {
    const auto path = main_.chooseFirmwareFile();
    if (!path) {
        // The controller now waits for a file that will not come; only a reset
        // brings it back.
        main_.AddStatusLine("Firmware file not chosen - reset the device");
        return;
    }
    std::ifstream file(*path, std::ios::binary);
    if (!file.is_open()) {
        main_.AddStatusLine("Opening file error");
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

    const std::uint8_t start = kFirmwareStartByte;
    link_.WriteRaw(&start, 1);
    clock_.sleepMs(kFirmwarePauseMs);
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
    unlockWindows();
    link_.CloseLink();
}

}  // namespace rv720
