#include "libs/core/source/time/clock.h"

#include "libs/core/source/time/datetime.h"

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

} // namespace
