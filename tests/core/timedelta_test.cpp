#include "libs/core/source/time/timedelta.h"

#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

#include <tuple>

namespace
{

using namespace Kel::Time;

TEST(TimeDelta, ArithmeticIsSigned64BitMicroseconds)
{
    EXPECT_EQ(TimeDelta(3600000000LL), 60 * min);
    EXPECT_EQ(TimeDelta(-1500000), sec * -1 - 500 * msec);
    // Products that need more than 32 bits.
    EXPECT_EQ(3000000 * sec, TimeDelta(3000000000000LL));
    EXPECT_EQ(106751 * day, TimeDelta(106751LL * 86400000000LL));
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
    const std::tuple<TimeDelta, time_t, long> cases[] = { { 1500 * msec, 1, 500000000 }, { usec, 0, 1000 },
        { -1500 * msec, -1, -500000000 }, { -1 * usec, 0, -1000 }, { week + usec, 604800, 1000 } };
    for (const auto& [delta, s, ns] : cases)
    {
        SCOPED_TRACE(delta.raw());
        timespec ts;
        delta.fill_timespec(ts);
        EXPECT_EQ(s, ts.tv_sec);
        EXPECT_EQ(ns, ts.tv_nsec);
    }
}

} // namespace
