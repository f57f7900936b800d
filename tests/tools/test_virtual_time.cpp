#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/virtual_time.h"

namespace vanto {
namespace {

TEST(VirtualTime, TimersReplaceOnRearmAndFireInOrder) {
    VirtualClock clock;
    std::vector<std::string> log;
    VirtualTimerHost a(clock, [&](int id) {
        log.push_back("a" + std::to_string(id) + "@" + std::to_string(clock.NowMs()));
    });
    VirtualTimerHost b(clock, [&](int id) {
        log.push_back("b" + std::to_string(id) + "@" + std::to_string(clock.NowMs()));
    });
    a.Arm(1, 100);
    b.Arm(2, 100);  // same due time: armed later, fires later
    a.Arm(3, 50);
    clock.Advance(10);
    a.Arm(3, 200);  // replaces: now due at 210
    a.Disarm(4);    // not running: nothing happens
    clock.Post(100, [&] { log.push_back("post@" + std::to_string(clock.NowMs())); });
    EXPECT_TRUE(clock.RunUntilIdle(1000));
    EXPECT_EQ(log, (std::vector<std::string>{"a1@100", "b2@100", "post@110", "a3@210"}));
    EXPECT_FALSE(a.IsArmed(3));
}

TEST(VirtualTime, RunUntilIdleStopsAtItsLimit) {
    VirtualClock clock;
    int fired = 0;
    VirtualTimerHost t(clock, [&](int) {
        ++fired;
        t.Arm(1, 1000);  // periodic by re-arming
    });
    t.Arm(1, 1000);
    EXPECT_FALSE(clock.RunUntilIdle(5500));
    EXPECT_EQ(fired, 5);
    EXPECT_EQ(t.DueMs(1), 6000);
}

}  // namespace
}  // namespace vanto
