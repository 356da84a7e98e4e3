// The station against the controller twin, on a virtual-time loop: every timer
// runs as it would, with no waiting in real time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"
#include "twin_bench.h"

namespace rv720::test {
namespace {

using namespace std::chrono_literals;

TEST(TwinEndToEnd, WrittenProgramReadsBackUnchanged) {
    TwinBench b;
    ASSERT_TRUE(b.station.connected());
    b.model.appendRecord(withParams(6, 4, 250));
    b.model.appendRecord(withParams(7, 4, 1));
    b.model.appendRecord(makeRecord(10, 4));
    b.model.image.setInputBreak(1, {true, 2, 1});
    const ProgramImage written = b.model.image;

    b.core.WriteProgramButtonClick();
    ASSERT_TRUE(b.station.downloadAvailable());
    b.station.FKompilacja().DownloadButtonClick();
    ASSERT_TRUE(b.runUntilStatus("Saving to EEPROM memory finished"));
    EXPECT_EQ(b.view.log.back().text, "Programming finished");
    EXPECT_EQ(b.ftdi.twin().program().length(), 3u);

    b.model.clear();
    b.model.image.setRecord(0, withParams(1, 1, 5));
    b.station.ReadProgramButtonClick();
    ASSERT_TRUE(b.runUntilStatus("Reading from EEPROM memory finished"));
    b.loop.runFor(50ms);  // the reply to command 18 unlocks once more
    EXPECT_EQ(b.model.length(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(b.model.image.record(i), written.record(i)) << i;
    EXPECT_EQ(b.model.image.inputBreakWire(), written.inputBreakWire());
    EXPECT_FALSE(b.station.windowsLocked());
    EXPECT_FALSE(b.station.TimeoutTimer().isActive());
}

TEST(TwinEndToEnd, DroppedRepliesAreSentThreeTimesThenTheLinkCloses) {
    for (int dropped : {1, 2, 3}) {
        TwinBench b;
        b.ftdi.twin().injectFault(sim::FaultMode::DropReply, dropped);
        b.station.InfoButtonClick();
        b.loop.runFor(3s);
        EXPECT_EQ(b.framesSent, std::min(dropped + 1, 3)) << dropped;
        EXPECT_EQ(b.station.connected(), dropped < 3) << dropped;
        EXPECT_EQ(dropped < 3 ? b.view.events.back() : b.view.warning2,
                  dropped < 3 ? "info_uc 1.3" : "Device is not response");
    }
}

TEST(TwinEndToEnd, CorruptRepliesCountAsNoReply) {
    TwinBench b;
    b.ftdi.twin().injectFault(sim::FaultMode::CorruptChecksum, 1);
    b.ftdi.twin().injectFault(sim::FaultMode::NoiseBytes, 1);
    b.station.InfoButtonClick();
    b.loop.runFor(3s);
    EXPECT_EQ(b.view.events.back(), "info_uc 1.3");
    EXPECT_TRUE(b.station.connected());
}

TEST(TwinEndToEnd, UnplugDuringAWriteGivesTheStationBack) {
    TwinBench b;
    for (int i = 0; i < 200; ++i)
        b.model.appendRecord(withParams(6, 4, i));
    b.station.FKompilacja().DownloadButtonClick();
    b.loop.runFor(100ms);
    b.ftdi.twin().injectFault(sim::FaultMode::Unplugged);
    b.loop.runFor(100ms);
    EXPECT_FALSE(b.station.connected());
    EXPECT_FALSE(b.station.windowsLocked());
    EXPECT_FALSE(b.view.isWindowVisible(Window::FKompilacja));
    EXPECT_NE(b.ftdi.twin().program().length(), 200u);  // an interrupted write keeps the old one
}

TEST(TwinEndToEnd, FirmwareUpdateStreamsTheFileAndEndsWithTheVerdict) {
    const TempFolder folder;
    const std::string path = folder.file("firmware.bin");
    for (std::size_t size : {std::size_t(0), std::size_t(4096)}) {
        {
            std::ofstream out(path, std::ios::binary);
            for (std::size_t i = 0; i < size; ++i)
                out.put(char(i % 251));
        }
        TwinBench b;
        b.view.firmwareFile = path;
        b.station.SpeedButton2Click();
        ASSERT_TRUE(b.station.PassOkButtonClick(kFirmwarePassword));
        ASSERT_TRUE(b.runUntilStatus("Firmware updating finished", 120s));
        EXPECT_EQ(b.view.log.back().text,
                  size ? "Firmware updating finished successful" : "Firmware updating error");
        EXPECT_FALSE(b.station.connected());
        EXPECT_FALSE(b.station.windowsLocked());
        if (size) {
            std::vector<std::uint8_t> expected(size);
            for (std::size_t i = 0; i < size; ++i)
                expected[i] = std::uint8_t(i % 251);
            EXPECT_EQ(b.ftdi.twin().lastFirmware(), expected);
        }
    }
}

}  // namespace
}  // namespace rv720::test
