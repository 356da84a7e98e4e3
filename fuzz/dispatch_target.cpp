// A session with the station on a converter whose far end is an honest controller
// behind an unreliable line.
//
// Input: one byte of flags, three bytes that describe the program in memory and
// the one in the controller's EEPROM, then one action per byte (some actions take
// the bytes after theirs as arguments). Flags bits 0-1: what the operator starts
// with (0 write, 1 read, 2 firmware update, 3 nothing); bit 2: the controller falls
// silent once the input ends (else it answers everything still asked).
//
// Actions, by byte % 18:
//   0  the oldest queued answer arrives          9  transfer window: Stop
//   1  ... cut in two, over two polls           10  transfer window: Close
//   2  ... is lost                              11  transfer window: Esc or Enter
//   3  ... is doubled                           12  Read
//   4  the reply timeout expires                13  compile, then Download
//   5  the 100 ms timers tick                   14  firmware update: password window
//   6  a frame of the controller's own          15  another main-window button
//   7  a random frame with a good sum           16  the converter's next write fails
//   8  line noise                               17  its next status query fails
//
// The controller takes every command the station writes at once and queues its
// answer (a firmware image comes a byte per write; the first longer write ends it);
// only the answers suffer. A command lost on its way would make some
// promises impossible to keep: an acknowledgement names no record, so a doubled
// one and the acknowledgement of a lost record look the same.
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include <unistd.h>

#include "app/station_core.h"
#include "device/headless_views.h"
#include "fuzz/targets.h"
#include "model/commands.h"
#include "protocol/replies.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"
#include "support/open_line.h"
#include "support/temp_folder.h"

namespace rv720::fuzz {

namespace {

using Bytes = std::vector<std::uint8_t>;
using protocol::CommandCode;
using protocol::ReplyCode;

constexpr int kDrainSteps = 10000;

class Reader {
  public:
    explicit Reader(Input input) : input_(input) {}
    bool done() const { return at_ >= input_.size(); }
    std::uint8_t next() { return done() ? 0 : input_[at_++]; }

  private:
    Input input_;
    std::size_t at_ = 0;
};

// Program contents from a seed, so that a few input bytes describe a program.
class Noise {
  public:
    explicit Noise(std::uint32_t seed) : state_(seed * 2654435761u | 1u) {}
    std::uint8_t next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return std::uint8_t(state_ >> 11);
    }

  private:
    std::uint32_t state_;
};

// The file a firmware update sends, made once per process in a folder of its own.
const std::string& firmwareFile() {
    static const test::TempFolder folder("rv720-fuzz");
    static const std::string path = [] {
        const std::string file = folder.file("firmware.bin");
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < 48; ++i)
            out.put(char(i * 37));
        return file;
    }();
    return path;
}

bool sameProgram(const ProgramImage& a, const ProgramImage& b) {
    if (a.length() != b.length() || a.inputBreakWire() != b.inputBreakWire()) return false;
    for (int slot = 0; slot < int(a.length()); ++slot)
        if (a.record(slot) != b.record(slot)) return false;
    return true;
}

// The converter, the cable and the controller behind them.
class FarEnd final : public OpenLine {
  public:
    ProgramImage eeprom;
    std::deque<Bytes> answers;       // on their way, oldest first
    std::deque<std::uint8_t> queue;  // arrived, for the station to read
    bool failWrite = false, failStatus = false, silent = false;
    std::uint16_t lastRecordAsked = 0;
    std::function<void(const std::string&)> trace;

    Bytes frame(const protocol::Message& message) const {
        const Frame f = protocol::toFrame(message, running_ ? 1 : 0);
        return Bytes(f.bytes.begin(), f.bytes.begin() + f.size);
    }
    void setRunning(bool on) { running_ = on; }
    // The firmware stream ends when the station stops writing bytes: the verdict
    // follows.
    void streamEnded() {
        if (firmware_ != Firmware::Receiving || firmwareBytes_ == 0) return;
        firmware_ = Firmware::Idle;
        answer(protocol::acknowledge(ReplyCode::FirmwareDone));
    }

    FtStatus purge(FtHandle, std::uint32_t) override {
        dropEverythingUnderway();
        return ft::Ok;
    }
    FtStatus getStatus(FtHandle, std::uint32_t& rx, std::uint32_t& tx, std::uint32_t& ev) override {
        if (std::exchange(failStatus, false)) return ft::IoError;
        rx = std::uint32_t(queue.size());
        tx = ev = 0;
        return ft::Ok;
    }
    FtStatus read(FtHandle, std::uint8_t* buffer, std::uint32_t, std::uint32_t& got) override {
        got = queue.empty() ? 0 : 1;
        if (got) {
            *buffer = queue.front();
            queue.pop_front();
        }
        return ft::Ok;
    }
    FtStatus write(FtHandle, const std::uint8_t* bytes, std::uint32_t n,
                   std::uint32_t& written) override {
        if (std::exchange(failWrite, false)) return ft::IoError;
        if (trace) trace("station wrote " + hexText({bytes, n}));
        written = n;
        if (!silent) receive({bytes, n});
        return ft::Ok;
    }
    FtStatus close(FtHandle) override {
        dropEverythingUnderway();
        return ft::Ok;
    }

  private:
    enum class Firmware { Idle, Armed, Receiving };

    void dropEverythingUnderway() {
        answers.clear();
        queue.clear();
        firmware_ = Firmware::Idle;
    }
    void answer(const protocol::Message& message) { answers.push_back(frame(message)); }

    void receive(std::span<const std::uint8_t> bytes) {
        // The firmware comes a byte per write; anything else ends it.
        if (firmware_ == Firmware::Receiving && bytes.size() == 1) {
            ++firmwareBytes_;
            return;
        }
        streamEnded();
        if (!verifyFrame(bytes)) return;
        const FrameView frame(bytes);
        const std::uint8_t byte = frame.code();
        const auto code = CommandCode(byte);
        if (firmware_ == Firmware::Armed && code != CommandCode::FirmwareUpdate)
            firmware_ = Firmware::Idle;
        if (frame.data().empty()) return answer(protocol::refusal(byte));
        switch (code) {
            case CommandCode::MotorState:
                return answer(protocol::motorStateReply({}));
            case CommandCode::IoState:
                return answer(protocol::ioStateReply({}));
            case CommandCode::Run:
                running_ = eeprom.length() > 0;
                return answer(protocol::acknowledge(ReplyCode::Running));
            case CommandCode::Stop:
            case CommandCode::Reset:
                running_ = false;
                staging_.reset();
                return answer(protocol::acknowledge(protocol::answerTo(code)));
            case CommandCode::FirmwareVersion:
                return answer(protocol::versionReply({1, 3}));
            case CommandCode::WriteHeader:
                return writeHeader(frame);
            case CommandCode::WriteRecord:
                return writeRecord(frame);
            case CommandCode::TransferEnd:
                staging_.reset();
                return answer(protocol::acknowledge(ReplyCode::TransferEnded));
            case CommandCode::ReadHeader:
                return answer(protocol::readHeaderReply(
                    {std::uint16_t(eeprom.length()), eeprom.inputBreakWire()}));
            case CommandCode::ReadRecord: {
                const auto index = protocol::decodeReadRecordIndex(frame);
                if (!index || *index < 1 || *index > kMaxCommands)
                    return answer(protocol::refusal(byte));
                lastRecordAsked = *index;
                return answer(protocol::readRecordReply({*index, eeprom.record(*index - 1)}));
            }
            case CommandCode::FirmwareUpdate:
                running_ = false;
                if (firmware_ == Firmware::Armed) {
                    firmware_ = Firmware::Receiving;
                    firmwareBytes_ = 0;
                    return answer(protocol::acknowledge(ReplyCode::FirmwareFileRequested));
                }
                firmware_ = Firmware::Armed;
                return answer(protocol::acknowledge(ReplyCode::FirmwareAccepted));
            default:
                // Outputs, motor settings, the connection check: acknowledged alike.
                return answer(protocol::acknowledge(ReplyCode(byte), frame.target()));
        }
    }

    // A new program replaces the stored one only once all its records arrived.
    void writeHeader(FrameView frame) {
        const auto header = protocol::decodeWriteHeader(frame);
        if (!header || header->length > kMaxCommands)
            return answer(protocol::refusal(protocol::byteOf(CommandCode::WriteHeader)));
        running_ = false;
        staging_ = eeprom;
        staging_->setLength(header->length);
        staging_->setInputBreakFromWire(header->block);
        staged_.assign(staging_->length(), false);
        answer(protocol::acknowledge(ReplyCode::RecordStored));
        if (staging_->length() == 0) eeprom = *staging_;
    }

    void writeRecord(FrameView frame) {
        const auto written = protocol::decodeWriteRecord(frame);
        const auto refused = protocol::refusal(protocol::byteOf(CommandCode::WriteRecord));
        if (!staging_ || !written) return answer(refused);
        const std::uint16_t index = written->index;
        if (index < 1 || index > staging_->length()) return answer(refused);
        staging_->setRecord(index - 1, written->record);
        staged_[index - 1] = true;
        if (std::find(staged_.begin(), staged_.end(), false) == staged_.end()) eeprom = *staging_;
        answer(protocol::acknowledge(ReplyCode::RecordStored));
    }

    bool running_ = false;
    std::optional<ProgramImage> staging_;
    std::vector<bool> staged_;
    Firmware firmware_ = Firmware::Idle;
    std::size_t firmwareBytes_ = 0;
};

class Session final : public HeadlessViews {
  public:
    explicit Session(Input input) : in_(input) {
        if (std::getenv("RV720_FUZZ_TRACE"))
            far_.trace = [](const std::string& line) {
                std::fprintf(stderr, "%s\n", line.c_str());
            };
    }

    std::string run() {
        const std::uint8_t flags = in_.next();
        describePrograms();
        station_.ConnectButtonClick();
        switch (flags & 3) {
            case 0:
                download();
                break;
            case 1:
                station_.ReadProgramButtonClick();
                break;
            case 2:
                firmware();
                firmware();
                break;
        }
        afterEachStep();
        while (!in_.done() && failure_.empty()) {
            far_.streamEnded();
            act(in_.next());
            afterEachStep();
        }
        note((flags & 4) ? "-- the controller falls silent" : "-- the controller answers all");
        if (failure_.empty()) (flags & 4) ? fallSilent() : answerEverything();
        return failure_;
    }

  private:
    // ---- what the station shows, as far as the promises need it -------------
    void HideEditingControls() override { editingLook_ = false; }
    void ShowEditingControls() override { editingLook_ = true; }
    void AddStatusLine(const std::string& text) override { note("status: " + text); }
    void LockWindows() override { note("windows locked"); }
    void UnlockWindows() override { note("windows unlocked"); }
    void addLogLine(const std::string& text, Rgb) override {
        note("log: " + text);
        if (text == "Programming finished" && !sameProgram(far_.eeprom, written_))
            fail("a write was reported finished, but the controller holds another program");
        if (text == "Reading finished. Succesfull" && !sameProgram(model_.image, far_.eeprom))
            fail("a read was reported finished with another program than the controller's");
        if (text.rfind("Firmware updating finished", 0) == 0 || text == "Firmware updating error")
            firmwareAsked_ = verdictAwaited_ = false;
    }
    std::optional<std::string> chooseFirmwareFile() override {
        if (!firmwareAsked_) fail("a firmware file was asked for, though no update was started");
        verdictAwaited_ = true;
        return firmwareFile();
    }

    void fail(const std::string& what) {
        note("BROKEN: " + what);
        if (failure_.empty()) failure_ = what;
    }
    // RV720_FUZZ_TRACE=1 in the environment prints the session on stderr.
    void note(const std::string& line) const {
        if (far_.trace) far_.trace(line);
    }

    // ---- the session ----------------------------------------------------------
    void describePrograms() {
        Noise noise(std::uint32_t(in_.next()) << 8 | in_.next());
        const std::uint8_t sizes = in_.next();
        // In memory: a program that compiles, so that it can be written.
        const int n = 1 + sizes % 8;
        for (int i = 0; i + 1 < n; ++i) {
            Record r = makeRecord(code::WaitMs, kControllerTarget);
            for (int k = 2; k < kRecordSize; ++k)
                r[k] = noise.next();
            model_.image.setRecord(i, r);
        }
        model_.image.setRecord(n - 1, makeRecord(code::End, kControllerTarget));
        model_.image.setLength(std::uint32_t(n));
        model_.image.setInputBreak(1, {true, std::uint16_t(1 + noise.next() % n), 1});
        // In the controller: any bytes at all.
        const int m = sizes / 8 % 10;
        for (int i = 0; i < m; ++i) {
            Record r;
            for (auto& b : r)
                b = noise.next();
            far_.eeprom.setRecord(i, r);
        }
        far_.eeprom.setLength(std::uint32_t(m));
        InputBreakWire block;
        for (auto& b : block)
            b = noise.next();
        far_.eeprom.setInputBreakFromWire(block);
    }

    bool mainWindowUsable() const { return !station_.windowsLocked(); }
    bool editingButtonsUsable() const { return mainWindowUsable() && editingLook_; }
    bool transferWindowOpen() const { return isWindowVisible(Window::FKompilacja); }

    void download() {
        core_.WriteProgramButtonClick();
        if (!station_.downloadAvailable()) return;
        written_ = model_.image;
        station_.FKompilacja().DownloadButtonClick();
    }

    void firmware() {
        if (isWindowVisible(Window::FPass)) {
            firmwareAsked_ = station_.PassOkButtonClick(kFirmwarePassword) || firmwareAsked_;
        } else if (editingButtonsUsable()) {
            station_.SpeedButton2Click();
        }
    }

    void tick(Timer& timer) { static_cast<ManualTimer&>(timer).tick(); }

    // Taken off the queue before it arrives: a closing link empties the queue.
    Bytes takeOldestAnswer() {
        Bytes frame = std::move(far_.answers.front());
        far_.answers.pop_front();
        return frame;
    }

    void arrive(const Bytes& bytes) {
        note("arrives " + hexText(bytes));
        far_.queue.insert(far_.queue.end(), bytes.begin(), bytes.end());
        tick(station_.UsbTimer());
        if (!station_.connected()) far_.queue.clear();
    }

    Bytes randomFrame() {
        std::uint8_t code = in_.next();
        const std::uint8_t status = in_.next();
        Bytes data(in_.next() % 32);
        for (auto& b : data)
            b = in_.next();
        // An acknowledgement, a program header or the confirmation of a transfer end
        // with a good sum is exactly what the station waits for; a record is, for the
        // index it asked last: such a frame goes with another code, or another index
        // (its low bit flipped).
        const auto reply = ReplyCode(code);
        if (reply == ReplyCode::RecordStored || reply == ReplyCode::ReadHeader ||
            reply == ReplyCode::TransferEnded)
            code |= 0x80;
        Frame f = buildFrame(code, status, data);
        const auto record = protocol::decodeReadRecord(FrameView(f.view()));
        if (reply == ReplyCode::ReadRecord && record && record->index == far_.lastRecordAsked)
            f = protocol::toFrame(
                protocol::readRecordReply({std::uint16_t(record->index ^ 1), record->record}),
                status);
        return Bytes(f.bytes.begin(), f.bytes.begin() + f.size);
    }

    Bytes frameOfItsOwn() {
        switch (in_.next() % 5) {
            case 0:  // the RUN input started the program; it reports its line
                far_.setRunning(true);
                return far_.frame(protocol::executedLineReply(in_.next()));
            case 1: {
                Bytes characters(in_.next() % 8);
                for (auto& c : characters)
                    c = in_.next();
                return far_.frame(protocol::usbMessageReply(characters));
            }
            case 2:  // the program ended on its own
                far_.setRunning(false);
                return far_.frame(protocol::acknowledge(ReplyCode::Stopped));
            case 3:
                return far_.frame(protocol::acknowledge(ReplyCode::Connected));
            default: {
                protocol::Lamps lamps;
                lamps.fill((in_.next() & 1) != 0);
                return far_.frame(protocol::ioStateReply(lamps));
            }
        }
    }

    void act(std::uint8_t action) {
        static const char* const kActions[] = {
            "answer",        "answer in two", "answer lost",  "answer doubled", "timeout",
            "100 ms timers", "own frame",     "random frame", "noise",          "Stop",
            "Close",         "key",           "Read",         "Download",       "firmware",
            "main window",   "write fails",   "status fails"};
        note("-- " + std::string(kActions[action % 18]) + ", " +
             std::to_string(far_.answers.size()) + " answers queued");
        auto& answers = far_.answers;
        switch (action % 18) {
            case 0:
                if (!answers.empty()) arrive(takeOldestAnswer());
                return;
            case 1: {
                if (answers.empty()) return;
                const Bytes frame = takeOldestAnswer();
                const std::size_t cut = in_.next() % frame.size();
                arrive(Bytes(frame.begin(), frame.begin() + cut));
                arrive(Bytes(frame.begin() + cut, frame.end()));
                return;
            }
            case 2:
                if (!answers.empty()) answers.pop_front();
                return;
            case 3:
                if (!answers.empty()) answers.push_front(answers.front());
                return;
            case 4:
                return tick(station_.TimeoutTimer());
            case 5:
                tick(station_.TransferTimer());
                tick(station_.MotorViewTimer());
                return tick(station_.InputViewTimer());
            case 6:
                return arrive(frameOfItsOwn());
            case 7:
                return arrive(randomFrame());
            case 8: {
                Bytes noise(in_.next() % 16);
                for (auto& b : noise)
                    b = in_.next();
                return arrive(noise);
            }
            case 9:
                if (transferWindowOpen() && station_.stopAvailable())
                    station_.FKompilacja().StopButtonClick();
                return;
            case 10:
                if (transferWindowOpen()) station_.FKompilacja().CloseButtonClick();
                return;
            case 11:
                if (transferWindowOpen())
                    station_.FKompilacja().FormKeyPress(in_.next() & 1 ? 27 : 13);
                return;
            case 12:
                if (editingButtonsUsable()) station_.ReadProgramButtonClick();
                return;
            case 13:
                if (editingButtonsUsable()) download();
                return;
            case 14:
                return firmware();
            case 15:
                return mainWindowButton(in_.next());
            case 16:
                far_.failWrite = true;
                return;
            default:
                far_.failStatus = true;
                return;
        }
    }

    void mainWindowButton(std::uint8_t which) {
        if (!mainWindowUsable()) return;
        switch (which % 9) {
            case 0:
                if (editingLook_) station_.ConnectButtonClick();
                return;
            case 1:
                if (editingLook_) station_.DisconnectButtonClick();
                return;
            case 2:
                return station_.PlayProgramButtonClick();
            case 3:
                return station_.StopProgramButtonClick();
            case 4:
                if (editingLook_) station_.SpeedButton1Click();
                return;
            case 5:
                if (editingLook_) station_.InfoButtonClick();
                return;
            case 6:
                return station_.ViweMotorButtonClick();
            case 7:
                return station_.WiewIoButtonClick();
            default:
                station_.closeMotorView();
                return station_.closeInputView();
        }
    }

    void afterEachStep() {
        if (station_.connected()) return;
        firmwareAsked_ = verdictAwaited_ = false;
        if (station_.windowsLocked()) fail("the windows stay locked after the link closed");
    }

    // The controller answers everything still asked, and the converter behaves.
    void answerEverything() {
        far_.failWrite = far_.failStatus = false;
        for (int step = 0;; ++step) {
            if (step == kDrainSteps)
                return fail("the station keeps asking an answering controller");
            far_.streamEnded();
            if (!far_.answers.empty()) {
                arrive(takeOldestAnswer());
            } else if (station_.TimeoutTimer().isActive()) {
                tick(station_.TimeoutTimer());
            } else {
                break;
            }
            afterEachStep();
        }
        // A firmware verdict has no timeout: a controller confused by a second
        // update request in the middle of the first may never give it, and the
        // station waits as it always has (the transfer window's Close stays).
        if (station_.windowsLocked() && !verdictAwaited_)
            fail("a transfer stalled, though the controller answered all");
    }

    // Nothing more comes from the controller. Only a firmware update waiting for
    // its verdict may keep the windows (the controller takes its time to flash,
    // and the transfer window's Close stays available).
    void fallSilent() {
        far_.silent = true;
        far_.answers.clear();
        far_.queue.clear();
        for (int expiry = 0; expiry < 8 && station_.TimeoutTimer().isActive(); ++expiry) {
            tick(station_.TimeoutTimer());
            afterEachStep();
        }
        if (station_.windowsLocked() && !verdictAwaited_)
            fail("the windows stay locked with nothing left to end the transfer");
    }

    Reader in_;
    FarEnd far_;
    ManualTimerFactory timers_;
    FixedClock clock_;
    StationCore core_{&far_, timers_, clock_, {*this, *this, *this}};
    ProgramModel& model_ = core_.model();
    DeviceStation& station_ = core_.device();
    ProgramImage written_;
    bool editingLook_ = true;
    bool firmwareAsked_ = false;   // the operator started an update that has not ended
    bool verdictAwaited_ = false;  // its file went out; the controller's verdict is due
    std::string failure_;
};

}  // namespace

std::string replyDispatchKeepsItsPromises(Input input) {
    return Session(input).run();
}

}  // namespace rv720::fuzz
