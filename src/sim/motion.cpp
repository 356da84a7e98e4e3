#include "sim/motion.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace rv720::sim {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Closer than this a position counts as reached: far below a step, far above the
// rounding of a few thousand additions.
constexpr double kPositionTolerance = 1e-7;
constexpr double kCounterSpan = 16777216.0;  // 2^24

double sign(double x) {
    return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0;
}

std::int32_t limitUnits(std::int32_t units, std::int32_t lo, std::int32_t hi) {
    return std::clamp(units, lo, hi);
}

// The braking distance with one tick's constants worked out once: a move's ramp
// asks for it dozens of times a tick, and a dry run integrates hours of ticks.
struct Braking {
    double dt, adt, jump;
    double distance(double speed) const {
        if (speed <= jump) return 0;
        const double m = std::ceil((speed - jump) / adt);
        return dt * (m * speed - adt * m * (m + 1) / 2);
    }
};

}  // namespace

void MotionAxis::setMinVelocity(std::int32_t units) {
    vMinUnits_ = limitUnits(units, 1, kMaxVelocityUnits);
}

void MotionAxis::setMaxVelocity(std::int32_t units) {
    vMaxUnits_ = limitUnits(units, 1, kMaxVelocityUnits);
}

void MotionAxis::setMaxAcceleration(std::int32_t units) {
    aMaxUnits_ = limitUnits(units, 1, kMaxAccelerationUnits);
}

void MotionAxis::setMinVelocityMilli(std::int32_t milli) {
    setMinVelocity(speedLimitUnitsFromMilli(milli, config_));
}

void MotionAxis::setMaxVelocityMilli(std::int32_t milli) {
    setMaxVelocity(speedLimitUnitsFromMilli(milli, config_));
}

void MotionAxis::setMaxAccelerationMilli(std::int32_t milli) {
    setMaxAcceleration(accelerationUnitsFromMilli(milli, config_));
}

void MotionAxis::runAtVelocityMilli(std::int32_t milli) {
    runAtVelocity(velocityUnitsFromMilli(milli, config_));
}

void MotionAxis::homeMilli(std::int32_t firstMilli, std::int32_t secondMilli) {
    home(speedLimitUnitsFromMilli(firstMilli, config_),
         speedLimitUnitsFromMilli(secondMilli, config_));
}

double MotionAxis::tickSeconds() const {
    return std::chrono::duration<double>(kMotionTick).count();
}

double MotionAxis::maxVelocityStepsPerSecond() const {
    return vMaxUnits_ * kVelocityUnitStepsPerSecond;
}

double MotionAxis::accelerationStepsPerSecond2() const {
    return aMaxUnits_ * kAccelerationUnitStepsPerSecond2;
}

// The velocity the axis starts from and stops at. A minimum above the maximum
// cannot be run, so the maximum wins.
double MotionAxis::stopVelocity() const {
    if (mode_ == AxisMode::Soft) return 0;
    return std::min(vMinUnits_, vMaxUnits_) * kVelocityUnitStepsPerSecond;
}

double MotionAxis::startStopJump() const {
    return stopVelocity() + accelerationStepsPerSecond2() * tickSeconds();
}

// Distance the axis covers after a tick at `speed` before the tick in which it may
// stop: it brakes by a x dt per tick until its velocity allows a stop. Zero when the
// axis may stop right after this tick.
double MotionAxis::brakingDistance(double speed) const {
    const double dt = tickSeconds();
    return Braking{dt, accelerationStepsPerSecond2() * dt, startStopJump()}.distance(speed);
}

// The highest speed u in [lo, hi) whose commitment stays within `distance`, given
// commits(lo) <= distance < commits(hi). commits grows with u, so among the doubles
// that answer is one exact value. With a fixed number m of braking ticks commits
// is linear in u, which puts a first guess within a few doubles of it; a search
// over the doubles themselves (their bit patterns are ordered, none is negative)
// then finds it, in a dozen steps where halving the interval took forty.
template <typename Commits>
double highestSpeedWithin(const Commits& commits, double distance, double lo, double hi,
                          const Braking& braking) {
    using Bits = std::int64_t;
    Bits low = std::bit_cast<Bits>(lo), high = std::bit_cast<Bits>(hi);
    const auto at = [](Bits b) { return std::bit_cast<double>(b); };
    const auto probe = [&](Bits b) {
        if (b <= low || b >= high) return;
        (commits(at(b)) <= distance ? low : high) = b;
    };
    double guess = hi;
    for (int i = 0; i < 2; ++i) {
        const double m =
            guess <= braking.jump ? 0 : std::ceil((guess - braking.jump) / braking.adt);
        guess = (distance + braking.dt * braking.adt * m * (m + 1) / 2) / (braking.dt * (1 + m));
        guess = std::clamp(guess, lo, hi);
    }
    const Bits start = std::bit_cast<Bits>(guess);
    probe(start);
    // Gallop from the guess towards the answer until past it, then halve.
    const bool up = start <= low;
    for (Bits step = 1;; step *= 2) {
        const Bits next = up ? start + step : start - step;
        if (next <= low || next >= high) break;
        const bool within = commits(at(next)) <= distance;
        (within ? low : high) = next;
        if (within != up) break;
    }
    while (high - low > 1)
        probe(low + (high - low) / 2);
    return at(low);
}

void MotionAxis::runAtVelocity(std::int32_t units) {
    units = limitUnits(units, -kMaxVelocityUnits, kMaxVelocityUnits);
    // Running at zero is braking, which also leaves the axis on a whole step.
    if (units == 0) return brake();
    activity_ = Activity::Velocity;
    targetVelocity_ = units * kVelocityUnitStepsPerSecond;
}

void MotionAxis::moveTo(std::int32_t steps) {
    startPosition(std::clamp(steps, -kMaxPositionSteps, kMaxPositionSteps), kInfinity,
                  Activity::Position);
}

void MotionAxis::stepBy(std::int32_t steps) {
    const double base = activity_ == Activity::Position ? target_ : std::round(position_);
    const double to =
        std::clamp(base + double(steps), double(-kMaxPositionSteps), double(kMaxPositionSteps));
    startPosition(to, kInfinity, Activity::Position);
}

void MotionAxis::home(std::int32_t firstUnits, std::int32_t secondUnits) {
    const double first = limitUnits(firstUnits, 1, kMaxVelocityUnits) * kVelocityUnitStepsPerSecond;
    homeSlowCap_ = limitUnits(secondUnits, 1, kMaxVelocityUnits) * kVelocityUnitStepsPerSecond;
    homeSide_ = sign(position_);
    if (std::abs(position_) > kHomeApproachSteps)
        startPosition(homeSide_ * kHomeApproachSteps, first, Activity::HomeFast);
    else
        startPosition(0, homeSlowCap_, Activity::HomeSlow);
}

void MotionAxis::brake() {
    if (activity_ == Activity::Idle) return;
    const double speed = std::abs(velocity_);
    if (speed == 0) return startPosition(std::round(position_), kInfinity, Activity::Position);
    // The first whole step the ramp can reach: braking ends on a step, as a motor does.
    const double distance = brakingDistance(speed);
    const double to =
        velocity_ > 0 ? std::ceil(position_ + distance) : std::floor(position_ - distance);
    startPosition(to, kInfinity, Activity::Position);
}

void MotionAxis::stopNow() {
    velocity_ = 0;
    position_ = std::round(position_);
    target_ = position_;
    activity_ = Activity::Idle;
}

void MotionAxis::clearPosition() {
    // The counter restarts from zero under a moving axis; the motion itself goes on.
    const double offset = std::round(position_);
    position_ -= offset;
    target_ -= offset;
}

std::int32_t MotionAxis::position() const {
    return static_cast<std::int32_t>(std::llround(position_));
}

std::int32_t MotionAxis::velocity() const {
    const double units = std::round(velocity_ / kVelocityUnitStepsPerSecond);
    return static_cast<std::int32_t>(std::clamp(units, -2048.0, 2047.0));
}

void MotionAxis::startPosition(double target, double cap, Activity activity) {
    target_ = target;
    cap_ = cap;
    activity_ = activity;
    if (velocity_ == 0 && std::abs(target_ - position_) < kPositionTolerance) arrive();
}

void MotionAxis::arrive() {
    position_ = target_;
    velocity_ = 0;
    // The approach covers the last steps before 0, also when the counter was
    // cleared on the way and 0 has moved.
    if (activity_ == Activity::HomeFast)
        startPosition(target_ - homeSide_ * kHomeApproachSteps, homeSlowCap_, Activity::HomeSlow);
    else
        activity_ = Activity::Idle;
}

void MotionAxis::advance(SimDuration dt) {
    if (dt.count() <= 0) return;
    carry_ += dt;
    while (carry_ >= kMotionTick) {
        carry_ -= kMotionTick;
        if (activity_ == Activity::Idle) {
            carry_ %= kMotionTick;  // nothing moves: skip the remaining ticks at once
            break;
        }
        tick();
    }
}

void MotionAxis::tick() {
    switch (activity_) {
        case Activity::Idle:
            return;
        case Activity::Velocity:
            velocityTick();
            break;
        case Activity::Position:
        case Activity::HomeFast:
        case Activity::HomeSlow:
            positionTick();
            break;
    }
    wrapCounter();
}

void MotionAxis::velocityTick() {
    const double dt = tickSeconds();
    const double adt = accelerationStepsPerSecond2() * dt;
    const double jump = startStopJump();
    const double vmin = std::min(vMinUnits_, vMaxUnits_) * kVelocityUnitStepsPerSecond;
    // The target speed lies between the minimum and the maximum velocity; a lowered
    // maximum takes effect at once, down the ramp.
    const double want = sign(targetVelocity_) *
                        std::clamp(std::abs(targetVelocity_), vmin, maxVelocityStepsPerSecond());
    double v = velocity_;
    if (v == 0)
        v = sign(want) * std::min(std::abs(want), jump);
    else if (sign(v) == sign(want))
        v += std::clamp(want - v, -adt, adt);
    else  // reversing: down to standstill first
        v = std::abs(v) <= jump ? 0 : v - sign(v) * adt;
    velocity_ = v;
    position_ += v * dt;
}

// One tick of a move to target_: the highest speed whose braking still ends on the
// target. f(u) = u dt + brakingDistance(u) is the least distance a tick at u commits
// the axis to; it grows with u, so the choice is a search on one interval.
void MotionAxis::positionTick() {
    const double dt = tickSeconds();
    const double adt = accelerationStepsPerSecond2() * dt;
    const double jump = startStopJump();
    const double cap = std::min(cap_, maxVelocityStepsPerSecond());

    double d = target_ - position_;
    if (std::abs(d) < kPositionTolerance) d = 0;
    double dir = sign(d);
    if (dir == 0) {
        if (std::abs(velocity_) <= jump) return arrive();
        dir = sign(velocity_);  // passing through the target too fast: brake beyond it
    }
    const double s = velocity_ * dir;  // speed towards the target; negative: away
    const double distance = std::abs(d);

    double w;
    if (s < 0) {
        // Moving away (a new target behind the axis): brake to standstill, then return.
        w = -s <= jump ? 0 : s + adt;
    } else {
        const double lo = std::max(s - adt, 0.0);
        double hi = s == 0 ? std::min(jump, cap) : std::min(s + adt, cap);
        hi = std::max(hi, lo);  // above a lowered cap: brake at the full rate
        if (s <= jump && distance <= hi * dt) return arrive();
        const Braking braking{dt, adt, jump};
        const auto commits = [&](double u) { return u * dt + braking.distance(u); };
        if (commits(hi) <= distance) {
            w = hi;
        } else if (commits(lo) > distance) {
            w = lo;  // the target came too close to stop on it: overshoot, then return
        } else {
            w = highestSpeedWithin(commits, distance, lo, hi, braking);
        }
    }
    velocity_ = dir * w;
    position_ += velocity_ * dt;
}

// The position counter is 24 bits wide and wraps; a target moves with it.
void MotionAxis::wrapCounter() {
    double shift = 0;
    if (position_ >= kMaxPositionSteps + 0.5)
        shift = -kCounterSpan;
    else if (position_ < -kMaxPositionSteps - 1.5)
        shift = kCounterSpan;
    position_ += shift;
    target_ += shift;
}

std::unique_ptr<AxisDrive> makeMotionAxis(int) {
    return std::make_unique<MotionAxis>();
}

void MotionModel::advance(std::uint32_t ms) {
    advance(std::chrono::duration_cast<SimDuration>(std::chrono::milliseconds(ms)));
}

void MotionModel::advance(SimDuration dt) {
    for (auto& a : axes_)
        a.advance(dt);
}

bool MotionModel::allArrived() const {
    return std::all_of(axes_.begin(), axes_.end(), [](const MotionAxis& a) { return a.arrived(); });
}

protocol::MotorState MotionModel::state() const {
    protocol::MotorState s;
    for (int m = 0; m < 3; ++m) {
        s.position[m] = axes_[m].position();
        s.rawVelocity[m] = axes_[m].velocity();
    }
    return s;
}

}  // namespace rv720::sim
