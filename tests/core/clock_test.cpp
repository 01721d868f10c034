#include "libs/core/source/time/clock.h"

#include "libs/core/source/time/datetime.h"
#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

#include <ctime>

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
    time_t after = std::time(nullptr);
    // time() may truncate a little differently from gettimeofday().
    EXPECT_GE(first, TimeStamp::from_unixtime(before - 1));
    EXPECT_LE(second, TimeStamp::from_unixtime(after + 1));
    EXPECT_TRUE(text == DateTime(first).format(iso) || text == DateTime(second).format(iso)) << text;
}

TEST(Clock, SleepAndCpuTimeLastAtLeastTheDuration)
{
    TimeStamp start = now();
    sleep(20 * msec);
    EXPECT_GE(now() - start, 20 * msec);

    TimeDelta cpu = get_cpu_time();
    EXPECT_GE(cpu, zero);
    volatile unsigned sink = 0;
    for (TimeStamp end = now() + 10 * sec; get_cpu_time() - cpu < 20 * msec && now() < end;)
        for (unsigned i = 0; i < 100000; ++i)
            sink = sink + i;
    EXPECT_GE(get_cpu_time() - cpu, 20 * msec);
}

} // namespace
