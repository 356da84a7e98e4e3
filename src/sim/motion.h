#pragma once
// Motion of the twin's three axes: ramps between the minimum and the maximum velocity
// at the maximum acceleration, integrated in fixed 100 us ticks so that every run is
// the same run.
//
// Units are the controller's, as the direct commands carry them:
//   position      steps, a signed 24-bit counter (it wraps like the chip's);
//   velocity      one unit is 16,000,000 / 2^20 = 15.2587890625 steps/s (16 MHz clock,
//                 2^20 clock periods per step at one unit), signed 12-bit;
//   acceleration  the station sends a [rev/s^2] x S x D x K, K = 2^38 pi^2 / (16e6^2 x 180),
//                 and a x S x D is steps/s^2, so one unit is 1/K steps/s^2:
//                 16e6^2 x 180 / (2^38 x pi^2) = 16,985.3 steps/s^2, which is
//                 1,113.1 velocity units per second.
// The program carries velocities and accelerations in thousandths of rev/s and
// rev/s^2; the *Milli setters turn them into units with the axis' steps per revolution
// S and divisor D from the drv command, truncated and limited as the station limits
// its direct commands.
//
// The ramp. Each tick the axis picks the highest velocity it may run at this tick such
// that, braking at the maximum acceleration from then on, it still stops on the
// target; so it accelerates, cruises and brakes, and it lands on the target exactly.
// Between two ticks the velocity changes by at most a x dt. The one exception is the
// start and the stop: in Ramp and Velocity mode the axis leaves and reaches standstill
// at the minimum velocity (the stepper's start/stop velocity), so a change to or from
// zero may be up to v_min + a x dt. Soft mode starts and stops from zero, with no jump
// beyond one tick of acceleration.
#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <numbers>

#include "protocol/replies.h"
#include "sim/axis.h"
#include "sim/sim_time.h"

namespace rv720::sim {

inline constexpr double kVelocityUnitStepsPerSecond = 16000000.0 / 1048576.0;
inline constexpr double kAccelerationUnitStepsPerSecond2 =  // 1/K
    16000000.0 * 16000000.0 * 180.0 / (274877906944.0 * std::numbers::pi * std::numbers::pi);
inline constexpr SimDuration kMotionTick = std::chrono::microseconds(100);
// HOME runs at its first velocity to this many steps before 0, then approaches at
// the second.
inline constexpr std::int32_t kHomeApproachSteps = 100;

class MotionAxis final : public AxisDrive {
  public:
    enum class Activity : std::uint8_t {
        Idle,      // standing on a whole step
        Position,  // moving to a target position (also brake and steps)
        Velocity,  // running at a target velocity
        HomeFast,  // HOME, at the first velocity towards the approach point
        HomeSlow,  // HOME, the approach to 0 at the second velocity
    };

    // AxisDrive: everything in controller units.
    void configure(const DriverConfig& config) override { config_ = config; }
    void setMode(AxisMode mode) override { mode_ = mode; }
    void setMinVelocity(std::int32_t units) override;
    void setMaxVelocity(std::int32_t units) override;
    void setMaxAcceleration(std::int32_t units) override;

    // Held between the minimum and the maximum velocity; zero brakes onto a whole step.
    void runAtVelocity(std::int32_t units) override;
    void moveTo(std::int32_t steps) override;
    // From the target of a move in progress, so that two quick steps add up;
    // otherwise from the current position.
    void stepBy(std::int32_t steps) override;
    void home(std::int32_t firstUnits, std::int32_t secondUnits) override;
    void brake() override;
    void stopNow() override;
    void clearPosition() override;

    bool arrived() const override { return activity_ == Activity::Idle; }
    std::int32_t position() const override;
    std::int32_t velocity() const override;  // rounded to whole units

    void advance(SimDuration dt) override;

    // Program values with the drv configuration (thousandths of rev/s or rev/s^2).
    void setMinVelocityMilli(std::int32_t milli);
    void setMaxVelocityMilli(std::int32_t milli);
    void setMaxAccelerationMilli(std::int32_t milli);
    void runAtVelocityMilli(std::int32_t milli);
    void homeMilli(std::int32_t firstMilli, std::int32_t secondMilli);

    // One fixed step of kMotionTick.
    void tick();

    // Exact state, for the twin's own checks and for tests.
    Activity activity() const { return activity_; }
    AxisMode mode() const { return mode_; }
    const DriverConfig& config() const { return config_; }
    double exactPosition() const { return position_; }
    double stepsPerSecond() const { return velocity_; }  // signed
    double target() const { return target_; }
    double maxVelocityStepsPerSecond() const;
    double accelerationStepsPerSecond2() const;
    // The largest velocity change allowed to or from standstill in one tick.
    double startStopJump() const;

  private:
    double tickSeconds() const;
    double stopVelocity() const;
    double brakingDistance(double speed) const;
    void startPosition(double target, double cap, Activity activity);
    void positionTick();
    void velocityTick();
    void arrive();
    void wrapCounter();

    DriverConfig config_;
    AxisMode mode_ = AxisMode::Ramp;
    // Power-on limits: 7 units (about 107 steps/s), 105 units (about 1,600 steps/s,
    // one revolution per second at 200 steps and divisor 8) and 94 units.
    std::int32_t vMinUnits_ = 7;
    std::int32_t vMaxUnits_ = 105;
    std::int32_t aMaxUnits_ = 94;

    Activity activity_ = Activity::Idle;
    double position_ = 0;        // steps
    double velocity_ = 0;        // steps/s, signed
    double target_ = 0;          // steps (Position and HOME)
    double targetVelocity_ = 0;  // steps/s (Velocity)
    double cap_ = 0;             // steps/s: the cruise limit of this move (HOME's velocities)
    double homeSlowCap_ = 0;
    double homeSide_ = 0;   // +1 or -1: the side of 0 HOME started on
    SimDuration carry_{0};  // time not yet integrated
};

std::unique_ptr<AxisDrive> makeMotionAxis(int axisIndex);

// The three axes driven together, with the state reply they produce.
class MotionModel {
  public:
    MotionAxis& axis(int motor) { return axes_.at(std::size_t(motor - 1)); }  // 1..3
    const MotionAxis& axis(int motor) const { return axes_.at(std::size_t(motor - 1)); }

    void advance(std::uint32_t ms);
    void advance(SimDuration dt);
    bool allArrived() const;

    // What the motor-state reply tells of the three.
    protocol::MotorState state() const;

  private:
    std::array<MotionAxis, 3> axes_;
};

}  // namespace rv720::sim
