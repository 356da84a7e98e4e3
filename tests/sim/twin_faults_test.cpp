#include "twin_harness.h"

namespace rv720::sim::testing {
namespace {

// What the station writes after reply 21: the command-21 frame again, by hand.
const Bytes kConfirm{0xFF, 0xFF, 0xFF, 0x00, 0x03, 0x15, 0x00, 0x04, 0x03, 0x19};
constexpr std::uint8_t kLeadByte = 0x55;

// Up to reply 23, then the station's lead byte and its 1000 ms pause.
void openFirmwareStream(TwinHarness& h) {
    EXPECT_EQ(h.exchange(21, {4}), (Reply{21, 0, {4}}));
    h.twin.advance(1000ms);
    h.twin.receive(kConfirm);
    EXPECT_EQ(h.replies(), (std::vector<Reply>{{23, 0, {4}}}));
    h.twin.receiveByte(kLeadByte);
    h.twin.advance(1000ms);
}

Bytes image(std::size_t n) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = std::uint8_t(i * 7 + 3);
    return out;
}

TEST(TwinFirmware, StreamedFileIsAcceptedAfterTheQuietPeriod) {
    TwinHarness h;
    openFirmwareStream(h);
    const Bytes file = image(300);
    h.twin.receive(file);
    h.twin.advance(1500ms - 1ns);
    EXPECT_TRUE(h.replies().empty()) << "the stream may still go on";
    h.twin.advance(1ns);
    EXPECT_EQ(h.replies(), (std::vector<Reply>{{24, 0, {4}}}));
    EXPECT_EQ(h.twin.lastFirmware(), file);
    EXPECT_EQ(h.twin.firmwareUpdates(), 1);
    EXPECT_EQ(h.exchange(11, {4}).code, 11) << "back in normal service";
}

TEST(TwinFirmware, FramesInsideTheStreamAreFirmwareBytes) {
    TwinHarness h;
    openFirmwareStream(h);
    const Bytes file = frameBytes(11, {4});
    h.twin.receive(file);
    h.twin.advance(2000ms);
    EXPECT_EQ(h.replies(), (std::vector<Reply>{{24, 0, {4}}}));
    EXPECT_EQ(h.twin.lastFirmware(), file);
}

TEST(TwinFirmware, RefusedImagesGetReply25) {
    struct Case {
        const char* what;
        std::size_t size;
        std::size_t maxSize;
        int failures;
    };
    const Case cases[] = {
        {"empty file: only the lead byte", 0, 65536, 0},
        {"larger than the flash", 33, 32, 0},
        {"injected failure", 100, 65536, 1},
    };
    for (const auto& c : cases) {
        TwinOptions options;
        options.firmwareMaxSize = c.maxSize;
        TwinHarness h(options);
        h.twin.injectFault(FaultMode::FailFirmwareUpdate, c.failures);
        openFirmwareStream(h);
        h.twin.receive(image(c.size));
        h.twin.advance(2000ms);
        EXPECT_EQ(h.replies(), (std::vector<Reply>{{25, 0, {4}}})) << c.what;
        EXPECT_EQ(h.twin.firmwareUpdates(), 0) << c.what;
    }
}

TEST(TwinFirmware, ImageOfExactlyTheLimitIsAccepted) {
    TwinOptions options;
    options.firmwareMaxSize = 32;
    TwinHarness h(options);
    openFirmwareStream(h);
    h.twin.receive(image(32));
    h.twin.advance(2000ms);
    EXPECT_EQ(h.replies(), (std::vector<Reply>{{24, 0, {4}}}));
}

TEST(TwinFirmware, InjectedFailureCountsUpdates) {
    TwinHarness h;
    h.twin.injectFault(FaultMode::FailFirmwareUpdate, 1);
    openFirmwareStream(h);
    h.twin.receive(image(10));
    h.twin.advance(2000ms);
    EXPECT_EQ(h.replies().at(0).code, 25);
    openFirmwareStream(h);
    h.twin.receive(image(10));
    h.twin.advance(2000ms);
    EXPECT_EQ(h.replies().at(0).code, 24);
}

TEST(TwinFirmware, CancelledFileDialogReturnsToServiceSilently) {
    TwinHarness h;
    h.exchange(21, {4});
    h.twin.receive(kConfirm);
    EXPECT_EQ(h.replies().at(0).code, 23);
    h.twin.advance(60s);
    EXPECT_TRUE(h.replies().empty());
    EXPECT_EQ(h.exchange(11, {4}).code, 11);
}

TEST(TwinFirmware, AnyOtherCommandDisarmsTheUpdate) {
    TwinHarness h;
    h.exchange(21, {4});
    EXPECT_EQ(h.exchange(11, {4}).code, 11);
    EXPECT_EQ(h.exchange(21, {4}).code, 21) << "a new request, not the confirmation";
}

TEST(TwinFirmware, UpdateStopsARunningProgram) {
    TwinHarness h;
    h.writeProgram({recP1(6, 4, 100000), rec({10, 4})});
    h.exchange(12, {4});
    h.twin.advance(5ms);
    h.twin.takeBytes();
    EXPECT_EQ(h.exchange(21, {4}), (Reply{21, 0, {4}}));
    EXPECT_FALSE(h.twin.running());
}

// ---------------------------------------------------------------- fault modes

struct Exchange {
    std::vector<Reply> replies;
    int bad = 0;
    Bytes raw;
};

Exchange ask(TwinHarness& h, std::uint8_t code = 11) {
    h.send(code, {4});
    Exchange e;
    e.raw = h.twin.takeBytes();
    e.replies = parseReplies(e.raw, &e.bad);
    return e;
}

TEST(TwinFaults, EachModeAffectsExactlyTheCountedReplies) {
    struct Case {
        FaultMode mode;
        int count;
        std::vector<int> answered;  // replies that parse, per command sent
        std::vector<int> bad;       // frames that fail their sum, per command
    };
    const Case cases[] = {
        {FaultMode::DropReply, 2, {0, 0, 1}, {0, 0, 0}},
        {FaultMode::CorruptChecksum, 1, {0, 1, 1}, {1, 0, 0}},
        {FaultMode::NoiseBytes, 2, {1, 1, 1}, {0, 0, 0}},
        {FaultMode::Unplugged, 1, {0, 0, 0}, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        TwinHarness h;
        h.twin.injectFault(c.mode, c.count);
        for (std::size_t i = 0; i < c.answered.size(); ++i) {
            const Exchange e = ask(h);
            EXPECT_EQ(int(e.replies.size()), c.answered[i]) << int(c.mode) << " command " << i;
            EXPECT_EQ(e.bad, c.bad[i]) << int(c.mode) << " command " << i;
        }
    }
}

TEST(TwinFaults, NoiseGoesOutAheadOfTheReply) {
    TwinHarness h;
    h.twin.injectFault(FaultMode::NoiseBytes);
    const Exchange noisy = ask(h);
    ASSERT_GT(noisy.raw.size(), 12u) << "noise and a 12-byte reply";
    const Bytes reply(noisy.raw.end() - 12, noisy.raw.end());
    const Frame expected = buildFrame(11, 0, Bytes{4, 1, 3});
    EXPECT_EQ(reply, Bytes(expected.view().begin(), expected.view().end()));
    EXPECT_EQ(noisy.replies.size(), 1u) << "the station's reassembler finds the reply";
}

TEST(TwinFaults, CorruptedReplyIsOffByOneInItsSum) {
    TwinHarness h;
    h.twin.injectFault(FaultMode::CorruptChecksum);
    const Exchange e = ask(h);
    const Frame good = buildFrame(11, 0, Bytes{4, 1, 3});
    Bytes expected(good.view().begin(), good.view().end());
    ++expected.back();
    EXPECT_EQ(e.raw, expected);
}

TEST(TwinFaults, UnpluggedTwinIgnoresCommandsUntilReplugged) {
    TwinHarness h;
    h.twin.injectFault(FaultMode::Unplugged);
    EXPECT_TRUE(h.twin.unplugged());
    h.send(3, {4, 1, 1});
    EXPECT_FALSE(h.twin.output(1));
    EXPECT_TRUE(h.replies().empty());
    h.twin.replug();
    EXPECT_EQ(h.exchange(3, {4, 1, 1}).code, 3);
    EXPECT_TRUE(h.twin.output(1));
}

TEST(TwinFaults, UnplugMidFrameLosesThePartialFrame) {
    TwinHarness h;
    const Bytes frame = frameBytes(11, {4});
    h.twin.receive(Bytes(frame.begin(), frame.begin() + 5));
    h.twin.injectFault(FaultMode::Unplugged);
    h.twin.replug();
    h.twin.receive(Bytes(frame.begin() + 5, frame.end()));
    EXPECT_TRUE(h.replies().empty());
    EXPECT_EQ(h.exchange(11, {4}).code, 11);
}

TEST(TwinFaults, ProgramMessagesAreNotRepliesAndPassDroppedReplies) {
    TwinHarness h;
    Record print = makeRecord(19, 4);
    print[2] = 1;
    print[3] = 'x';
    h.writeProgram({rec({18, 4, 1}), recP1(6, 4, 10), print, recP1(6, 4, 100000)});
    h.exchange(12, {4});
    h.twin.injectFault(FaultMode::DropReply);
    h.twin.advance(20ms);
    std::vector<Reply> got = h.replies();
    bool message = false;
    for (const auto& r : got)
        message = message || r.code == 14;
    EXPECT_TRUE(message);
    EXPECT_TRUE(ask(h).replies.empty()) << "the count was still there for the next reply";
}

TEST(TwinFaults, ClearFaultsRestoresNormalService) {
    TwinHarness h;
    h.twin.injectFault(FaultMode::DropReply, 5);
    h.twin.injectFault(FaultMode::CorruptChecksum, 5);
    h.twin.injectFault(FaultMode::Unplugged);
    h.twin.clearFaults();
    const Exchange e = ask(h);
    EXPECT_EQ(e.replies.size(), 1u);
    EXPECT_EQ(e.bad, 0);
}

}  // namespace
}  // namespace rv720::sim::testing
