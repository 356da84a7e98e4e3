// The motion model inside the controller twin, driven as the station drives the
// controller: direct commands from the control window's conversions, a program
// written record by record, and the motor-state reply read as the monitor reads it.
#include <gtest/gtest.h>

#include "control/conversions.h"
#include "model/commands.h"
#include "sim/motion.h"
#include "twin_harness.h"

namespace rv720::sim {
namespace {

using testing::recP1;
using namespace std::chrono_literals;

TEST(TwinMotion, DirectCommandsAndProgramsMoveTheAxesInTime) {
    testing::TwinHarness h;  // the twin's own axes ramp
    const auto direct = [&](ControlKind kind, const char* text) {
        const DirectCommand c = prepareDirectSend(kind, 2, text, '.', MotorConfig{}, 0).command;
        EXPECT_EQ(h.exchange(c.code, {c.data.begin(), c.data.end()}).code, c.code) << text;
    };
    const auto motor = [&](int m) {  // position and raw velocity from a code-1 reply
        h.replies();                 // line reports of a running program
        const auto data = h.exchange(1, {4}).data;
        if (data.size() < 19) return std::make_pair(-1, -1);
        return std::make_pair(decodePosition(&data[3 * m - 2]), decodeVelocity(&data[3 * m + 7]));
    };

    direct(ControlKind::MaxVelocity, "1");         // 104 units, 1587 steps/s
    direct(ControlKind::MaxAcceleration, "1000");  // 94 units
    direct(ControlKind::SetPosition, "3000");
    h.twin.advance(1s);
    const auto [x, v] = motor(2);
    EXPECT_EQ(v, 104);
    EXPECT_NEAR(x, 1587, 3) << "one second at 1587 steps/s";
    EXPECT_EQ(formatMonitorVelocity(v, MotorConfig{}, '.'), "0.992");
    h.twin.advance(1s);
    EXPECT_EQ(motor(2), std::make_pair(3000, 0));
    direct(ControlKind::SetVelocity, "-0.5");  // -52 units
    h.twin.advance(1s);
    EXPECT_EQ(motor(2).second, -52);

    Record drv = makeRecord(code::Driver, 1);
    writeBe16(&drv[4], 8);
    writeBe32(&drv[6], 200);
    Record wait = makeRecord(code::WaitMotor, kControllerTarget);
    wait[2] = 1;
    h.writeProgram({drv, recP1(code::VMax, 1, 2000), recP1(code::AMax, 1, 1000000),
                    recP1(code::GoTo, 1, 5000), wait, recP1(code::GoTo, 1, -200), wait,
                    makeRecord(code::End, kControllerTarget)});
    h.send(12, {4});
    h.twin.advance(1s);
    // 2 rev/s at 200 steps and divisor 8 is 209 units, 3189 steps/s.
    const auto [px, pv] = motor(1);
    EXPECT_TRUE(h.twin.running());
    EXPECT_EQ(pv, 209);
    EXPECT_GT(px, 3000);
    EXPECT_LT(px, 3300);
    h.twin.advance(4s);
    EXPECT_EQ(motor(1).first, -200);
    EXPECT_FALSE(h.twin.running()) << "both moves done, END reached";
    EXPECT_EQ(motor(2).second, -52) << "the direct run goes on beside the program";
}

}  // namespace
}  // namespace rv720::sim
