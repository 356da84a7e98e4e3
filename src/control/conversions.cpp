#include "control/conversions.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "model/values.h"
#include "protocol/commands.h"

namespace rv720 {

namespace {

using Wide = long double;  // the extended precision the products are taken in

// Rounds to the nearest single. Beyond the single range the result is an infinity,
// which the limits below turn into their bound (a plain cast would be undefined).
float toSingle(Wide x) {
    constexpr Wide maxSingle = std::numeric_limits<float>::max();
    if (x > maxSingle) return std::numeric_limits<float>::infinity();
    if (x < -maxSingle) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(x);
}

// 2^20 / 16,000,000, written as the station multiplies it.
Wide velocityScale(Wide stepsPerSecond) {
    return stepsPerSecond * 16 * 2048 * 32 * 6.25e-8L;
}

// Limits r to lo ... hi and truncates toward zero. A NaN (only from a zero
// configuration times an infinite entry) counts as below the range.
ControlValue limitAndTruncate(float r, std::int32_t lo, std::int32_t hi) {
    if (std::isnan(r) || r < Wide(lo)) return {ControlValue::Status::Limited, lo};
    if (r > Wide(hi)) return {ControlValue::Status::Limited, hi};
    return {ControlValue::Status::Converted, static_cast<std::int32_t>(r)};
}

// A decimal integer too long for 32 bits is still a number the operator typed: it
// is limited like any other out-of-range value instead of being refused.
std::optional<std::int64_t> parseLongInteger(std::string_view text) {
    if (const auto value = parseInteger(text)) return *value;
    std::string_view s = text;  // leading blanks only, as parseInteger reads it
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    for (char c : s)
        if (c < '0' || c > '9') return std::nullopt;
    // Only digits and still refused: too long for 32 bits, beyond the range either way.
    return negative ? std::numeric_limits<std::int64_t>::min()
                    : std::numeric_limits<std::int64_t>::max();
}

std::int64_t productOf(const MotorConfig& motor) {
    return std::int64_t(motor.stepsPerRev) * std::int64_t(motor.stepDivisor);
}

}  // namespace

float velocityUnitsUnlimited(double revPerSecond, const MotorConfig& motor) {
    const float v = toSingle(revPerSecond);
    const float t = toSingle(Wide(motor.stepsPerRev) * v * Wide(motor.stepDivisor));
    return toSingle(velocityScale(t));
}

float accelerationFactor(const MotorConfig& motor) {
    constexpr Wide pi = std::numbers::pi_v<Wide>;
    const float K = toSingle(Wide(256) * 256 * 2048 * 1024 * 2 * pi * pi /
                             (Wide(16000000) * Wide(16000000) * 180));
    return toSingle(Wide(productOf(motor)) * K);
}

float accelerationUnitsUnlimited(double revPerSecond2, const MotorConfig& motor) {
    return toSingle(Wide(toSingle(revPerSecond2)) * accelerationFactor(motor));
}

ControlValue velocityToUnits(ControlKind kind, double revPerSecond, const MotorConfig& motor) {
    const float r = velocityUnitsUnlimited(revPerSecond, motor);
    if (kind == ControlKind::SetVelocity)
        return limitAndTruncate(r, -kMaxVelocityUnits, kMaxVelocityUnits);
    // A limit velocity not above one unit is sent as one: zero would stall the ramp.
    if (!(r > 1.0f))
        return {r == 1.0f ? ControlValue::Status::Converted : ControlValue::Status::Limited, 1};
    return limitAndTruncate(r, 1, kMaxVelocityUnits);
}

ControlValue accelerationToUnits(double revPerSecond2, const MotorConfig& motor) {
    return limitAndTruncate(accelerationUnitsUnlimited(revPerSecond2, motor), 1,
                            kMaxAccelerationUnits);
}

ControlValue limitPosition(std::int64_t steps) {
    if (steps > kMaxPosition) return {ControlValue::Status::Limited, kMaxPosition};
    if (steps < -kMaxPosition) return {ControlValue::Status::Limited, -kMaxPosition};
    return {ControlValue::Status::Converted, static_cast<std::int32_t>(steps)};
}

ControlValue readControlValue(ControlKind kind, std::string_view text, char separator,
                              const MotorConfig& motor) {
    switch (kind) {
        case ControlKind::SetPosition: {
            const auto steps = parseLongInteger(text);
            if (!steps) return {};
            return limitPosition(*steps);
        }
        case ControlKind::MinVelocity:
        case ControlKind::MaxVelocity:
        case ControlKind::SetVelocity: {
            const auto v = parseDecimal(text, separator);
            if (!v) return {};
            return velocityToUnits(kind, *v, motor);
        }
        case ControlKind::MaxAcceleration: {
            const auto a = parseDecimal(text, separator);
            if (!a) return {};
            return accelerationToUnits(*a, motor);
        }
        case ControlKind::WorkMode:
            break;
    }
    return {};
}

protocol::Message stepCommand(int motor, bool up, int count) {
    return protocol::motorValue(
        up ? protocol::CommandCode::StepUp : protocol::CommandCode::StepDown, motor,
        std::clamp(count, kMinStepCount, kMaxStepCount));
}

std::optional<int> chosenMotor(bool m1, bool m2, bool m3) {
    if (int(m1) + int(m2) + int(m3) != 1) return std::nullopt;
    return m1 ? 1 : m2 ? 2 : 3;
}

DirectSend prepareDirectSend(ControlKind kind, int motor, std::string_view text, char separator,
                             const MotorConfig& config, int modeIndex) {
    DirectSend send;
    if (kind == ControlKind::WorkMode) {
        const int mode = std::clamp(modeIndex, 0, kWorkModeCount - 1);
        send.value = {
            mode == modeIndex ? ControlValue::Status::Converted : ControlValue::Status::Limited,
            mode};
        send.command = protocol::workMode(motor, mode);
        return send;
    }
    send.value = readControlValue(kind, text, separator, config);
    if (send.value.readable())
        send.command = protocol::motorValue(protocol::CommandCode(std::uint8_t(kind)), motor,
                                            send.value.value);
    return send;
}

float monitorVelocity(std::int32_t rawVelocity, const MotorConfig& motor) {
    // A configuration of zero cannot come from the driver page; dividing by it would
    // print an infinity, so it counts as one.
    const std::int64_t product = std::max<std::int64_t>(productOf(motor), 1);
    const float a = toSingle(Wide(rawVelocity) * 16000000);
    const float b = toSingle(Wide(a) / 1048576);
    return toSingle(Wide(b) / Wide(product));
}

std::string formatMonitorVelocity(std::int32_t rawVelocity, const MotorConfig& motor,
                                  char separator) {
    const float v = monitorVelocity(rawVelocity, motor);
    if (v == 0.0f) return "0,000";  // the station has always shown zero with a comma
    return formatFixed(Wide(v) + 0.0005L, 7, 3, separator);
}

std::string formatMonitorPosition(std::int32_t position) {
    return formatInteger(position);
}

}  // namespace rv720
