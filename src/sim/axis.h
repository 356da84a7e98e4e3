#pragma once
// The seam between the twin's program executor and the motion of its three axes.
// The executor only asks an axis to start something and then polls it: "is it
// arrived", "where is it", "how fast". Values are in the controller's own units,
// the ones its motion hardware takes and the direct commands carry:
//   position      steps (signed; the state reply carries 24 bits)
//   velocity      16,000,000 / 2^20 steps/s per unit (about 15.26 steps/s), 12-bit signed
//   acceleration  the station's unit: a rev/s^2 is a * S * D * K units,
//                 K = 2^38 * pi^2 / (16,000,000^2 * 180)
// The program stores rev/s and rev/s^2 in thousandths; the converters below turn
// them into these units with the axis' driver configuration, as the firmware does.
//
// The twin's axes are MotionAxis (sim/motion.h), which ramps. InstantAxis is kept for
// tests that care about sequencing rather than motion: moves, steps and HOME complete
// at once, a set velocity is held exactly (no ramps) and integrates into the position.
#include <cstdint>
#include <functional>
#include <memory>

#include "sim/sim_time.h"

namespace rv720::sim {

enum class AxisMode : std::uint8_t { Ramp = 0, Soft = 1, Velocity = 2 };

// From the program's drv command: sensors, step divisor D, steps per revolution S.
struct DriverConfig {
    bool leftSensor = false;
    bool rightSensor = false;
    std::uint32_t stepDivisor = 8;   // 1..256
    std::int32_t stepsPerRev = 200;  // 1..1600
};

inline constexpr std::int32_t kMaxVelocityUnits = 2047;
inline constexpr std::int32_t kMaxAccelerationUnits = 2047;
inline constexpr std::int32_t kMaxPositionSteps = 8388607;  // 24-bit signed

class AxisDrive {
  public:
    virtual ~AxisDrive() = default;

    virtual void configure(const DriverConfig& config) = 0;
    virtual void setMode(AxisMode mode) = 0;
    virtual void setMinVelocity(std::int32_t units) = 0;
    virtual void setMaxVelocity(std::int32_t units) = 0;
    virtual void setMaxAcceleration(std::int32_t units) = 0;

    virtual void runAtVelocity(std::int32_t units) = 0;  // signed: the sign is the direction
    virtual void moveTo(std::int32_t steps) = 0;
    virtual void stepBy(std::int32_t steps) = 0;  // relative to the current position
    virtual void home(std::int32_t firstUnits, std::int32_t secondUnits) = 0;
    virtual void brake() = 0;  // down the acceleration ramp
    virtual void stopNow() = 0;
    virtual void clearPosition() = 0;

    // True when the last move has reached its target and the axis stands still.
    virtual bool arrived() const = 0;
    virtual std::int32_t position() const = 0;
    virtual std::int32_t velocity() const = 0;  // controller units

    virtual void advance(SimDuration dt) = 0;
};

// Makes the drive of axis 0, 1 or 2; the twin asks once per axis.
using AxisFactory = std::function<std::unique_ptr<AxisDrive>(int axisIndex)>;

class InstantAxis final : public AxisDrive {
  public:
    void configure(const DriverConfig& config) override { config_ = config; }
    void setMode(AxisMode mode) override { mode_ = mode; }
    void setMinVelocity(std::int32_t units) override { vMin_ = units; }
    void setMaxVelocity(std::int32_t units) override { vMax_ = units; }
    void setMaxAcceleration(std::int32_t units) override { aMax_ = units; }

    void runAtVelocity(std::int32_t units) override;
    void moveTo(std::int32_t steps) override;
    void stepBy(std::int32_t steps) override;
    void home(std::int32_t firstUnits, std::int32_t secondUnits) override;
    void brake() override { stopNow(); }
    void stopNow() override;
    void clearPosition() override;

    bool arrived() const override { return velocity_ == 0; }
    std::int32_t position() const override { return position_; }
    std::int32_t velocity() const override { return velocity_; }

    void advance(SimDuration dt) override;

    AxisMode mode() const { return mode_; }
    const DriverConfig& config() const { return config_; }
    std::int32_t minVelocity() const { return vMin_; }
    std::int32_t maxVelocity() const { return vMax_; }
    std::int32_t maxAcceleration() const { return aMax_; }

  private:
    DriverConfig config_;
    AxisMode mode_ = AxisMode::Ramp;
    std::int32_t vMin_ = 1, vMax_ = 1, aMax_ = 1;
    std::int32_t position_ = 0;
    std::int32_t velocity_ = 0;
    double fraction_ = 0;  // steps travelled in velocity mode not yet counted
};

std::unique_ptr<AxisDrive> makeInstantAxis(int axisIndex);

// Program values (thousandths of rev/s or rev/s^2) in controller units, limited as
// the station limits its direct commands: minimum and maximum velocity and
// acceleration to 1..2047, a set velocity to -2047..2047.
std::int32_t velocityUnitsFromMilli(std::int32_t milli, const DriverConfig& config);
std::int32_t speedLimitUnitsFromMilli(std::int32_t milli, const DriverConfig& config);
std::int32_t accelerationUnitsFromMilli(std::int32_t milli, const DriverConfig& config);

// Steps per second of a velocity in controller units.
double stepsPerSecond(std::int32_t velocityUnits);

// Keep a position inside what the 24-bit state reply can carry.
std::int32_t clampPosition(std::int64_t steps);

}  // namespace rv720::sim
