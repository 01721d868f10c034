#include "libs/core/source/time/datetime.h"

#include "libs/core/source/core/except.h"
#include "libs/core/source/time/units.h"

#include <gmock/gmock.h>

#include <ctime>
#include <random>
#include <tuple>
#include <vector>

namespace
{

using namespace Kel::Time;
using D = DateTime;

const char* const iso = "%Y-%m-%d %H:%M:%S";

std::string describe(const DateTime& d)
{
    return d.format(iso) + "." + std::to_string(d.get_usec());
}

TEST(DateTime, AddingAgreesWithTimeStamps)
{
    // Below year 1 (the random instants below stay above it).
    const std::tuple<DateTime, int, DateTime> cases[]
        = { { D(1, 1, 1), -1, D(0, 12, 31) }, { D(0, 3, 1), -1, D(0, 2, 29) } };
    for (const auto& [start, days, end] : cases)
    {
        DateTime d = start;
        d.add_days(days);
        EXPECT_EQ(describe(end), describe(d)) << describe(start) << " + " << days;
    }

    // Days, and any delta from microseconds to thousands of years, either way.
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<RawTime> micros(-3000000 * day.raw(), 3000000 * day.raw()),
        instants(D(1, 1, 1).get_timestamp().raw(), D(280000, 1, 1).get_timestamp().raw());
    for (int i = 0; i < 20000; ++i)
    {
        DateTime start { TimeStamp(instants(rng)) };
        int days = std::uniform_int_distribution<int>(-3000000, 3000000)(rng) / (i % 2 ? 1000 : 1);
        TimeDelta delta(micros(rng) / (RawTime(1) << (i % 40)));
        SCOPED_TRACE(
            describe(start) + " + " + std::to_string(days) + " days / " + std::to_string(delta.raw()));
        DateTime moved = start, added = start + delta;
        moved.add_days(days);
        ASSERT_EQ(D(start.get_timestamp() + days * day), moved);
        ASSERT_EQ(D(start.get_timestamp() + delta), added);
        moved = start;
        moved += delta;
        ASSERT_EQ(added, moved);
    }
}

TEST(DateTime, NormalizeCarriesEveryField)
{
    const std::pair<DateTime, DateTime> stored[] = { { D(2001, 2, 28, 23, 59, 59, 1000000), D(2001, 3, 1) },
        { D(2000, 12, 31, 24, 0, 0), D(2001, 1, 1) },
        { D(2000, 1, 1, 0, 0, 0, 4000000000u), D(2000, 1, 1, 1, 6, 40) }, { D(2000, 1, 200), D(2000, 7, 18) },
        { D(2000, 1, 1, 255, 255, 255, 0), D(2000, 1, 11, 19, 19, 15) } };
    for (const auto& [raw, normal] : stored)
    {
        SCOPED_TRACE(describe(raw));
        DateTime d = raw;
        d.normalize();
        EXPECT_EQ(describe(normal), describe(d));
    }
}

TEST(DateTime, AgreesWithTheCLibrary)
{
    // Edges (around the epoch, a leap day), then random instants from year 1
    // up to 9999, in seconds and microseconds.
    std::vector<std::pair<long long, unsigned>> instants = { { -1, 999999 }, { 0, 0 }, { 951782400, 0 } };
    std::uniform_int_distribution<long long> seconds(-62135596800LL, 253402300799LL);
    std::uniform_int_distribution<unsigned> micros(0, 999999);
    std::mt19937_64 rng(1970);
    for (int i = 0; i < 100000; ++i)
        instants.emplace_back(seconds(rng), micros(rng));
    for (const auto& [s, us] : instants)
    {
        SCOPED_TRACE(testing::Message() << s << " s + " << us << " us");
        time_t t = static_cast<time_t>(s);
        tm parts;
        ASSERT_NE(nullptr, gmtime_r(&t, &parts));
        DateTime d { TimeStamp(static_cast<RawTime>(t) * 1000000 + us) };
        DateTime built(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
            parts.tm_sec, us);
        ASSERT_EQ(describe(built), describe(d));
        ASSERT_EQ(static_cast<RawTime>(timegm(&parts)) * 1000000 + us, built.get_timestamp().raw());
    }
}

TEST(DateTime, RoundTripsThroughTimeStampsInRange)
{
    // Years 1 to 9999 are compared with the C library below.
    const DateTime edges[] = { D(1, 1, 1), D(292000, 2, 29), D(293641, 12, 31, 23, 59, 59, 999999) };
    for (const DateTime& d : edges)
        EXPECT_EQ(d, D(d.get_timestamp())) << describe(d);

    EXPECT_NO_THROW(D(-289701, 1, 1).get_timestamp());
    for (const DateTime& d :
        { D(293642, 1, 1), D(-289702, 12, 31), D(2147483647, 1, 1), D(-2147483647 - 1, 1, 1) })
        EXPECT_THAT([&] { d.get_timestamp(); },
            testing::ThrowsMessage<Kel::Exception>("DateTime is not representable as a TimeStamp"))
            << d.get_year();
}

TEST(DateTime, YearsBelowOneFollowTheTruncatingFormula)
{
    // The leap-day count truncates toward zero, so year 0 comes out one day
    // later than the proleptic calendar puts it.
    EXPECT_EQ(-719527 * day, D(0, 1, 1).get_timestamp() - TimeStamp());
    EXPECT_EQ(D(0, 1, 2), D(D(0, 1, 1).get_timestamp()));
}

TEST(DateTime, ComparesFieldsInOrder)
{
    const DateTime ascending[] = { D(-5, 12, 31), D(1999, 12, 31, 23, 59, 59, 999999), D(2000, 1, 1),
        D(2000, 1, 1, 0, 0, 0, 1), D(2000, 1, 1, 0, 0, 1), D(2000, 1, 1, 0, 1, 0), D(2000, 1, 1, 1, 0, 0),
        D(2000, 1, 2), D(2000, 2, 1) };
    for (int i = 0; i < 9; ++i)
        for (int j = 0; j < 9; ++j)
            EXPECT_EQ(i < j ? -1 : i > j ? 1 : 0, ascending[i].cmp(ascending[j])) << i << " vs " << j;
}

TEST(DateTime, Format)
{
    const std::tuple<DateTime, const char*, const char*> cases[]
        = { { D(2007, 3, 4, 13, 5, 9), iso, "2007-03-04 13:05:09" }, { D(2007, 3, 4, 0, 5, 0), "%I %p", "00 AM" },
              { D(2007, 3, 4, 23, 5, 0), "%I %p", "11 PM" }, { D(5, 1, 1), "%Y %y", "5 05" },
              { D(-7, 1, 1), "%Y %y", "-7 -7" }, { D(2007, 1, 1), "100%% a%qb%Ec%Y%", "100% abc2007" } };
    for (const auto& [date, fmt, text] : cases)
        EXPECT_EQ(text, date.format(fmt)) << fmt;
}

} // namespace
