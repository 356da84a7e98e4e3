// Every reply code delivered in every state of the station: only the replies that
// state awaits may change the program, its input-break block, the frames sent, the
// transfer log or the reply timeout. A stray reply (a late acknowledgement after a
// write, an unrequested program header, a firmware reply during a write) changes
// none of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "support/device_fakes.h"
#include "support/temp_folder.h"

namespace rv720::test {
namespace {

Record recordOf(std::uint8_t code) {
    return {code, 4, 9, 8, 7, 6, 5, 4, 3, 2};
}

// The program is three records long.
void writeThreeRecords(Bench& b) {
    b.station.FKompilacja().DownloadButtonClick();
    b.deliver(17, {4});  // the header's acknowledgement: record 1 goes out
}

void finishWrite(Bench& b) {
    writeThreeRecords(b);
    for (int i = 0; i < 3; ++i)
        b.deliver(17, {4});
}

void refusedRead(Bench& b) {
    b.station.ReadProgramButtonClick();
    b.deliver(19, {4, 0, 3, 1, 2, 3});  // too short for a header: refused
}

void startRead(Bench& b) {
    b.station.ReadProgramButtonClick();
}

void readingRecords(Bench& b) {
    startRead(b);
    b.deliver(19, headerReply(3, 0x11));
}

void firmwareRequested(Bench& b) {
    ASSERT_TRUE(b.station.PassOkButtonClick(kFirmwarePassword));
}

void firmwareConfirmed(Bench& b) {
    firmwareRequested(b);
    b.deliver(21, {4});
}

void firmwareStreamed(Bench& b) {
    firmwareConfirmed(b);
    b.deliver(23, {4});
}

struct GuardState {
    const char* name;
    std::function<void(Bench&)> enter;
    std::uint8_t outstanding;       // the command a refusal names in this state
    std::set<int> changesAnything;  // the replies this state awaits
};

// What a reply may change.
struct Snapshot {
    std::array<std::uint8_t, kImageSize> image;
    std::vector<Bytes> sent;
    std::vector<std::string> log;
    bool timeoutRunning;
    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot(Bench& b) {
    return {b.model.image.bytes(), b.sent(), b.view.logTexts(),
            b.station.TimeoutTimer().isActive()};
}

Bytes payload(int code, std::uint8_t outstanding) {
    switch (code) {
        case 0:
            return {4, outstanding};
        case 1:
            return Bytes(19, 4);
        case 2:
            return Bytes(18, 4);
        case 14:
            return {4, 2, 'h', 'i'};
        case 15:
            return {4, 0, 1};
        case 19:
            return headerReply(2, 0x11);
        case 20:
            return recordReply(1, recordOf(3));
        default:
            return {4};
    }
}

TEST(ReplyGuard, OnlyTheAwaitedRepliesChangeAnything) {
    const TempFolder folder;
    const std::string firmware = folder.file("firmware.bin");
    std::ofstream(firmware, std::ios::binary) << "firmware";

    const GuardState states[] = {
        {"idle", [](Bench&) {}, 19, {}},
        {"writing", writeThreeRecords, 17, {0, 17}},
        {"write finished, end unconfirmed", finishWrite, 18, {0, 18}},
        {"write finished and confirmed",
         [](Bench& b) {
             finishWrite(b);
             b.deliver(18, {4});
         },
         18,
         {}},
        {"write stopped, acknowledgement owed",
         [](Bench& b) {
             writeThreeRecords(b);
             b.station.FKompilacja().StopButtonClick();
         },
         18,
         {0, 17, 18}},
        {"reading the header", startRead, 19, {0, 19}},
        {"reading records", readingRecords, 20, {0, 20}},
        {"read refused", refusedRead, 18, {0, 18}},
        {"read stopped",
         [](Bench& b) {
             readingRecords(b);
             b.station.FKompilacja().StopButtonClick();
         },
         18,
         {0, 18}},
        {"read finished",
         [](Bench& b) {
             readingRecords(b);
             for (std::uint16_t i = 1; i <= 3; ++i)
                 b.deliver(20, recordReply(i, recordOf(3)));
         },
         18,
         {0, 18}},
        {"firmware requested", firmwareRequested, 21, {0, 21}},
        {"firmware file asked for", firmwareConfirmed, 21, {23}},
        {"firmware sent", firmwareStreamed, 21, {24, 25}},
    };
    for (bool monitors : {false, true}) {
        for (const GuardState& state : states) {
            for (int code = 0; code <= 25; ++code) {
                Bench b;
                for (std::uint8_t c : {6, 7, 10})
                    b.model.appendRecord(recordOf(c));
                b.model.image.setInputBreak(1, {true, 1, 1});
                b.view.firmwareFile = firmware;
                b.connect();
                if (monitors) {
                    b.station.ViweMotorButtonClick();
                    b.station.WiewIoButtonClick();
                }
                state.enter(b);
                b.sent();  // what the state itself sent
                const Snapshot before = snapshot(b);
                b.deliver(std::uint8_t(code), payload(code, state.outstanding));
                const bool changed = !(snapshot(b) == before);
                EXPECT_EQ(changed, state.changesAnything.count(code) > 0)
                    << state.name << (monitors ? ", monitors open" : "") << ": reply " << code;
            }
        }
    }
}

}  // namespace
}  // namespace rv720::test
