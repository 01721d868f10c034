#include "libs/core/source/time/clock.h"

#include "libs/core/source/time/datetime.h"
#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

#include <ctime>

namespace
{

using namespace Kel::Time;

TEST(Clock, NowIsTheWallClock)
{
    time_t before = std::time(nullptr);
    TimeStamp t = now();
    time_t after = std::time(nullptr);
    // time() may truncate a little differently from gettimeofday().
    EXPECT_GE(t, TimeStamp::from_unixtime(before - 1));
    EXPECT_LE(t, TimeStamp::from_unixtime(after + 1));
}

TEST(Clock, SleepLastsAtLeastTheDuration)
{
    TimeStamp start = now();
    sleep(20 * msec);
    EXPECT_GE(now() - start, 20 * msec);
}

TEST(Clock, CpuTimeGrowsWithWork)
{
    TimeDelta start = get_cpu_time();
    EXPECT_GE(start, zero);
    volatile unsigned sink = 0;
    while (get_cpu_time() - start < 20 * msec)
        for (unsigned i = 0; i < 100000; ++i)
            sink = sink + i;
    EXPECT_GE(get_cpu_time() - start, 20 * msec);
}

TEST(Clock, FormatNowIsTheCurrentUtcTime)
{
    time_t before = std::time(nullptr);
    std::string text = format_now("%Y-%m-%d %H:%M:%S");
    time_t after = std::time(nullptr);
    const std::string shape = "9999-99-99 99:99:99";
    ASSERT_EQ(shape.size(), text.size()) << text;
    for (std::string::size_type i = 0; i < shape.size(); ++i)
        EXPECT_EQ(shape[i] == '9', text[i] >= '0' && text[i] <= '9') << text;
    // Either side of a new year is fine.
    tm first, last;
    gmtime_r(&before, &first);
    gmtime_r(&after, &last);
    std::string year = text.substr(0, 4);
    EXPECT_TRUE(year == std::to_string(first.tm_year + 1900) || year == std::to_string(last.tm_year + 1900))
        << text;
}

} // namespace
