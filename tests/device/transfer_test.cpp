#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "compiler/compiler.h"
#include "device/codes.h"
#include "fakes.h"

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

TEST(ProgramWrite, LosingTheLinkGivesTheStationBack) {
    for (bool unplugged : {true, false}) {  // a failing poll, or three unanswered sends
        Bench b;
        b.model.appendRecord(sampleRecord(10));
        b.connect();
        b.station.FKompilacja().DownloadButtonClick();
        if (unplugged) {
            b.ftdi.failingStatusQueries = 1;
            b.timer(b.station.UsbTimer()).tick();
        } else {
            for (int i = 0; i < 3; ++i)
                b.timer(b.station.TimeoutTimer()).tick();
        }
        EXPECT_FALSE(b.station.connected());
        EXPECT_FALSE(b.station.windowsLocked());
        EXPECT_EQ(std::count(b.view.events.begin(), b.view.events.end(), "UnlockWindows"), 1);
        EXPECT_TRUE(b.station.FKompilacja().FormCloseQuery());
        EXPECT_FALSE(b.station.TransferTimer().isActive());
    }
}

TEST(Compilation, HandsTheReportOverAndGatesDownload) {
    for (bool withEnd : {true, false}) {
        Bench b;
        if (withEnd) b.model.appendRecord(sampleRecord(10));
        b.station.WriteProgramButtonClick();
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

Bytes readHeader(std::uint16_t length, std::uint8_t blockFill = 0) {
    Bytes d{4, std::uint8_t(length >> 8), std::uint8_t(length)};
    for (int i = 0; i < kInputBreakSize; ++i)
        d.push_back(std::uint8_t(blockFill + i));
    return d;
}

Bytes readRecord(std::uint16_t index, std::uint8_t code) {
    Bytes d{4, std::uint8_t(index >> 8), std::uint8_t(index)};
    const Record r = sampleRecord(code);
    d.insert(d.end(), r.begin(), r.end());
    return d;
}

TEST(ProgramRead, FetchesHeaderAndEveryRecord) {
    Bench b;
    b.connect();
    b.station.ReadProgramButtonClick();
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{19, 4})});
    EXPECT_EQ(b.view.caption, "Program reading");
    b.deliver(19, readHeader(2, 1));
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
    b.deliver(19, readHeader(0));
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{18, 4})});
    EXPECT_EQ(b.model.length(), 0u);
    EXPECT_EQ(b.view.log.back().text, "Reading finished. Succesfull");
    EXPECT_FALSE(b.station.windowsLocked());
}

struct RefusedRead {
    const char* name;
    std::uint16_t length;
    std::optional<std::uint16_t> recordIndex;  // after record 1; none: the header is refused
    const char* line;
};

class ProgramReadRefusal : public testing::TestWithParam<RefusedRead> {};

TEST_P(ProgramReadRefusal, LeavesTheProgramAsItWas) {
    const auto& c = GetParam();
    Bench b;
    b.model.appendRecord(sampleRecord(6));
    b.model.appendRecord(sampleRecord(10));
    b.model.image.setInputBreak(2, {true, 2, 1});
    const ProgramImage before = b.model.image;
    b.connect();
    b.station.ReadProgramButtonClick();
    b.deliver(19, readHeader(c.length, 9));
    if (c.recordIndex) {
        b.deliver(20, readRecord(1, 3));
        b.deliver(20, readRecord(*c.recordIndex, 3));
    }

    EXPECT_EQ(b.sent().back(), (Bytes{18, 4}));
    EXPECT_EQ(b.model.length(), before.length());
    EXPECT_EQ(b.model.image.bytes(), before.bytes());
    EXPECT_EQ(b.view.log.back().text, c.line);
    EXPECT_EQ(b.view.log.back().color, colors::Red);
    EXPECT_EQ(b.view.warning2, "Reading from EEPROM stopped");
    EXPECT_EQ(b.view.events.back(), "UnlockWindows");
    EXPECT_FALSE(b.station.windowsLocked());
    EXPECT_FALSE(b.station.stopAvailable());
    EXPECT_TRUE(b.station.FKompilacja().FormCloseQuery());
    // A late record changes nothing and requests nothing.
    b.deliver(20, readRecord(2, 3));
    EXPECT_EQ(b.model.image.bytes(), before.bytes());
    EXPECT_TRUE(b.sent().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, ProgramReadRefusal,
    testing::Values(RefusedRead{"length1000", 1000, std::nullopt,
                                "Reading error: program length 1000 is out of range"},
                    RefusedRead{"length65535", 65535, std::nullopt,
                                "Reading error: program length 65535 is out of range"},
                    RefusedRead{"index0", 5, 0, "Reading error: record index 0 is out of range"},
                    RefusedRead{"index1000", 5, 1000,
                                "Reading error: record index 1000 is out of range"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProgramRead, StopThenPendingRecordsAreStoredAndOnlyTheLastFinishes) {
    for (bool lastPending : {false, true}) {
        Bench b;
        b.connect();
        b.station.ReadProgramButtonClick();
        b.deliver(19, readHeader(lastPending ? 1 : 3));
        b.station.FKompilacja().StopButtonClick();
        b.deliver(20, readRecord(1, 6));
        EXPECT_EQ(b.sent().back(), (Bytes{18, 4}));  // no further request
        EXPECT_EQ(b.model.image.record(0), sampleRecord(6));
        const Events log = b.view.logTexts();
        EXPECT_TRUE(has(log, " Reading error"));
        EXPECT_EQ(has(log, "Reading finished. Succesfull"), lastPending);
        EXPECT_EQ(b.model.length(), lastPending ? 1u : 0u);
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
    b.deliver(19, readHeader(0));  // ends normally, Stop becomes unavailable
    b.view.take();
    b.station.FKompilacja().FormKeyPress(27);
    EXPECT_EQ(b.view.take(), (Events{windowEvent("hide", Window::FKompilacja), "UnlockWindows"}));
}

// ---- firmware update ---------------------------------------------------------

std::string firmwareFile(const char* name, std::size_t size) {
    const auto path = std::filesystem::temp_directory_path() / name;
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i)
        out.put(char((i * 7 + 3) & 0xFF));
    return path.string();
}

TEST(FirmwareUpdate, AcceptedRequestWritesTheRawFrameAfterAPause) {
    Bench b;
    b.connect();
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
        b.view.firmwareFile = firmwareFile("rv720_fw_test.bin", size);
        b.connect();
        b.deliver(23, {4});

        ASSERT_EQ(b.ftdi.writes.size(), size + 1);
        EXPECT_EQ(b.ftdi.writes[0], Bytes{kFirmwareStartByte});
        bool inOrder = true;
        for (std::size_t i = 0; i < size; ++i)
            inOrder = inOrder && b.ftdi.writes[i + 1] == Bytes{std::uint8_t((i * 7 + 3) & 0xFF)};
        EXPECT_TRUE(inOrder);
        EXPECT_EQ(b.clock.sleptMs(), 1000);
        EXPECT_EQ(b.view.gaugeMaximum, 32500);
        EXPECT_EQ(b.view.gaugePosition, int(size));
        EXPECT_TRUE(b.station.UsbTimer().isActive());
        EXPECT_TRUE(b.station.windowsLocked());
        EXPECT_EQ(b.view.caption, "Firmware update");
        EXPECT_EQ(b.view.logTexts(),
                  (Events{"Firmware updating started: 2026-12-08 o 12:00:00", kDashes, kDashes}));
        std::filesystem::remove(*b.view.firmwareFile);
    }
}

TEST(FirmwareUpdate, EndsWithTheControllersVerdictAndClosesTheLink) {
    for (bool success : {true, false}) {
        Bench b;
        b.view.firmwareFile = firmwareFile("rv720_fw_end.bin", 4);
        b.connect();
        b.deliver(23, {4});
        for (int i = 0; i < 7; ++i)
            b.timer(b.station.TransferTimer()).tick();
        b.deliver(success ? 24 : 25, {4});
        const Events expected =
            success
                ? Events{"    Data:      32 KB", kDashes, "Firmware updating finished successful"}
                : Events{"    Time:        0.7 sec.", kDashes, "Firmware updating error"};
        const Events log = b.view.logTexts();
        EXPECT_EQ(Events(log.end() - 3, log.end()), expected);
        EXPECT_EQ(b.view.gaugePosition, success ? 32500 : 4);
        EXPECT_EQ(b.view.warning1, "Firmware updating finished");
        EXPECT_EQ(b.view.warning2, "Connection finished");
        EXPECT_FALSE(b.station.connected());
        EXPECT_FALSE(b.station.windowsLocked());
        std::filesystem::remove(*b.view.firmwareFile);
    }
}

TEST(FirmwareUpdate, NoFileMeansNothingIsSent) {
    Bench b;
    b.connect();
    b.deliver(23, {4});  // dialog cancelled
    EXPECT_EQ(b.view.warning2, "Firmware file not chosen - reset the device");
    b.view.firmwareFile = "/nonexistent/rv720/firmware.bin";
    b.deliver(23, {4});
    EXPECT_EQ(b.view.warning2, "Opening file error");
    EXPECT_TRUE(b.ftdi.writes.empty());
    EXPECT_FALSE(b.station.windowsLocked());
}

}  // namespace
}  // namespace rv720::test
