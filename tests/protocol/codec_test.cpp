// The typed commands and replies: the fields of the motor-state reply, and every
// encoder read back by its decoder (a frame cut short reads as nothing). The bytes
// themselves are pinned by the golden transfer scenes, the direct-control tests
// and the twin's protocol tests.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "protocol/commands.h"
#include "protocol/replies.h"

namespace rv720::protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(StateFields, EncodeAndDecode) {
    struct {
        std::int64_t value;
        Field3 bytes;
        std::int32_t decoded;
    } positions[] = {{-1, {0xFF, 0xFF, 0xFF}, -1},
                     {-8388608, {0x80, 0x00, 0x00}, -8388608},
                     {8388607, {0x7F, 0xFF, 0xFF}, 8388607},
                     {8388608, {0x80, 0x00, 0x00}, -8388608},  // the counter wraps
                     {4095, {0x00, 0x0F, 0xFF}, 4095},
                     {100, {0x00, 0x00, 0x64}, 100}},
      velocities[] = {{-1, {0x00, 0x0F, 0xFF}, -1},
                      {2047, {0x00, 0x07, 0xFF}, 2047},
                      {-2048, {0x00, 0x08, 0x00}, -2048},
                      {5000, {0x00, 0x07, 0xFF}, 2047},  // limited, not wrapped
                      {100, {0x00, 0x00, 0x64}, 100},
                      {0, {0x00, 0x00, 0x00}, 0}};
    for (const auto& c : positions) {
        EXPECT_EQ(encodePosition(c.value), c.bytes) << c.value;
        EXPECT_EQ(decodePosition(c.bytes.data()), c.decoded) << c.value;
    }
    for (const auto& c : velocities) {
        EXPECT_EQ(encodeVelocity(std::int32_t(c.value)), c.bytes) << c.value;
        EXPECT_EQ(decodeVelocity(c.bytes.data()), c.decoded) << c.value;
    }
    // Only the low twelve bits of a velocity count: a controller that sign-extends
    // still reads -1, and a stray high byte changes nothing.
    const Field3 signExtended{0xFF, 0xFF, 0xFF}, highByte{0x01, 0x00, 0x64};
    EXPECT_EQ(decodeVelocity(signExtended.data()), -1);
    EXPECT_EQ(decodeVelocity(highByte.data()), 100);
    EXPECT_EQ(decodePosition(highByte.data()), 65636);
}

TEST(MotorReply, DecodesSignedPositionsAndTwelveBitVelocities) {
    // Only the low twelve bits of a velocity field count: 01 00 64 is 100, and a
    // controller that sign-extends (FF FF FF) still reads -1, not a huge value.
    struct {
        Bytes payload;
        std::array<std::int32_t, 3> position, velocity;
    } cases[] = {
        {{4, 0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x7F, 0xFF, 0xFF, 0x00, 0x0F, 0xFF, 0x01, 0x00,
          0x64, 0x00, 0x08, 0x00},
         {-1, -8388608, 8388607},
         {-1, 100, -2048}},
        {{4, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x07,
          0xFF, 0xFF, 0xF0, 0x00},
         {0, 1, -2},
         {-1, 2047, 0}},
    };
    for (const auto& c : cases) {
        const Frame f = buildFrame(1, 0, c.payload);
        const auto s = decodeMotorState(FrameView(f.view()));
        ASSERT_TRUE(s);
        EXPECT_EQ(s->position, c.position);
        EXPECT_EQ(s->rawVelocity, c.velocity);
        const Frame cut = buildFrame(1, 0, Bytes(c.payload.begin(), c.payload.end() - 1));
        EXPECT_FALSE(decodeMotorState(FrameView(cut.view())));
    }
}

// One case per typed command and reply: the decoder gives back what was encoded,
// and nothing from a frame one byte short of what it reads.
struct RoundTrip {
    const char* name;
    Message message;
    std::function<bool(FrameView)> readsBack;
    std::size_t reads = 0;  // data bytes the decoder needs; 0: all of them
};

Frame cutShort(const Message& m, std::size_t reads = 0) {
    return buildFrame(m.code, 0, m.data().first((reads ? reads : m.size) - 1));
}

TEST(Codecs, EveryEncoderIsReadBackByItsDecoder) {
    Record record{};
    for (int k = 0; k < kRecordSize; ++k)
        record[k] = std::uint8_t(0xA0 + k);
    InputBreakWire block{};
    for (int k = 0; k < kInputBreakSize; ++k)
        block[k] = std::uint8_t(k * 7);
    const ProgramHeader header{999, block};
    const IndexedRecord indexed{513, record};
    const MotorState state{{-8388607, 0, 8388607}, {-2048, 1, 2047}};
    Lamps lamps{};
    lamps[0] = lamps[9] = lamps[16] = true;

    const RoundTrip cases[] = {
        {"set output", setOutput(9, true),
         [](FrameView f) {
             const auto d = decodeSetOutput(f);
             return d && d->output == 9 && d->on;
         }},
        {"work mode", workMode(3, 2),
         [](FrameView f) {
             const auto d = decodeWorkMode(f);
             return d && d->motor == 3 && d->mode == 2;
         },
         2},  // the motor and the mode; the zeros after them are not read
        {"motor value", motorValue(CommandCode::StepDown, 2, -123456),
         [](FrameView f) {
             const auto d = decodeMotorValue(f);
             return f.code() == byteOf(CommandCode::StepDown) && d && d->motor == 2 &&
                    d->value == -123456;
         }},
        {"write header", writeHeader(header),
         [&](FrameView f) { return decodeWriteHeader(f) == header; }},
        {"write record", writeRecord(indexed),
         [&](FrameView f) { return decodeWriteRecord(f) == indexed; }},
        {"read record", readRecord(999),
         [](FrameView f) { return decodeReadRecordIndex(f) == 999; }},
        {"refusal", refusal(20), [](FrameView f) { return decodeRefusedCode(f) == 20; }},
        {"motor state", motorStateReply(state),
         [&](FrameView f) { return decodeMotorState(f) == state; }},
        {"lamps", ioStateReply(lamps), [&](FrameView f) { return decodeLamps(f) == lamps; }},
        {"version", versionReply({1, 12}),
         [](FrameView f) {
             const auto v = decodeFirmwareVersion(f);
             return v && v->text() == "1.12";
         }},
        {"executed line", executedLineReply(998),
         [](FrameView f) { return decodeExecutedLine(f) == 998; }},
        {"read header", readHeaderReply(header),
         [&](FrameView f) { return decodeReadHeader(f) == header; }},
        {"read record reply", readRecordReply(indexed),
         [&](FrameView f) { return decodeReadRecord(f) == indexed; }},
    };
    for (const auto& c : cases) {
        const Frame whole = toFrame(c.message);
        EXPECT_TRUE(verifyFrame(whole.view())) << c.name;
        EXPECT_TRUE(c.readsBack(FrameView(whole.view()))) << c.name;
        const Frame cut = cutShort(c.message, c.reads);
        EXPECT_FALSE(c.readsBack(FrameView(cut.view()))) << c.name << " cut short";
    }

    // A message keeps what arrived of its characters.
    const std::uint8_t text[] = {'B', 'u', 's', 'y'};
    const Message busy = usbMessageReply(text);
    EXPECT_EQ(decodeUsbMessage(FrameView(toFrame(busy).view())), (Bytes{'B', 'u', 's', 'y'}));
    EXPECT_EQ(decodeUsbMessage(FrameView(cutShort(busy).view())), (Bytes{'B', 'u', 's'}));
    EXPECT_FALSE(decodeUsbMessage(FrameView(toFrame(acknowledge(ReplyCode::UsbMessage)).view())));
}

}  // namespace
}  // namespace rv720::protocol
