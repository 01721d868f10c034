#include "libs/core/source/time/datetime.h"

#include "libs/core/source/core/except.h"

namespace Kel
{
namespace Time
{

namespace
{

const RawTime usec_per_day = 86400000000LL;
const std::int64_t days_per_cycle = 146097; // 400 Gregorian years

bool is_leap_year(std::int64_t year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// Months above 12 (and 0) count as 31 days, so that stored garbage still
// walks forward.
unsigned month_days(std::int64_t year, unsigned month)
{
    switch (month)
    {
    case 2:
        return is_leap_year(year) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    default:
        return 31;
    }
}

void next_month(std::int64_t& year, unsigned& month)
{
    if (++month > 12)
    {
        month = 1;
        ++year;
    }
}

// Moves mday past the end of its month into the following months.
void carry_days(std::int64_t& year, unsigned& month, std::int64_t& mday)
{
    while (mday > month_days(year, month))
    {
        mday -= month_days(year, month);
        next_month(year, month);
    }
}

void append_two_digits(std::string& out, int value)
{
    if (value >= 0 && value < 10)
        out += '0';
    out += std::to_string(value);
}

} // namespace

DateTime::DateTime(int year, unsigned month, unsigned mday): DateTime(year, month, mday, 0, 0, 0, 0) { }

DateTime::DateTime(int year, unsigned month, unsigned mday, unsigned hour, unsigned minute, unsigned second):
    DateTime(year, month, mday, hour, minute, second, 0)
{
}

DateTime::DateTime(
    int year, unsigned month, unsigned mday, unsigned hour, unsigned minute, unsigned second, unsigned usec):
    year(year),
    month(static_cast<std::uint8_t>(month)), mday(static_cast<std::uint8_t>(mday)),
    hour(static_cast<std::uint8_t>(hour)), minute(static_cast<std::uint8_t>(minute)),
    second(static_cast<std::uint8_t>(second)), usec(usec)
{
}

DateTime::DateTime(const TimeStamp& ts): DateTime(1970, 1, 1)
{
    add_raw(ts.raw());
}

void DateTime::add_days(int n)
{
    std::int64_t y = year;
    unsigned m = month;
    std::int64_t left = n;

    // Whole 400-year cycles first; a negative rest borrows one cycle so that
    // everything after this only moves forward.
    std::int64_t cycles = left / days_per_cycle;
    if (left % days_per_cycle < 0)
        --cycles;
    y += 400 * cycles;
    left -= cycles * days_per_cycle;

    // A year from a date in January or February spans that year's February,
    // from any later month the next year's.
    for (;;)
    {
        std::int64_t length = is_leap_year(m <= 2 ? y : y + 1) ? 366 : 365;
        if (left < length)
            break;
        left -= length;
        ++y;
    }

    std::int64_t d = mday + left;
    carry_days(y, m, d);

    year = static_cast<std::int32_t>(y);
    month = static_cast<std::uint8_t>(m);
    mday = static_cast<std::uint8_t>(d);
}

void DateTime::normalize()
{
    std::uint64_t us = usec;
    std::uint64_t s = second + us / 1000000;
    us %= 1000000;
    std::uint64_t mi = minute + s / 60;
    s %= 60;
    std::uint64_t h = hour + mi / 60;
    mi %= 60;
    std::int64_t d = mday + static_cast<std::int64_t>(h / 24);
    h %= 24;

    std::int64_t y = year;
    unsigned m = month;
    carry_days(y, m, d);

    year = static_cast<std::int32_t>(y);
    month = static_cast<std::uint8_t>(m);
    mday = static_cast<std::uint8_t>(d);
    hour = static_cast<std::uint8_t>(h);
    minute = static_cast<std::uint8_t>(mi);
    second = static_cast<std::uint8_t>(s);
    usec = static_cast<std::uint32_t>(us);
}

void DateTime::add_raw(RawTime raw)
{
    // Floor division: the rest of the day is never negative.
    RawTime days = raw / usec_per_day;
    RawTime rest = raw % usec_per_day;
    if (rest < 0)
    {
        rest += usec_per_day;
        --days;
    }

    RawTime seconds = rest / 1000000;
    usec += static_cast<std::uint32_t>(rest % 1000000);
    second += static_cast<std::uint8_t>(seconds % 60);
    minute += static_cast<std::uint8_t>(seconds / 60 % 60);
    hour += static_cast<std::uint8_t>(seconds / 3600 % 24);

    add_days(static_cast<int>(days));
    normalize();
}

DateTime& DateTime::operator+=(const TimeDelta& delta)
{
    add_raw(delta.raw());
    return *this;
}

DateTime DateTime::operator+(const TimeDelta& delta) const
{
    DateTime result(*this);
    result += delta;
    return result;
}

int DateTime::cmp(const DateTime& other) const
{
    const std::int64_t mine[] = { year, month, mday, hour, minute, second, usec };
    const std::int64_t theirs[]
        = { other.year, other.month, other.mday, other.hour, other.minute, other.second, other.usec };
    for (unsigned i = 0; i < sizeof(mine) / sizeof(mine[0]); ++i)
    {
        if (mine[i] < theirs[i])
            return -1;
        if (mine[i] > theirs[i])
            return 1;
    }
    return 0;
}

TimeStamp DateTime::get_timestamp() const
{
    if (year < -289701 || year > 293641)
        throw Exception("DateTime is not representable as a TimeStamp");

    std::int64_t y = year;
    // Integer division truncates toward zero here on purpose; it is exact
    // for years from 1 on.
    std::int64_t days = 365 * y - 719050 + ((y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400 - 477);
    for (unsigned m = 1; m < month; ++m)
        days += month_days(y, m);
    days += static_cast<std::int64_t>(mday) - 1;

    RawTime seconds = (static_cast<RawTime>(hour) * 60 + minute) * 60 + second;
    return TimeStamp(days * usec_per_day + seconds * 1000000 + usec);
}

std::string DateTime::format(const std::string& fmt) const
{
    std::string out;
    out.reserve(fmt.size() + 8);
    for (std::string::size_type i = 0; i < fmt.size(); ++i)
    {
        if (fmt[i] != '%')
        {
            out += fmt[i];
            continue;
        }
        if (++i == fmt.size())
            break;
        switch (fmt[i])
        {
        case 'd':
            append_two_digits(out, mday);
            break;
        case 'H':
            append_two_digits(out, hour);
            break;
        case 'I':
            append_two_digits(out, hour % 12);
            break;
        case 'm':
            append_two_digits(out, month);
            break;
        case 'M':
            append_two_digits(out, minute);
            break;
        case 'p':
            out += hour < 12 ? "AM" : "PM";
            break;
        case 'S':
            append_two_digits(out, second);
            break;
        case 'y':
            append_two_digits(out, year % 100);
            break;
        case 'Y':
            out += std::to_string(year);
            break;
        case '%':
            out += '%';
            break;
        default:
            break;
        }
    }
    return out;
}

} // namespace Time
} // namespace Kel
