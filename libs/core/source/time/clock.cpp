#include "libs/core/source/time/clock.h"

#include "libs/core/source/time/datetime.h"
#include "libs/core/source/time/units.h"

#include <sys/resource.h>
#include <sys/time.h>

namespace Kel
{
namespace Time
{

TimeStamp now()
{
    timeval tv;
    gettimeofday(&tv, nullptr);
    return TimeStamp(static_cast<RawTime>(tv.tv_sec) * 1000000 + tv.tv_usec);
}

void sleep(const TimeDelta& d)
{
    timespec ts;
    d.fill_timespec(ts);
    nanosleep(&ts, nullptr);
}

TimeDelta get_cpu_time()
{
    rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return (static_cast<RawTime>(ru.ru_utime.tv_sec) + ru.ru_stime.tv_sec) * sec
        + (static_cast<RawTime>(ru.ru_utime.tv_usec) + ru.ru_stime.tv_usec) * usec;
}

std::string format_now(const std::string& fmt)
{
    return DateTime(now()).format(fmt);
}

} // namespace Time
} // namespace Kel
