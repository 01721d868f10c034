#include "libs/io/source/poll.h"
#include "libs/core/source/core/except.h"
#include "libs/core/source/time/timedelta.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/base.h"

#include <cerrno>
#include <climits>

namespace Kel
{
namespace IO
{

namespace
{

const PollEvent REQUESTABLE = P_INPUT | P_PRIO | P_OUTPUT;

void check_events(PollEvent events)
{
    if (events & ~REQUESTABLE)
        throw InvalidParameterValue("Invalid poll events");
}

short to_sys(PollEvent events)
{
    short result = 0;
    if (events & P_INPUT)
        result |= POLLIN;
    if (events & P_PRIO)
        result |= POLLPRI;
    if (events & P_OUTPUT)
        result |= POLLOUT;
    return result;
}

// POLLHUP and POLLNVAL have no PollEvent and are dropped.
PollEvent from_sys(short revents)
{
    PollEvent result = P_NONE;
    if (revents & POLLIN)
        result = result | P_INPUT;
    if (revents & POLLPRI)
        result = result | P_PRIO;
    if (revents & POLLOUT)
        result = result | P_OUTPUT;
    if (revents & POLLERR)
        result = result | P_ERROR;
    return result;
}

// Whole milliseconds, truncated; a time-out too long for the platform call
// is cut to the longest it takes.
int to_msec(const Time::TimeDelta& timeout)
{
    if (timeout < Time::zero)
        throw InvalidParameterValue("Invalid timeout");
    long long msec = timeout.raw() / Time::msec.raw();
    return msec > INT_MAX ? INT_MAX : static_cast<int>(msec);
}

PollEvent poll_one(Base& obj, PollEvent events, int timeout_ms)
{
    check_events(events);

    pollfd pfd;
    pfd.fd = obj.get_event_handle();
    pfd.events = to_sys(events);
    pfd.revents = 0;

    if (::poll(&pfd, 1, timeout_ms) < 0)
    {
        int err = errno;
        if (err == EINTR)
            return P_NONE;
        throw SystemError("Poll failed", err);
    }
    return from_sys(pfd.revents);
}

} // namespace

PollEvent poll(Base& obj, PollEvent events)
{
    return poll_one(obj, events, -1);
}

PollEvent poll(Base& obj, PollEvent events, const Time::TimeDelta& timeout)
{
    return poll_one(obj, events, to_msec(timeout));
}

Poller::Poller(): pfd_dirty(false) { }

void Poller::set_object(Base& obj, PollEvent events)
{
    if (events != P_NONE)
    {
        check_events(events);
        obj.get_event_handle();
    }

    auto i = objects.find(&obj);
    if (i != objects.end())
    {
        if (events != P_NONE)
            i->second.events = events;
        else
            objects.erase(i);
        pfd_dirty = true;
    }
    else if (events != P_NONE)
    {
        objects.emplace(&obj, Slot(&obj, events));
        pfd_dirty = true;
    }
}

int Poller::poll()
{
    return do_poll(-1);
}

int Poller::poll(const Time::TimeDelta& timeout)
{
    return do_poll(to_msec(timeout));
}

void Poller::rebuild_pfd()
{
    pfd.clear();
    pfd.reserve(objects.size());
    for (const auto& entry : objects)
    {
        pollfd p;
        p.fd = entry.second.object->get_event_handle();
        p.events = to_sys(entry.second.events);
        p.revents = 0;
        pfd.push_back(p);
    }
    pfd_dirty = false;
}

const std::vector<pollfd>& Poller::get_poll_set()
{
    if (pfd_dirty)
        rebuild_pfd();
    return pfd;
}

int Poller::do_poll(int timeout_ms)
{
    get_poll_set();
    poll_result.clear();

    if (pfd.empty())
        throw InvalidState("Nothing to poll");

    int count = ::poll(pfd.data(), pfd.size(), timeout_ms);
    if (count < 0)
    {
        int err = errno;
        if (err == EINTR)
            return 0;
        throw SystemError("Poll failed", err);
    }

    // The map and pfd are in the same order, so the ready records are matched
    // with their objects by walking both in step.
    int uncounted = count;
    auto entry = objects.begin();
    for (auto p = pfd.begin(); p != pfd.end() && uncounted > 0; ++p, ++entry)
    {
        if (p->revents)
        {
            poll_result.push_back(Slot(entry->second.object, from_sys(p->revents)));
            --uncounted;
        }
    }

    return count;
}

} // namespace IO
} // namespace Kel
