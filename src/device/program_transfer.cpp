#include "device/program_transfer.h"

#include <algorithm>
#include <fstream>

#include "protocol/commands.h"
#include "protocol/replies.h"

namespace rv720 {

using protocol::CommandCode;
using protocol::ReplyCode;

namespace {

TransferFailure failure(TransferKind kind, TransferResult result,
                        TransferProblem problem = TransferProblem::None, std::uint32_t number = 0) {
    TransferFailure f;
    f.kind = kind;
    f.result = result;
    f.problem = problem;
    f.number = number;
    return f;
}

template <std::size_t N>
std::vector<std::uint8_t> bytesOf(const std::array<std::uint8_t, N>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// The first difference between what was written and what came back, or nothing.
std::optional<TransferFailure> firstDifference(const ProgramImage& written,
                                               const ProgramImage& read) {
    if (read.length() != written.length()) {
        auto f = failure(TransferKind::Verify, TransferResult::Differs,
                         TransferProblem::LengthDiffers, written.length());
        f.other = read.length();
        return f;
    }
    for (int slot = 0; slot < int(written.length()); ++slot) {
        const Record w = written.record(slot), r = read.record(slot);
        if (w != r) {
            auto f = failure(TransferKind::Verify, TransferResult::Differs,
                             TransferProblem::RecordDiffers, std::uint32_t(slot + 1));
            f.expected = bytesOf(w);
            f.actual = bytesOf(r);
            return f;
        }
    }
    const auto w = written.inputBreakWire(), r = read.inputBreakWire();
    if (w != r) {
        auto f = failure(TransferKind::Verify, TransferResult::Differs,
                         TransferProblem::InputBreaksDiffer);
        f.expected = bytesOf(w);
        f.actual = bytesOf(r);
        return f;
    }
    return std::nullopt;
}

bool isRead(TransferKind kind) {
    return kind == TransferKind::Read || kind == TransferKind::Verify;
}

}  // namespace

ProgramTransfer::ProgramTransfer(ControllerChannel& channel, Timer& transferTimer, Clock& clock)
    : channel_(channel), transferTimer_(transferTimer), clock_(clock) {}

ProgramTransfer::~ProgramTransfer() = default;

// ---- outcome -----------------------------------------------------------------

void ProgramTransfer::endTransfer(TransferResult result) {
    lastOutcome_ = TransferOutcome{kind_, result};
    kind_ = TransferKind::None;
    firmwareStep_ = FirmwareStep::None;
}

void ProgramTransfer::fail(TransferFailure f) {
    f.tenths = tenths_;
    tell([&](TransferObserver& o) { o.failed(f); });
}

void ProgramTransfer::sendEnd() {
    ++endsAwaited_;
    channel_.send(protocol::command(CommandCode::TransferEnd), *this);
}

// A transfer's first request waits while an end is unconfirmed, and that end is
// kept the awaited command so that the reply timeout asks for it again if its
// confirmation is lost.
void ProgramTransfer::sendFirst(const protocol::Message& request) {
    if (endsAwaited_ == 0) return channel_.send(request, *this);
    deferred_ = request;
    const auto& outstanding = channel_.outstanding();
    if (!outstanding || outstanding->code != CommandCode::TransferEnd) sendEnd();
}

void ProgramTransfer::onLinkDown() {
    endsAwaited_ = 0;
    deferred_.reset();
    owedByEnded_.clear();
}

void ProgramTransfer::owe(ReplyCode code, int count) {
    owedByEnded_.push_back({code, count});
    if (owedByEnded_.size() > kMaxOwed) owedByEnded_.pop_front();
}

// One lost on the way costs a later read one genuine reply instead, which the reply
// timeout then asks for again: slower, never wrong.
bool ProgramTransfer::owedByEndedRead(ReplyCode code) {
    for (auto it = owedByEnded_.begin(); it != owedByEnded_.end(); ++it) {
        if (it->code != code) continue;
        if (--it->count == 0) owedByEnded_.erase(it);
        return true;
    }
    return false;
}

bool ProgramTransfer::putPreviousBack() {
    if (!previous_) return false;
    *target_ = std::move(*previous_);
    previous_.reset();
    return true;
}

void ProgramTransfer::onLinkEnded(LinkEnd how) {
    abandon(how == LinkEnd::NoAnswer ? TransferResult::NoAnswer : TransferResult::LinkLost);
}

// The link went down or the controller stopped answering: nothing of the transfer
// can go on. Its clock stops and a read gives the program back.
void ProgramTransfer::abandon(TransferResult result) {
    const TransferKind kind = kind_;
    if (kind == TransferKind::None) return;
    transferTimer_.stop();
    ackOwed_ = false;
    verifyDue_ = false;
    deferred_.reset();
    auto f =
        failure(kind, kind == TransferKind::Write && stopFlag_ ? TransferResult::Stopped : result);
    f.previousKept = kind == TransferKind::Read && putPreviousBack();
    f.abandoned = true;
    endTransfer(f.result);
    fail(std::move(f));
}

bool ProgramTransfer::takesLateReply(FrameView frame) {
    switch (const auto code = ReplyCode(frame.code())) {
        case ReplyCode::RecordStored:
            return endsAwaited_ > 0 && !(kind_ == TransferKind::Write && stopFlag_ && ackOwed_);
        case ReplyCode::ReadHeader:
        case ReplyCode::ReadRecord:
            return owedByEndedRead(code) || endsAwaited_ > 0;
        default:
            return false;
    }
}

void ProgramTransfer::onFrame(FrameView frame, bool answer) {
    const auto code = ReplyCode(frame.code());
    switch (code) {
        case ReplyCode::Refused:
            if (answer)
                if (const auto refused = protocol::decodeRefusedCode(frame))
                    onRefused(CommandCode(*refused));
            break;
        case ReplyCode::RecordStored:
            onRecordStored(answer);
            break;
        case ReplyCode::TransferEnded:
            // The answer to the end awaited last confirms every end sent before it.
            endsAwaited_ = answer ? 0 : std::max(endsAwaited_ - 1, 0);
            if (answer) onTransferEndConfirmed();
            if (endsAwaited_ == 0 && deferred_) {
                const protocol::Message request = *deferred_;
                deferred_.reset();
                channel_.send(request, *this);
            }
            break;
        case ReplyCode::ReadHeader:
            if (answer) onReadHeader(frame);
            break;
        case ReplyCode::ReadRecord:
            if (answer) onReadRecord(frame);
            break;
        case ReplyCode::FirmwareAccepted:
            if (answer && firmwareStep_ == FirmwareStep::Requested) onFirmwareAccepted();
            break;
        case ReplyCode::FirmwareFileRequested:
            if (firmwareStep_ == FirmwareStep::Confirmed) onFirmwareFileRequested();
            break;
        case ReplyCode::FirmwareDone:
        case ReplyCode::FirmwareFailed:
            if (firmwareStep_ == FirmwareStep::Streamed)
                onFirmwareEnded(code == ReplyCode::FirmwareDone);
            break;
        default:
            break;  // the controller commands' business
    }
}

// ---- write -------------------------------------------------------------------

bool ProgramTransfer::write(const ProgramImage& program) {
    if (!channel_.connected()) {
        tell([](TransferObserver& o) {
            o.failed(failure(TransferKind::Write, TransferResult::NoConnection));
        });
        return false;
    }
    ackOwed_ = false;
    verifyDue_ = false;
    firmwareStep_ = FirmwareStep::None;
    written_ = program;
    const std::uint32_t length = written_.length();
    stopFlag_ = false;
    writeIndex_ = 0;
    tell([&](TransferObserver& o) { o.beginning(TransferKind::Write, length); });
    tenths_ = 0;
    transferTimer_.start();

    kind_ = TransferKind::Write;
    sendFirst(protocol::writeHeader({std::uint16_t(length), written_.inputBreakWire()}));
    if (kind_ != TransferKind::Write) return false;  // the send lost the link: nothing began
    tell([](TransferObserver& o) { o.started(TransferKind::Write); });
    return true;
}

void ProgramTransfer::onRecordStored(bool answer) {
    if (kind_ != TransferKind::Write) return;  // no write of ours is waiting for it
    if (stopFlag_) {
        // The acknowledgement still owed after Stop ends the write, without a report.
        if (ackOwed_) windUpStoppedWrite(true);
        return;
    }
    if (!answer) return;
    ++writeIndex_;
    tell([&](TransferObserver& o) { o.progress(TransferKind::Write, writeIndex_); });
    if (writeIndex_ <= written_.length()) {
        if (!channel_.connectedOrReport()) return;
        channel_.send(protocol::writeRecord(
                          {std::uint16_t(writeIndex_), written_.record(int(writeIndex_) - 1)}),
                      *this);
        return;
    }
    if (!channel_.connectedOrReport()) return;
    transferTimer_.stop();
    endTransfer(TransferResult::Finished);
    const TransferSuccess done{TransferKind::Write, written_.length(), tenths_};
    tell([&](TransferObserver& o) { o.finished(done); });
    verifyDue_ = verifyAfterWrite_;
    sendEnd();
    tell([](TransferObserver& o) { o.released(TransferKind::Write, TransferResult::Finished); });
}

// A stopped write ends when the acknowledgement it owed arrives (and tells the
// controller once more that the transfer ended), or, when that acknowledgement was
// lost, when the controller confirms the end.
void ProgramTransfer::windUpStoppedWrite(bool withEnd) {
    ackOwed_ = false;
    transferTimer_.stop();
    endTransfer(TransferResult::Stopped);
    fail(failure(TransferKind::Write, TransferResult::Stopped));
    if (withEnd) sendEnd();
    tell([](TransferObserver& o) { o.released(TransferKind::Write, TransferResult::Stopped); });
}

void ProgramTransfer::failWrite(TransferProblem problem) {
    transferTimer_.stop();
    endTransfer(TransferResult::Refused);
    fail(failure(TransferKind::Write, TransferResult::Refused, problem,
                 problem == TransferProblem::RecordRefused ? writeIndex_ : 0));
    sendEnd();
    tell([](TransferObserver& o) { o.released(TransferKind::Write, TransferResult::Refused); });
}

// The controller's confirmation of the transfer end.
void ProgramTransfer::onTransferEndConfirmed() {
    // A transfer begun since the end was sent is under way: the windows stay locked.
    if (running() && !stopFlag_) return;
    tell([](TransferObserver& o) { o.endConfirmed(); });
    if (kind_ == TransferKind::Write && stopFlag_) {
        windUpStoppedWrite(false);
    } else if (verifyDue_) {
        verifyDue_ = false;
        startRead(TransferKind::Verify);
    }
}

// A refusal naming the outstanding command: a transfer waiting for it cannot go on.
void ProgramTransfer::onRefused(CommandCode code) {
    const bool writing = kind_ == TransferKind::Write && !stopFlag_;
    const bool reading = isRead(kind_) && !stopFlag_;
    if (writing && code == CommandCode::WriteHeader)
        return failWrite(TransferProblem::HeaderRefused);
    if (writing && code == CommandCode::WriteRecord)
        return failWrite(TransferProblem::RecordRefused);
    if (reading && code == CommandCode::ReadHeader)
        return refuseRead(TransferProblem::HeaderRefused);
    if (reading && code == CommandCode::ReadRecord)
        return refuseRead(TransferProblem::RecordRefused, readCounter_);
    if (kind_ == TransferKind::Firmware && code == CommandCode::FirmwareUpdate) {
        endTransfer(TransferResult::Refused);
        fail(failure(TransferKind::Firmware, TransferResult::Refused,
                     TransferProblem::FirmwareRefused));
    }
}

// ---- read --------------------------------------------------------------------

bool ProgramTransfer::read(ProgramImage& target, ProgramImage previous) {
    if (!channel_.connected()) {
        tell([](TransferObserver& o) {
            o.failed(failure(TransferKind::Read, TransferResult::NoConnection));
        });
        return false;
    }
    previous_ = std::move(previous);
    target_ = &target;
    ackOwed_ = false;
    verifyDue_ = false;
    firmwareStep_ = FirmwareStep::None;
    stopFlag_ = false;
    tell([](TransferObserver& o) { o.beginning(TransferKind::Read, 0); });
    tenths_ = 0;
    transferTimer_.start();

    startRead(TransferKind::Read);
    if (kind_ != TransferKind::Read) return false;  // the send lost the link
    tell([](TransferObserver& o) { o.started(TransferKind::Read); });
    return true;
}

// The one read engine: the header, then every record by index, into the target
// (a read) or into a scratch image (a verify after a write).
void ProgramTransfer::startRead(TransferKind kind) {
    kind_ = kind;
    readCounter_ = 0;
    if (kind == TransferKind::Verify) {
        readBack_ = ProgramImage{};
        stopFlag_ = false;
        tell([](TransferObserver& o) { o.beginning(TransferKind::Verify, 0); });
    }
    sendFirst(protocol::command(CommandCode::ReadHeader));
}

void ProgramTransfer::onReadHeader(FrameView frame) {
    if (!isRead(kind_) || stopFlag_ || readCounter_ != 0) return;
    const auto header = protocol::decodeReadHeader(frame);
    if (!header) return refuseRead(TransferProblem::HeaderIncomplete);
    if (header->length > kMaxCommands)
        return refuseRead(TransferProblem::LengthOutOfRange, header->length);

    deviceProgramLength_ = header->length;
    readCounter_ = 1;
    readTarget().setInputBreakFromWire(header->block);
    tell([&](TransferObserver& o) { o.headerRead(kind_, deviceProgramLength_); });

    // An empty program has nothing to request: the read is complete as it stands.
    if (deviceProgramLength_ == 0) return finishRead();
    if (!channel_.connectedOrReport()) return;
    channel_.send(protocol::readRecord(1), *this);
}

// Only the reply to the request for record k gets here, so every index 1..N is
// stored once, in order, before the read is complete.
void ProgramTransfer::onReadRecord(FrameView frame) {
    if (!isRead(kind_) || stopFlag_ || readCounter_ == 0) return;
    const auto rec = protocol::decodeReadRecord(frame);
    if (!rec) return;
    readTarget().setRecord(rec->index - 1, rec->record);
    ++readCounter_;
    tell([&](TransferObserver& o) { o.progress(kind_, readCounter_ - 1); });
    if (readCounter_ <= deviceProgramLength_) {
        if (!channel_.connectedOrReport()) return;
        channel_.send(protocol::readRecord(std::uint16_t(rec->index + 1)), *this);
    } else {
        finishRead();
    }
}

void ProgramTransfer::finishRead() {
    if (kind_ == TransferKind::Verify) return finishVerify();
    transferTimer_.stop();
    target_->setLength(readCounter_ - 1);
    previous_.reset();
    endTransfer(TransferResult::Finished);
    const TransferSuccess done{TransferKind::Read, target_->length(), tenths_};
    tell([&](TransferObserver& o) { o.finished(done); });
    sendEnd();
    tell([](TransferObserver& o) { o.released(TransferKind::Read, TransferResult::Finished); });
}

void ProgramTransfer::finishVerify() {
    readBack_.setLength(readCounter_ - 1);
    const auto difference = firstDifference(written_, readBack_);
    const TransferResult result = difference ? TransferResult::Differs : TransferResult::Finished;
    endTransfer(result);
    if (difference) {
        fail(*difference);
    } else {
        const TransferSuccess done{TransferKind::Verify, readBack_.length(), tenths_};
        tell([&](TransferObserver& o) { o.finished(done); });
    }
    sendEnd();
    tell([&](TransferObserver& o) { o.released(TransferKind::Verify, result); });
}

// A refusal, or a reply that cannot belong to a 999-command program, ends the read:
// the program its target held before is put back rather than a half-read one.
void ProgramTransfer::refuseRead(TransferProblem problem, std::uint32_t number) {
    const TransferKind kind = kind_;
    transferTimer_.stop();
    auto f = failure(kind, TransferResult::Refused, problem, number);
    f.previousKept = kind == TransferKind::Read && putPreviousBack();
    endTransfer(TransferResult::Refused);
    stopFlag_ = true;
    fail(std::move(f));
    sendEnd();
    tell([&](TransferObserver& o) { o.released(kind, TransferResult::Refused); });
}

// ---- stop --------------------------------------------------------------------

void ProgramTransfer::stop() {
    stopFlag_ = true;
    if (!channel_.connectedOrReport()) return;
    transferTimer_.stop();
    const TransferKind kind = kind_;
    tell([&](TransferObserver& o) { o.stopping(kind, target_->length(), tenths_); });
    const auto& outstanding = channel_.outstanding();
    if (kind == TransferKind::Write)
        ackOwed_ = outstanding && (outstanding->code == CommandCode::WriteHeader ||
                                   outstanding->code == CommandCode::WriteRecord);
    else if (outstanding && (outstanding->code == CommandCode::ReadHeader ||
                             outstanding->code == CommandCode::ReadRecord))
        owe(protocol::answerTo(outstanding->code), 1 + channel_.retryCounter());
    deferred_.reset();  // a transfer that has not asked anything yet ends as it is
    sendEnd();
    tell([&](TransferObserver& o) { o.stopSent(kind); });
    // A stopped write waits for what it still owes; a read or verify is over now.
    if (isRead(kind)) {
        auto f = failure(kind, TransferResult::Stopped);
        f.previousKept = kind == TransferKind::Read && putPreviousBack();
        endTransfer(TransferResult::Stopped);
        fail(std::move(f));
    } else if (kind == TransferKind::Write && !ackOwed_) {
        windUpStoppedWrite(false);
    }
}

// ---- firmware update ---------------------------------------------------------

bool ProgramTransfer::updateFirmware(std::function<std::optional<std::string>()> chooseFile) {
    chooseFile_ = std::move(chooseFile);
    // SendCommand sends nothing on a link that is gone.
    channel_.send(protocol::command(CommandCode::FirmwareUpdate), *this);
    if (!channel_.awaitingReply()) return false;
    kind_ = TransferKind::Firmware;
    firmwareStep_ = FirmwareStep::Requested;
    return true;
}

void ProgramTransfer::onFirmwareAccepted() {
    if (!channel_.connectedOrReport()) return;
    clock_.sleepMs(protocol::kFirmwarePauseMs);
    // The controller expects the command-21 frame once more, outside the timeout.
    channel_.writeFrame(protocol::toFrame(protocol::command(CommandCode::FirmwareUpdate)));
    if (channel_.connected()) firmwareStep_ = FirmwareStep::Confirmed;
}

void ProgramTransfer::onFirmwareFileRequested() {
    const auto path = chooseFile_ ? chooseFile_() : std::nullopt;
    if (!path) {
        // The controller now waits for a file that will not come; only a reset
        // brings it back.
        endTransfer(TransferResult::NoFile);
        fail(failure(TransferKind::Firmware, TransferResult::NoFile));
        return;
    }
    std::ifstream file(*path, std::ios::binary);
    if (!file.is_open()) {
        endTransfer(TransferResult::FileUnreadable);
        fail(failure(TransferKind::Firmware, TransferResult::FileUnreadable));
        return;
    }

    tell([](TransferObserver& o) { o.beginning(TransferKind::Firmware, 0); });
    tenths_ = 0;
    transferTimer_.start();
    tell([](TransferObserver& o) { o.started(TransferKind::Firmware); });

    firmwareStep_ = FirmwareStep::Streamed;
    channel_.writeRaw(protocol::kFirmwareStartByte);
    clock_.sleepMs(protocol::kFirmwarePauseMs);
    // No reply may be dispatched in the middle of the stream.
    channel_.holdReceiving();
    std::uint32_t sent = 0;
    char c;
    while (channel_.connected() && file.get(c)) {
        channel_.writeRaw(std::uint8_t(c));
        ++sent;
        tell([&](TransferObserver& o) { o.progress(TransferKind::Firmware, sent); });
    }
    file.close();
    if (channel_.connected()) channel_.resumeReceiving();
}

void ProgramTransfer::onFirmwareEnded(bool success) {
    transferTimer_.stop();
    if (success) {
        endTransfer(TransferResult::Finished);
        const TransferSuccess done{TransferKind::Firmware, 0, tenths_};
        tell([&](TransferObserver& o) { o.finished(done); });
    } else {
        endTransfer(TransferResult::Refused);
        fail(failure(TransferKind::Firmware, TransferResult::Refused,
                     TransferProblem::FirmwareFailed));
    }
    channel_.close();
}

}  // namespace rv720
