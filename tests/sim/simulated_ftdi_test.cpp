#include "sim/simulated_ftdi.h"

#include "support/twin_harness.h"

namespace rv720::sim::testing {
namespace {

class SimulatedFtdiTest : public ::testing::Test {
  protected:
    SimulatedFtdiTest() : clock(std::make_shared<ManualTimeSource>()), ftdi(TwinOptions{}, clock) {}

    // The link's opening sequence.
    FtHandle open() {
        FtHandle handle = 0;
        EXPECT_EQ(ftdi.openEx(kDeviceDescription, ft::OpenByDescription, handle), ft::Ok);
        EXPECT_EQ(ftdi.setBaudRate(handle, kBaudRate), ft::Ok);
        EXPECT_EQ(ftdi.setDataCharacteristics(handle, ft::Bits8, ft::StopBits1, ft::ParityNone),
                  ft::Ok);
        EXPECT_EQ(ftdi.setFlowControl(handle, ft::FlowNone, 0, 0), ft::Ok);
        EXPECT_EQ(ftdi.purge(handle, ft::PurgeRxTx), ft::Ok);
        return handle;
    }

    void write(FtHandle handle, const Bytes& bytes) {
        std::uint32_t written = 0;
        EXPECT_EQ(ftdi.write(handle, bytes.data(), std::uint32_t(bytes.size()), written), ft::Ok);
        EXPECT_EQ(written, bytes.size());
    }

    std::uint32_t queued(FtHandle handle, std::uint32_t* tx = nullptr) {
        std::uint32_t rx = 99, txq = 99, events = 99;
        EXPECT_EQ(ftdi.getStatus(handle, rx, txq, events), ft::Ok);
        if (tx) *tx = txq;
        return rx;
    }

    // Reads one byte per call, as the link does.
    Bytes drain(FtHandle handle) {
        Bytes out;
        for (std::uint32_t n = queued(handle); n > 0; --n) {
            std::uint8_t b = 0;
            std::uint32_t got = 0;
            EXPECT_EQ(ftdi.read(handle, &b, 1, got), ft::Ok);
            EXPECT_EQ(got, 1u);
            out.push_back(b);
        }
        return out;
    }

    std::shared_ptr<ManualTimeSource> clock;
    SimulatedFtdi ftdi;
};

TEST_F(SimulatedFtdiTest, ListsOneDeviceThatOpensByItsExactDescriptionOnce) {
    std::uint32_t count = 0;
    EXPECT_EQ(ftdi.createDeviceInfoList(count), ft::Ok);
    EXPECT_EQ(count, 1u);
    FtDeviceInfo info;
    EXPECT_EQ(ftdi.getDeviceInfoDetail(0, info), ft::Ok);
    EXPECT_EQ(info.description, "Quellbrandtor RV720");
    EXPECT_EQ(ftdi.getDeviceInfoDetail(1, info), ft::DeviceNotFound);

    FtHandle handle = 0;
    EXPECT_EQ(ftdi.openEx("Quellbrandtor RV72", ft::OpenByDescription, handle), ft::DeviceNotFound);
    EXPECT_EQ(ftdi.openEx(kDeviceDescription, 1, handle), ft::DeviceNotFound);
    const FtHandle first = open();
    EXPECT_EQ(ftdi.openEx(kDeviceDescription, ft::OpenByDescription, handle), ft::DeviceNotOpened);
    EXPECT_EQ(ftdi.close(first), ft::Ok);
    EXPECT_EQ(ftdi.close(first), ft::InvalidHandle);
    std::uint32_t rx, tx, ev;
    EXPECT_EQ(ftdi.getStatus(first, rx, tx, ev), ft::InvalidHandle);
    EXPECT_NE(open(), first);
}

TEST_F(SimulatedFtdiTest, CommandAndReplyThroughTheCalls) {
    const FtHandle h = open();
    write(h, frameBytes(11, {4}));
    EXPECT_EQ(queued(h), 12u);
    EXPECT_EQ(parseReplies(drain(h)), (Replies{{11, 0, {4, 1, 3}}}));
    EXPECT_EQ(queued(h), 0u);
    // A larger read returns what is there and no more.
    write(h, frameBytes(10, {4}));
    Bytes buffer(64);
    std::uint32_t got = 0;
    EXPECT_EQ(ftdi.read(h, buffer.data(), 64, got), ft::Ok);
    EXPECT_EQ(got, 10u);
    // Purge drops what is queued.
    write(h, frameBytes(11, {4}));
    EXPECT_EQ(ftdi.purge(h, ft::PurgeRxTx), ft::Ok);
    EXPECT_EQ(queued(h), 0u);
}

TEST_F(SimulatedFtdiTest, UnsetLineSettingsGarbleEveryByte) {
    FtHandle h = 0;
    ASSERT_EQ(ftdi.openEx(kDeviceDescription, ft::OpenByDescription, h), ft::Ok);
    write(h, frameBytes(11, {4}));  // still at 9600 baud
    EXPECT_EQ(queued(h), 0u);
    ASSERT_EQ(ftdi.setBaudRate(h, kBaudRate), ft::Ok);
    ASSERT_EQ(ftdi.setDataCharacteristics(h, ft::Bits8, ft::StopBits1, 2), ft::Ok);
    write(h, frameBytes(11, {4}));
    EXPECT_EQ(queued(h), 0u) << "even parity";
    ASSERT_EQ(ftdi.setDataCharacteristics(h, ft::Bits8, ft::StopBits1, ft::ParityNone), ft::Ok);
    write(h, frameBytes(11, {4}));
    EXPECT_EQ(queued(h), 12u);
}

TEST_F(SimulatedFtdiTest, WireTimeOfBytes) {
    struct Case {
        std::int64_t bytes;
        std::int64_t ns;
    };
    const Case cases[] = {
        {0, 0}, {1, 90001}, {10, 900001}, {12, 1080002}, {111111, 10'000'000'000}};
    for (const auto& c : cases)
        EXPECT_EQ(wireTime(c.bytes).count(), c.ns) << c.bytes;
}

TEST_F(SimulatedFtdiTest, WireTimeDelaysBothDirections) {
    ftdi.setWireTimeEmulation(true);
    const FtHandle h = open();
    write(h, frameBytes(11, {4}));  // 10 bytes at t = 0
    std::uint32_t tx = 0;
    clock->set(wireTime(10) - 1ns);
    EXPECT_EQ(queued(h, &tx), 0u);
    EXPECT_EQ(tx, 1u) << "the last byte is still on the wire";
    // The twin answers the moment the last byte is in; the reply's first byte is
    // readable one byte time later and the whole 12-byte reply after twelve.
    const SimTime answered = wireTime(10);
    clock->set(answered + wireTime(1) - 1ns);
    EXPECT_EQ(queued(h, &tx), 0u);
    EXPECT_EQ(tx, 0u);
    clock->set(answered + wireTime(1));
    EXPECT_EQ(queued(h), 1u);
    clock->set(answered + wireTime(11));
    EXPECT_EQ(queued(h), 11u);
    clock->set(answered + wireTime(12));
    EXPECT_EQ(queued(h), 12u);
    EXPECT_EQ(parseReplies(drain(h)).at(0).code, 11);
}

TEST_F(SimulatedFtdiTest, BytesWrittenWhileTheLineIsBusyQueueBehind) {
    ftdi.setWireTimeEmulation(true);
    const FtHandle h = open();
    write(h, frameBytes(11, {4}));
    clock->set(wireTime(5));
    write(h, frameBytes(10, {4}));  // waits for the first frame's last five bytes
    const SimTime secondIn = wireTime(20);
    clock->set(secondIn - 1ns);
    queued(h);
    EXPECT_EQ(ftdi.twin().now(), secondIn - 1ns);
    EXPECT_EQ(queued(h), 9u) << "9 of the first reply's 12 bytes";
    // The first reply (12 bytes from 10 byte times) has fully arrived, none of the second.
    clock->set(secondIn + wireTime(2));
    const auto replies = parseReplies(drain(h));
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].code, 11);
    // The second reply queues behind the first on the way back too: 12 bytes from
    // 10 byte times, then 10 more bytes.
    clock->set(wireTime(10) + wireTime(22) - 1ns);
    EXPECT_EQ(queued(h), 9u);
    clock->set(wireTime(10) + wireTime(22));
    EXPECT_EQ(queued(h), 10u);
    EXPECT_EQ(parseReplies(drain(h)).at(0).code, 10);
}

TEST_F(SimulatedFtdiTest, TimeDrivesTheRunningProgram) {
    const FtHandle h = open();
    Bytes header(23, 0);
    header[0] = 4;
    header[2] = 2;
    write(h, frameBytes(16, header));
    write(h, frameBytes(17, {4, 0, 1, 6, 4, 0, 0, 0, 100, 0, 0, 0, 0}));  // wait_ms(100)
    write(h, frameBytes(17, {4, 0, 2, 10, 4, 0, 0, 0, 0, 0, 0, 0, 0}));   // end
    write(h, frameBytes(18, {4}));
    write(h, frameBytes(12, {4}));
    drain(h);
    EXPECT_TRUE(ftdi.twin().running());
    clock->set(102ms);
    const auto replies = parseReplies(drain(h));
    ASSERT_FALSE(replies.empty());
    EXPECT_EQ(replies.back(), (Reply{13, 0, {4}}));
    EXPECT_FALSE(ftdi.twin().running());
}

// The station's whole firmware sequence at wire speed: the file is written at once,
// one byte per call, but trickles in over about 3 s; the stream must not be taken
// as finished while it is still on the wire.
TEST_F(SimulatedFtdiTest, FirmwareStreamAtWireSpeed) {
    ftdi.setWireTimeEmulation(true);
    const FtHandle h = open();
    write(h, frameBytes(21, {4}));
    clock->advance(5ms);
    EXPECT_EQ(parseReplies(drain(h)), (Replies{{21, 0, {4}}}));
    clock->advance(1000ms);
    write(h, frameBytes(21, {4}));
    clock->advance(5ms);
    EXPECT_EQ(parseReplies(drain(h)), (Replies{{23, 0, {4}}}));
    write(h, {0x00});
    clock->advance(1000ms);
    const std::size_t size = 32768;
    for (std::size_t i = 0; i < size; ++i)
        write(h, {std::uint8_t(i)});
    clock->advance(wireTime(std::int64_t(size)) + 1499ms);
    EXPECT_EQ(queued(h), 0u);
    clock->advance(2ms);
    EXPECT_EQ(parseReplies(drain(h)), (Replies{{24, 0, {4}}}));
    ASSERT_EQ(ftdi.twin().lastFirmware().size(), size);
    EXPECT_EQ(ftdi.twin().lastFirmware()[size - 1], std::uint8_t(size - 1));
}

TEST_F(SimulatedFtdiTest, UnpluggedCableFailsCallsUntilReopened) {
    const FtHandle h = open();
    write(h, frameBytes(11, {4}));
    ftdi.twin().injectFault(FaultMode::Unplugged);

    std::uint32_t rx, tx, ev, n;
    std::uint8_t b = 0;
    EXPECT_EQ(ftdi.getStatus(h, rx, tx, ev), ft::IoError);
    EXPECT_EQ(ftdi.read(h, &b, 1, n), ft::IoError);
    EXPECT_EQ(ftdi.write(h, &b, 1, n), ft::IoError);
    std::uint32_t count = 9;
    EXPECT_EQ(ftdi.createDeviceInfoList(count), ft::Ok);
    EXPECT_EQ(count, 0u);
    FtDeviceInfo info;
    EXPECT_EQ(ftdi.getDeviceInfoDetail(0, info), ft::DeviceNotFound);
    FtHandle other = 0;
    EXPECT_EQ(ftdi.openEx(kDeviceDescription, ft::OpenByDescription, other), ft::DeviceNotFound);

    ftdi.twin().replug();
    EXPECT_EQ(ftdi.getStatus(h, rx, tx, ev), ft::IoError) << "the old handle stays dead";
    EXPECT_EQ(ftdi.close(h), ft::Ok);
    const FtHandle again = open();
    EXPECT_EQ(queued(again), 0u) << "the reply in flight was lost";
    write(again, frameBytes(11, {4}));
    EXPECT_EQ(queued(again), 12u);
}

}  // namespace
}  // namespace rv720::sim::testing
