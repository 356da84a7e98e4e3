#pragma once
// The controller twin: a software RV720 controller that speaks the device side of
// the frame protocol. Bytes from the station go in, bytes for the station come out,
// and simulated time moves only through advance()/advanceTo(), so a program run,
// a wait and a firmware stream are reproducible to the nanosecond.
//
// What it answers, each with the reply protocol/ names for it (the frame's status
// byte is the running flag):
//   motor state, I/O state  the three motors, and the seventeen lamps (outputs 1..7,
//                           relays 1..2, inputs 1..6, RUN, STOP)
//   set output, connect     acknowledged
//   the motor commands      acknowledged, naming the motor (1..3)
//   version                 major, minor
//   run                     status 1 when the program started. An empty program, or
//                           a held STOP input, does not start and the reply carries 0.
//   stop                    the program and all three motors stop at once, status 0
//   write header, records   each acknowledged as a record; the transfer end
//                           confirmed. The new program replaces the stored one (and
//                           is saved) only once every record 1..N has arrived, so an
//                           interrupted write keeps the old program.
//   read header             length, input-break block
//   read record             index, b0..b9; any index 1..999 is served, slots past
//                           the length with what they hold
//   firmware update         accepted; then the station's confirming frame of the
//                           same command is answered with the request for the file
//   reset                   status 0: program stopped, motors stopped with their
//                           power-on work mode and limits and their position counters
//                           cleared, outputs, ENABLE and USB messages off; the stored
//                           program stays
// A frame that is too short, names the wrong target (a motor where one is needed,
// the controller otherwise), carries an index or output number out of range, or has
// an unknown code is refused (a refusal naming the code): the station stops waiting
// but sees no success.
//
// Frames of its own while a program runs:
//   executed line  the zero-based slot it starts executing. At most one report per
//       50 ms: a line started inside that window is reported when the window ends
//       (only the latest), and the same line is never reported twice in a row, so a
//       tight loop costs the link about 2 % of its time and the listing still ends
//       up on the line the program sits in. A line still waiting for its report when
//       the program ends on its own is reported just before the end.
//   message  print_USB characters (count, then up to 7 bytes) while set_USB is on.
//   stopped  with status 0 when the program ends on its own (END, running off the
//       end, a jump outside the program, an unknown code, the STOP input), so the
//       station leaves its run-mode look without having to ask.
//
// Firmware update: after the request for the file every byte that arrives is
// firmware, no framing. The station sends one byte of its own first, pauses
// 1000 ms, then the file; the first byte is therefore dropped and the stream ends
// after 1500 ms of silence. Then "done" follows, or "failed" when the image is empty
// (a 0-byte file), larger than 64 KiB, or a failure was injected. When nothing at
// all arrives within 60 s of the request (the operator cancelled the file dialog)
// the twin silently returns to normal service. The reported version stays 1.3
// unless configured.
//
// Program execution: every record takes 1 ms (reading ten bytes from the EEPROM);
// wait_ms adds its milliseconds; wait_motor re-reads its record each millisecond
// until the motors it names have arrived. Each run starts at line 1 with the
// repetition counter at 0 and USB messages off. if(counter>0) jump_line tests,
// then counts down and jumps, so counter(n) repeats a loop body n more times.
// END leaves moving motors to finish their moves; the stop command and the STOP
// input stop them. INPUT1/INPUT2 edges configured in the input-break block jump at the moment
// of the edge, cutting any wait short; a break line of 0 means none. A rising RUN
// input starts the program as the run command does; a rising STOP input stops the motors
// and the program. A write header stops a running program (its EEPROM is about to
// change); a firmware request stops the program and the motors.
#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "model/program_image.h"
#include "protocol/frame.h"
#include "protocol/replies.h"
#include "sim/axis.h"
#include "sim/motion.h"
#include "sim/sim_time.h"

namespace rv720::sim {

enum class FaultMode : std::uint8_t {
    DropReply,           // the next `count` replies to commands are never sent
    CorruptChecksum,     // the next `count` replies go out with their sum off by one
    NoiseBytes,          // line noise goes out just ahead of each of the next `count` replies
    Unplugged,           // the cable is out: nothing arrives or leaves until replug()
    FailFirmwareUpdate,  // the next `count` firmware images are refused ("failed")
    LateReply,           // the next `count` replies go out lateReplyDelay after they were due
    DuplicateReply,      // the next `count` replies go out twice, one right after the other
    LineReportInstead,   // the next `count` replies are replaced by an executed-line report
    MessageInstead,      // the next `count` replies are replaced by a program message
    RunInputPulse,       // the RUN input pulses as each of the next `count` commands arrives
    LoseRecord,          // the next `count` records written are acknowledged but not stored
};

struct FirmwareVersion {
    std::uint8_t major = 1;
    std::uint8_t minor = 3;
};

struct TwinOptions {
    std::filesystem::path eepromPath;  // empty: the EEPROM lives only as long as the twin
    FirmwareVersion version;
    SimDuration instructionTime = std::chrono::milliseconds(1);
    SimDuration lineReportInterval = std::chrono::milliseconds(50);
    SimDuration firmwareQuiet = std::chrono::milliseconds(1500);
    SimDuration firmwareStartTimeout = std::chrono::seconds(60);
    // How late a LateReply arrives: past the station's first re-send at 700 ms, so
    // both the late answer and the answer to the re-sent command come.
    SimDuration lateReplyDelay = std::chrono::milliseconds(750);
    std::size_t firmwareMaxSize = 65536;
    // Ramps at the configured limits; tests that want moves to end at once pass
    // makeInstantAxis.
    AxisFactory axisFactory = makeMotionAxis;

    // The station's and the tool's twin: the EEPROM kept under the user's data folder.
    static TwinOptions persistent();
};

// Bytes the twin sent at one moment.
struct OutputChunk {
    SimTime at;
    std::vector<std::uint8_t> bytes;
};

// Watches the executor, for a dry run that wants every step rather than the
// throttled line reports. Called at the twin's current time.
class ExecutionObserver {
  public:
    virtual ~ExecutionObserver() = default;
    // A command starts at `slot`; a wait_motor polling its motors counts once.
    virtual void commandStarted(int slot) = 0;
    // print_USB sends its characters (USB messages are on).
    virtual void messageSent(std::span<const std::uint8_t> characters) = 0;
    // The program stopped: by itself, by command, by the STOP input or a reset.
    virtual void programStopped() = 0;
};

inline constexpr int kOutputCount = 9;  // outputs 1..7, relay 1, relay 2
inline constexpr int kInputCount = 6;
inline constexpr std::uint8_t kRefusedCode = protocol::byteOf(protocol::ReplyCode::Refused);

class ControllerTwin {
  public:
    explicit ControllerTwin(TwinOptions options = {});
    ~ControllerTwin();
    ControllerTwin(const ControllerTwin&) = delete;
    ControllerTwin& operator=(const ControllerTwin&) = delete;

    // Station to controller, at the current simulated time.
    void receive(std::span<const std::uint8_t> bytes);
    void receiveByte(std::uint8_t b);

    // Controller to station: everything sent since the last call, oldest first.
    std::vector<OutputChunk> takeOutput();
    std::vector<std::uint8_t> takeBytes();
    bool hasOutput() const { return !outbox_.empty(); }

    SimTime now() const { return now_; }
    // When the twin next acts on its own (a program step, a line report, the end
    // of a firmware stream); nothing while it only waits for bytes.
    std::optional<SimTime> nextEventTime() const { return nextEvent(); }
    void advanceTo(SimTime t);  // an earlier time is ignored
    void advance(SimDuration d) { advanceTo(now_ + d); }

    // The inputs: INPUT1..INPUT6, RUN and STOP. Edges take effect at once.
    void setInput(int n, bool on);
    void setRunInput(bool on);
    void setStopInput(bool on);
    bool input(int n) const;
    bool runInput() const { return runInput_; }
    bool stopInput() const { return stopInput_; }

    // Stores `program` as a completed write does (into the EEPROM file, if any),
    // without a link: a dry run's twin starts with the program it is to run.
    void loadProgram(const ProgramImage& program) { commit(program); }
    void setExecutionObserver(ExecutionObserver* observer) { observer_ = observer; }

    void injectFault(FaultMode mode, int count = 1);
    void setLateReplyDelay(SimDuration delay) { options_.lateReplyDelay = delay; }
    void clearFaults();
    // Puts a program into the EEPROM (and its file) as a completed write would.
    void storeProgram(const ProgramImage& program) { commit(program); }
    void replug() { unplugged_ = false; }
    bool unplugged() const { return unplugged_; }

    bool running() const { return running_; }
    int currentSlot() const { return running_ ? pc_ : -1; }
    bool output(int n) const;  // 1..9
    bool enableOutput() const { return enable_; }
    bool usbMessages() const { return usbOn_; }
    std::uint32_t repetitionCounter() const { return counter_; }
    const ProgramImage& program() const { return program_; }
    bool eepromSaved() const { return eepromSaved_; }  // the last save succeeded
    AxisDrive& axis(int index) { return *axes_.at(std::size_t(index)); }
    const DriverConfig& driver(int index) const { return drivers_.at(std::size_t(index)); }
    FirmwareVersion version() const { return options_.version; }
    const std::vector<std::uint8_t>& lastFirmware() const { return lastFirmware_; }
    int firmwareUpdates() const { return firmwareUpdates_; }

  private:
    enum class FirmwarePhase { Idle, Armed, Receiving };

    void handleFrame(FrameView frame);
    void handleMotorCommand(protocol::CommandCode code, FrameView frame);
    void handleWriteHeader(FrameView frame);
    void handleWriteRecord(FrameView frame);
    void commit(const ProgramImage& program);  // into the EEPROM and its file
    void handleFirmwareRequest();
    void firmwareByte(std::uint8_t b);
    void finishFirmware();
    void reset();
    void powerUpAxes();

    void send(const protocol::Message& message, bool isReply);
    void reply(const protocol::Message& message) { send(message, true); }
    void acknowledge(protocol::ReplyCode code, std::uint8_t target = protocol::kController) {
        reply(protocol::acknowledge(code, target));
    }
    void refuse(std::uint8_t code) { reply(protocol::refusal(code)); }
    protocol::MotorState motorState() const;
    protocol::Lamps ioState() const;

    std::optional<SimTime> nextEvent() const;
    void moveTime(SimTime t);
    void runDue();
    void start();
    void halt(bool stopMotors, bool announce);
    void executeStep();
    void jumpTo(std::uint32_t line, int& next);
    void reportLine(int slot);
    void sendLineReport(int slot);
    AxisDrive* motorAxis(std::uint8_t motor);

    TwinOptions options_;
    SimTime now_{0};
    FrameAssembler assembler_;
    std::deque<OutputChunk> outbox_;

    ProgramImage program_;
    bool eepromSaved_ = true;

    // Write session: the program being received and which records have arrived.
    std::optional<ProgramImage> staging_;
    std::vector<bool> stagedRecords_;
    std::uint32_t stagedCount_ = 0;

    // Executor.
    bool running_ = false;
    int pc_ = -1;
    SimTime nextStepAt_{0};
    int pollingSlot_ = -1;  // a wait_motor re-reading its record
    ExecutionObserver* observer_ = nullptr;
    std::uint32_t counter_ = 0;
    bool usbOn_ = false;
    bool enable_ = false;
    std::array<bool, kOutputCount> outputs_{};
    std::array<bool, kInputCount> inputs_{};
    bool runInput_ = false;
    bool stopInput_ = false;
    std::array<std::unique_ptr<AxisDrive>, 3> axes_;
    std::array<DriverConfig, 3> drivers_{};

    // Executed-line reports.
    std::optional<SimTime> lastReportAt_;
    int lastQueuedSlot_ = -1;
    bool reportPending_ = false;
    int pendingSlot_ = 0;
    SimTime reportDueAt_{0};

    // Firmware update.
    FirmwarePhase firmwarePhase_ = FirmwarePhase::Idle;
    bool firmwareMarkerSeen_ = false;
    std::vector<std::uint8_t> firmwareImage_;
    SimTime firmwareDeadline_{0};
    std::vector<std::uint8_t> lastFirmware_;
    int firmwareUpdates_ = 0;

    // Faults.
    bool unplugged_ = false;
    int dropReplies_ = 0;
    int corruptReplies_ = 0;
    int noisyReplies_ = 0;
    int failFirmware_ = 0;
    int lateReplies_ = 0;
    int duplicateReplies_ = 0;
    int lineReportsInstead_ = 0;
    int messagesInstead_ = 0;
    int runPulses_ = 0;
    int lostRecords_ = 0;
    std::deque<OutputChunk> delayed_;  // late replies, due in order
};

}  // namespace rv720::sim
