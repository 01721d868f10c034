#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/datetime.h"
#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

#include <ctime>
#include <tuple>

namespace
{

using namespace Kel::Time;

TEST(Clock, NowAndFormatNowAreTheWallClockInUtc)
{
    const char* const iso = "%Y-%m-%d %H:%M:%S";
    time_t before = std::time(nullptr);
    TimeStamp first = now();
    std::string text = format_now(iso);
    TimeStamp second = now();
    // time() reads a coarse clock that may lag the precise one by a tick,
    // so it can still name the previous second after now() passed it.
    EXPECT_GE(first, TimeStamp::from_unixtime(before - 1));
    EXPECT_LE(second, TimeStamp::from_unixtime(std::time(nullptr) + 2));
    EXPECT_TRUE(text == DateTime(first).format(iso) || text == DateTime(second).format(iso)) << text;
}

TEST(TimeDelta, ArithmeticIsSigned64BitMicroseconds)
{
    EXPECT_EQ(TimeDelta(-1500000), sec * -1 - 500 * msec);
    // Products that need more than 32 bits.
    EXPECT_EQ(3000000 * sec, TimeDelta(3000000000000LL));
    TimeDelta d = sec;
    d += 2 * sec;
    d -= msec;
    EXPECT_EQ(TimeDelta(2999000), d);
    EXPECT_DOUBLE_EQ(1.5, (3 * sec) / (2 * sec));
    EXPECT_FALSE(zero);
    EXPECT_TRUE(-1 * usec);
}

TEST(TimeDelta, FillTimespecTruncatesTowardZero)
{
    const std::tuple<TimeDelta, time_t, long> cases[]
        = { { 1500 * msec, 1, 500000000 }, { -1500 * msec, -1, -500000000 }, { week + usec, 604800, 1000 } };
    for (const auto& [delta, s, ns] : cases)
    {
        timespec ts;
        delta.fill_timespec(ts);
        EXPECT_EQ(std::make_pair(s, ns), std::make_pair(ts.tv_sec, ts.tv_nsec)) << delta.raw();
    }
}

TEST(TimeStamp, ArithmeticWithDeltas)
{
    // The default means no time set.
    EXPECT_FALSE(TimeStamp());
    EXPECT_TRUE(TimeStamp(-1));
    // Past the 32-bit range of time_t.
    EXPECT_EQ(4102444800000000LL, TimeStamp::from_unixtime(4102444800L).raw());
    TimeStamp start = TimeStamp::from_unixtime(100);
    EXPECT_EQ(TimeStamp::from_unixtime(95), start - 5 * sec);
    EXPECT_EQ(-5 * sec, start - TimeStamp::from_unixtime(105));
    TimeStamp t = start;
    t += 10 * sec;
    t -= msec;
    EXPECT_EQ(10 * sec - msec, t - start);
    EXPECT_LT(start, t);
}

} // namespace
