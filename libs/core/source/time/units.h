#ifndef KEL_TIME_UNITS_H
#define KEL_TIME_UNITS_H

#include "libs/core/source/time/timedelta.h"

namespace Kel
{
namespace Time
{

// Constant-initialised, so they hold their values even for code that runs
// during static initialisation.
inline constexpr TimeDelta zero(0);
inline constexpr TimeDelta usec(1);
inline constexpr TimeDelta msec(1000);
inline constexpr TimeDelta sec(1000000);
inline constexpr TimeDelta min(60000000);
inline constexpr TimeDelta hour(3600000000LL);
inline constexpr TimeDelta day(86400000000LL);
inline constexpr TimeDelta week(604800000000LL);

} // namespace Time
} // namespace Kel

#endif
