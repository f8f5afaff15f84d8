#include "framework/event_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace fw {
namespace {

// A window handle is only a key to the loop; any distinct address will do.
const int kWindow = 0;

class EventLoopTest : public ::testing::Test {
protected:
    ManualClock clock{1000};
    EventLoop loop{clock};
    std::vector<std::string> events;

    void Record(const std::string& what) { events.push_back(what + "@" + std::to_string(Now())); }
    Millis Now() const { return clock.Now() - 1000; }
};

TEST_F(EventLoopTest, TimerKilledOrReplacedByAnEarlierCallbackOfTheSameRoundDoesNotFire) {
    // Both are due at the same instant; the first to fire kills the second and replaces a
    // third, as a receive handler stops the response timer that has just expired.
    loop.SetTimer(&kWindow, 1, 100, [&, captured = std::string("state")] {
        loop.KillTimer(&kWindow, 1);  // destroys the stored callback while it runs
        Record("first " + captured);
        loop.KillTimer(&kWindow, 2);
        loop.SetTimer(&kWindow, 3, 500, [&] { Record("third-new"); });
    });
    loop.SetTimer(&kWindow, 2, 100, [&] { Record("second"); });
    loop.SetTimer(&kWindow, 3, 100, [&] { Record("third-old"); });
    loop.RunFor(100);
    EXPECT_EQ(events, (std::vector<std::string>{"first state@100"}));
    loop.RunFor(600);
    EXPECT_EQ(events.back(), "third-new@600");
}

// Timers set, replaced and killed in any order, against a model of what the loop promises:
// which are set, and which fire when (earliest due first, then the one set first).
TEST_F(EventLoopTest, TimersSetAndKilledInAnyOrderKeepTheirPromises) {
    const int windows[3] = {};
    struct Model {
        Millis interval, due;
        int serial;
    };
    std::map<std::pair<int, int>, Model> model;  // (window, id)
    std::mt19937 rng(24);
    int serial = 0;
    for (int step = 0; step < 2000; ++step) {
        int w = static_cast<int>(rng() % 3), id = static_cast<int>(rng() % 3);
        std::string name = std::to_string(w) + "." + std::to_string(id);
        switch (rng() % 4) {
            case 0: {
                Millis interval = 10 * static_cast<Millis>(1 + rng() % 5);
                loop.SetTimer(&windows[w], id, interval, [this, name] { Record(name); });
                model[{w, id}] = {interval, Now() + interval, serial++};
                break;
            }
            case 1:
                loop.KillTimer(&windows[w], id);
                model.erase({w, id});
                break;
            case 2: {  // set again from now, keeping the callback
                Millis interval = 10 * static_cast<Millis>(1 + rng() % 5);
                ASSERT_EQ(loop.RestartTimer(&windows[w], id, interval), model.count({w, id}) != 0);
                if (model.count({w, id})) model[{w, id}] = {interval, Now() + interval, serial++};
                break;
            }
            default: {
                Millis end = Now() + static_cast<Millis>(rng() % 40);
                std::vector<std::string> expected;
                for (;;) {
                    auto next = std::min_element(model.begin(), model.end(), [](auto& a, auto& b) {
                        return std::tie(a.second.due, a.second.serial) <
                               std::tie(b.second.due, b.second.serial);
                    });
                    if (next == model.end() || next->second.due > end) break;
                    expected.push_back(std::to_string(next->first.first) + "." +
                                       std::to_string(next->first.second) + "@" +
                                       std::to_string(next->second.due));
                    next->second.due += next->second.interval;
                }
                events.clear();
                loop.RunFor(end - Now());
                ASSERT_EQ(events, expected) << "step " << step;
            }
        }
        ASSERT_EQ(loop.TimerCount(), model.size()) << "step " << step;
        for (int i = 0; i < 9; ++i) {
            ASSERT_EQ(loop.IsTimerSet(&windows[i / 3], i % 3), model.count({i / 3, i % 3}) != 0);
        }
    }
}

// On the real clock: the loop wakes at the old due of a timer set again since, and must wait
// on for the new one rather than report a round with nothing to do.
TEST(EventLoopRealClock, ARoundWaitsOnForATimerSetAgainWhileItWasDue) {
    SteadyClock clock;
    EventLoop loop(clock);
    bool fired = false;
    loop.SetTimer(&kWindow, 1, 20, [&] {
        fired = true;
        loop.KillTimer(&kWindow, 1);
    });
    ASSERT_TRUE(loop.RestartTimer(&kWindow, 1, 60));
    EXPECT_TRUE(loop.RunOnce(1000));
    EXPECT_TRUE(fired);
}

TEST_F(EventLoopTest, TimerFiredByANestedLoopIsNotFiredAgainByTheOuterRound) {
    int fired_b = 0;
    loop.SetTimer(&kWindow, 1, 100, [&] {
        loop.KillTimer(&kWindow, 1);
        loop.RunFor(0);  // a nested round at the same instant
        loop.RunPending();
    });
    loop.SetTimer(&kWindow, 2, 100, [&] { ++fired_b; });
    loop.RunFor(100);
    EXPECT_EQ(fired_b, 1);
}

// (Posted tasks in order and delayed ones on the manual clock: every datagram of the
// in-memory network is one, and its delay and shaper tests time them.)

// An idle loop ends RunUntil instead of spinning; a busy one gives up at the timeout.
TEST_F(EventLoopTest, RunUntilEndsWhenIdleOrAtItsTimeout) {
    EXPECT_FALSE(loop.RunUntil([] { return false; }));
    EXPECT_EQ(Now(), 0);
    int fired = 0;
    loop.SetTimer(&kWindow, 10, 100, [&] { ++fired; });
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 450));
    EXPECT_EQ(Now(), 450);
    EXPECT_EQ(fired, 4);
}

TEST_F(EventLoopTest, BlockingSleepMovesTheClockWithoutDispatching) {
    loop.SetTimer(&kWindow, 10, 100, [&] { Record("t"); });
    loop.Post([&] { Record("task"); });
    loop.SleepBlocking(250);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(Now(), 250);
    loop.RunPending();
    // An overdue periodic timer fires once, not once per missed interval.
    EXPECT_EQ(events, (std::vector<std::string>{"task@250", "t@250"}));
}

TEST(EventLoopFds, DescriptorDrainedByAnEarlierCallbackIsNotDispatchedStale) {
    SteadyClock clock;
    EventLoop loop(clock);
    int a[2], b[2];
    ASSERT_EQ(::pipe(a), 0);
    ASSERT_EQ(::pipe(b), 0);
    int stale = 0;
    auto drain = [](int fd) {
        char c;
        return ::read(fd, &c, 1) == 1;
    };
    // Whichever runs first drains both, as a nested loop would.
    loop.WatchFd(a[0], [&] {
        if (!drain(a[0])) ++stale;
        drain(b[0]);
    });
    loop.WatchFd(b[0], [&] {
        if (!drain(b[0])) ++stale;
        drain(a[0]);
    });
    ASSERT_EQ(::write(a[1], "x", 1), 1);
    ASSERT_EQ(::write(b[1], "y", 1), 1);
    EXPECT_TRUE(loop.RunOnce(1000));
    EXPECT_EQ(stale, 0);
    for (int fd : {a[0], a[1], b[0], b[1]}) ::close(fd);
}

}  // namespace
}  // namespace fw
