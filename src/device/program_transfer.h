#pragma once
// The program write, read and verify and the firmware update: a session on the
// controller channel that reports typed events to its observers and knows nothing
// of windows. Each step is one reply: the channel hands every frame over, and the
// session sends the next command or ends the transfer.
//
// Write: the write header (length, input-break block) is acknowledged like a
// record, and every record k (1-based) by one more acknowledgement; then the
// transfer end. Read: the read header and its reply, then a record request and its
// reply for each index; then the transfer end. Verify: a read into a scratch image
// after a write whose end the controller confirmed, compared with what was written.
// Firmware: the update command and its acceptance, the same command's raw frame
// once more, the controller's request for the file, the start byte, a 1000 ms
// pause, the file's bytes one write each, then "done" or "failed", after which the
// link closes. The bytes of every frame are in protocol/.
//
// A read stores record k only from the reply to its request for k and asks for
// k + 1 only then; a write sends record k + 1 only on the acknowledgement it
// awaits. A transfer that ended (finished, stopped, closed, refused, timed out,
// link lost) takes none of the replies still on their way, and firmware replies
// count only at their step of an update. A read that does not finish puts the
// program it replaced back into its target.
//
// Replies carry nothing that names the transfer they belong to, but the
// controller answers in the order it was asked. So once the end of a transfer
// has been sent, every header, record or acknowledgement that comes before the
// controller confirms that end belongs to a transfer that is over (the one
// exception: the acknowledgement a stopped write still waits for), and a
// transfer started meanwhile sends its first request only after the
// confirmation. A stopped read also counts the replies it still owes (one per
// time its request went out), because a doubled confirmation looks like the
// confirmation of the next end.
//
// Transfer clock: Timer 100 ms counts the transfer's time in tenths.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/controller_channel.h"
#include "model/program_image.h"
#include "support/clock.h"
#include "support/timer.h"

namespace rv720 {

enum class TransferKind { None, Write, Read, Verify, Firmware };

// How a write, read, verify or firmware update ended.
enum class TransferResult {
    Finished,        // written, read, read back equal, or the firmware accepted
    Stopped,         // Stop or Close
    Refused,         // the controller refused a step, sent what no program can hold,
                     // or reported a failed firmware update
    Differs,         // the program read back after a write is not the one written
    NoAnswer,        // the reply timeout gave up
    LinkLost,        // the link went down, or the operator closed it
    NoConnection,    // there was no link: nothing began
    NoFile,          // no firmware file was given when the controller asked for it
    FileUnreadable,  // the firmware file could not be opened
};

struct TransferOutcome {
    TransferKind kind = TransferKind::None;
    TransferResult result = TransferResult::Finished;
    friend bool operator==(const TransferOutcome&, const TransferOutcome&) = default;
};

// What the controller did to a transfer that could not go on, or what a verify
// found different.
enum class TransferProblem {
    None,
    HeaderRefused,      // the write header, or the request for the read header
    RecordRefused,      // record `number`
    HeaderIncomplete,   // the read header was too short
    LengthOutOfRange,   // the read header named `number` commands
    FirmwareRefused,    // the update request
    FirmwareFailed,     // the controller's verdict after the image
    LengthDiffers,      // `number` commands written, `other` read back
    RecordDiffers,      // line `number`: `expected` written, `actual` read back
    InputBreaksDiffer,  // the input-break blocks: `expected` written, `actual` read
};

struct TransferFailure {
    TransferKind kind = TransferKind::None;
    TransferResult result = TransferResult::Stopped;  // never Finished
    TransferProblem problem = TransferProblem::None;
    std::uint32_t number = 0;
    std::uint32_t other = 0;
    std::vector<std::uint8_t> expected, actual;
    bool previousKept = false;  // a read put the program it replaced back
    bool abandoned = false;     // the link ended under it; nothing more was sent
    std::uint32_t tenths = 0;   // the transfer clock when it ended
};

struct TransferSuccess {
    TransferKind kind = TransferKind::None;
    std::uint32_t commands = 0;  // written, read, or read back equal
    std::uint32_t tenths = 0;    // the transfer clock when it finished
};

// What a transfer reports, in the order it happens. `finished` and `failed` end
// it (except a NoConnection failure, which never began); the controller is told
// of the end after them, and `released` follows once it has been (for a stopped
// write: once the acknowledgement it owed came).
class TransferObserver {
  public:
    virtual ~TransferObserver() = default;
    // About to ask the controller: a write of `total` commands, a read (its length
    // comes with the header), a verify, or a firmware image the controller asked for.
    virtual void beginning(TransferKind, std::uint32_t /*total*/) {}
    // The first request went out (for a firmware update: the image is about to).
    virtual void started(TransferKind) {}
    // The program header of a read or verify: `total` records follow; the input
    // breaks are in the read's target.
    virtual void headerRead(TransferKind, std::uint32_t /*total*/) {}
    // Acknowledgements of a write (its header's included), records read, bytes
    // of a firmware image sent.
    virtual void progress(TransferKind, std::uint32_t /*done*/) {}
    // The operator's Stop, before the controller is told; `commandsRead` is the
    // read's target length.
    virtual void stopping(TransferKind, std::uint32_t /*commandsRead*/, std::uint32_t /*tenths*/) {}
    // The controller was told that the stopped transfer ended.
    virtual void stopSent(TransferKind) {}
    virtual void finished(const TransferSuccess&) {}
    virtual void failed(const TransferFailure&) {}
    virtual void released(TransferKind, TransferResult) {}
    // The controller confirmed a transfer end.
    virtual void endConfirmed() {}
};

class ProgramTransfer final : public ChannelSession {
  public:
    ProgramTransfer(ControllerChannel& channel, Timer& transferTimer, Clock& clock);
    ~ProgramTransfer() override;
    ProgramTransfer(const ProgramTransfer&) = delete;
    ProgramTransfer& operator=(const ProgramTransfer&) = delete;

    // Observers hear events in the order they were added.
    void addObserver(TransferObserver& observer) { observers_.push_back(&observer); }

    // Writes `program` (its length and input breaks, then every record). False when
    // nothing began (no link, or the first send lost it).
    bool write(const ProgramImage& program);
    // After a finished write whose end the controller confirmed, read the program
    // back and compare (looked at when the write finishes).
    void setVerifyAfterWrite(bool on) { verifyAfterWrite_ = on; }
    bool verifyAfterWrite() const { return verifyAfterWrite_; }
    // Reads the controller's program into `target`, record by record; a read that
    // does not finish puts `previous` back into it. `target` must outlive the read.
    bool read(ProgramImage& target, ProgramImage previous);
    // Asks for a firmware update; when the controller asks for the image,
    // `chooseFile` names it (nothing: none). False when nothing was sent.
    bool updateFirmware(std::function<std::optional<std::string>()> chooseFile);
    // The operator's Stop: the controller is told the transfer ended; a stopped
    // write waits for the acknowledgement it still owes.
    void stop();
    TransferKind kind() const { return kind_; }
    bool running() const { return kind_ != TransferKind::None; }
    bool stopRequested() const { return stopFlag_; }
    // The latest transfer that ended, and how.
    const std::optional<TransferOutcome>& lastOutcome() const { return lastOutcome_; }
    std::uint32_t tenths() const { return tenths_; }
    void TimerTimer() { ++tenths_; }

    // ChannelSession
    bool takesLateReply(FrameView frame) override;
    void onFrame(FrameView frame, bool answer) override;
    void onLinkDown() override;
    void onLinkEnded(LinkEnd how) override;

  private:
    enum class FirmwareStep { None, Requested, Confirmed, Streamed };

    void endTransfer(TransferResult result);
    void abandon(TransferResult result);
    template <class Event>
    void tell(Event event) {
        for (TransferObserver* observer : observers_)
            event(*observer);
    }
    void fail(TransferFailure failure);
    void sendEnd();
    void sendFirst(const protocol::Message& request);
    bool putPreviousBack();
    void owe(protocol::ReplyCode code, int count);
    bool owedByEndedRead(protocol::ReplyCode code);

    void onRecordStored(bool answer);
    void windUpStoppedWrite(bool sendEnd);
    void failWrite(TransferProblem problem);
    void onTransferEndConfirmed();
    void onRefused(protocol::CommandCode code);
    void startRead(TransferKind kind);
    void onReadHeader(FrameView frame);
    void onReadRecord(FrameView frame);
    void finishRead();
    void finishVerify();
    void refuseRead(TransferProblem problem, std::uint32_t number = 0);
    void onFirmwareAccepted();
    void onFirmwareFileRequested();
    void onFirmwareEnded(bool success);
    ProgramImage& readTarget() { return kind_ == TransferKind::Verify ? readBack_ : *target_; }

    ControllerChannel& channel_;
    Timer& transferTimer_;
    Clock& clock_;
    std::vector<TransferObserver*> observers_;

    TransferKind kind_ = TransferKind::None;
    std::optional<TransferOutcome> lastOutcome_;
    FirmwareStep firmwareStep_ = FirmwareStep::None;
    std::function<std::optional<std::string>()> chooseFile_;
    // A stopped write still owes the acknowledgement of what it sent last.
    bool ackOwed_ = false;
    bool verifyAfterWrite_ = false;
    bool verifyDue_ = false;  // the write finished; verify once its end is confirmed
    ProgramImage written_;    // what the latest write sent
    ProgramImage readBack_;   // what a verify read
    ProgramImage* target_ = &readBack_;
    std::optional<ProgramImage> previous_;  // put back when a read does not finish
    std::uint32_t writeIndex_ = 0;
    std::uint32_t deviceProgramLength_ = 0;
    std::uint32_t readCounter_ = 0;
    bool stopFlag_ = false;
    std::uint32_t tenths_ = 0;

    // Transfer ends sent and not yet confirmed: until then the replies that come
    // are those of transfers that are over.
    int endsAwaited_ = 0;
    // The first request of a transfer begun while an end was awaited.
    std::optional<protocol::Message> deferred_;
    // Replies stopped reads still owe, oldest first: a header or record reply and
    // how often its request went out (re-sends included). They are that read's even
    // after its end is confirmed, should a doubled confirmation have ended the wait
    // early. Bounded: a reply owed this long ago was lost.
    struct Owed {
        protocol::ReplyCode code{};
        int count = 0;
    };
    static constexpr std::size_t kMaxOwed = 8;
    std::deque<Owed> owedByEnded_;
};

}  // namespace rv720
