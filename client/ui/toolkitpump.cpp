#include "client/ui/toolkitpump.h"

#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"

#include <gdk/gdk.h>
#include <glibmm/main.h>

namespace
{

// Between drawing and the first background work: the main context reaches a
// source of this priority only when nothing the user waits for is ready.
const int FENCE_PRIORITY = GDK_PRIORITY_REDRAW + 1;

} // namespace

ToolkitPump::ToolkitPump(): fence_reached(false) { }

bool ToolkitPump::drain_foreground()
{
    // An idle source is always ready, so its turn comes once the sources
    // before it in priority have been dispatched.
    bool dispatched = false;
    fence_reached = false;
    sigc::connection fence =
        Glib::signal_idle().connect(sigc::mem_fun(*this, &ToolkitPump::reach_fence), FENCE_PRIORITY);
    while (!fence_reached && g_main_context_iteration(nullptr, false))
        dispatched = dispatched || !fence_reached;
    fence.disconnect();
    return dispatched;
}

bool ToolkitPump::drain(const Kel::Time::TimeDelta& limit)
{
    bool dispatched = false;
    Kel::Time::TimeStamp end = Kel::Time::now() + limit;
    while (g_main_context_iteration(nullptr, false))
    {
        dispatched = true;
        if (Kel::Time::now() >= end)
            break;
    }
    return dispatched;
}

bool ToolkitPump::reach_fence()
{
    // Gone once reached: a modal dialog's loop, run from a handler of this
    // drain, must not find it ready for ever.
    fence_reached = true;
    return false;
}

void ToolkitPump::wait(Kel::IO::EventDispatcher& disp, const Kel::Time::TimeDelta& limit)
{
    // One round of the main context, as its own iteration makes it, with
    // the dispatcher's descriptors polled alongside the toolkit's.
    GMainContext* context = g_main_context_default();
    if (!g_main_context_acquire(context))
        return;
    gint priority;
    g_main_context_prepare(context, &priority);
    gint timeout;
    gint count;
    while ((count = g_main_context_query(context, priority, &timeout, fds.data(), fds.size())) > gint(fds.size()))
        fds.resize(count);

    const std::vector<pollfd>& set = disp.get_poll_set();
    fds.resize(count + set.size());
    for (std::vector<pollfd>::size_type i = 0; i < set.size(); ++i)
        fds[count + i] = GPollFD { set[i].fd, gushort(set[i].events), 0 };

    // Rounded up: waking before the time would only make a turn that waits
    // again.
    gint ms = limit > Kel::Time::zero ? gint((limit + Kel::Time::msec - Kel::Time::usec) / Kel::Time::msec) : 0;
    if (timeout >= 0 && timeout < ms)
        ms = timeout;
    g_poll(fds.data(), fds.size(), ms);

    if (g_main_context_check(context, priority, fds.data(), count))
        g_main_context_dispatch(context);
    g_main_context_release(context);
}
