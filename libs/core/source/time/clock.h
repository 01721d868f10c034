#ifndef KEL_TIME_CLOCK_H
#define KEL_TIME_CLOCK_H

#include "libs/core/source/time/timedelta.h"
#include "libs/core/source/time/timestamp.h"

#include <string>

namespace Kel
{
namespace Time
{

// The current wall-clock instant. Safe to call from any thread.
TimeStamp now();

// Sleeps once for d. A signal that interrupts the sleep ends it early and the
// rest is not slept; a duration of zero or less returns at once.
void sleep(const TimeDelta& d);

// Processor time used by this process so far, user plus system.
TimeDelta get_cpu_time();

// The current time in UTC formatted by DateTime::format: format_now("%H:%M:%S").
std::string format_now(const std::string& fmt);

} // namespace Time
} // namespace Kel

#endif
