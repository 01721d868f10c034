#ifndef KEL_TIME_TIMEDELTA_H
#define KEL_TIME_TIMEDELTA_H

#include <cstdint>
#include <ctime>
#include <type_traits>

namespace Kel
{
namespace Time
{

// Signed 64-bit count of microseconds.
typedef std::int64_t RawTime;

// A signed duration in microseconds. Write durations as products of the
// unit constants in units.h: 250 * msec, sec * 5.
class TimeDelta
{
public:
    constexpr TimeDelta(): usec(0) { }
    explicit constexpr TimeDelta(RawTime usec): usec(usec) { }

    constexpr RawTime raw() const { return usec; }

    // Seconds and nanoseconds, both truncated toward zero: a negative
    // duration gives a negative tv_nsec.
    void fill_timespec(timespec& ts) const;

    constexpr TimeDelta operator+(const TimeDelta& other) const { return TimeDelta(usec + other.usec); }
    constexpr TimeDelta operator-(const TimeDelta& other) const { return TimeDelta(usec - other.usec); }
    TimeDelta& operator+=(const TimeDelta& other)
    {
        usec += other.usec;
        return *this;
    }
    TimeDelta& operator-=(const TimeDelta& other)
    {
        usec -= other.usec;
        return *this;
    }

    // Integer scalars only, so that 1.5 * sec cannot silently become 1 * sec.
    template <typename T, typename = std::enable_if_t<std::is_integral<T>::value>>
    constexpr TimeDelta operator*(T n) const
    {
        return TimeDelta(usec * static_cast<RawTime>(n));
    }

    // The ratio of the two counts.
    constexpr double operator/(const TimeDelta& other) const
    {
        return static_cast<double>(usec) / static_cast<double>(other.usec);
    }

    constexpr bool operator<(const TimeDelta& other) const { return usec < other.usec; }
    constexpr bool operator<=(const TimeDelta& other) const { return usec <= other.usec; }
    constexpr bool operator>(const TimeDelta& other) const { return usec > other.usec; }
    constexpr bool operator>=(const TimeDelta& other) const { return usec >= other.usec; }
    constexpr bool operator==(const TimeDelta& other) const { return usec == other.usec; }
    constexpr bool operator!=(const TimeDelta& other) const { return usec != other.usec; }

    // True when the duration is not zero.
    explicit constexpr operator bool() const { return usec != 0; }

private:
    RawTime usec;
};

template <typename T, typename = std::enable_if_t<std::is_integral<T>::value>>
constexpr TimeDelta operator*(T n, const TimeDelta& delta)
{
    return delta * n;
}

} // namespace Time
} // namespace Kel

#endif
