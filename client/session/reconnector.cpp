#include "client/session/reconnector.h"

#include "libs/core/source/time/units.h"

Reconnector::Reconnector(): active(false), attempt(0)
{
}

Kel::Time::TimeDelta Reconnector::delay(unsigned attempt)
{
    if (attempt >= 5)
        return 30 * Kel::Time::sec;
    return static_cast<int>(1u << attempt) * Kel::Time::sec;
}

void Reconnector::start(const std::string& addr, const std::string& n, const Kel::Time::TimeStamp& now)
{
    active = true;
    attempt = 0;
    address = addr;
    name = n;
    due = now + delay(attempt);
}

void Reconnector::stop()
{
    active = false;
    attempt = 0;
}

Kel::Time::TimeDelta Reconnector::failed(const Kel::Time::TimeStamp& now)
{
    if (attempt < 5)
        ++attempt;
    due = now + delay(attempt);
    return delay(attempt);
}
