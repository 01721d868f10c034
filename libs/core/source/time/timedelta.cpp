#include "libs/core/source/time/timedelta.h"

namespace Kel
{
namespace Time
{

void TimeDelta::fill_timespec(timespec& ts) const
{
    ts.tv_sec = static_cast<time_t>(usec / 1000000);
    ts.tv_nsec = static_cast<long>(usec % 1000000 * 1000);
}

} // namespace Time
} // namespace Kel
