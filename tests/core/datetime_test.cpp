#include "libs/core/source/time/datetime.h"

#include "libs/core/source/core/except.h"
#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>

namespace
{

using namespace Kel::Time;

const char* const iso = "%Y-%m-%d %H:%M:%S";

// Days in a month of the proleptic Gregorian calendar, written out
// independently of the code under test.
unsigned days_in(int year, unsigned month)
{
    static const unsigned lengths[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : lengths[month - 1];
}

// A random normalised calendar time in the given years.
DateTime random_datetime(std::mt19937_64& rng, int first_year, int last_year)
{
    int year = std::uniform_int_distribution<int>(first_year, last_year)(rng);
    unsigned month = std::uniform_int_distribution<unsigned>(1, 12)(rng);
    unsigned mday = std::uniform_int_distribution<unsigned>(1, days_in(year, month))(rng);
    unsigned hour = std::uniform_int_distribution<unsigned>(0, 23)(rng);
    unsigned minute = std::uniform_int_distribution<unsigned>(0, 59)(rng);
    unsigned second = std::uniform_int_distribution<unsigned>(0, 59)(rng);
    unsigned usec = std::uniform_int_distribution<unsigned>(0, 999999)(rng);
    return DateTime(year, month, mday, hour, minute, second, usec);
}

std::string describe(const DateTime& d)
{
    return d.format(iso) + "." + std::to_string(d.get_usec());
}

TEST(DateTime, FromTimeStamp)
{
    struct Case
    {
        RawTime raw;
        const char* text;
        unsigned usec;
    };
    const Case cases[] = {
        { 0, "1970-01-01 00:00:00", 0 },
        { -1, "1969-12-31 23:59:59", 999999 },
        { 86400000000LL - 1, "1970-01-01 23:59:59", 999999 },
        { 951782400000000LL, "2000-02-29 00:00:00", 0 },
        { -2208988800000000LL, "1900-01-01 00:00:00", 0 },
        { 253402300799999999LL, "9999-12-31 23:59:59", 999999 },
        { -62135596800000000LL, "1-01-01 00:00:00", 0 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.raw);
        DateTime d { TimeStamp(c.raw) };
        EXPECT_EQ(c.text, d.format(iso));
        EXPECT_EQ(c.usec, d.get_usec());
    }
}

TEST(DateTime, AddDaysCrossesLeapDays)
{
    struct Case
    {
        DateTime start;
        int days;
        DateTime end;
    };
    const Case cases[] = {
        { DateTime(1970, 3, 1), 730, DateTime(1972, 2, 29) },
        { DateTime(2100, 2, 28), 1, DateTime(2100, 3, 1) },
        { DateTime(2000, 2, 28), 1, DateTime(2000, 2, 29) },
        { DateTime(2000, 2, 29), 365, DateTime(2001, 2, 28) },
        { DateTime(2000, 2, 29), 366, DateTime(2001, 3, 1) },
        { DateTime(2000, 3, 1), -1, DateTime(2000, 2, 29) },
        { DateTime(1900, 3, 1), -1, DateTime(1900, 2, 28) },
        { DateTime(2001, 1, 1), -1, DateTime(2000, 12, 31) },
        { DateTime(2000, 1, 1), 146097, DateTime(2400, 1, 1) },
        { DateTime(2000, 1, 1), -146097, DateTime(1600, 1, 1) },
        { DateTime(2000, 1, 1), -146098, DateTime(1599, 12, 31) },
        { DateTime(1, 1, 1), -1, DateTime(0, 12, 31) },
        { DateTime(0, 3, 1), -1, DateTime(0, 2, 29) },
        { DateTime(2023, 5, 17, 13, 14, 15, 16), 0, DateTime(2023, 5, 17, 13, 14, 15, 16) },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(describe(c.start) + " + " + std::to_string(c.days));
        DateTime d = c.start;
        d.add_days(c.days);
        EXPECT_EQ(describe(c.end), describe(d));
    }
}

TEST(DateTime, AddDaysAgreesWithTimeStamps)
{
    std::mt19937_64 rng(7);
    for (int i = 0; i < 20000; ++i)
    {
        DateTime start = random_datetime(rng, 1, 280000);
        int days = std::uniform_int_distribution<int>(-3000000, 3000000)(rng);
        if (i % 2)
            days /= 1000;
        SCOPED_TRACE(describe(start) + " + " + std::to_string(days));
        DateTime moved = start;
        moved.add_days(days);
        DateTime expected { start.get_timestamp() + days * day };
        ASSERT_EQ(expected, moved);
    }
}

TEST(DateTime, AdditionNormalises)
{
    struct Case
    {
        DateTime start;
        TimeDelta delta;
        DateTime end;
    };
    const Case cases[] = {
        { DateTime(1999, 12, 31, 23, 59, 59, 999999), usec, DateTime(2000, 1, 1) },
        { DateTime(2000, 1, 1), -1 * usec, DateTime(1999, 12, 31, 23, 59, 59, 999999) },
        { DateTime(2001, 2, 28, 23, 0, 0), 2 * hour, DateTime(2001, 3, 1, 1, 0, 0) },
        { DateTime(2001, 2, 28, 23, 0, 0), day + 2 * hour, DateTime(2001, 3, 2, 1, 0, 0) },
        { DateTime(2024, 1, 31, 12, 30, 0), 11 * hour + 30 * min, DateTime(2024, 2, 1) },
        { DateTime(2024, 3, 10), -1 * week, DateTime(2024, 3, 3) },
        { DateTime(2024, 3, 10, 0, 0, 30), -45 * sec, DateTime(2024, 3, 9, 23, 59, 45) },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(describe(c.start) + " + " + std::to_string(c.delta.raw()));
        EXPECT_EQ(describe(c.end), describe(c.start + c.delta));
        DateTime d = c.start;
        d += c.delta;
        EXPECT_EQ(c.end, d);
    }
}

TEST(DateTime, NormalizeCarriesEveryField)
{
    struct Case
    {
        DateTime stored;
        DateTime normal;
    };
    const Case cases[] = {
        { DateTime(2001, 2, 28, 23, 59, 59, 1000000), DateTime(2001, 3, 1) },
        { DateTime(2000, 12, 31, 24, 0, 0), DateTime(2001, 1, 1) },
        { DateTime(2000, 1, 1, 0, 0, 0, 4000000000u), DateTime(2000, 1, 1, 1, 6, 40) },
        { DateTime(2000, 1, 200), DateTime(2000, 7, 18) },
        { DateTime(2000, 1, 1, 255, 255, 255, 0), DateTime(2000, 1, 11, 19, 19, 15) },
        { DateTime(2000, 5, 5, 5, 5, 5, 5), DateTime(2000, 5, 5, 5, 5, 5, 5) },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(describe(c.stored));
        DateTime d = c.stored;
        d.normalize();
        EXPECT_EQ(describe(c.normal), describe(d));
    }
}

TEST(DateTime, AgreesWithTheCLibrary)
{
    // 1900-01-01 up to 2400-01-01, in seconds since the epoch.
    std::uniform_int_distribution<long long> seconds(-2208988800LL, 13569465600LL - 1);
    std::uniform_int_distribution<long long> micros(0, 999999);
    std::mt19937_64 rng(1970);
    for (int i = 0; i < 100000; ++i)
    {
        time_t t = static_cast<time_t>(seconds(rng));
        long long us = micros(rng);
        SCOPED_TRACE(testing::Message() << t << " s + " << us << " us");
        tm parts;
        ASSERT_NE(nullptr, gmtime_r(&t, &parts));

        DateTime d { TimeStamp(static_cast<RawTime>(t) * 1000000 + us) };
        ASSERT_EQ(parts.tm_year + 1900, d.get_year());
        ASSERT_EQ(static_cast<unsigned>(parts.tm_mon + 1), d.get_month());
        ASSERT_EQ(static_cast<unsigned>(parts.tm_mday), d.get_mday());
        ASSERT_EQ(static_cast<unsigned>(parts.tm_hour), d.get_hour());
        ASSERT_EQ(static_cast<unsigned>(parts.tm_min), d.get_minute());
        ASSERT_EQ(static_cast<unsigned>(parts.tm_sec), d.get_second());
        ASSERT_EQ(us, d.get_usec());

        DateTime built(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min,
            parts.tm_sec, static_cast<unsigned>(us));
        ASSERT_EQ(static_cast<RawTime>(timegm(&parts)) * 1000000 + us, built.get_timestamp().raw());
    }
}

TEST(DateTime, RoundTripsThroughTimeStamps)
{
    const DateTime edges[] = {
        DateTime(1, 1, 1),
        DateTime(1, 12, 31, 23, 59, 59, 999999),
        DateTime(4, 2, 29),
        DateTime(100, 2, 28),
        DateTime(400, 2, 29, 12, 0, 0),
        DateTime(1969, 12, 31, 23, 59, 59, 999999),
        DateTime(1970, 1, 1),
        DateTime(2000, 2, 29),
        DateTime(292000, 2, 29),
        DateTime(293641, 12, 31, 23, 59, 59, 999999),
    };
    for (const DateTime& d : edges)
    {
        SCOPED_TRACE(describe(d));
        EXPECT_EQ(d, DateTime(d.get_timestamp()));
    }

    std::mt19937_64 rng(2024);
    for (int i = 0; i < 100000; ++i)
    {
        DateTime d = random_datetime(rng, 1, 293641);
        SCOPED_TRACE(describe(d));
        ASSERT_EQ(d, DateTime(d.get_timestamp()));
    }
}

TEST(DateTime, TimeStampRangeIsChecked)
{
    EXPECT_NO_THROW(DateTime(293641, 12, 31, 23, 59, 59, 999999).get_timestamp());
    EXPECT_NO_THROW(DateTime(-289701, 1, 1).get_timestamp());
    const DateTime outside[] = { DateTime(293642, 1, 1), DateTime(-289702, 12, 31),
        DateTime(2147483647, 1, 1), DateTime(-2147483647 - 1, 1, 1) };
    for (const DateTime& d : outside)
    {
        SCOPED_TRACE(d.get_year());
        try
        {
            d.get_timestamp();
            ADD_FAILURE() << "no exception";
        }
        catch (const Kel::Exception& e)
        {
            EXPECT_STREQ("DateTime is not representable as a TimeStamp", e.what());
        }
    }
}

TEST(DateTime, YearsBelowOneFollowTheTruncatingFormula)
{
    // The leap-day count truncates toward zero, so year 0 comes out one day
    // later than the proleptic calendar puts it.
    EXPECT_EQ(-719527 * day, DateTime(0, 1, 1).get_timestamp() - TimeStamp());
    EXPECT_EQ(DateTime(0, 1, 2), DateTime(DateTime(0, 1, 1).get_timestamp()));
}

TEST(DateTime, ComparesFieldsInOrder)
{
    const DateTime ascending[] = {
        DateTime(-5, 12, 31),
        DateTime(1999, 12, 31, 23, 59, 59, 999999),
        DateTime(2000, 1, 1),
        DateTime(2000, 1, 1, 0, 0, 0, 1),
        DateTime(2000, 1, 1, 0, 0, 1),
        DateTime(2000, 1, 1, 0, 1, 0),
        DateTime(2000, 1, 1, 1, 0, 0),
        DateTime(2000, 1, 2),
        DateTime(2000, 2, 1),
    };
    const int count = sizeof(ascending) / sizeof(ascending[0]);
    for (int i = 0; i < count; ++i)
    {
        for (int j = 0; j < count; ++j)
        {
            SCOPED_TRACE(testing::Message() << i << " vs " << j);
            const DateTime& a = ascending[i];
            const DateTime& b = ascending[j];
            EXPECT_EQ(i < j ? -1 : i > j ? 1 : 0, a.cmp(b));
            EXPECT_EQ(i == j, a == b);
            EXPECT_EQ(i != j, a != b);
            EXPECT_EQ(i < j, a < b);
            EXPECT_EQ(i <= j, a <= b);
            EXPECT_EQ(i > j, a > b);
            EXPECT_EQ(i >= j, a >= b);
        }
    }
}

TEST(DateTime, Format)
{
    struct Case
    {
        DateTime d;
        const char* fmt;
        const char* text;
    };
    const Case cases[] = {
        { DateTime(2007, 3, 4, 13, 5, 9), "%Y-%m-%d %H:%M:%S", "2007-03-04 13:05:09" },
        { DateTime(2007, 3, 4, 13, 5, 9), "%H:%M:%S", "13:05:09" },
        { DateTime(2007, 3, 4, 0, 5, 0), "%I %p", "00 AM" },
        { DateTime(2007, 3, 4, 12, 5, 0), "%I %p", "00 PM" },
        { DateTime(2007, 3, 4, 11, 5, 0), "%I %p", "11 AM" },
        { DateTime(2007, 3, 4, 23, 5, 0), "%I %p", "11 PM" },
        { DateTime(5, 1, 1), "%Y", "5" },
        { DateTime(2007, 1, 1), "%y", "07" },
        { DateTime(2100, 1, 1), "%y", "00" },
        { DateTime(-7, 1, 1), "%Y %y", "-7 -7" },
        { DateTime(123456, 1, 1), "%Y", "123456" },
        { DateTime(2007, 1, 1), "100%% sure", "100% sure" },
        { DateTime(2007, 1, 1), "a%qb%Ec", "abc" },
        { DateTime(2007, 1, 1), "%Y%", "2007" },
        { DateTime(2007, 1, 1), "%", "" },
        { DateTime(2007, 1, 1), "", "" },
        { DateTime(2007, 1, 1), "no conversions", "no conversions" },
        // Fields out of range are printed as stored.
        { DateTime(2007, 13, 40, 25, 61, 99), "%m %d %H %M %S", "13 40 25 61 99" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.fmt);
        EXPECT_EQ(c.text, c.d.format(c.fmt));
    }
}

} // namespace
