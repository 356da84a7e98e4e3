#include "sim/axis.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace rv720::sim {

namespace {
constexpr double kVelocityScale = 1048576.0 / 16000000.0;  // units per step/s
const double kAccelerationK =
    std::pow(2.0, 38) * std::numbers::pi * std::numbers::pi / (16000000.0 * 16000000.0 * 180.0);

double microstepsPerRev(const DriverConfig& c) {
    return double(std::max<std::int32_t>(c.stepsPerRev, 1)) *
           double(std::max<std::uint32_t>(c.stepDivisor, 1));
}

std::int32_t truncateClamped(double value, std::int32_t lo, std::int32_t hi) {
    if (!(value > lo)) return lo;  // also catches NaN
    if (value >= hi) return hi;
    return std::int32_t(value);
}
}  // namespace

std::int32_t velocityUnitsFromMilli(std::int32_t milli, const DriverConfig& config) {
    const double units = milli / 1000.0 * microstepsPerRev(config) * kVelocityScale;
    if (units < 0) return -truncateClamped(-units, 0, kMaxVelocityUnits);
    return truncateClamped(units, 0, kMaxVelocityUnits);
}

std::int32_t speedLimitUnitsFromMilli(std::int32_t milli, const DriverConfig& config) {
    return truncateClamped(milli / 1000.0 * microstepsPerRev(config) * kVelocityScale, 1,
                           kMaxVelocityUnits);
}

std::int32_t accelerationUnitsFromMilli(std::int32_t milli, const DriverConfig& config) {
    return truncateClamped(milli / 1000.0 * microstepsPerRev(config) * kAccelerationK, 1,
                           kMaxAccelerationUnits);
}

double stepsPerSecond(std::int32_t velocityUnits) {
    return velocityUnits / kVelocityScale;
}

std::int32_t clampPosition(std::int64_t steps) {
    return std::int32_t(std::clamp<std::int64_t>(steps, -kMaxPositionSteps - 1, kMaxPositionSteps));
}

void InstantAxis::runAtVelocity(std::int32_t units) {
    velocity_ = std::clamp(units, -kMaxVelocityUnits, kMaxVelocityUnits);
    fraction_ = 0;
}

void InstantAxis::moveTo(std::int32_t steps) {
    stopNow();
    position_ = clampPosition(steps);
}

void InstantAxis::stepBy(std::int32_t steps) {
    stopNow();
    position_ = clampPosition(std::int64_t(position_) + steps);
}

void InstantAxis::home(std::int32_t, std::int32_t) {
    moveTo(0);
}

void InstantAxis::stopNow() {
    velocity_ = 0;
    fraction_ = 0;
}

void InstantAxis::clearPosition() {
    position_ = 0;
    fraction_ = 0;
}

void InstantAxis::advance(SimDuration dt) {
    if (velocity_ == 0 || dt.count() <= 0) return;
    fraction_ += stepsPerSecond(velocity_) * std::chrono::duration<double>(dt).count();
    const double whole = std::trunc(fraction_);
    fraction_ -= whole;
    position_ = clampPosition(std::int64_t(position_) + std::int64_t(whole));
}

std::unique_ptr<AxisDrive> makeInstantAxis(int) {
    return std::make_unique<InstantAxis>();
}

}  // namespace rv720::sim
