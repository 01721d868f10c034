#include "server/timer.h"

#include "libs/core/source/time/units.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/io/source/poll.h"

#include <gtest/gtest.h>

#include <chrono>

namespace
{

using std::chrono::milliseconds;

bool goes_off_within(Timer& timer, int limit_ms)
{
    return Kel::IO::poll(timer, Kel::IO::P_INPUT, Kel::Time::msec * limit_ms) & Kel::IO::P_INPUT;
}

TEST(Timer, OnlyTheLastSettingCounts)
{
    Timer timer;
    EXPECT_FALSE(timer.is_armed());
    EXPECT_FALSE(goes_off_within(timer, 50));
    timer.arm(milliseconds(10));
    timer.disarm();
    EXPECT_FALSE(timer.is_armed());
    EXPECT_FALSE(goes_off_within(timer, 100));

    timer.arm(std::chrono::seconds(60));
    timer.arm(milliseconds(10));
    EXPECT_TRUE(goes_off_within(timer, 5000));
    Timer later;
    later.arm(milliseconds(10));
    later.arm(std::chrono::seconds(60));
    EXPECT_FALSE(goes_off_within(later, 100));
}

TEST(Timer, ArmedTimerEndsABlockingTickOnceAndDisarms)
{
    Kel::IO::EventDispatcher dispatcher;
    Timer timer;
    dispatcher.add(timer);
    timer.arm(milliseconds(20));
    EXPECT_TRUE(timer.is_armed());
    ASSERT_TRUE(goes_off_within(timer, 5000));
    dispatcher.tick(true); // known ready: cannot block
    EXPECT_FALSE(timer.is_armed());
    EXPECT_FALSE(goes_off_within(timer, 50));
}

TEST(Timer, DelayOfZeroOrLessGoesOffAtOnce)
{
    for (long nanoseconds : { 0L, -5000000L, 1L })
    {
        SCOPED_TRACE(nanoseconds);
        Timer timer;
        timer.arm(std::chrono::nanoseconds(nanoseconds));
        EXPECT_TRUE(timer.is_armed());
        EXPECT_TRUE(goes_off_within(timer, 1000));
    }
}

} // namespace
