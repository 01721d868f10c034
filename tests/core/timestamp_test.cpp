#include "libs/core/source/time/timestamp.h"

#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

namespace
{

using namespace Kel::Time;

TEST(TimeStamp, ArithmeticWithDeltas)
{
    // The default means no time set.
    EXPECT_FALSE(TimeStamp());
    EXPECT_TRUE(TimeStamp(-1));
    // Past the 32-bit range of time_t.
    EXPECT_EQ(4102444800000000LL, TimeStamp::from_unixtime(4102444800L).raw());

    TimeStamp start = TimeStamp::from_unixtime(100);
    EXPECT_EQ(TimeStamp::from_unixtime(105), start + 5 * sec);
    EXPECT_EQ(TimeStamp::from_unixtime(95), start - 5 * sec);
    EXPECT_EQ(-5 * sec, start - TimeStamp::from_unixtime(105));
    EXPECT_EQ(TimeStamp(-1), TimeStamp() - usec);
    TimeStamp t = start;
    t += 10 * sec;
    t -= msec;
    EXPECT_EQ(10 * sec - msec, t - start);
    EXPECT_LT(start, t);
    EXPECT_GE(t, t);
}

} // namespace
