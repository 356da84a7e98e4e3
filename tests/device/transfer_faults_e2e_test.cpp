// Writes and reads against the controller twin while it misbehaves, on virtual time
// with wire time: named scenarios first, then a campaign of random programs with a
// random fault at a random moment. Whatever happens, every transfer ends, a success
// is never reported with a wrong result, the windows are never left locked, a write
// never touches the program in memory, and a read that does not finish leaves the
// program and its file name as they were.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <sstream>

#include "model/commands.h"
#include "protocol/codes.h"
#include "twin_bench.h"

namespace rv720::test {
namespace {

using namespace std::chrono_literals;
using sim::FaultMode;

ProgramImage randomProgram(std::mt19937& rng, std::uint32_t length) {
    ProgramImage p;
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::uint32_t i = 0; i < length; ++i) {
        Record r;
        for (auto& b : r)
            b = std::uint8_t(byte(rng));
        p.setRecord(int(i), r);
    }
    p.setLength(length);
    for (int i = 0; i < kInputBreakSize; ++i)
        p.setBlockByte(i, std::uint8_t(byte(rng)));
    return p;
}

// Where two programs differ (length, first record, input breaks), or "" when they
// are the same.
std::string difference(const ProgramImage& a, const ProgramImage& b) {
    if (a.length() != b.length())
        return std::to_string(a.length()) + " vs " + std::to_string(b.length()) + " commands";
    for (int i = 0; i < int(a.length()); ++i)
        if (a.record(i) != b.record(i)) return "record " + std::to_string(i + 1);
    return a.inputBreakWire() == b.inputBreakWire() ? "" : "input breaks";
}

// A program that keeps running and reporting its lines: a message, then a wait in
// a loop.
ProgramImage busyProgram() {
    ProgramImage p;
    Record on = makeRecord(code::SetUsb, 4);
    on[2] = 1;
    Record print = makeRecord(code::PrintUsb, 4);
    print[2] = 2;
    print[3] = 'o';
    print[4] = 'k';
    p.setRecord(0, on);
    p.setRecord(1, print);
    p.setRecord(2, withParams(code::WaitMs, 4, 30));
    p.setRecord(3, withParams(code::JumpLine, 4, 2));
    p.setLength(4);
    return p;
}

enum class Op { Write, Read };

// One event at a chosen moment of a transfer: a twin fault, or the operator.
struct Event {
    enum class Kind { Fault, Stop, Close, CloseAndReadAgain } kind = Kind::Fault;
    std::vector<FaultMode> faults;
    int count = 1;
    std::chrono::milliseconds at{0};
    std::chrono::milliseconds lateBy{750};
    bool verify = false;  // a write reads the program back
};

std::string describe(Op op, std::uint32_t length, const Event& e) {
    std::ostringstream out;
    out << (op == Op::Write ? "write" : "read") << " of " << length << " commands, ";
    switch (e.kind) {
        case Event::Kind::Fault:
            out << "fault";
            for (FaultMode f : e.faults)
                out << ' ' << int(f);
            out << " x" << e.count << " late by " << e.lateBy.count() << " ms";
            break;
        case Event::Kind::Stop:
            out << "Stop";
            break;
        case Event::Kind::Close:
            out << "Close";
            break;
        case Event::Kind::CloseAndReadAgain:
            out << "Close, then Read again";
            break;
    }
    out << " at " << e.at.count() << " ms" << (e.verify ? ", verified" : "");
    return out.str();
}

struct RunResult {
    bool ended = false;
    std::optional<TransferOutcome> outcome;
    std::map<int, int> recordsSent;  // write: record index -> times sent
    int resends = 0;
};

// Runs one write or read with the event and checks everything that must hold.
RunResult runTransfer(Op op, const ProgramImage& program, const ProgramImage& stored,
                      const Event& event, const std::string& what) {
    TwinBench b;
    RunResult r;
    b.twin().storeProgram(stored);
    b.twin().setLateReplyDelay(event.lateBy);
    b.station.link().frameLog = [&r](FrameDirection d, std::span<const std::uint8_t> f) {
        if (d == FrameDirection::Sent && f.size() > 10 &&
            f[5] == protocol::byteOf(protocol::CommandCode::WriteRecord))
            ++r.recordsSent[readBe16(&f[8])];
    };
    b.view.fileName = "before.pri";
    b.model.image = program;
    b.station.setVerifyAfterWrite(event.verify);
    const ProgramImage inMemory = b.model.image;

    auto trigger = b.loop.create(int(std::max<long>(event.at.count(), 1)));
    trigger->setHandler([&] {
        trigger->stop();
        switch (event.kind) {
            case Event::Kind::Fault:
                for (FaultMode f : event.faults)
                    b.twin().injectFault(f, event.count);
                break;
            case Event::Kind::Stop:
                b.station.FKompilacja().StopButtonClick();
                break;
            case Event::Kind::Close:
            case Event::Kind::CloseAndReadAgain:
                b.station.FKompilacja().CloseButtonClick();
                if (event.kind == Event::Kind::CloseAndReadAgain)
                    b.station.ReadProgramButtonClick();
                break;
        }
    });
    trigger->start();
    if (op == Op::Write)
        b.station.FKompilacja().DownloadButtonClick();
    else
        b.station.ReadProgramButtonClick();

    const auto idle = [&] {
        return b.station.transferKind() == TransferKind::None && !b.station.awaitingReply() &&
               !trigger->isActive();
    };
    r.ended = b.loop.runUntil(idle, 60s + 10ms * program.length());
    EXPECT_TRUE(r.ended) << what << ": the transfer never ended";
    // Whatever is still on its way arrives and must change nothing.
    b.loop.runFor(2s);
    r.outcome = b.station.lastOutcome();
    for (const auto& e : b.view.events)
        r.resends += e.rfind("status Again data transmission", 0) == 0;

    EXPECT_FALSE(b.station.windowsLocked()) << what;
    EXPECT_FALSE(b.station.TimeoutTimer().isActive()) << what;
    EXPECT_TRUE(r.outcome.has_value()) << what;
    const bool finished = r.outcome && r.outcome->result == TransferResult::Finished;
    if (op == Op::Write) {
        EXPECT_EQ(difference(b.model.image, inMemory), "") << what << ": a write changed it";
        if (finished) {
            EXPECT_EQ(difference(b.twin().program(), program), "")
                << what << ": written, but the controller holds something else";
        }
    } else if (finished) {
        EXPECT_EQ(difference(b.model.image, stored), "")
            << what << ": read, but the program is not the controller's";
    } else {
        EXPECT_EQ(difference(b.model.image, inMemory), "") << what << ": not kept";
        EXPECT_EQ(b.view.fileName, "before.pri") << what;
    }
    return r;
}

struct Scenario {
    const char* name;
    Op op;
    Event event;
    TransferResult result;
    bool busyController = false;  // the stored program runs and reports its lines
};

Event fault(std::vector<FaultMode> faults, std::chrono::milliseconds at) {
    return {Event::Kind::Fault, std::move(faults), 1, at};
}
Event operatorAction(Event::Kind kind, std::chrono::milliseconds at) {
    return {kind, {}, 1, at};
}

// The faults that broke transfers, each on its own: 200 commands written over 60,
// or read over 60.
TEST(TransferFaults, NamedScenariosEndWithTheRightResult) {
    using K = Event::Kind;
    using F = FaultMode;
    const Scenario scenarios[] = {
        {"close during a read, then read again", Op::Read,
         operatorAction(K::CloseAndReadAgain, 5ms), TransferResult::Finished},
        {"close later in a read, then read again", Op::Read,
         operatorAction(K::CloseAndReadAgain, 200ms), TransferResult::Finished},
        {"late record", Op::Read, fault({F::LateReply}, 50ms), TransferResult::Finished},
        {"late acknowledgement", Op::Write, fault({F::LateReply}, 50ms), TransferResult::Finished},
        {"duplicated record", Op::Read, fault({F::DuplicateReply}, 50ms), TransferResult::Finished},
        {"duplicated acknowledgement", Op::Write, fault({F::DuplicateReply}, 50ms),
         TransferResult::Finished},
        {"record replaced by an executed-line report", Op::Read,
         fault({F::LineReportInstead}, 50ms), TransferResult::Finished},
        {"acknowledgement replaced by a program message", Op::Write,
         fault({F::MessageInstead}, 50ms), TransferResult::Finished},
        {"program started by its RUN input, a reply lost, line reports", Op::Write,
         fault({F::RunInputPulse, F::DropReply}, 30ms), TransferResult::Finished, true},
        {"stopped read", Op::Read, operatorAction(K::Stop, 100ms), TransferResult::Stopped},
        {"closed write", Op::Write, operatorAction(K::Close, 100ms), TransferResult::Stopped},
    };
    std::mt19937 rng(720);
    const ProgramImage program = randomProgram(rng, 200);
    const ProgramImage other = randomProgram(rng, 60);
    for (const Scenario& s : scenarios) {
        const bool write = s.op == Op::Write;
        const ProgramImage stored = write ? (s.busyController ? busyProgram() : other) : program;
        const RunResult r = runTransfer(s.op, write ? program : other, stored, s.event, s.name);
        ASSERT_TRUE(r.outcome) << s.name;
        EXPECT_EQ(r.outcome->result, s.result) << s.name;
        if (write && s.result == TransferResult::Finished) {
            // No record skipped, none sent twice unless the reply timeout sent it again.
            int sends = 0;
            for (int k = 1; k <= int(program.length()); ++k) {
                EXPECT_EQ(r.recordsSent.count(k), 1u) << s.name << ": record " << k;
                sends += r.recordsSent.count(k) ? r.recordsSent.at(k) : 0;
            }
            EXPECT_LE(sends, int(program.length()) + r.resends) << s.name;
        }
    }
}

// 110 writes and 110 reads of random programs of 1 to 999 commands, each with one
// fault of every kind the twin knows, or the operator's Stop or Close, at a random
// moment of the transfer. Fixed seeds: a failure names its run.
TEST(TransferFaults, CampaignOfRandomFaults) {
    const FaultMode modes[] = {
        FaultMode::DropReply,      FaultMode::CorruptChecksum,    FaultMode::NoiseBytes,
        FaultMode::Unplugged,      FaultMode::FailFirmwareUpdate, FaultMode::LateReply,
        FaultMode::DuplicateReply, FaultMode::LineReportInstead,  FaultMode::MessageInstead,
        FaultMode::RunInputPulse,  FaultMode::LoseRecord};
    constexpr int kModes = int(std::size(modes));
    std::map<TransferResult, int> results;
    for (Op op : {Op::Write, Op::Read}) {
        for (int run = 0; run < 110; ++run) {
            std::mt19937 rng(std::uint32_t(run * 2 + (op == Op::Read)));
            const auto length = std::uint32_t(std::uniform_int_distribution<int>(1, 999)(rng));
            const ProgramImage program = randomProgram(rng, length);
            const ProgramImage other =
                randomProgram(rng, std::uint32_t(std::uniform_int_distribution<int>(0, 999)(rng)));

            Event e;
            const int choice = std::uniform_int_distribution<int>(0, kModes + 2)(rng);
            if (choice < kModes) {
                e.faults = {modes[choice]};
            } else {
                e.kind = choice == kModes ? Event::Kind::Stop
                         : op == Op::Read ? Event::Kind::CloseAndReadAgain
                                          : Event::Kind::Close;
            }
            e.count = std::uniform_int_distribution<int>(1, 3)(rng);
            // A record takes about 3 ms to write and 4 ms to read on the wire.
            const int span = int(length) * (op == Op::Write ? 3 : 4);
            e.at = std::chrono::milliseconds(std::uniform_int_distribution<int>(0, span)(rng));
            e.lateBy =
                std::chrono::milliseconds(std::uniform_int_distribution<int>(100, 1600)(rng));
            // Only reading back finds a record the controller acknowledged but lost.
            e.verify = (!e.faults.empty() && e.faults[0] == FaultMode::LoseRecord) ||
                       std::uniform_int_distribution<int>(0, 3)(rng) == 0;

            const bool write = op == Op::Write;
            const bool busy = !e.faults.empty() && e.faults[0] == FaultMode::RunInputPulse;
            const ProgramImage stored = write ? (busy ? busyProgram() : other) : program;
            const std::string what = "run " + std::to_string(run) + ": " + describe(op, length, e);
            const RunResult r = runTransfer(op, write ? program : other, stored, e, what);
            if (r.outcome) ++results[r.outcome->result];
            if (::testing::Test::HasFailure()) return;  // one run's story is enough
        }
    }
    // The campaign went through more than clean transfers.
    EXPECT_GT(results[TransferResult::Finished], 0);
    EXPECT_GT(results[TransferResult::Stopped], 0);
    EXPECT_GT(results[TransferResult::NoAnswer] + results[TransferResult::LinkLost], 0);
    EXPECT_GT(results[TransferResult::Differs], 0);
}

}  // namespace
}  // namespace rv720::test
