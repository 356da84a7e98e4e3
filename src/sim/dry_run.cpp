#include "sim/dry_run.h"

#include <algorithm>
#include <cmath>

#include "model/commands.h"
#include "protocol/commands.h"
#include "sim/controller_twin.h"
#include "sim/motion.h"

namespace rv720::sim {

namespace {

using std::chrono::milliseconds;

// The run advances a millisecond at a time (the executor's own pace), so the
// peak velocities see every step of a ramp.
constexpr SimDuration kStep = milliseconds(1);

class Recorder final : public ExecutionObserver {
  public:
    Recorder(DryRun& run, ControllerTwin& twin) : run_(run), twin_(twin) {}

    void commandStarted(int slot) override {
        ++run_.executed;
        lastSlot_ = slot;
        lastStart_ = twin_.now();
        if (run_.executions.size() < kDryRunMaxExecutions)
            run_.executions.push_back({twin_.now(), slot + 1});
    }

    void messageSent(std::span<const std::uint8_t> characters) override {
        run_.messages.push_back({twin_.now(), std::string(characters.begin(), characters.end())});
    }

    void programStopped() override {
        if (stopped_) return;
        stopped_ = true;
        run_.stoppedAt = twin_.now();
        run_.end = reason();
    }

    bool stopped() const { return stopped_; }
    int line() const { return lastSlot_ + 1; }
    // What the switch being applied is, so that a stop it causes is told apart.
    const InputSwitch* applying = nullptr;

  private:
    DryRunEnd reason() const {
        if (applying) {
            return applying->kind == InputSwitch::Kind::Stop ? DryRunEnd::StopInput
                                                             : DryRunEnd::JumpOutside;
        }
        // A command that stops the program does so the moment it starts; running
        // past the last line stops one step later.
        if (lastSlot_ < 0 || twin_.now() != lastStart_) return DryRunEnd::RanOff;
        const std::uint8_t c = twin_.program().code(lastSlot_);
        if (c == code::End) return DryRunEnd::End;
        if (isJumpCode(c)) return DryRunEnd::JumpOutside;
        return DryRunEnd::UnknownCommand;
    }

    DryRun& run_;
    ControllerTwin& twin_;
    bool stopped_ = false;
    int lastSlot_ = -1;
    SimTime lastStart_{-1};
};

double revolutionsPerSecond(std::int32_t units, const DriverConfig& config) {
    const double stepsPerRev = double(config.stepDivisor) * double(config.stepsPerRev);
    return stepsPerSecond(units) / stepsPerRev;
}

}  // namespace

const char* dryRunEndName(DryRunEnd end) {
    switch (end) {
        case DryRunEnd::NotStarted:
            return "not_started";
        case DryRunEnd::End:
            return "end";
        case DryRunEnd::RanOff:
            return "ran_off";
        case DryRunEnd::JumpOutside:
            return "jump_outside";
        case DryRunEnd::UnknownCommand:
            return "unknown_command";
        case DryRunEnd::StopInput:
            return "stop_input";
        case DryRunEnd::Limit:
            return "limit";
    }
    return "";
}

int DryRun::lineAt(SimTime t) const {
    if (!executions.empty() && (!executionsTruncated() || t < executions.back().at)) {
        const auto after =
            std::upper_bound(executions.begin(), executions.end(), t,
                             [](SimTime value, const DryRunExecution& e) { return value < e.at; });
        return after == executions.begin() ? 0 : std::prev(after)->line;
    }
    if (samples.empty() || t < SimTime{0}) return 0;
    const auto index = std::size_t(t / kDryRunSampleInterval);
    return samples[std::min(index, samples.size() - 1)].line;
}

DryRun dryRun(const ProgramImage& program, const DryRunOptions& options) {
    DryRun run;
    ControllerTwin twin;  // no EEPROM file: the user's stored program stays as it is
    twin.loadProgram(program);
    Recorder recorder(run, twin);
    twin.setExecutionObserver(&recorder);

    std::vector<InputSwitch> switches = options.switches;
    std::stable_sort(switches.begin(), switches.end(),
                     [](const InputSwitch& a, const InputSwitch& b) { return a.at < b.at; });
    std::size_t nextSwitch = 0;
    const auto applyDue = [&](SimTime upTo) {
        while (nextSwitch < switches.size() && switches[nextSwitch].at <= upTo &&
               !recorder.stopped()) {
            const InputSwitch& change = switches[nextSwitch++];
            twin.advanceTo(change.at);
            recorder.applying = &change;
            applyInputSwitch(twin, change);
            recorder.applying = nullptr;
        }
    };

    const auto sample = [&] {
        MotionSample s;
        s.at = twin.now();
        s.line = recorder.line();
        for (int m = 0; m < 3; ++m) {
            s.position[m] = twin.axis(m).position();
            s.velocity[m] = revolutionsPerSecond(twin.axis(m).velocity(), twin.driver(m));
        }
        run.samples.push_back(s);
    };
    const auto allArrived = [&] {
        return twin.axis(0).arrived() && twin.axis(1).arrived() && twin.axis(2).arrived();
    };
    // A motor on its way to a position will get there; one turning at a set
    // velocity would turn to the limit, and is not waited for.
    const auto movesRemain = [&] {
        for (int m = 0; m < 3; ++m) {
            AxisDrive& axis = twin.axis(m);
            const auto* motion = dynamic_cast<const MotionAxis*>(&axis);
            if (motion ? motion->activity() != MotionAxis::Activity::Idle &&
                             motion->activity() != MotionAxis::Activity::Velocity
                       : !axis.arrived())
                return true;
        }
        return false;
    };

    // Inputs set at 0 are in place before the start, as wired inputs would be.
    applyDue(SimTime{0});
    twin.receive(protocol::toFrame(protocol::command(protocol::CommandCode::Run)).view());
    twin.advanceTo(twin.now());  // line 1 starts at once
    twin.takeBytes();
    if (!twin.running() && !recorder.stopped()) {
        sample();
        return run;
    }
    run.samples.reserve(std::size_t(options.limit / kDryRunSampleInterval) + 1);
    sample();

    const SimTime limit = std::max(options.limit, SimDuration{0});
    while (twin.now() < limit) {
        const SimTime next = std::min(twin.now() + kStep, limit);
        applyDue(next);
        twin.advanceTo(next);
        for (int m = 0; m < 3; ++m) {
            const double v =
                std::abs(revolutionsPerSecond(twin.axis(m).velocity(), twin.driver(m)));
            run.peakVelocity[m] = std::max(run.peakVelocity[m], v);
        }
        const bool onGrid = next.count() % kDryRunSampleInterval.count() == 0;
        if (onGrid) {
            sample();
            twin.takeBytes();  // line reports and messages nobody reads
            if (recorder.stopped() && !movesRemain()) break;
        }
    }
    if (!recorder.stopped()) {
        run.end = DryRunEnd::Limit;
        run.stoppedAt = limit;
        twin.setExecutionObserver(nullptr);
    }
    if (run.samples.back().at != twin.now()) sample();
    run.motorsRunning = !allArrived();
    for (int m = 0; m < 3; ++m)
        run.positions[m] = twin.axis(m).position();
    return run;
}

}  // namespace rv720::sim
