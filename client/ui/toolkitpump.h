#ifndef PARLANE_CLIENT_UI_TOOLKITPUMP_H
#define PARLANE_CLIENT_UI_TOOLKITPUMP_H

#include "libs/core/source/time/timedelta.h"
#include "libs/io/source/eventdispatcher.h"

#include <glib.h>

#include <vector>

// Runs the toolkit's main context from the program's own loop.
//
// The toolkit's work falls in two bands by priority: what the user waits
// for (input, timers, resizing, laying out and drawing what is on the
// screen) and background work (laying out text and rows off the screen,
// plain idle handlers), which comes after.
class ToolkitPump
{
public:
    ToolkitPump();
    ToolkitPump(const ToolkitPump&) = delete;
    ToolkitPump& operator=(const ToolkitPump&) = delete;

    // Dispatches what the user waits for until none is left, and leaves
    // background work queued. Never waits. Returns whether anything was
    // dispatched.
    bool drain_foreground();

    // Dispatches everything, most urgent first, until nothing is left or
    // limit has passed; at least one round when anything is ready. Never
    // waits. Returns whether anything was dispatched.
    bool drain(const Kel::Time::TimeDelta& limit);

    // Waits, at most limit, until the toolkit has something ready or one of
    // the dispatcher's objects is ready for what it wants, and dispatches
    // the toolkit's part once. Returns at once when something is ready.
    void wait(Kel::IO::EventDispatcher& disp, const Kel::Time::TimeDelta& limit);

private:
    bool reach_fence();

    bool fence_reached;
    // The toolkit's descriptors, then the dispatcher's, for one poll.
    std::vector<GPollFD> fds;
};

#endif
