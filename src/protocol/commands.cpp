#include "protocol/commands.h"

#include <algorithm>

#include "protocol/builder.h"

namespace rv720::protocol {

Message command(CommandCode code) {
    return Builder(byteOf(code), kController).take();
}

Message setOutput(int output, bool on) {
    return Builder(byteOf(CommandCode::SetOutput), kController)
        .put(std::uint8_t(output))
        .put(std::uint8_t(on ? 1 : 0))
        .take();
}

Message workMode(int motor, int mode) {
    return Builder(byteOf(CommandCode::WorkMode), std::uint8_t(motor))
        .put(std::uint8_t(mode))
        .put(0)
        .put(0)
        .put(0)
        .take();
}

Message motorValue(CommandCode code, int motor, std::int32_t value) {
    return Builder(byteOf(code), std::uint8_t(motor)).put32(value).take();
}

Message writeHeader(const ProgramHeader& header) {
    return Builder(byteOf(CommandCode::WriteHeader), kController)
        .put16(header.length)
        .put(header.block)
        .take();
}

Message writeRecord(const IndexedRecord& record) {
    return Builder(byteOf(CommandCode::WriteRecord), kController)
        .put16(record.index)
        .put(record.record)
        .take();
}

Message readRecord(std::uint16_t index) {
    return Builder(byteOf(CommandCode::ReadRecord), kController).put16(index).take();
}

std::optional<OutputSetting> decodeSetOutput(FrameView frame) {
    const auto p = payloadOf(frame, 2);
    if (!p) return std::nullopt;
    return OutputSetting{(*p)[0], (*p)[1] != 0};
}

std::optional<WorkModeSetting> decodeWorkMode(FrameView frame) {
    const auto p = payloadOf(frame, 1);
    if (!p) return std::nullopt;
    return WorkModeSetting{frame.target(), (*p)[0]};
}

std::optional<MotorValue> decodeMotorValue(FrameView frame) {
    const auto p = payloadOf(frame, 4);
    if (!p) return std::nullopt;
    return MotorValue{frame.target(), readBe32(p->data())};
}

std::optional<ProgramHeader> decodeWriteHeader(FrameView frame) {
    const auto p = payloadOf(frame, 2 + kInputBreakSize);
    if (!p) return std::nullopt;
    ProgramHeader h;
    h.length = readBe16(p->data());
    std::copy_n(p->begin() + 2, kInputBreakSize, h.block.begin());
    return h;
}

std::optional<IndexedRecord> decodeWriteRecord(FrameView frame) {
    const auto p = payloadOf(frame, 2 + kRecordSize);
    if (!p) return std::nullopt;
    IndexedRecord r;
    r.index = readBe16(p->data());
    std::copy_n(p->begin() + 2, kRecordSize, r.record.begin());
    return r;
}

std::optional<std::uint16_t> decodeReadRecordIndex(FrameView frame) {
    const auto p = payloadOf(frame, 2);
    if (!p) return std::nullopt;
    return readBe16(p->data());
}

}  // namespace rv720::protocol
