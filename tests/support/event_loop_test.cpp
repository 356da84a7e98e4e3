#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/event_loop.h"

namespace rv720 {
namespace {

using namespace std::chrono_literals;
using Ms = std::chrono::milliseconds;

long long ms(EventLoop::Duration d) {
    return std::chrono::duration_cast<Ms>(d).count();
}

TEST(EventLoop, FiresTimersAtTheirTimesInDueOrder) {
    EventLoop loop(EventLoop::Time::Virtual);
    std::vector<std::string> fired;
    auto fast = loop.create(300);
    auto slow = loop.create(700);
    fast->setHandler([&] { fired.push_back("fast " + std::to_string(ms(loop.now()))); });
    slow->setHandler([&] { fired.push_back("slow " + std::to_string(ms(loop.now()))); });
    fast->start();
    slow->start();
    loop.runFor(1500ms);
    EXPECT_EQ(fired, (std::vector<std::string>{"fast 300", "fast 600", "slow 700", "fast 900",
                                               "fast 1200", "slow 1400", "fast 1500"}));
    EXPECT_EQ(ms(loop.now()), 1500);
}

TEST(EventLoop, StartKeepsThePhaseAndABlockedTickIsNotRepeated) {
    EventLoop loop(EventLoop::Time::Virtual);
    std::vector<long long> at;
    auto t = loop.create(100);
    t->setHandler([&] {
        at.push_back(ms(loop.now()));
        t->start();                             // already running: no new interval
        if (at.size() == 2) loop.sleep(350ms);  // a handler that blocks
    });
    t->start();
    loop.runFor(700ms);
    EXPECT_EQ(at, (std::vector<long long>{100, 200, 550, 650}));
}

TEST(EventLoop, RunUntilStopsOnTheConditionTheLimitOrIdleness) {
    EventLoop loop(EventLoop::Time::Virtual);
    int ticks = 0;
    auto t = loop.create(10);
    t->setHandler([&] {
        if (++ticks == 5) t->stop();
    });
    t->start();
    EXPECT_TRUE(loop.runUntil([&] { return ticks == 3; }, 1s));
    EXPECT_EQ(ms(loop.now()), 30);
    EXPECT_FALSE(loop.runUntil([&] { return ticks == 99; }, 1s));  // the timer stopped itself
    EXPECT_EQ(ticks, 5);
    t->start();
    EXPECT_FALSE(loop.runUntil([] { return false; }, 25ms));
    EXPECT_EQ(ticks, 7);
    EXPECT_EQ(ms(loop.now()), 75);
}

TEST(EventLoop, AWakerFiresOnceAtItsDeadlineBeforeATimerDueThen) {
    EventLoop loop(EventLoop::Time::Virtual);
    std::vector<std::string> fired;
    auto timer = loop.create(1);
    auto waker = loop.createWaker();
    auto at = [&] { return std::to_string(loop.now().count() / 1000) + " us"; };
    timer->setHandler([&] {
        fired.push_back("timer " + at());
        timer->stop();
    });
    waker->setHandler([&] {
        fired.push_back("waker " + at());
        if (fired.size() == 1) waker->arm(-1, 750us);  // due with the timer
    });
    timer->start();
    waker->arm(-1, 250us);
    EXPECT_FALSE(loop.runUntil([] { return false; }, 5ms));  // ends when nothing is armed
    EXPECT_EQ(fired, (std::vector<std::string>{"waker 250 us", "waker 1000 us", "timer 1000 us"}));
}

TEST(EventLoop, AWakerOnADescriptorSleepsUntilItIsReadable) {
    EventLoop loop(EventLoop::Time::Real);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    std::vector<std::string> seen;
    auto writer = loop.create(5);
    writer->setHandler([&] {
        writer->stop();
        seen.push_back("written");
        ASSERT_EQ(::write(pipeEnds[1], "x", 1), 1);
    });
    auto waker = loop.createWaker();
    waker->setHandler([&] { seen.push_back("readable"); });
    waker->arm(pipeEnds[0], std::nullopt);
    writer->start();
    // The limit only keeps a fault from hanging the test.
    EXPECT_TRUE(loop.runUntil([&] { return seen.size() == 2; }, 10s));
    EXPECT_EQ(seen, (std::vector<std::string>{"written", "readable"}));
    EXPECT_FALSE(waker->armed());
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

}  // namespace
}  // namespace rv720
