#include <gtest/gtest.h>

#include <vector>

#include "protocol/frame.h"

namespace rv720 {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const Frame& f) {
    return Bytes(f.view().begin(), f.view().end());
}

TEST(FrameBuilding, MatchesTheKnownExamples) {
    std::uint8_t four = 4;
    EXPECT_EQ(bytesOf(buildFrame(1, 0, {&four, 1})),
              (Bytes{0xFF, 0xFF, 0xFF, 0x00, 0x03, 0x01, 0x00, 0x04, 0x03, 0x05}));
    std::uint8_t out[] = {4, 1, 1};
    EXPECT_EQ(bytesOf(buildFrame(3, 0, out)),
              (Bytes{0xFF, 0xFF, 0xFF, 0x00, 0x05, 0x03, 0x00, 0x04, 0x01, 0x01, 0x03, 0x0B}));
    EXPECT_EQ(bytesOf(buildFrame(21, 0, {&four, 1})),
              (Bytes{0xFF, 0xFF, 0xFF, 0x00, 0x03, 0x15, 0x00, 0x04, 0x03, 0x19}));
}

struct Collected {
    std::vector<Bytes> good;
    int bad = 0;
};

Collected feed(FrameAssembler& a, const Bytes& stream) {
    Collected c;
    for (auto b : stream) {
        auto r = a.put(b);
        if (r == FrameAssembler::Result::Good)
            c.good.emplace_back(a.frame().begin(), a.frame().end());
        if (r == FrameAssembler::Result::Bad) ++c.bad;
    }
    return c;
}

const Bytes kState{0xFF, 0xFF, 0xFF, 0x00, 0x03, 0x01, 0x00, 0x04, 0x03, 0x05};

TEST(FrameReassembly, WholeAndSplitStreamsGiveTheSameFrame) {
    FrameAssembler a;
    EXPECT_EQ(feed(a, kState).good, std::vector<Bytes>{kState});
    FrameAssembler b;
    EXPECT_TRUE(feed(b, Bytes(kState.begin(), kState.begin() + 4)).good.empty());
    EXPECT_EQ(feed(b, Bytes(kState.begin() + 4, kState.end())).good, std::vector<Bytes>{kState});
}

TEST(FrameReassembly, ResynchronisesAfterABrokenSync) {
    FrameAssembler a;
    Bytes stream{0xFF, 0xFF, 0x00};
    stream.insert(stream.end(), kState.begin(), kState.end());
    EXPECT_EQ(feed(a, stream).good, std::vector<Bytes>{kState});
}

TEST(FrameReassembly, FourthFFIsTheLengthHighByte) {
    FrameAssembler a;
    for (int i = 0; i < 4; ++i)
        a.put(0xFF);
    EXPECT_EQ(a.state(), 3);
    EXPECT_EQ(a.position(), 4);
}

TEST(FrameReassembly, BadChecksumIsDroppedAndTheNextFrameStillArrives) {
    FrameAssembler a;
    Bytes broken = kState;
    broken.back() += 1;
    auto c = feed(a, broken);
    EXPECT_TRUE(c.good.empty());
    EXPECT_EQ(c.bad, 1);
    EXPECT_EQ(feed(a, kState).good.size(), 1u);
}

TEST(FrameReassembly, OversizeLengthResetsInsteadOfOverrunning) {
    FrameAssembler a;
    Bytes stream{0xFF, 0xFF, 0xFF, 0x00, 60};
    stream.insert(stream.end(), 70, 0x11);
    stream.insert(stream.end(), kState.begin(), kState.end());
    EXPECT_EQ(feed(a, stream).good, std::vector<Bytes>{kState});
}

TEST(FrameReassembly, LargestFittingFrameIsAccepted) {
    std::vector<std::uint8_t> data(57, 0x42);
    Frame f = buildFrame(14, 1, data);  // L = 59, 66 bytes
    ASSERT_EQ(f.size, 66);
    FrameAssembler a;
    EXPECT_EQ(feed(a, bytesOf(f)).good.size(), 1u);
}

}  // namespace
}  // namespace rv720
