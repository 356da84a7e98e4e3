#include "sim/controller_twin.h"

#include <algorithm>

#include "model/commands.h"
#include "model/records.h"
#include "protocol/commands.h"
#include "sim/eeprom_file.h"

namespace rv720::sim {

using protocol::CommandCode;
using protocol::ReplyCode;

namespace {

// Bytes that break the station's sync search without ever starting a frame, so
// the reply after them still arrives.
constexpr std::uint8_t kNoise[] = {0xFF, 0xFF, 0x00, 0x5A, 0xC3, 0x00};

constexpr std::int32_t kMaxWaitMs = 86'400'000;

}  // namespace

TwinOptions TwinOptions::persistent() {
    TwinOptions options;
    options.eepromPath = defaultEepromPath();
    return options;
}

ControllerTwin::ControllerTwin(TwinOptions options) : options_(std::move(options)) {
    if (options_.instructionTime < std::chrono::microseconds(1))
        options_.instructionTime = std::chrono::microseconds(1);
    powerUpAxes();
    if (!options_.eepromPath.empty()) {
        if (auto stored = loadEeprom(options_.eepromPath)) program_ = *stored;
    }
}

ControllerTwin::~ControllerTwin() = default;

// ---------------------------------------------------------------- bytes in and out

void ControllerTwin::receive(std::span<const std::uint8_t> bytes) {
    for (auto b : bytes)
        receiveByte(b);
}

void ControllerTwin::receiveByte(std::uint8_t b) {
    if (unplugged_) return;
    if (firmwarePhase_ == FirmwarePhase::Receiving) {
        firmwareByte(b);
        return;
    }
    if (assembler_.put(b) == FrameAssembler::Result::Good)
        handleFrame(FrameView(assembler_.frame()));
}

std::vector<OutputChunk> ControllerTwin::takeOutput() {
    std::vector<OutputChunk> out(std::make_move_iterator(outbox_.begin()),
                                 std::make_move_iterator(outbox_.end()));
    outbox_.clear();
    return out;
}

std::vector<std::uint8_t> ControllerTwin::takeBytes() {
    std::vector<std::uint8_t> out;
    for (auto& chunk : outbox_)
        out.insert(out.end(), chunk.bytes.begin(), chunk.bytes.end());
    outbox_.clear();
    return out;
}

void ControllerTwin::send(const protocol::Message& message, bool isReply) {
    if (unplugged_) return;
    if (isReply && dropReplies_ > 0) {
        --dropReplies_;
        return;
    }
    if (isReply && lineReportsInstead_ > 0) {
        --lineReportsInstead_;
        return send(protocol::executedLineReply(std::uint16_t(std::max(pc_, 0))), false);
    }
    if (isReply && messagesInstead_ > 0) {
        --messagesInstead_;
        const std::uint8_t busy[] = {'B', 'u', 's', 'y'};
        return send(protocol::usbMessageReply(busy), false);
    }
    const Frame frame = protocol::toFrame(message, running_ ? 1 : 0);
    OutputChunk chunk{now_, {frame.view().begin(), frame.view().end()}};
    if (isReply && noisyReplies_ > 0) {
        --noisyReplies_;
        chunk.bytes.insert(chunk.bytes.begin(), std::begin(kNoise), std::end(kNoise));
    }
    if (isReply && corruptReplies_ > 0) {
        --corruptReplies_;
        ++chunk.bytes.back();
    }
    int copies = 1;
    if (isReply && duplicateReplies_ > 0) {
        --duplicateReplies_;
        copies = 2;
    }
    for (int i = 0; i < copies; ++i) {
        if (isReply && lateReplies_ > 0) {
            --lateReplies_;
            chunk.at = now_ + options_.lateReplyDelay;
            const auto later =
                std::upper_bound(delayed_.begin(), delayed_.end(), chunk.at,
                                 [](SimTime t, const OutputChunk& c) { return t < c.at; });
            delayed_.insert(later, chunk);
            continue;
        }
        outbox_.push_back(chunk);
    }
}

// ---------------------------------------------------------------- commands

void ControllerTwin::handleFrame(FrameView frame) {
    if (runPulses_ > 0) {
        --runPulses_;
        setRunInput(true);
        setRunInput(false);
    }
    const std::uint8_t byte = frame.code();
    const auto code = CommandCode(byte);
    if (firmwarePhase_ == FirmwarePhase::Armed && code != CommandCode::FirmwareUpdate)
        firmwarePhase_ = FirmwarePhase::Idle;
    if (frame.data().empty()) return refuse(byte);

    if (protocol::isMotorCommand(code)) return handleMotorCommand(code, frame);
    if (frame.target() != protocol::kController) return refuse(byte);

    switch (code) {
        case CommandCode::MotorState:
            return reply(protocol::motorStateReply(motorState()));
        case CommandCode::IoState:
            return reply(protocol::ioStateReply(ioState()));
        case CommandCode::SetOutput: {
            const auto setting = protocol::decodeSetOutput(frame);
            if (!setting || setting->output < 1 || setting->output > kOutputCount)
                return refuse(byte);
            outputs_[setting->output - 1] = setting->on;
            return acknowledge(ReplyCode::OutputsSet);
        }
        case CommandCode::Connect:
            return acknowledge(ReplyCode::Connected);
        case CommandCode::FirmwareVersion:
            return reply(protocol::versionReply({options_.version.major, options_.version.minor}));
        case CommandCode::Run:
            start();
            return acknowledge(ReplyCode::Running);
        case CommandCode::Stop:
            halt(true, false);
            return acknowledge(ReplyCode::Stopped);
        case CommandCode::WriteHeader:
            return handleWriteHeader(frame);
        case CommandCode::WriteRecord:
            return handleWriteRecord(frame);
        case CommandCode::TransferEnd:
            staging_.reset();
            return acknowledge(ReplyCode::TransferEnded);
        case CommandCode::ReadHeader:
            return reply(protocol::readHeaderReply(
                {std::uint16_t(program_.length()), program_.inputBreakWire()}));
        case CommandCode::ReadRecord: {
            const auto index = protocol::decodeReadRecordIndex(frame);
            if (!index || *index < 1 || *index > kMaxCommands) return refuse(byte);
            return reply(protocol::readRecordReply({*index, program_.record(*index - 1)}));
        }
        case CommandCode::FirmwareUpdate:
            return handleFirmwareRequest();
        case CommandCode::Reset:
            reset();
            return acknowledge(ReplyCode::ResetDone);
        default:
            return refuse(byte);
    }
}

AxisDrive* ControllerTwin::motorAxis(std::uint8_t motor) {
    if (motor < 1 || motor > 3) return nullptr;
    return axes_[motor - 1].get();
}

void ControllerTwin::handleMotorCommand(CommandCode code, FrameView frame) {
    AxisDrive* axis = motorAxis(frame.target());
    if (!axis) return refuse(protocol::byteOf(code));
    if (code == CommandCode::WorkMode) {
        const auto setting = protocol::decodeWorkMode(frame);
        if (!setting || setting->mode > 2) return refuse(protocol::byteOf(code));
        axis->setMode(AxisMode(setting->mode));
    } else {
        const auto command = protocol::decodeMotorValue(frame);
        if (!command) return refuse(protocol::byteOf(code));
        const std::int32_t value = command->value;
        switch (code) {
            case CommandCode::VMin:
                axis->setMinVelocity(std::clamp(value, 1, kMaxVelocityUnits));
                break;
            case CommandCode::VMax:
                axis->setMaxVelocity(std::clamp(value, 1, kMaxVelocityUnits));
                break;
            case CommandCode::AMax:
                axis->setMaxAcceleration(std::clamp(value, 1, kMaxAccelerationUnits));
                break;
            case CommandCode::VDest:
                axis->runAtVelocity(std::clamp(value, -kMaxVelocityUnits, kMaxVelocityUnits));
                break;
            case CommandCode::XDest:
                axis->moveTo(clampPosition(value));
                break;
            case CommandCode::StepUp:
                axis->stepBy(clampPosition(value));
                break;
            case CommandCode::StepDown:
                axis->stepBy(clampPosition(-std::int64_t(value)));
                break;
            default:
                break;
        }
    }
    acknowledge(protocol::answerTo(code), frame.target());
}

void ControllerTwin::handleWriteHeader(FrameView frame) {
    const auto header = protocol::decodeWriteHeader(frame);
    if (!header || header->length > kMaxCommands)
        return refuse(protocol::byteOf(CommandCode::WriteHeader));
    const std::uint16_t length = header->length;
    // The EEPROM is rewritten under the program's feet otherwise.
    if (running_) halt(true, false);
    staging_ = program_;
    staging_->setLength(length);
    staging_->setInputBreakFromWire(header->block);
    stagedRecords_.assign(length, false);
    stagedCount_ = 0;
    acknowledge(ReplyCode::RecordStored);
    if (length == 0) commit(*staging_);
}

void ControllerTwin::handleWriteRecord(FrameView frame) {
    const auto written = protocol::decodeWriteRecord(frame);
    const std::uint8_t code = protocol::byteOf(CommandCode::WriteRecord);
    if (!staging_ || !written) return refuse(code);
    const std::uint16_t index = written->index;
    if (index < 1 || index > staging_->length()) return refuse(code);
    Record r = written->record;
    if (lostRecords_ > 0) {
        --lostRecords_;  // a worn cell: the slot keeps what it held
        r = staging_->record(index - 1);
    }
    staging_->setRecord(index - 1, r);
    if (!stagedRecords_[index - 1]) {
        stagedRecords_[index - 1] = true;
        ++stagedCount_;
        if (stagedCount_ == staging_->length()) commit(*staging_);
    } else if (stagedCount_ == staging_->length() && program_.record(index - 1) != r) {
        // A re-sent record after the program was committed still belongs to it.
        commit(*staging_);
    }
    acknowledge(ReplyCode::RecordStored);
}

void ControllerTwin::commit(const ProgramImage& program) {
    program_ = program;
    eepromSaved_ = options_.eepromPath.empty() || saveEeprom(options_.eepromPath, program_);
}

// Fresh axes: power-on work mode and limits, position counters at zero.
void ControllerTwin::powerUpAxes() {
    for (int i = 0; i < 3; ++i) {
        drivers_[i] = DriverConfig{};
        axes_[i] = options_.axisFactory ? options_.axisFactory(i) : nullptr;
        if (!axes_[i]) axes_[i] = makeMotionAxis(i);
        axes_[i]->configure(drivers_[i]);
    }
}

void ControllerTwin::reset() {
    halt(true, false);
    // A reset controller moves as it did at power-on, not with limits a direct
    // command or the last program left behind.
    powerUpAxes();
    outputs_.fill(false);
    enable_ = false;
    usbOn_ = false;
    counter_ = 0;
    staging_.reset();
    firmwarePhase_ = FirmwarePhase::Idle;
}

protocol::MotorState ControllerTwin::motorState() const {
    protocol::MotorState state;
    for (int m = 0; m < 3; ++m) {
        state.position[m] = axes_[m]->position();
        state.rawVelocity[m] = axes_[m]->velocity();
    }
    return state;
}

// Outputs 1..7, relays 1..2, inputs 1..6, RUN, STOP.
protocol::Lamps ControllerTwin::ioState() const {
    protocol::Lamps lamps{};
    auto at = lamps.begin();
    at = std::copy(outputs_.begin(), outputs_.end(), at);
    at = std::copy(inputs_.begin(), inputs_.end(), at);
    *at++ = runInput_;
    *at = stopInput_;
    return lamps;
}

// ---------------------------------------------------------------- firmware update

void ControllerTwin::handleFirmwareRequest() {
    if (firmwarePhase_ == FirmwarePhase::Armed) {
        firmwarePhase_ = FirmwarePhase::Receiving;
        firmwareMarkerSeen_ = false;
        firmwareImage_.clear();
        firmwareDeadline_ = now_ + options_.firmwareStartTimeout;
        assembler_.reset();
        return acknowledge(ReplyCode::FirmwareFileRequested);
    }
    halt(true, false);
    staging_.reset();
    firmwarePhase_ = FirmwarePhase::Armed;
    acknowledge(ReplyCode::FirmwareAccepted);
}

void ControllerTwin::firmwareByte(std::uint8_t b) {
    if (!firmwareMarkerSeen_) {
        firmwareMarkerSeen_ = true;  // the station's own lead byte, not firmware
    } else if (firmwareImage_.size() <= options_.firmwareMaxSize) {
        firmwareImage_.push_back(b);  // one byte past the limit marks the image too large
    }
    firmwareDeadline_ = now_ + options_.firmwareQuiet;
}

void ControllerTwin::finishFirmware() {
    firmwarePhase_ = FirmwarePhase::Idle;
    if (!firmwareMarkerSeen_) return;  // nothing came: back to normal service
    bool good = !firmwareImage_.empty() && firmwareImage_.size() <= options_.firmwareMaxSize;
    if (good && failFirmware_ > 0) {
        --failFirmware_;
        good = false;
    }
    if (good) {
        lastFirmware_ = std::move(firmwareImage_);
        ++firmwareUpdates_;
    }
    firmwareImage_.clear();
    acknowledge(good ? ReplyCode::FirmwareDone : ReplyCode::FirmwareFailed);
}

// ---------------------------------------------------------------- time

std::optional<SimTime> ControllerTwin::nextEvent() const {
    std::optional<SimTime> next;
    auto consider = [&](SimTime t) {
        if (!next || t < *next) next = t;
    };
    if (running_) consider(nextStepAt_);
    if (reportPending_) consider(reportDueAt_);
    if (firmwarePhase_ == FirmwarePhase::Receiving) consider(firmwareDeadline_);
    if (!delayed_.empty()) consider(delayed_.front().at);
    return next;
}

void ControllerTwin::advanceTo(SimTime t) {
    while (true) {
        const auto next = nextEvent();
        if (!next || *next > t) break;
        moveTime(std::max(*next, now_));
        runDue();
    }
    moveTime(t);
}

void ControllerTwin::moveTime(SimTime t) {
    if (t <= now_) return;
    for (auto& axis : axes_)
        axis->advance(t - now_);
    now_ = t;
}

void ControllerTwin::runDue() {
    while (!delayed_.empty() && delayed_.front().at <= now_) {
        if (!unplugged_) outbox_.push_back(std::move(delayed_.front()));
        delayed_.pop_front();
    }
    if (reportPending_ && reportDueAt_ <= now_) {
        reportPending_ = false;
        sendLineReport(pendingSlot_);
    }
    if (firmwarePhase_ == FirmwarePhase::Receiving && firmwareDeadline_ <= now_) finishFirmware();
    if (running_ && nextStepAt_ <= now_) executeStep();
}

// ---------------------------------------------------------------- inputs and faults

void ControllerTwin::setInput(int n, bool on) {
    if (n < 1 || n > kInputCount) return;
    const bool was = inputs_[n - 1];
    inputs_[n - 1] = on;
    if (!running_ || was == on || n > 2) return;
    const InputBreak brk = program_.inputBreak(n);
    if (!brk.enabled || brk.line == 0) return;
    const bool rising = brk.edge != 0;
    if (rising != on) return;
    int next = pc_;
    jumpTo(brk.line, next);
    if (!running_) return;
    pc_ = next;
    pollingSlot_ = -1;
    nextStepAt_ = now_;
    advanceTo(now_);
}

bool ControllerTwin::input(int n) const {
    return n >= 1 && n <= kInputCount && inputs_[n - 1];
}

bool ControllerTwin::output(int n) const {
    return n >= 1 && n <= kOutputCount && outputs_[n - 1];
}

void ControllerTwin::setRunInput(bool on) {
    const bool rising = on && !runInput_;
    runInput_ = on;
    if (rising && !running_) {
        start();
        advanceTo(now_);
    }
}

void ControllerTwin::setStopInput(bool on) {
    const bool rising = on && !stopInput_;
    stopInput_ = on;
    if (rising) halt(true, true);
}

void ControllerTwin::injectFault(FaultMode mode, int count) {
    count = std::max(count, 0);
    switch (mode) {
        case FaultMode::DropReply:
            dropReplies_ += count;
            break;
        case FaultMode::CorruptChecksum:
            corruptReplies_ += count;
            break;
        case FaultMode::NoiseBytes:
            noisyReplies_ += count;
            break;
        case FaultMode::Unplugged:
            unplugged_ = true;
            assembler_.reset();
            outbox_.clear();
            delayed_.clear();
            break;
        case FaultMode::FailFirmwareUpdate:
            failFirmware_ += count;
            break;
        case FaultMode::LateReply:
            lateReplies_ += count;
            break;
        case FaultMode::DuplicateReply:
            duplicateReplies_ += count;
            break;
        case FaultMode::LineReportInstead:
            lineReportsInstead_ += count;
            break;
        case FaultMode::MessageInstead:
            messagesInstead_ += count;
            break;
        case FaultMode::RunInputPulse:
            runPulses_ += count;
            break;
        case FaultMode::LoseRecord:
            lostRecords_ += count;
            break;
    }
}

void ControllerTwin::clearFaults() {
    dropReplies_ = corruptReplies_ = noisyReplies_ = failFirmware_ = 0;
    lateReplies_ = duplicateReplies_ = lineReportsInstead_ = messagesInstead_ = runPulses_ = 0;
    lostRecords_ = 0;
    unplugged_ = false;
}

// ---------------------------------------------------------------- executor

void ControllerTwin::start() {
    if (running_) return;
    if (program_.length() == 0 || stopInput_) return;
    running_ = true;
    pc_ = 0;
    counter_ = 0;
    usbOn_ = false;
    nextStepAt_ = now_;
    pollingSlot_ = -1;
    lastQueuedSlot_ = -1;
    reportPending_ = false;
}

void ControllerTwin::halt(bool stopMotors, bool announce) {
    if (stopMotors)
        for (auto& axis : axes_)
            axis->stopNow();
    if (!running_) return;
    // The line it ended on is worth a report even inside the throttle window.
    if (announce && reportPending_) sendLineReport(pendingSlot_);
    running_ = false;
    pc_ = -1;
    reportPending_ = false;
    lastQueuedSlot_ = -1;
    if (announce) send(protocol::acknowledge(ReplyCode::Stopped), false);
    if (observer_) observer_->programStopped();
}

void ControllerTwin::jumpTo(std::uint32_t line, int& next) {
    if (line < 1 || line > program_.length()) {
        halt(false, true);  // a target outside the program: there is nothing to run
        return;
    }
    next = int(line) - 1;
}

void ControllerTwin::reportLine(int slot) {
    if (slot == lastQueuedSlot_) return;
    lastQueuedSlot_ = slot;
    if (!lastReportAt_ || now_ - *lastReportAt_ >= options_.lineReportInterval) {
        reportPending_ = false;
        sendLineReport(slot);
    } else {
        reportPending_ = true;
        pendingSlot_ = slot;
        reportDueAt_ = *lastReportAt_ + options_.lineReportInterval;
    }
}

void ControllerTwin::sendLineReport(int slot) {
    send(protocol::executedLineReply(std::uint16_t(slot)), false);
    lastReportAt_ = now_;
}

void ControllerTwin::executeStep() {
    if (pc_ < 0 || std::uint32_t(pc_) >= program_.length()) return halt(false, true);
    const int slot = pc_;
    if (observer_ && slot != pollingSlot_) observer_->commandStarted(slot);
    pollingSlot_ = -1;
    reportLine(slot);
    const Record r = program_.record(slot);
    const std::uint8_t motor = r[1];
    AxisDrive* axis = motorAxis(motor);
    const DriverConfig* drv = axis ? &drivers_[motor - 1] : nullptr;
    const std::int32_t value = ValueRecord::decode(r).value;  // of the one-value commands
    int next = slot + 1;
    SimDuration delay = options_.instructionTime;

    switch (r[0]) {
        case code::VMin:
            if (axis) axis->setMinVelocity(speedLimitUnitsFromMilli(value, *drv));
            break;
        case code::VMax:
            if (axis) axis->setMaxVelocity(speedLimitUnitsFromMilli(value, *drv));
            break;
        case code::VDest:
            if (axis) axis->runAtVelocity(velocityUnitsFromMilli(value, *drv));
            break;
        case code::AMax:
            if (axis) axis->setMaxAcceleration(accelerationUnitsFromMilli(value, *drv));
            break;
        case code::Enable:
            enable_ = SwitchRecord::decode(r).on != 0;
            break;
        case code::WaitMs:
            delay += std::chrono::milliseconds(std::clamp(value, 0, kMaxWaitMs));
            break;
        case code::JumpLine:
            jumpTo(std::uint32_t(value), next);
            break;
        case code::GoTo:
            if (axis) axis->moveTo(clampPosition(value));
            break;
        case code::Home:
            if (axis) {
                const HomeRecord home = HomeRecord::decode(r);
                axis->home(speedLimitUnitsFromMilli(home.firstMilli, *drv),
                           speedLimitUnitsFromMilli(home.secondMilli, *drv));
            }
            break;
        case code::End:
            return halt(false, true);
        case code::Brake:
            if (axis) axis->brake();
            break;
        case code::Stop:
            if (axis) axis->stopNow();
            break;
        case code::Counter:
            counter_ = std::uint32_t(std::clamp(value, 0, 65535));
            break;
        case code::JumpIfCounter:
            if (counter_ > 0) {
                --counter_;
                jumpTo(std::uint32_t(value), next);
            }
            break;
        case code::SetOut: {
            const OutputRecord out = OutputRecord::decode(r);
            if (out.output >= 1 && out.output <= kOutputCount)
                outputs_[out.output - 1] = out.state != 0;
            break;
        }
        case code::JumpIfInput: {
            const InputJumpRecord jump = InputJumpRecord::decode(r);
            if (jump.input >= 1 && jump.input <= kInputCount &&
                inputs_[jump.input - 1] == (jump.state != 0))
                jumpTo(std::uint32_t(jump.target), next);
            break;
        }
        case code::Driver:
            if (axis) {
                const DriverRecord d = DriverRecord::decode(r);
                DriverConfig& config = drivers_[motor - 1];
                config.leftSensor = d.left != 0;
                config.rightSensor = d.right != 0;
                config.stepDivisor = std::clamp<std::uint32_t>(d.divisor, 1, 256);
                config.stepsPerRev = std::clamp(d.stepsPerRev, 1, 1600);
                axis->configure(config);
            }
            break;
        case code::SetUsb:
            usbOn_ = SwitchRecord::decode(r).on != 0;
            break;
        case code::PrintUsb:
            if (usbOn_) {
                const MessageRecord message = MessageRecord::decode(r);
                const std::span<const std::uint8_t> characters(message.characters.data(),
                                                               std::size_t(message.shown()));
                send(protocol::usbMessageReply(characters), false);
                if (observer_) observer_->messageSent(characters);
            }
            break;
        case code::WaitMotor: {
            const auto motors = MotorFlagsRecord::decode(r).motors;
            for (int m = 0; m < 3; ++m)
                if (motors[std::size_t(m)] != 0 && !axes_[m]->arrived()) next = slot;
            if (next == slot) pollingSlot_ = slot;
            break;
        }
        case code::ClearMotor: {
            const auto motors = MotorFlagsRecord::decode(r).motors;
            for (int m = 0; m < 3; ++m)
                if (motors[std::size_t(m)] != 0) axes_[m]->clearPosition();
            break;
        }
        default:
            return halt(false, true);  // not a command this controller knows
    }
    if (!running_) return;
    pc_ = next;
    nextStepAt_ = now_ + delay;
}

}  // namespace rv720::sim
