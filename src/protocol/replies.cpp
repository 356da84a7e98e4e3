#include "protocol/replies.h"

#include <algorithm>

#include "protocol/builder.h"

namespace rv720::protocol {

std::string FirmwareVersion::text() const {
    return std::to_string(major) + "." + std::to_string(minor);
}

Field3 encodePosition(std::int64_t steps) {
    const auto v = static_cast<std::uint32_t>(steps) & 0xFFFFFFu;
    return {std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
}

Field3 encodeVelocity(std::int32_t units) {
    const auto v = static_cast<std::uint32_t>(std::clamp(units, -2048, 2047)) & 0xFFFu;
    return {0, std::uint8_t(v >> 8), std::uint8_t(v)};
}

std::int32_t decodePosition(const std::uint8_t* bytes) {
    std::int32_t p = (std::int32_t(bytes[0]) << 16) | (std::int32_t(bytes[1]) << 8) | bytes[2];
    if (p >= 8388608) p -= 16777216;
    return p;
}

std::int32_t decodeVelocity(const std::uint8_t* bytes) {
    // Masking keeps every 12-bit reading as it was and also reads a sign-extended
    // field as -1 instead of a huge value.
    std::int32_t v = ((std::int32_t(bytes[1]) << 8) | bytes[2]) & 0x0FFF;
    if (v >= 2048) v -= 4096;
    return v;
}

Message acknowledge(ReplyCode code, std::uint8_t target) {
    return Builder(byteOf(code), target).take();
}

Message refusal(std::uint8_t refusedCode) {
    return Builder(byteOf(ReplyCode::Refused), kController).put(refusedCode).take();
}

Message motorStateReply(const MotorState& state) {
    Builder b(byteOf(ReplyCode::MotorState), kController);
    for (const auto p : state.position)
        b.put(encodePosition(p));
    for (const auto v : state.rawVelocity)
        b.put(encodeVelocity(v));
    return b.take();
}

Message ioStateReply(const Lamps& lamps) {
    Builder b(byteOf(ReplyCode::IoState), kController);
    for (const bool on : lamps)
        b.put(std::uint8_t(on ? 1 : 0));
    return b.take();
}

Message versionReply(FirmwareVersion version) {
    return Builder(byteOf(ReplyCode::FirmwareVersion), kController)
        .put(version.major)
        .put(version.minor)
        .take();
}

Message usbMessageReply(std::span<const std::uint8_t> characters) {
    return Builder(byteOf(ReplyCode::UsbMessage), kController)
        .put(std::uint8_t(characters.size()))
        .put(characters)
        .take();
}

Message executedLineReply(std::uint16_t line) {
    return Builder(byteOf(ReplyCode::ExecutedLine), kController).put16(line).take();
}

Message readHeaderReply(const ProgramHeader& header) {
    return Builder(byteOf(ReplyCode::ReadHeader), kController)
        .put16(header.length)
        .put(header.block)
        .take();
}

Message readRecordReply(const IndexedRecord& record) {
    return Builder(byteOf(ReplyCode::ReadRecord), kController)
        .put16(record.index)
        .put(record.record)
        .take();
}

std::optional<std::uint8_t> decodeRefusedCode(FrameView frame) {
    const auto p = payloadOf(frame, 1);
    if (!p) return std::nullopt;
    return (*p)[0];
}

std::optional<MotorState> decodeMotorState(FrameView frame) {
    const auto p = payloadOf(frame, 18);
    if (!p) return std::nullopt;
    MotorState s;
    for (int m = 0; m < 3; ++m) {
        s.position[m] = decodePosition(&(*p)[3 * m]);
        s.rawVelocity[m] = decodeVelocity(&(*p)[9 + 3 * m]);
    }
    return s;
}

std::optional<Lamps> decodeLamps(FrameView frame) {
    const auto p = payloadOf(frame, kLampCount);
    if (!p) return std::nullopt;
    Lamps on{};
    for (int k = 0; k < kLampCount; ++k)
        on[k] = (*p)[k] != 0;
    return on;
}

std::optional<FirmwareVersion> decodeFirmwareVersion(FrameView frame) {
    const auto p = payloadOf(frame, 2);
    if (!p) return std::nullopt;
    return FirmwareVersion{(*p)[0], (*p)[1]};
}

std::optional<std::vector<std::uint8_t>> decodeUsbMessage(FrameView frame) {
    const auto p = payloadOf(frame, 1);
    if (!p) return std::nullopt;
    const std::size_t n = std::min<std::size_t>((*p)[0], p->size() - 1);
    return std::vector<std::uint8_t>(p->begin() + 1, p->begin() + 1 + n);
}

std::optional<std::uint16_t> decodeExecutedLine(FrameView frame) {
    const auto p = payloadOf(frame, 2);
    if (!p) return std::nullopt;
    return readBe16(p->data());
}

// The header and record replies carry what the write commands carry.
std::optional<ProgramHeader> decodeReadHeader(FrameView frame) {
    return decodeWriteHeader(frame);
}

std::optional<IndexedRecord> decodeReadRecord(FrameView frame) {
    return decodeWriteRecord(frame);
}

}  // namespace rv720::protocol
