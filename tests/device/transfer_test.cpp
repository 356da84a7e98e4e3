#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/compiler.h"
#include "protocol/codes.h"
#include "support/device_fakes.h"
#include "support/temp_folder.h"

namespace rv720::test {
namespace {

using Events = std::vector<std::string>;
const std::string kDashes(69, '-');

Events statuses(const Events& events) {
    Events out;
    for (const auto& e : events)
        if (e.rfind("status ", 0) == 0) out.push_back(e.substr(7));
    return out;
}

bool has(const Events& events, const std::string& e) {
    return std::find(events.begin(), events.end(), e) != events.end();
}

Record sampleRecord(std::uint8_t code) {
    return {code, 4, 1, 2, 3, 4, 5, 6, 7, 8};
}

// ---- write -----------------------------------------------------------------

TEST(ProgramWrite, OneCommandProgramFrameByFrame) {
    Bench b;
    b.model.appendRecord(sampleRecord(10));
    b.model.image.setInputBreak(1, {true, 1, 1});
    b.connect();
    b.station.FKompilacja().DownloadButtonClick();

    Bytes header{16, 4, 0, 1};
    const auto block = b.model.image.inputBreakWire();
    header.insert(header.end(), block.begin(), block.end());
    EXPECT_EQ(b.sent(), std::vector<Bytes>{header});
    EXPECT_TRUE(b.station.windowsLocked());
    EXPECT_FALSE(b.station.FKompilacja().FormCloseQuery());

    b.deliver(17, {4});
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{17, 4, 0, 1, 10, 4, 1, 2, 3, 4, 5, 6, 7, 8})});
    EXPECT_EQ(b.view.gaugePosition, 1);
    for (int i = 0; i < 123; ++i)
        b.timer(b.station.TransferTimer()).tick();
    b.deliver(17, {4});
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{18, 4})});

    EXPECT_EQ(b.view.logTexts(),
              (Events{"Saving: 2026-12-08 o 12:00:00", kDashes, kDashes, "    Commands:    1",
                      "    Czas:        12.3 sec.", kDashes, "Programming finished"}));
    EXPECT_EQ(b.view.log.back().color, colors::Blue);
    EXPECT_EQ(statuses(b.view.events),
              (Events{"Saving to EEPROM started", "Saving to EEPROM memory finished"}));
    EXPECT_FALSE(b.station.TransferTimer().isActive());
    EXPECT_FALSE(b.station.windowsLocked());
    EXPECT_TRUE(b.station.downloadAvailable());
    EXPECT_FALSE(b.station.stopAvailable());
    EXPECT_TRUE(b.station.FKompilacja().FormCloseQuery());
    b.deliver(18, {4});
    EXPECT_EQ(b.view.events.back(), "UnlockWindows");
}

TEST(ProgramWrite, StopThenThePendingAcknowledgementEndsWithoutAReport) {
    Bench b;
    b.clock.setDecimalSeparator(',');
    for (int i = 0; i < 3; ++i)
        b.model.appendRecord(sampleRecord(6));
    b.connect();
    b.station.FKompilacja().DownloadButtonClick();
    b.deliver(17, {4});
    for (int i = 0; i < 5; ++i)
        b.timer(b.station.TransferTimer()).tick();
    b.sent();
    b.station.FKompilacja().StopButtonClick();
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{18, 4})});
    b.deliver(17, {4});  // the answer to record 1, still on its way
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{18, 4})});

    const Events log = b.view.logTexts();
    EXPECT_EQ(Events(log.end() - 3, log.end()),
              (Events{"    Time:        0,5 sec.", kDashes, "Programming error"}));
    EXPECT_EQ(statuses(b.view.events),
              (Events{"Saving to EEPROM started", "Saving EEPROM stopped"}));
    EXPECT_TRUE(b.station.downloadAvailable());
    EXPECT_FALSE(b.station.stopAvailable());
}

// A failing poll, three unanswered sends, or a first send that fails: the station
// is given back (every lock undone, the window closable, the clock stopped, Stop of
// no use) and a read leaves the program and its file name as they were.
TEST(Transfer, LosingTheLinkGivesTheStationBack) {
    enum class Loss { Poll, Timeout, FirstSend };
    for (bool read : {false, true}) {
        for (Loss loss : {Loss::Poll, Loss::Timeout, Loss::FirstSend}) {
            SCOPED_TRACE(std::string(read ? "read, " : "write, ") + "loss " +
                         std::to_string(int(loss)));
            Bench b;
            b.model.appendRecord(sampleRecord(10));
            b.view.fileName = "mine.pri";
            const ProgramImage before = b.model.image;
            b.connect();
            if (loss == Loss::FirstSend) b.ftdi.writeResult = ft::IoError;
            if (read)
                b.station.ReadProgramButtonClick();
            else
                b.station.FKompilacja().DownloadButtonClick();
            if (loss == Loss::Poll) {
                b.ftdi.failingStatusQueries = 1;
                b.timer(b.station.UsbTimer()).tick();
            } else if (loss == Loss::Timeout) {
                for (int i = 0; i < 3; ++i)
                    b.timer(b.station.TimeoutTimer()).tick();
            }
            EXPECT_FALSE(b.station.connected());
            EXPECT_FALSE(b.station.windowsLocked());
            const auto& e = b.view.events;
            EXPECT_EQ(std::count(e.begin(), e.end(), "LockWindows"),
                      std::count(e.begin(), e.end(), "UnlockWindows"));
            EXPECT_TRUE(b.station.FKompilacja().FormCloseQuery());
            EXPECT_FALSE(b.station.TransferTimer().isActive());
            EXPECT_FALSE(b.station.stopAvailable());
            EXPECT_EQ(b.model.image.bytes(), before.bytes());
            EXPECT_EQ(b.view.fileName, "mine.pri");
            EXPECT_EQ(has(b.view.logTexts(), "Previous program kept"), read);
            EXPECT_EQ(b.station.lastOutcome()->result,
                      loss == Loss::Timeout ? TransferResult::NoAnswer : TransferResult::LinkLost);
        }
    }
}

TEST(Compilation, HandsTheReportOverAndGatesDownload) {
    for (bool withEnd : {true, false}) {
        Bench b;
        if (withEnd) b.model.appendRecord(sampleRecord(10));
        b.core.WriteProgramButtonClick();
        const auto report = compileProgram(b.model.image, "2026-12-08", "12:00:00");
        EXPECT_EQ(b.view.log.size(), report.lines.size());
        EXPECT_EQ(b.station.downloadAvailable(), report.writeAllowed);
        EXPECT_EQ(report.writeAllowed, withEnd);
        EXPECT_TRUE(b.view.isWindowVisible(Window::FKompilacja));
        EXPECT_EQ(b.view.caption, "Compilation");
        EXPECT_TRUE(b.station.writeDirection());
        // Enter writes only when the write is allowed.
        b.connect();
        b.station.FKompilacja().FormKeyPress(13);
        EXPECT_EQ(b.ftdi.writes.size(), withEnd ? 1u : 0u);
    }
}

// ---- read ------------------------------------------------------------------

Bytes readRecord(std::uint16_t index, std::uint8_t code) {
    return recordReply(index, sampleRecord(code));
}

TEST(ProgramRead, FetchesHeaderAndEveryRecord) {
    Bench b;
    b.connect();
    b.station.ReadProgramButtonClick();
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{19, 4})});
    EXPECT_EQ(b.view.caption, "Program reading");
    b.deliver(19, headerReply(2, 1));
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{20, 4, 0, 1})});
    b.deliver(20, readRecord(1, 6));
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{20, 4, 0, 2})});
    b.deliver(20, readRecord(2, 10));
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{18, 4})});

    EXPECT_EQ(b.model.length(), 2u);
    EXPECT_EQ(b.model.image.record(0), sampleRecord(6));
    EXPECT_EQ(b.model.image.record(1), sampleRecord(10));
    InputBreakWire wire;
    for (int i = 0; i < kInputBreakSize; ++i)
        wire[i] = std::uint8_t(1 + i);
    EXPECT_EQ(b.model.image.inputBreakWire(), wire);
    EXPECT_EQ(b.view.logTexts(), (Events{"Reading started: 2026-12-08 o 12:00:00", kDashes, kDashes,
                                         "    Commands:    2", "    Time:        0.0 sec.", kDashes,
                                         "Reading finished. Succesfull"}));
    EXPECT_EQ(statuses(b.view.events), (Events{" Program reading of EEPROM memory was started",
                                               "Reading from EEPROM memory finished"}));
    EXPECT_TRUE(has(b.view.events, "NewButtonClick"));
    EXPECT_TRUE(has(b.view.events, "PrintProgram"));
    EXPECT_EQ(b.view.gaugeMaximum, 2);
    EXPECT_EQ(b.view.gaugePosition, 2);
    EXPECT_FALSE(b.station.windowsLocked());
    EXPECT_TRUE(b.station.FKompilacja().FormCloseQuery());
}

TEST(ProgramRead, EmptyProgramFinishesAtOnce) {
    Bench b;
    b.model.appendRecord(sampleRecord(10));
    b.connect();
    b.station.ReadProgramButtonClick();
    b.sent();
    b.deliver(19, headerReply(0));
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{18, 4})});
    EXPECT_EQ(b.model.length(), 0u);
    EXPECT_EQ(b.view.log.back().text, "Reading finished. Succesfull");
    EXPECT_FALSE(b.station.windowsLocked());
}

struct EndedRead {
    const char* name;
    std::vector<std::pair<std::uint8_t, Bytes>> replies;  // after the header request
    std::vector<std::string> logTail;
    bool stop = false;  // the operator presses Stop after the replies
};

class ReadThatDoesNotFinish : public testing::TestWithParam<EndedRead> {};

// Refused by the controller, refused for what it sent, or stopped (with the last
// record still on its way): the program, its input breaks and its file name are
// what they were, and replies that still arrive change nothing and ask for nothing.
TEST_P(ReadThatDoesNotFinish, PutsTheProgramAndItsNameBack) {
    const auto& c = GetParam();
    Bench b;
    b.model.appendRecord(sampleRecord(6));
    b.model.appendRecord(sampleRecord(10));
    b.model.image.setInputBreak(2, {true, 2, 1});
    b.view.fileName = "mine.pri";
    const ProgramImage before = b.model.image;
    b.connect();
    b.station.ReadProgramButtonClick();
    for (const auto& [code, data] : c.replies)
        b.deliver(code, data);
    if (c.stop) b.station.FKompilacja().StopButtonClick();
    b.deliver(20, readRecord(1, 3));  // still on its way

    EXPECT_EQ(b.sent().back(), (Bytes{18, 4}));
    EXPECT_EQ(b.model.image.bytes(), before.bytes());
    EXPECT_EQ(b.view.fileName, "mine.pri");
    const Events log = b.view.logTexts();
    ASSERT_GE(log.size(), c.logTail.size());
    EXPECT_EQ(Events(log.end() - long(c.logTail.size()), log.end()), c.logTail);
    EXPECT_FALSE(b.station.windowsLocked());
    EXPECT_FALSE(b.station.stopAvailable());
    EXPECT_TRUE(b.station.FKompilacja().FormCloseQuery());
    EXPECT_EQ(b.station.lastOutcome()->result,
              c.stop ? TransferResult::Stopped : TransferResult::Refused);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadThatDoesNotFinish,
    testing::Values(
        EndedRead{"length1000",
                  {{19, headerReply(1000, 9)}},
                  {"Reading error: program length 1000 is out of range", "Previous program kept"}},
        EndedRead{"length65535",
                  {{19, headerReply(65535, 9)}},
                  {"Reading error: program length 65535 is out of range", "Previous program kept"}},
        EndedRead{"headerRefused",
                  {{0, {4, 19}}},
                  {"Reading error: the controller refused to send the program header",
                   "Previous program kept"}},
        EndedRead{
            "recordRefused",
            {{19, headerReply(5, 9)}, {20, readRecord(1, 3)}, {0, {4, 20}}},
            {"Reading error: the controller refused to send record 2", "Previous program kept"}},
        EndedRead{"stoppedBeforeTheLastRecord",
                  {{19, headerReply(1, 9)}},
                  {"    Commands:    0", "    Time:        0.0 sec.", kDashes, " Reading error",
                   "Previous program kept"},
                  true}),
    [](const auto& info) { return std::string(info.param.name); });

// The controller answers in order, so what comes before it confirms the end of a
// stopped transfer is that transfer's: here a stopped read's header (doubled) and
// a stopped write's acknowledgement. A read or write begun meanwhile asks only
// after the confirmation, whose loss the reply timeout repairs by asking again.
TEST(Transfer, RepliesBeforeTheConfirmedEndBelongToTheStoppedTransfer) {
    for (bool write : {false, true}) {
        for (bool confirmationLost : {false, true}) {
            SCOPED_TRACE(std::string(write ? "write" : "read") +
                         (confirmationLost ? ", confirmation lost" : ""));
            Bench b;
            b.model.appendRecord(sampleRecord(10));
            b.connect();
            if (write)
                b.station.FKompilacja().DownloadButtonClick();
            else
                b.station.ReadProgramButtonClick();
            b.station.FKompilacja().StopButtonClick();
            b.sent();
            b.station.ReadProgramButtonClick();
            EXPECT_EQ(b.sent(), std::vector<Bytes>{});
            for (int i = 0; i < 2; ++i) {
                if (write)
                    b.deliver(17, {4});
                else
                    b.deliver(19, headerReply(3, 9));
            }
            EXPECT_EQ(b.sent(), std::vector<Bytes>{});
            if (confirmationLost) {
                b.timer(b.station.TimeoutTimer()).tick();
                EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{18, 4})});
            }
            b.deliver(18, {4});
            EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{19, 4})});
            EXPECT_TRUE(b.station.windowsLocked());
            b.deliver(19, headerReply(1, 2));
            b.deliver(20, readRecord(1, 6));
            EXPECT_EQ(b.station.lastOutcome()->result, TransferResult::Finished);
            EXPECT_EQ(b.model.image.length(), 1u);
            EXPECT_EQ(b.model.image.record(0), sampleRecord(6));
            EXPECT_FALSE(b.station.windowsLocked());
        }
    }
}

TEST(TransferWindow, KeysFollowTheAvailableButtons) {
    Bench b;
    b.connect();
    b.station.ReadProgramButtonClick();
    b.view.take();
    b.station.FKompilacja().FormKeyPress(27);  // Stop is available: Stop only
    EXPECT_TRUE(b.view.isWindowVisible(Window::FKompilacja));
    EXPECT_TRUE(has(b.view.events, "status Reading from EEPROM stopped"));
    b.deliver(19, headerReply(0));  // ends normally, Stop becomes unavailable
    b.view.take();
    b.station.FKompilacja().FormKeyPress(27);
    EXPECT_EQ(b.view.take(), (Events{windowEvent("hide", Window::FKompilacja), "UnlockWindows"}));
}

// ---- firmware update ---------------------------------------------------------

std::string firmwareFile(const TempFolder& folder, std::size_t size) {
    const std::string path = folder.file("firmware.bin");
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i)
        out.put(char((i * 7 + 3) & 0xFF));
    return path;
}

// Command 21 and its reply, after which the raw frame has gone out.
void startFirmwareUpdate(Bench& b) {
    ASSERT_TRUE(b.station.PassOkButtonClick(kFirmwarePassword));
    b.deliver(21, {4});
    b.ftdi.writes.clear();
}

TEST(FirmwareUpdate, AcceptedRequestWritesTheRawFrameAfterAPause) {
    Bench b;
    b.connect();
    ASSERT_TRUE(b.station.PassOkButtonClick(kFirmwarePassword));
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{21, 4})});
    b.deliver(21, {4});
    EXPECT_EQ(b.clock.sleptMs(), 1000);
    EXPECT_EQ(
        b.ftdi.writes,
        std::vector<Bytes>{(Bytes{0xFF, 0xFF, 0xFF, 0x00, 0x03, 0x15, 0x00, 0x04, 0x03, 0x19})});
    EXPECT_FALSE(b.station.TimeoutTimer().isActive());
}

TEST(FirmwareUpdate, StreamsTheFileByteByByte) {
    for (std::size_t size : {std::size_t(0), std::size_t(32768)}) {
        Bench b;
        const TempFolder folder;
        b.view.firmwareFile = firmwareFile(folder, size);
        b.connect();
        startFirmwareUpdate(b);
        b.deliver(23, {4});

        ASSERT_EQ(b.ftdi.writes.size(), size + 1);
        EXPECT_EQ(b.ftdi.writes[0], Bytes{protocol::kFirmwareStartByte});
        bool inOrder = true;
        for (std::size_t i = 0; i < size; ++i)
            inOrder = inOrder && b.ftdi.writes[i + 1] == Bytes{std::uint8_t((i * 7 + 3) & 0xFF)};
        EXPECT_TRUE(inOrder);
        EXPECT_EQ(b.clock.sleptMs(), 2000);
        EXPECT_EQ(b.view.gaugeMaximum, 32500);
        EXPECT_EQ(b.view.gaugePosition, int(size));
        EXPECT_TRUE(b.station.UsbTimer().isActive());
        EXPECT_TRUE(b.station.windowsLocked());
        EXPECT_EQ(b.view.caption, "Firmware update");
        EXPECT_EQ(b.view.logTexts(),
                  (Events{"Firmware updating started: 2026-12-08 o 12:00:00", kDashes, kDashes}));
    }
}

TEST(FirmwareUpdate, EndsWithTheControllersVerdictAndClosesTheLink) {
    for (bool success : {true, false}) {
        Bench b;
        const TempFolder folder;
        b.view.firmwareFile = firmwareFile(folder, 4);
        b.connect();
        startFirmwareUpdate(b);
        b.deliver(23, {4});
        for (int i = 0; i < 7; ++i)
            b.timer(b.station.TransferTimer()).tick();
        b.deliver(success ? 24 : 25, {4});
        const Events expected =
            success
                ? Events{"    Data:      32 KB", kDashes, "Firmware updating finished successful"}
                : Events{"    Time:        0.7 sec.", kDashes, "Firmware updating error"};
        const Events log = b.view.logTexts();
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(Events(log.end() - 3, log.end()), expected);
        EXPECT_EQ(b.view.gaugePosition, success ? 32500 : 4);
        EXPECT_EQ(b.view.warning1, "Firmware updating finished");
        EXPECT_EQ(b.view.warning2, "Connection finished");
        EXPECT_FALSE(b.station.connected());
        EXPECT_FALSE(b.station.windowsLocked());
    }
}

TEST(FirmwareUpdate, NoFileMeansNothingIsSent) {
    Bench b;
    b.connect();
    startFirmwareUpdate(b);
    b.deliver(23, {4});  // dialog cancelled
    EXPECT_EQ(b.view.warning2, "Firmware file not chosen - reset the device");
    b.view.firmwareFile = "/nonexistent/rv720/firmware.bin";
    startFirmwareUpdate(b);
    b.deliver(23, {4});
    EXPECT_EQ(b.view.warning2, "Opening file error");
    EXPECT_TRUE(b.ftdi.writes.empty());
    EXPECT_FALSE(b.station.windowsLocked());
}

}  // namespace
}  // namespace rv720::test
