#ifndef KEL_TIME_TIMESTAMP_H
#define KEL_TIME_TIMESTAMP_H

#include "libs/core/source/time/timedelta.h"

namespace Kel
{
namespace Time
{

// An instant: microseconds since 1970-01-01 00:00:00 UTC. The default value
// 0 also means "no time set", which is what the truth test checks.
class TimeStamp
{
public:
    constexpr TimeStamp(): usec(0) { }
    explicit constexpr TimeStamp(RawTime usec): usec(usec) { }

    // The instant t seconds after the epoch.
    static constexpr TimeStamp from_unixtime(long t) { return TimeStamp(static_cast<RawTime>(t) * 1000000); }

    constexpr RawTime raw() const { return usec; }

    constexpr TimeStamp operator+(const TimeDelta& delta) const { return TimeStamp(usec + delta.raw()); }
    constexpr TimeStamp operator-(const TimeDelta& delta) const { return TimeStamp(usec - delta.raw()); }
    constexpr TimeDelta operator-(const TimeStamp& other) const { return TimeDelta(usec - other.usec); }
    TimeStamp& operator+=(const TimeDelta& delta)
    {
        usec += delta.raw();
        return *this;
    }
    TimeStamp& operator-=(const TimeDelta& delta)
    {
        usec -= delta.raw();
        return *this;
    }

    constexpr bool operator<(const TimeStamp& other) const { return usec < other.usec; }
    constexpr bool operator<=(const TimeStamp& other) const { return usec <= other.usec; }
    constexpr bool operator>(const TimeStamp& other) const { return usec > other.usec; }
    constexpr bool operator>=(const TimeStamp& other) const { return usec >= other.usec; }
    constexpr bool operator==(const TimeStamp& other) const { return usec == other.usec; }
    constexpr bool operator!=(const TimeStamp& other) const { return usec != other.usec; }

    explicit constexpr operator bool() const { return usec != 0; }

private:
    RawTime usec;
};

} // namespace Time
} // namespace Kel

#endif
