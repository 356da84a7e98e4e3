#include <gtest/gtest.h>

#include <map>

#include "support/device_fakes.h"
#include "support/fixed_clock.h"
#include "support/manual_timer.h"

namespace rv720::test {
namespace {

using Events = std::vector<std::string>;

// Every link test runs on each way the link hears of bytes: what the tick did, the
// wakers must do alike.
class Link : public testing::TestWithParam<Wakeups> {};

std::string wakeupsTestName(const testing::TestParamInfo<Wakeups>& info) {
    return wakeupsName(info.param);
}

TEST_P(Link, OpensByDescriptionWithTheLineSettings) {
    Bench b(GetParam());
    b.station.ConnectButtonClick();
    EXPECT_TRUE(b.station.connected());
    EXPECT_TRUE(b.station.link().listening());
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

class LinkOpeningCases : public testing::TestWithParam<std::tuple<OpenCase, Wakeups>> {};

TEST_P(LinkOpeningCases, EndInTheRightState) {
    const auto& [c, wakeups] = GetParam();
    Bench b(wakeups);
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
    EXPECT_EQ(b.station.link().listening(), c.connected);
    EXPECT_EQ(b.view.lit[Indicator::led_usb], c.connected);
    const bool closed = !b.ftdi.calls.empty() && b.ftdi.calls.back() == "close";
    EXPECT_EQ(closed, c.closed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LinkOpeningCases,
    testing::Combine(testing::Values(OpenCase{"present",
                                              1,
                                              ft::Ok,
                                              ft::Ok,
                                              ft::Ok,
                                              ft::Ok,
                                              true,
                                              {"Connection successful"},
                                              false},
                                     OpenCase{"missing",
                                              0,
                                              ft::Ok,
                                              ft::Ok,
                                              ft::Ok,
                                              ft::Ok,
                                              false,
                                              {"Can't find USB device"},
                                              false},
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
                                              {"Connection successful", "USB device not found",
                                               "Connection successful"},
                                              false},
                                     // The indicator went out with the detail failure: no second
                                     // message, but the opened handle is still released.
                                     OpenCase{"detail and purge fail",
                                              1,
                                              ft::DeviceNotFound,
                                              ft::Ok,
                                              ft::Ok,
                                              ft::IoError,
                                              false,
                                              {"Connection successful", "USB device not found"},
                                              true}),
                     testing::Values(Wakeups::Tick, Wakeups::Readable, Wakeups::Polled)),
    [](const auto& info) {
        std::string n = std::get<0>(info.param).name;
        for (auto& ch : n)
            if (ch == ' ') ch = '_';
        return n + "_" + wakeupsName(std::get<1>(info.param));
    });

TEST_P(Link, UnplugDuringPollingClosesAndHidesTheDeviceWindows) {
    Bench b(GetParam());
    b.connect();
    b.view.visible = {Window::FPodgladSilniki, Window::FPodgladWejscia, Window::FKompilacja,
                      Window::FLog, Window::FSterowanie};
    b.station.sendCommand(protocol::command(protocol::CommandCode::MotorState));
    b.ftdi.failingStatusQueries = 1;
    b.wake();

    EXPECT_FALSE(b.station.connected());
    EXPECT_FALSE(b.station.link().listening());
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

TEST_P(Link, FailingWriteClosesWithoutArmingTheTimeoutOrTheRunLook) {
    Bench b(GetParam());
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

TEST_P(Link, StatusQueryThatKeepsFailingEndsTheSendBoundedly) {
    Bench b(GetParam());
    b.connect();
    b.ftdi.failingStatusQueries = 1000;
    b.station.SpeedButton1Click();
    EXPECT_EQ(b.ftdi.statusQueries, UsbLink::kStatusAttempts);
    EXPECT_TRUE(b.ftdi.writes.empty());
    EXPECT_FALSE(b.station.connected());
    EXPECT_EQ(b.view.warning2, "Connection finished");
}

TEST_P(Link, DisconnectWhileClosedPostsOnlyItsOwnLine) {
    Bench b(GetParam());
    b.station.DisconnectButtonClick();
    EXPECT_EQ(b.view.events, Events{"status Connection was finished"});
}

TEST_P(Link, DisconnectStopsPollingAndAnOutstandingTimeout) {
    Bench b(GetParam());
    b.connect();
    b.station.SpeedButton1Click();
    b.station.DisconnectButtonClick();
    EXPECT_EQ(b.view.take(),
              (Events{"led_usb stop", "led_prog stop", "ShowEditingControls",
                      "status Connection finished", "status Connection was finished"}));
    EXPECT_FALSE(b.station.TimeoutTimer().isActive());
    EXPECT_FALSE(b.station.link().listening());
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

TEST_P(Link, FrameSplitOverTicksIsDispatchedOnce) {
    Bench b(GetParam());
    b.connect();
    const Frame f = buildFrame(8, 0, Bytes{3});
    for (int i = 0; i < f.size; i += 4) {
        for (int j = i; j < std::min(f.size, i + 4); ++j)
            b.ftdi.rx.push_back(f.bytes[j]);
        b.wake();
    }
    EXPECT_EQ(b.view.take(), Events{"status Destination velocity 3 set"});
}

TEST_P(Link, FrameLogShowsBothDirectionsInHex) {
    Bench b(GetParam());
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

// Noise, good frames, a bad sum, a frame starting in noise, four FF in a row: cut
// anywhere and delivered piece by piece, the frames come out as from one piece.
TEST_P(Link, AStreamCutAnywhereGivesTheFramesOfTheWholeInOrder) {
    Bytes stream{0x00, 0xFF, 0x13};
    auto add = [&](Frame f, bool badSum = false) {
        if (badSum) ++f.bytes[f.size - 1];
        stream.insert(stream.end(), f.bytes.begin(), f.bytes.begin() + f.size);
    };
    add(buildFrame(8, 0, Bytes{1}));
    add(buildFrame(9, 0, Bytes{2}), true);
    stream.insert(stream.end(), {0xFF, 0xFF, 0x00});
    add(buildFrame(5, 0, Bytes{3}));
    stream.push_back(0xFF);
    add(buildFrame(6, 0, Bytes{2}));
    add(buildFrame(11, 0, Bytes{4, 1, 12}));
    add(buildFrame(3, 0, Bytes{4}));

    Bench whole;
    whole.connect();
    whole.ftdi.rx.assign(stream.begin(), stream.end());
    whole.wake();
    const Events expected = whole.view.take();
    // The bad sum and the frame whose first FF was taken as its length are lost.
    ASSERT_EQ(expected,
              (Events{"status Destination velocity 1 set", "status Minimum velocity 3 set",
                      "info_uc 1.12", "status Outputs updated"}));

    unsigned seed = 7;
    for (int round = 0; round < 20; ++round) {
        Bench b(GetParam());
        b.connect();
        for (std::size_t at = 0; at < stream.size();) {
            seed = seed * 1103515245u + 12345u;
            const std::size_t piece = 1 + (seed >> 16) % 9;
            for (std::size_t i = at; i < std::min(stream.size(), at + piece); ++i)
                b.ftdi.rx.push_back(stream[i]);
            at += piece;
            b.wake();
        }
        EXPECT_EQ(b.view.take(), expected) << "round " << round;
    }
}

// What wakes the link between bytes, after: connecting, a request, half its reply,
// the rest, and one more quiet look.
TEST_P(Link, WakesForBytesOnlyAsTheBackendAllows) {
    Bench b(GetParam());
    auto how = [&] {
        if (b.station.UsbTimer().isActive()) return std::string("tick");
        const ManualWaker* w = b.waker();
        if (!w || !w->armed()) return std::string("asleep");
        if (w->fd() >= 0) return "fd " + std::to_string(w->fd());
        return "after " +
               std::to_string(
                   std::chrono::duration_cast<std::chrono::milliseconds>(*w->delay()).count()) +
               " ms";
    };
    Events seen;
    b.connect();
    seen.push_back(how());
    b.station.SpeedButton1Click();
    seen.push_back(how());
    const Frame reply = buildFrame(22, 0, Bytes{4});
    b.ftdi.rx.assign(reply.bytes.begin(), reply.bytes.begin() + 5);
    b.wake();
    seen.push_back(how());
    b.ftdi.rx.assign(reply.bytes.begin() + 5, reply.bytes.begin() + reply.size);
    b.wake();
    seen.push_back(how());
    b.wake();
    seen.push_back(how());
    EXPECT_FALSE(b.station.TimeoutTimer().isActive());

    const std::map<Wakeups, Events> expected = {
        {Wakeups::Tick, {"tick", "tick", "tick", "tick", "tick"}},
        {Wakeups::Readable, {"fd 42", "fd 42", "fd 42", "fd 42", "fd 42"}},
        {Wakeups::Polled, {"after 20 ms", "tick", "tick", "tick", "after 20 ms"}},
    };
    EXPECT_EQ(seen, expected.at(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Wakeups, Link,
                         testing::Values(Wakeups::Tick, Wakeups::Readable, Wakeups::Polled),
                         wakeupsTestName);

}  // namespace
}  // namespace rv720::test
