#include "server/timer.h"

#include "libs/io/source/eventdispatcher.h"
#include "server/wakeup.h"
#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

namespace
{

using servertest::readable_within;
using std::chrono::milliseconds;

TEST(Timer, OnlyTheLastSettingCountsAndATickDisarms)
{
    Kel::IO::EventDispatcher dispatcher;
    Timer timer;
    dispatcher.add(timer);
    timer.arm(milliseconds(10));
    timer.disarm();
    EXPECT_FALSE(readable_within(timer, milliseconds(100)));
    timer.arm(std::chrono::seconds(60));
    timer.arm(milliseconds(10));
    EXPECT_TRUE(readable_within(timer, milliseconds(5000)));
    dispatcher.tick(true); // known ready: cannot block
    EXPECT_FALSE(timer.is_armed());
    EXPECT_FALSE(readable_within(timer, milliseconds(50)));
    // Zero or less goes off at once (a zero timerfd setting would disarm).
    for (long nanoseconds : { 0L, -5000000L })
    {
        timer.arm(std::chrono::nanoseconds(nanoseconds));
        EXPECT_TRUE(readable_within(timer, milliseconds(1000))) << nanoseconds;
        dispatcher.tick(true);
    }
}

// More wake-ups than the pipe holds must neither block (wake() runs in a
// signal handler) nor leave the dispatcher waking again and again.
TEST(WakeUp, ManyWakeUpsCountAsOne)
{
    Kel::IO::EventDispatcher dispatcher;
    WakeUp wake_up;
    dispatcher.add(wake_up);
    EXPECT_FALSE(readable_within(wake_up, milliseconds(20)));
    for (int i = 0; i < 100000; ++i)
        wake_up.wake();
    EXPECT_TRUE(readable_within(wake_up, milliseconds(1000)));
    dispatcher.tick(false);
    EXPECT_FALSE(readable_within(wake_up, milliseconds(20)));
}

} // namespace
