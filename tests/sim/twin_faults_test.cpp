#include "support/twin_harness.h"

namespace rv720::sim::testing {
namespace {

// What the station writes after reply 21: the command-21 frame again, by hand.
const Bytes kConfirm{0xFF, 0xFF, 0xFF, 0x00, 0x03, 0x15, 0x00, 0x04, 0x03, 0x19};

// Up to reply 23, then the station's lead byte and its 1000 ms pause.
void openFirmwareStream(TwinHarness& h) {
    EXPECT_EQ(h.exchange(21, {4}), (Reply{21, 0, {4}}));
    h.twin.advance(1000ms);
    h.twin.receive(kConfirm);
    EXPECT_EQ(h.replies(), (Replies{{23, 0, {4}}}));
    h.twin.receiveByte(0x55);
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
    const Bytes file = frameBytes(11, {4});  // inside the stream a frame is just bytes
    h.twin.receive(file);
    h.twin.advance(1500ms - 1ns);
    EXPECT_TRUE(h.replies().empty()) << "the stream may still go on";
    h.twin.advance(1ns);
    EXPECT_EQ(h.replies(), (Replies{{24, 0, {4}}}));
    EXPECT_EQ(h.twin.lastFirmware(), file);
    EXPECT_EQ(h.twin.firmwareUpdates(), 1);
    EXPECT_EQ(h.exchange(11, {4}).code, 11) << "back in normal service";
}

TEST(TwinFirmware, ImageSizeAndInjectedFailureDecideTheAnswer) {
    struct Case {
        const char* what;
        std::size_t size;
        int failures;
        std::uint8_t reply;
    };
    const Case cases[] = {
        {"empty file: only the lead byte", 0, 0, 25},
        {"exactly the flash size", 32, 0, 24},
        {"larger than the flash", 33, 0, 25},
        {"injected failure", 10, 1, 25},
    };
    for (const auto& c : cases) {
        TwinOptions options;
        options.firmwareMaxSize = 32;
        TwinHarness h(options);
        h.twin.injectFault(FaultMode::FailFirmwareUpdate, c.failures);
        openFirmwareStream(h);
        h.twin.receive(image(c.size));
        h.twin.advance(2000ms);
        EXPECT_EQ(h.replies(), (Replies{{c.reply, 0, {4}}})) << c.what;
        EXPECT_EQ(h.twin.firmwareUpdates(), c.reply == 24 ? 1 : 0) << c.what;
        if (c.failures == 0) continue;
        openFirmwareStream(h);  // the failure was used up
        h.twin.receive(image(c.size));
        h.twin.advance(2000ms);
        EXPECT_EQ(h.replies().at(0).code, 24) << c.what;
    }
}

TEST(TwinFirmware, CancelledOrAbandonedUpdatesReturnToService) {
    TwinHarness h;
    h.exchange(21, {4});
    h.twin.receive(kConfirm);
    EXPECT_EQ(h.replies().at(0).code, 23);
    h.twin.advance(60s);
    EXPECT_TRUE(h.replies().empty()) << "no file came: nothing to report";
    EXPECT_EQ(h.exchange(11, {4}).code, 11);
    h.exchange(21, {4});
    EXPECT_EQ(h.exchange(11, {4}).code, 11) << "any other command disarms the update";
    EXPECT_EQ(h.exchange(21, {4}).code, 21) << "a new request, not the confirmation";
}

// ---------------------------------------------------------------- fault modes

struct Exchange {
    Replies replies;
    int bad = 0;
    Bytes raw;
};

Exchange ask(TwinHarness& h) {
    h.send(11, {4});
    Exchange e;
    e.raw = h.twin.takeBytes();
    e.replies = parseReplies(e.raw, &e.bad);
    return e;
}

Bytes versionReply() {
    return frameBytes(11, {4, 1, 3});
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
        h.twin.clearFaults();
        EXPECT_EQ(ask(h).raw, versionReply()) << int(c.mode) << " cleared";
    }
}

// The codes that come back for three version requests in a row, and those that
// come 750 ms later.
TEST(TwinFaults, LateDuplicatedReplacedRepliesAndTheRunInput) {
    using Codes = std::vector<std::uint8_t>;
    struct Case {
        FaultMode mode;
        std::vector<Codes> atOnce;
        Codes later;
    };
    const Case cases[] = {
        {FaultMode::LateReply, {{}, {}, {11}}, {11, 11}},
        {FaultMode::DuplicateReply, {{11, 11}, {11, 11}, {11}}, {}},
        {FaultMode::LineReportInstead, {{15}, {15}, {11}}, {}},
        {FaultMode::MessageInstead, {{14}, {14}, {11}}, {}},
        // The stored program starts as the first command arrives, and keeps running.
        {FaultMode::RunInputPulse, {{15, 11}, {11}, {11}}, {}},
    };
    for (const auto& c : cases) {
        TwinHarness h;
        ProgramImage waiting;
        waiting.setRecord(0, waitMs(100000));
        waiting.setLength(1);
        h.twin.storeProgram(waiting);
        h.twin.injectFault(c.mode, 2);
        for (std::size_t i = 0; i < c.atOnce.size(); ++i) {
            Codes got;
            for (const Reply& r : ask(h).replies)
                got.push_back(r.code);
            EXPECT_EQ(got, c.atOnce[i]) << int(c.mode) << " command " << i;
        }
        h.twin.advance(750ms);
        Codes later;
        for (const Reply& r : h.replies())
            later.push_back(r.code);
        EXPECT_EQ(later, c.later) << int(c.mode);
        EXPECT_EQ(h.twin.running(), c.mode == FaultMode::RunInputPulse) << int(c.mode);
    }
}

TEST(TwinFaults, NoiseComesFirstAndCorruptionIsOffByOneInTheSum) {
    TwinHarness h;
    h.twin.injectFault(FaultMode::NoiseBytes);
    const Bytes noisy = ask(h).raw;
    ASSERT_GT(noisy.size(), versionReply().size());
    EXPECT_EQ(Bytes(noisy.end() - 12, noisy.end()), versionReply());
    h.twin.injectFault(FaultMode::CorruptChecksum);
    Bytes corrupted = versionReply();
    ++corrupted.back();
    EXPECT_EQ(ask(h).raw, corrupted);
}

TEST(TwinFaults, UnpluggedTwinIgnoresCommandsAndLosesHalfFrames) {
    TwinHarness h;
    const Bytes frame = frameBytes(3, {4, 1, 1});
    h.twin.receive(Bytes(frame.begin(), frame.begin() + 5));
    h.twin.injectFault(FaultMode::Unplugged);
    EXPECT_TRUE(h.twin.unplugged());
    h.twin.receive(frame);
    EXPECT_FALSE(h.twin.output(1));
    h.twin.replug();
    h.twin.receive(Bytes(frame.begin() + 5, frame.end()));
    EXPECT_TRUE(h.replies().empty()) << "the first half went with the cable";
    EXPECT_EQ(h.exchange(3, {4, 1, 1}).code, 3);
    EXPECT_TRUE(h.twin.output(1));
}

TEST(TwinFaults, ProgramMessagesAreNotRepliesAndPassDroppedReplies) {
    TwinHarness h;
    h.run({recordOf({18, 4, 1}), waitMs(10), recordOf({19, 4, 1, 'x'}), waitMs(100000)});
    h.twin.injectFault(FaultMode::DropReply);
    h.twin.advance(20ms);
    EXPECT_EQ(h.replies().back(), (Reply{14, 1, {4, 1, 'x'}}));
    EXPECT_TRUE(ask(h).replies.empty()) << "the count was still there for the next reply";
}

}  // namespace
}  // namespace rv720::sim::testing
