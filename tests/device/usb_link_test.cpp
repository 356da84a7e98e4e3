#include <gtest/gtest.h>

#include "fakes.h"

namespace rv720::test {
namespace {

using Events = std::vector<std::string>;

TEST(LinkOpening, OpensByDescriptionWithTheLineSettings) {
    Bench b;
    b.station.ConnectButtonClick();
    EXPECT_TRUE(b.station.connected());
    EXPECT_TRUE(b.station.UsbTimer().isActive());
    EXPECT_EQ(b.ftdi.calls, (Events{"open Quellbrandtor RV720 2", "baud 111111", "data 800",
                                    "flow 0", "purge 3"}));
    EXPECT_EQ(b.view.warning1, "Connection successful");
    EXPECT_EQ(b.view.warning2, "Connection successful");
    EXPECT_TRUE(b.view.lit[Indicator::led_usb]);

    b.station.ConnectButtonClick();  // already connected: nothing is reopened
    EXPECT_EQ(b.ftdi.calls.size(), 5u);
}

struct OpenCase {
    const char* name;
    std::uint32_t devices;
    FtStatus detail, open, baud, purge;
    bool connected;
    Events statuses;
    bool closed;  // FT_Close called
};

class LinkOpeningCases : public testing::TestWithParam<OpenCase> {};

TEST_P(LinkOpeningCases, EndInTheRightState) {
    const auto& c = GetParam();
    Bench b;
    b.ftdi.devices = c.devices;
    b.ftdi.detailResult = c.detail;
    b.ftdi.openResult = c.open;
    b.ftdi.baudResult = c.baud;
    b.ftdi.purgeResult = c.purge;
    b.station.ConnectButtonClick();

    Events statuses;
    for (const auto& e : b.view.events)
        if (e.rfind("status ", 0) == 0) statuses.push_back(e.substr(7));
    EXPECT_EQ(statuses, c.statuses);
    EXPECT_EQ(b.station.connected(), c.connected);
    EXPECT_EQ(b.station.UsbTimer().isActive(), c.connected);
    EXPECT_EQ(b.view.lit[Indicator::led_usb], c.connected);
    const bool closed = !b.ftdi.calls.empty() && b.ftdi.calls.back() == "close";
    EXPECT_EQ(closed, c.closed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LinkOpeningCases,
    testing::Values(
        OpenCase{
            "present", 1, ft::Ok, ft::Ok, ft::Ok, ft::Ok, true, {"Connection successful"}, false},
        OpenCase{
            "missing", 0, ft::Ok, ft::Ok, ft::Ok, ft::Ok, false, {"Can't find USB device"}, false},
        OpenCase{"open fails",
                 1,
                 ft::Ok,
                 ft::DeviceNotOpened,
                 ft::Ok,
                 ft::Ok,
                 false,
                 {"Connection successful", "Connection finished"},
                 false},
        OpenCase{"baud refused",
                 1,
                 ft::Ok,
                 ft::Ok,
                 ft::IoError,
                 ft::Ok,
                 false,
                 {"Connection successful", "Connection finished"},
                 true},
        OpenCase{"purge fails",
                 1,
                 ft::Ok,
                 ft::Ok,
                 ft::Ok,
                 ft::IoError,
                 false,
                 {"Connection successful", "Connection finished"},
                 true},
        OpenCase{"detail fails",
                 1,
                 ft::DeviceNotFound,
                 ft::Ok,
                 ft::Ok,
                 ft::Ok,
                 true,
                 {"Connection successful", "USB device not found", "Connection successful"},
                 false},
        // The indicator went out with the detail failure: no second message, but the
        // opened handle is still released.
        OpenCase{"detail and purge fail",
                 1,
                 ft::DeviceNotFound,
                 ft::Ok,
                 ft::Ok,
                 ft::IoError,
                 false,
                 {"Connection successful", "USB device not found"},
                 true}),
    [](const auto& info) {
        std::string n = info.param.name;
        for (auto& ch : n)
            if (ch == ' ') ch = '_';
        return n;
    });

TEST(LinkFailure, UnplugDuringPollingClosesAndHidesTheDeviceWindows) {
    Bench b;
    b.connect();
    b.view.visible = {Window::FPodgladSilniki, Window::FPodgladWejscia, Window::FKompilacja,
                      Window::FLog, Window::FSterowanie};
    const std::uint8_t four = 4;
    b.station.sendCommand(1, {&four, 1});
    b.ftdi.failingStatusQueries = 1;
    b.timer(b.station.UsbTimer()).tick();

    EXPECT_FALSE(b.station.connected());
    EXPECT_FALSE(b.station.UsbTimer().isActive());
    EXPECT_FALSE(b.station.TimeoutTimer().isActive());
    EXPECT_EQ(b.view.visible, std::set<Window>{Window::FSterowanie});
    EXPECT_EQ(b.view.warning2, "Connection finished");
    EXPECT_FALSE(b.view.lit[Indicator::led_usb]);
    EXPECT_FALSE(b.view.lit[Indicator::led_prog]);
    EXPECT_EQ(b.ftdi.calls, Events{"close"});
    EXPECT_EQ(b.ftdi.reads, 0);  // nothing read from a link the query closed
    EXPECT_NE(std::find(b.view.events.begin(), b.view.events.end(), "ShowEditingControls"),
              b.view.events.end());
}

TEST(LinkFailure, FailingWriteClosesWithoutArmingTheTimeoutOrTheRunLook) {
    Bench b;
    b.connect();
    b.ftdi.writeResult = ft::IoError;
    b.station.PlayProgramButtonClick();
    EXPECT_EQ(b.ftdi.writes.size(), 1u);
    EXPECT_FALSE(b.station.connected());
    EXPECT_FALSE(b.station.TimeoutTimer().isActive());
    EXPECT_EQ(b.view.warning2, "Connection finished");
    // The run was never requested, so the editing look stays.
    EXPECT_EQ(std::count(b.view.events.begin(), b.view.events.end(), "HideEditingControls"), 0);
    EXPECT_EQ(std::count(b.view.events.begin(), b.view.events.end(), "ShowEditingControls"), 1);
}

TEST(LinkFailure, StatusQueryThatKeepsFailingEndsTheSendBoundedly) {
    Bench b;
    b.connect();
    b.ftdi.failingStatusQueries = 1000;
    b.station.SpeedButton1Click();
    EXPECT_EQ(b.ftdi.statusQueries, UsbLink::kStatusAttempts);
    EXPECT_TRUE(b.ftdi.writes.empty());
    EXPECT_FALSE(b.station.connected());
    EXPECT_EQ(b.view.warning2, "Connection finished");
}

TEST(LinkClosing, DisconnectWhileClosedPostsOnlyItsOwnLine) {
    Bench b;
    b.station.DisconnectButtonClick();
    EXPECT_EQ(b.view.events, Events{"status Connection was finished"});
}

TEST(LinkClosing, DisconnectStopsPollingAndAnOutstandingTimeout) {
    Bench b;
    b.connect();
    b.station.SpeedButton1Click();
    b.station.DisconnectButtonClick();
    EXPECT_EQ(b.view.take(),
              (Events{"led_usb stop", "led_prog stop", "ShowEditingControls",
                      "status Connection finished", "status Connection was finished"}));
    EXPECT_FALSE(b.station.TimeoutTimer().isActive());
    EXPECT_FALSE(b.station.UsbTimer().isActive());
}

TEST(LinkClosing, DestroyingTheStationReleasesAnOpenHandle) {
    ScriptedFtdi ftdi;
    ManualTimerFactory timers;
    FixedClock clock;
    ProgramModel model;
    RecordingView view;
    {
        DeviceStation station{ftdi, timers, clock, model, view, view, view};
        station.ConnectButtonClick();
        view.events.clear();
    }
    EXPECT_EQ(ftdi.calls.back(), "close");
    EXPECT_TRUE(view.events.empty());
}

TEST(LinkReceiving, FrameSplitOverTicksIsDispatchedOnce) {
    Bench b;
    b.connect();
    const Frame f = buildFrame(8, 0, Bytes{3});
    for (int i = 0; i < f.size; i += 4) {
        for (int j = i; j < std::min(f.size, i + 4); ++j)
            b.ftdi.rx.push_back(f.bytes[j]);
        b.timer(b.station.UsbTimer()).tick();
    }
    EXPECT_EQ(b.view.take(), Events{"status Destination velocity 3 set"});
}

TEST(LinkReceiving, FrameLogShowsBothDirectionsInHex) {
    Bench b;
    b.connect();
    std::vector<std::string> lines;
    b.station.link().frameLog = [&](FrameDirection d, std::span<const std::uint8_t> bytes) {
        lines.push_back((d == FrameDirection::Sent ? "> " : "< ") + hexText(bytes));
    };
    b.station.SpeedButton1Click();
    b.deliver(10, {4});
    EXPECT_EQ(lines,
              (Events{"> FF FF FF 00 03 16 00 04 03 1A", "< FF FF FF 00 03 0A 00 04 03 0E"}));
}

}  // namespace
}  // namespace rv720::test
