#ifndef KEL_TIME_DATETIME_H
#define KEL_TIME_DATETIME_H

#include "libs/core/source/time/timedelta.h"
#include "libs/core/source/time/timestamp.h"

#include <cstdint>
#include <string>

namespace Kel
{
namespace Time
{

// A calendar time in UTC, in the proleptic Gregorian calendar (year 0
// exists and is a leap year). No time zone is ever applied.
//
// The constructors store their fields as given, without checking. Fields out
// of range are carried into range by the next normalize() or addition; until
// then format() prints them as stored.
class DateTime
{
public:
    DateTime(int year, unsigned month, unsigned mday);
    DateTime(int year, unsigned month, unsigned mday, unsigned hour, unsigned minute, unsigned second);
    DateTime(int year, unsigned month, unsigned mday, unsigned hour, unsigned minute, unsigned second,
        unsigned usec);
    explicit DateTime(const TimeStamp& ts);

    // Moves the date n days forward (backward for negative n), exactly, and
    // leaves the time of day alone.
    void add_days(int n);

    DateTime& operator+=(const TimeDelta& delta);
    DateTime operator+(const TimeDelta& delta) const;

    // -1, 0 or 1, comparing the fields from year down to usec.
    int cmp(const DateTime& other) const;
    bool operator==(const DateTime& other) const { return cmp(other) == 0; }
    bool operator!=(const DateTime& other) const { return cmp(other) != 0; }
    bool operator<(const DateTime& other) const { return cmp(other) < 0; }
    bool operator<=(const DateTime& other) const { return cmp(other) <= 0; }
    bool operator>(const DateTime& other) const { return cmp(other) > 0; }
    bool operator>=(const DateTime& other) const { return cmp(other) >= 0; }

    // Throws Kel::Exception unless the year lies in -289701 to 293641. For
    // years below 1 the leap-day count truncates toward zero, so those
    // results are one day off the proleptic calendar.
    TimeStamp get_timestamp() const;

    // Replaces %d %H %I %m %M %S %y (two digits at least), %Y (the year as
    // it is), %p (AM or PM) and %% (a percent sign). Any other pair prints
    // nothing; a trailing lone % ends the output.
    // DateTime(2007, 3, 4, 13, 5, 0).format("%Y-%m-%d %I:%M %p") is
    // "2007-03-04 01:05 PM".
    std::string format(const std::string& fmt) const;

    // Carries usec, second, minute and hour overflow upward, then days past
    // the end of the month into the following months.
    void normalize();

    int get_year() const { return year; }
    unsigned get_month() const { return month; }
    unsigned get_mday() const { return mday; }
    unsigned get_hour() const { return hour; }
    unsigned get_minute() const { return minute; }
    unsigned get_second() const { return second; }
    unsigned get_usec() const { return usec; }

private:
    void add_raw(RawTime raw);

    std::int32_t year;
    std::uint8_t month;
    std::uint8_t mday;
    std::uint8_t hour;
    std::uint8_t minute;
    std::uint8_t second;
    std::uint32_t usec;
};

} // namespace Time
} // namespace Kel

#endif
