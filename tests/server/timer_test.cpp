#include "server/timer.h"

#include "libs/core/source/time/units.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/io/source/poll.h"

#include <gtest/gtest.h>

#include <chrono>

namespace
{

using std::chrono::milliseconds;
using std::chrono::seconds;

// Every wait is bounded: a timer that never goes off fails the test instead
// of hanging it.
bool goes_off_within(Timer& timer, int limit_ms)
{
    return Kel::IO::poll(timer, Kel::IO::P_INPUT, Kel::Time::msec * limit_ms) & Kel::IO::P_INPUT;
}

} // namespace

TEST(Timer, DisarmedTimerIsNeverReady)
{
    Timer timer;
    EXPECT_FALSE(timer.is_armed());
    EXPECT_FALSE(goes_off_within(timer, 50));
    timer.arm(milliseconds(10));
    timer.disarm();
    EXPECT_FALSE(timer.is_armed());
    EXPECT_FALSE(goes_off_within(timer, 100));
}

TEST(Timer, ArmedTimerEndsABlockingTickOnceAndDisarms)
{
    Kel::IO::EventDispatcher dispatcher;
    Timer timer;
    dispatcher.add(timer);
    timer.arm(milliseconds(20));
    EXPECT_TRUE(timer.is_armed());
    ASSERT_TRUE(goes_off_within(timer, 5000));
    // Known ready, so this cannot block.
    dispatcher.tick(true);
    EXPECT_FALSE(timer.is_armed());
    // The expiry was taken: it is not reported again.
    EXPECT_FALSE(goes_off_within(timer, 50));
}

TEST(Timer, ArmingAgainReplacesTheEarlierSetting)
{
    Timer timer;
    timer.arm(seconds(60));
    timer.arm(milliseconds(10));
    EXPECT_TRUE(goes_off_within(timer, 5000));

    Timer later;
    later.arm(milliseconds(10));
    later.arm(seconds(60));
    EXPECT_FALSE(goes_off_within(later, 100));
}

TEST(Timer, DelayOfZeroOrLessGoesOffAtOnce)
{
    const std::chrono::steady_clock::duration delays[]
        = { std::chrono::steady_clock::duration::zero(), milliseconds(-5), std::chrono::nanoseconds(1) };
    for (const auto& delay : delays)
    {
        SCOPED_TRACE(std::chrono::duration_cast<std::chrono::nanoseconds>(delay).count());
        Timer timer;
        timer.arm(delay);
        EXPECT_TRUE(timer.is_armed());
        EXPECT_TRUE(goes_off_within(timer, 1000));
    }
}
