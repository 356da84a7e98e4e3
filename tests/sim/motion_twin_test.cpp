// The motion model inside the controller twin, driven the way the station drives a
// controller: direct commands from the control window's conversions, programs
// written record by record, and the motor-state reply read as the monitor reads it.
#include <gtest/gtest.h>

#include "control/conversions.h"
#include "model/commands.h"
#include "sim/motion.h"
#include "twin_harness.h"

namespace rv720::sim {
namespace {

using testing::Bytes;
using testing::TwinHarness;
using namespace std::chrono_literals;

TwinOptions withMotion() {
    TwinOptions options;
    options.axisFactory = makeMotionAxis;
    return options;
}

struct MotorReading {
    std::int32_t position;
    std::int32_t velocity;
};

MotorReading readMotor(TwinHarness& h, int motor) {
    const auto reply = h.exchange(1, {4});
    EXPECT_EQ(reply.code, 1);
    if (reply.data.size() < 19) return {};
    // data[0] is the target; frame offset 8 is data[1].
    return {decodePosition(reply.data.data() + 1 + 3 * (motor - 1)),
            decodeVelocity(reply.data.data() + 10 + 3 * (motor - 1))};
}

void sendDirect(TwinHarness& h, ControlKind kind, int motor, const char* text) {
    const DirectSend send = prepareDirectSend(kind, motor, text, '.', MotorConfig{}, 0);
    ASSERT_TRUE(send.value.readable()) << text;
    const Bytes data(send.command.data.begin(), send.command.data.end());
    EXPECT_EQ(h.exchange(send.command.code, data).code, send.command.code) << text;
}

TEST(TwinMotion, DirectCommandsRampTheAxis) {
    TwinHarness h(withMotion());
    sendDirect(h, ControlKind::MaxVelocity, 2, "1");         // 104 units, 1587 steps/s
    sendDirect(h, ControlKind::MaxAcceleration, 2, "1000");  // 94 units
    sendDirect(h, ControlKind::SetPosition, 2, "3000");

    h.twin.advance(1s);
    const MotorReading cruising = readMotor(h, 2);
    EXPECT_EQ(cruising.velocity, 104);
    EXPECT_NEAR(cruising.position, 1587, 3) << "one second at 1587 steps/s";
    EXPECT_EQ(formatMonitorVelocity(cruising.velocity, MotorConfig{}, '.'), "0.992");

    h.twin.advance(1s);
    const MotorReading there = readMotor(h, 2);
    EXPECT_EQ(there.position, 3000);
    EXPECT_EQ(there.velocity, 0);

    // ">" with 500 from Inc, then a set velocity backwards.
    const DirectCommand up = stepCommand(2, true, 500);
    h.exchange(up.code, Bytes(up.data.begin(), up.data.end()));
    h.twin.advance(1s);
    EXPECT_EQ(readMotor(h, 2).position, 3500);
    sendDirect(h, ControlKind::SetVelocity, 2, "-0.5");  // -52 units
    h.twin.advance(1s);
    EXPECT_EQ(readMotor(h, 2).velocity, -52);
    EXPECT_EQ(readMotor(h, 1).velocity, 0) << "the other axes stay";
}

TEST(TwinMotion, ProgramMovesTakeTheirTime) {
    TwinHarness h(withMotion());
    Record drv = makeRecord(code::Driver, 1);
    writeBe16(drv.data() + 4, 8);
    writeBe32(drv.data() + 6, 200);
    Record wait = makeRecord(code::WaitMotor, kControllerTarget);
    wait[2] = 1;
    h.writeProgram({drv, testing::recP1(code::VMax, 1, 2000),
                    testing::recP1(code::AMax, 1, 1000000), testing::recP1(code::GoTo, 1, 5000),
                    wait, testing::recP1(code::GoTo, 1, -200), wait,
                    makeRecord(code::End, kControllerTarget)});
    h.send(12, {4});
    h.twin.advance(1s);
    h.replies();
    // 2 rev/s at 200 steps and divisor 8 is 209 units, 3189 steps/s.
    const MotorReading midway = readMotor(h, 1);
    EXPECT_TRUE(h.twin.running());
    EXPECT_EQ(midway.velocity, 209);
    EXPECT_GT(midway.position, 3000);
    EXPECT_LT(midway.position, 3300);

    h.twin.advance(4s);
    h.replies();
    EXPECT_FALSE(h.twin.running()) << "both moves done, END reached";
    EXPECT_EQ(readMotor(h, 1).position, -200);
}

}  // namespace
}  // namespace rv720::sim
