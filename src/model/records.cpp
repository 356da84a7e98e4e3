#include "model/records.h"

#include <algorithm>

#include "model/commands.h"

namespace rv720 {

namespace {

constexpr int kP1 = 2;
constexpr int kP2 = 6;

std::int32_t param(const Record& r, int at) {
    return readBe32(&r[std::size_t(at)]);
}
void setParam(Record& r, int at, std::int32_t v) {
    writeBe32(&r[std::size_t(at)], v);
}

// A fresh record of a command of the controller as a whole, and of one that carries
// its motor.
template <typename View>
Record controllerRecord(const View& view) {
    Record r{};
    r[1] = kControllerTarget;
    view.store(r);
    return r;
}

template <typename View>
Record motorRecord(const View& view) {
    Record r{};
    view.store(r);
    return r;
}

}  // namespace

ValueRecord ValueRecord::decode(const Record& r) {
    return {r[0], r[1], param(r, kP1)};
}
void ValueRecord::store(Record& r) const {
    r[0] = code;
    r[1] = motor;
    setParam(r, kP1, value);
}
Record ValueRecord::encode() const {
    return motorRecord(*this);
}

HomeRecord HomeRecord::decode(const Record& r) {
    return {r[1], param(r, kP1), param(r, kP2)};
}
void HomeRecord::store(Record& r) const {
    r[0] = code::Home;
    r[1] = motor;
    setParam(r, kP1, firstMilli);
    setParam(r, kP2, secondMilli);
}
Record HomeRecord::encode() const {
    return motorRecord(*this);
}

DriverRecord DriverRecord::decode(const Record& r) {
    return {r[1], r[2], r[3], readBe16(&r[4]), param(r, kP2)};
}
void DriverRecord::store(Record& r) const {
    r[0] = code::Driver;
    r[1] = motor;
    r[2] = left;
    r[3] = right;
    writeBe16(&r[4], divisor);
    setParam(r, kP2, stepsPerRev);
}
Record DriverRecord::encode() const {
    return motorRecord(*this);
}

SwitchRecord SwitchRecord::decode(const Record& r) {
    return {r[0], r[2]};
}
void SwitchRecord::store(Record& r) const {
    r[0] = code;
    r[2] = on;
}
Record SwitchRecord::encode() const {
    return controllerRecord(*this);
}

InputJumpRecord InputJumpRecord::decode(const Record& r) {
    return {param(r, kP1), r[6], r[7]};
}
void InputJumpRecord::store(Record& r) const {
    r[0] = code::JumpIfInput;
    setParam(r, kP1, target);
    r[6] = input;
    r[7] = state;
}
Record InputJumpRecord::encode() const {
    return controllerRecord(*this);
}

OutputRecord OutputRecord::decode(const Record& r) {
    return {r[2], r[3]};
}
void OutputRecord::store(Record& r) const {
    r[0] = code::SetOut;
    r[2] = output;
    r[3] = state;
}
Record OutputRecord::encode() const {
    return controllerRecord(*this);
}

void MessageRecord::setText(const std::string& bytes) {
    const std::size_t n = std::min<std::size_t>(bytes.size(), kMessageCapacity);
    count = std::uint8_t(n);
    std::copy_n(bytes.begin(), n, characters.begin());
}
MessageRecord MessageRecord::decode(const Record& r) {
    MessageRecord m;
    m.count = r[2];
    std::copy_n(r.begin() + 3, kMessageCapacity, m.characters.begin());
    return m;
}
void MessageRecord::store(Record& r) const {
    r[0] = code::PrintUsb;
    r[2] = count;
    std::copy(characters.begin(), characters.end(), r.begin() + 3);
}
Record MessageRecord::encode() const {
    return controllerRecord(*this);
}

MotorFlagsRecord MotorFlagsRecord::decode(const Record& r) {
    return {r[0], {r[2], r[3], r[4]}};
}
void MotorFlagsRecord::store(Record& r) const {
    r[0] = code;
    std::copy(motors.begin(), motors.end(), r.begin() + 2);
}
Record MotorFlagsRecord::encode() const {
    return controllerRecord(*this);
}

std::int32_t jumpTarget(const Record& r) {
    return param(r, kP1);
}
void setJumpTarget(Record& r, std::int32_t target) {
    setParam(r, kP1, target);
}

}  // namespace rv720
