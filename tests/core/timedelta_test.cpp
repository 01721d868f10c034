#include "libs/core/source/time/timedelta.h"

#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

namespace
{

using namespace Kel::Time;

TEST(TimeDelta, UnitsAreMicrosecondCounts)
{
    EXPECT_EQ(0, zero.raw());
    EXPECT_EQ(1, usec.raw());
    EXPECT_EQ(1000, msec.raw());
    EXPECT_EQ(1000000, sec.raw());
    EXPECT_EQ(60 * sec, min);
    EXPECT_EQ(60 * min, hour);
    EXPECT_EQ(24 * hour, day);
    EXPECT_EQ(7 * day, week);
}

TEST(TimeDelta, ArithmeticIsSigned64Bit)
{
    EXPECT_EQ(TimeDelta(250000), 250 * msec);
    EXPECT_EQ(sec * 5, 5 * sec);
    EXPECT_EQ(TimeDelta(-1500000), sec * -1 - 500 * msec);
    // Products that need more than 32 bits.
    EXPECT_EQ(3000000 * sec, TimeDelta(3000000000000LL));
    EXPECT_EQ(106751 * day, TimeDelta(106751LL * 86400000000LL));

    TimeDelta d = sec;
    d += 2 * sec;
    d -= msec;
    EXPECT_EQ(TimeDelta(2999000), d);
    EXPECT_DOUBLE_EQ(1.5, (3 * sec) / (2 * sec));
    EXPECT_DOUBLE_EQ(-0.25, (-250 * msec) / sec);
}

TEST(TimeDelta, TruthMeansNonZero)
{
    EXPECT_FALSE(zero);
    EXPECT_TRUE(usec);
    EXPECT_TRUE(-1 * usec);
    EXPECT_FALSE(sec - 1000 * msec);
}

TEST(TimeDelta, FillTimespecTruncatesTowardZero)
{
    struct Case
    {
        TimeDelta delta;
        time_t sec;
        long nsec;
    };
    const Case cases[] = {
        { 1500 * msec, 1, 500000000 },
        { zero, 0, 0 },
        { usec, 0, 1000 },
        { 3 * sec, 3, 0 },
        { -1500 * msec, -1, -500000000 },
        { -1 * usec, 0, -1000 },
        { week + usec, 604800, 1000 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.delta.raw());
        timespec ts;
        c.delta.fill_timespec(ts);
        EXPECT_EQ(c.sec, ts.tv_sec);
        EXPECT_EQ(c.nsec, ts.tv_nsec);
    }
}

} // namespace
