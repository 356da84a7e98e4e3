#include <gtest/gtest.h>

#include "support/device_fakes.h"

namespace rv720::test {
namespace {

using Events = std::vector<std::string>;

TEST(ReplyTimeout, ResendsTwiceThenGivesUp) {
    Bench b;
    b.connect();
    b.station.MotorViewTimer().start();
    b.station.PlayProgramButtonClick();  // its run-mode look must not outlive the link
    const Bytes first = b.ftdi.writes.at(0);
    auto& timeout = b.timer(b.station.TimeoutTimer());

    timeout.tick();
    EXPECT_EQ(b.view.warning2, "Again data transmission - 1");
    timeout.tick();
    EXPECT_EQ(b.view.warning2, "Again data transmission - 2");
    EXPECT_EQ(b.ftdi.writes, (std::vector<Bytes>{first, first, first}));
    b.view.take();
    timeout.tick();
    EXPECT_EQ(b.ftdi.writes.size(), 3u);  // the third expiry sends nothing
    EXPECT_FALSE(b.station.connected());
    EXPECT_FALSE(timeout.isActive());
    EXPECT_FALSE(b.station.MotorViewTimer().isActive());
    EXPECT_EQ(b.view.take(),
              (Events{"led_usb stop", "led_prog stop", "ShowEditingControls",
                      "status Connection finished", "UnlockWindows",
                      windowEvent("hide", Window::FPodgladSilniki),
                      windowEvent("hide", Window::FPodgladWejscia),
                      windowEvent("hide", Window::FLog), "status Device is not response"}));
}

TEST(ReplyTimeout, AReplyStopsItAndTheNextCommandStartsAtZero) {
    Bench b;
    b.connect();
    auto& timeout = b.timer(b.station.TimeoutTimer());
    b.station.SpeedButton1Click();
    timeout.tick();
    b.deliver(22, {4});
    EXPECT_FALSE(timeout.isActive());
    b.station.InfoButtonClick();
    b.sent();
    timeout.tick();
    EXPECT_EQ(b.view.warning2, "Again data transmission - 1");
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{11, 4})});  // only the newest is re-sent
}

struct ReplyCase {
    std::uint8_t code;
    std::uint8_t target;
    const char* status;  // nullptr: no line
};

class ReplyLines : public testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyLines, PostTheirStatusLine) {
    const auto& c = GetParam();
    Bench b;
    b.connect();
    b.deliver(c.code, {c.target});
    EXPECT_EQ(b.view.take(), c.status ? Events{std::string("status ") + c.status} : Events{});
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReplyLines,
    testing::Values(
        ReplyCase{3, 4, "Outputs updated"}, ReplyCase{4, 2, "Work mode for motor 2 set"},
        ReplyCase{5, 1, "Minimum velocity 1 set"}, ReplyCase{6, 3, "Maximum velocity 3 set"},
        ReplyCase{7, 2, "Acceleration 2 set"}, ReplyCase{8, 3, "Destination velocity 3 set"},
        ReplyCase{9, 1, "Destination position 1 set"}, ReplyCase{10, 4, "Connection successful"},
        ReplyCase{28, 2, "Destination position 2 set"},
        ReplyCase{29, 3, "Destination position 3 set"},
        // Codes without an action of their own.
        ReplyCase{0, 4, nullptr}, ReplyCase{12, 4, nullptr}, ReplyCase{16, 4, nullptr},
        ReplyCase{22, 4, nullptr}, ReplyCase{26, 4, nullptr}, ReplyCase{99, 4, nullptr},
        ReplyCase{255, 4, nullptr}),
    [](const auto& info) {
        return "code" + std::to_string(info.param.code) + "_to" + std::to_string(info.param.target);
    });

TEST(RunningFlag, FollowsTheStatusByteOfEveryFrame) {
    Bench b;
    b.connect();
    struct Step {
        std::uint8_t status;
        Events effect;
    };
    const Step steps[] = {
        {1, {"led_prog play", windowEvent("hide", Window::FSterowanie), "HideEditingControls"}},
        {1, {}},
        {2, {"led_prog stop", "ShowEditingControls"}},  // only 1 means running
        {0, {}},
        {1, {"led_prog play", windowEvent("hide", Window::FSterowanie), "HideEditingControls"}},
        {0, {"led_prog stop", "ShowEditingControls"}},
    };
    for (const auto& s : steps) {
        b.deliver(99, {4}, s.status);
        EXPECT_EQ(b.view.take(), s.effect) << int(s.status);
    }
}

TEST(RunningFlag, ReconnectingToARunningProgramShowsTheRunLookAgain) {
    Bench b;
    b.connect();
    b.deliver(0, {4}, 1);
    b.station.DisconnectButtonClick();
    EXPECT_FALSE(b.station.programRunning());
    b.connect();
    b.deliver(0, {4}, 1);
    EXPECT_TRUE(b.station.programRunning());
    EXPECT_TRUE(b.view.lit[Indicator::led_prog]);
}

TEST(ReplyContents, FirmwareVersionExecutedLineAndMessage) {
    Bench b;
    b.connect();
    b.deliver(11, {4, 1, 12});
    b.deliver(15, {4, 0, 0});
    b.deliver(15, {4, 1, 2});
    EXPECT_EQ(b.view.take(), (Events{"info_uc 1.12", "select 0", "select 258"}));
    b.deliver(14, {4, 3, 'A', '\r', 'B'});
    b.deliver(14, {4, 0});
    b.deliver(14, {4, 9, 'x'});  // claims more than it carries
    EXPECT_EQ(b.view.messages, (std::vector<Bytes>{{'A', '\r', 'B'}, {}, {'x'}}));
}

TEST(SimpleCommands, NeedAConnection) {
    Bench b;
    b.station.PlayProgramButtonClick();
    b.station.StopProgramButtonClick();
    b.station.StopButtonClick();
    b.station.SpeedButton1Click();
    b.station.SpeedButton2Click();
    b.station.ViweMotorButtonClick();
    b.station.WiewIoButtonClick();
    b.station.ViewUsbButtonClick();
    b.station.ReadProgramButtonClick();
    b.station.FKompilacja().DownloadButtonClick();
    const std::string no = "status No connection";
    EXPECT_EQ(b.view.take(), (Events{no, no, "ShowEditingControls", no, "ShowEditingControls", no,
                                     no, no, no, no, no, no}));
    EXPECT_TRUE(b.ftdi.writes.empty());
    EXPECT_TRUE(b.station.closePermission());  // a read that never began changes nothing
}

TEST(SimpleCommands, SendTheirCodeToTheController) {
    Bench b;
    b.connect();
    b.station.PlayProgramButtonClick();
    EXPECT_EQ(b.view.take(), (Events{windowEvent("hide", Window::FKompilacja),
                                     windowEvent("hide", Window::FParametrLiczbowy),
                                     windowEvent("hide", Window::FSterowanie),
                                     windowEvent("hide", Window::FPass), "HideEditingControls"}));
    b.station.StopProgramButtonClick();
    b.station.StopButtonClick();
    b.station.SpeedButton1Click();
    b.station.InfoButtonClick();
    EXPECT_EQ(b.sent(), (std::vector<Bytes>{{12, 4}, {13, 4}, {13, 4}, {22, 4}, {11, 4}}));
    EXPECT_EQ(b.view.take(), (Events{"ShowEditingControls", "ShowEditingControls",
                                     "info_uc * * * * *", windowEvent("show", Window::FInfo)}));
}

TEST(PasswordWindow, OnlyTheExactEntrySendsTheUpdateRequest) {
    Bench b;
    b.connect();
    b.station.SpeedButton2Click();
    for (const char* wrong : {"73916KQWMZ", "73916kqwmz ", "", "73916kqwm"}) {
        EXPECT_FALSE(b.station.PassOkButtonClick(wrong)) << wrong;
        EXPECT_EQ(b.view.warning2, "Wrong password");
    }
    EXPECT_TRUE(b.ftdi.writes.empty());
    EXPECT_TRUE(b.view.isWindowVisible(Window::FPass));
    EXPECT_TRUE(b.station.PassOkButtonClick("73916kqwmz"));
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{21, 4})});
    EXPECT_FALSE(b.view.isWindowVisible(Window::FPass));
}

// ---- monitor replies and their request loop --------------------------------

TEST(MonitorLoop, OneRequestOutstandingReArmedByTheReply) {
    Bench b;
    b.connect();
    auto& motor = b.timer(b.station.MotorViewTimer());
    b.station.ViweMotorButtonClick();
    EXPECT_TRUE(b.view.isWindowVisible(Window::FPodgladSilniki));
    motor.tick();
    EXPECT_FALSE(motor.isActive());  // waiting for the reply
    EXPECT_EQ(b.sent(), std::vector<Bytes>{(Bytes{1, 4})});
    b.deliver(1, Bytes(19, 0));
    EXPECT_TRUE(motor.isActive());
    EXPECT_EQ(b.view.motorStates.size(), 1u);
    b.view.visible.erase(Window::FPodgladSilniki);  // Esc hides it
    motor.tick();
    EXPECT_FALSE(motor.isActive());
    EXPECT_TRUE(b.sent().empty());
}

TEST(MonitorLoop, LampsRedrawOnlyWhatChanged) {
    Bench b;
    b.connect();
    b.station.WiewIoButtonClick();
    Bytes lamps(18, 0);
    lamps[0] = 4;
    lamps[1] = 2;   // output 1, any non-zero byte lights
    lamps[17] = 1;  // STOP input
    b.deliver(2, lamps);
    b.deliver(2, lamps);  // identical: nothing to redraw
    lamps[1] = 0;
    b.deliver(2, lamps);
    ASSERT_EQ(b.view.ioStates.size(), 2u);
    IoState first;
    first.on[0] = first.on[16] = first.changed[0] = first.changed[16] = true;
    EXPECT_EQ(b.view.ioStates[0], first);
    IoState second;
    second.on[16] = second.changed[0] = true;
    EXPECT_EQ(b.view.ioStates[1], second);
    EXPECT_TRUE(b.station.InputViewTimer().isActive());
}

}  // namespace
}  // namespace rv720::test
