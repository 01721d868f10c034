#ifndef KEL_IO_POLL_H
#define KEL_IO_POLL_H

#include <list>
#include <map>
#include <vector>

#include <poll.h>

namespace Kel
{
namespace Time
{
class TimeDelta;
}

namespace IO
{

class Base;

// Readiness of an I/O object, as bit flags (underlying type fixed, as for
// Mode). P_ERROR is only ever reported: asking for it is an error.
enum PollEvent : int
{
    P_NONE = 0,
    P_INPUT = 1, // data can be read (also end of data)
    P_PRIO = 2, // urgent data can be read
    P_OUTPUT = 4, // data can be written
    P_ERROR = 8 // an error condition is pending
};

inline PollEvent operator|(PollEvent e, PollEvent f)
{
    return PollEvent(int(e) | int(f));
}
inline PollEvent operator&(PollEvent e, PollEvent f)
{
    return PollEvent(int(e) & int(f));
}
inline PollEvent operator~(PollEvent e)
{
    return PollEvent(~int(e));
}

// Waits without limit until obj is ready for any of events and returns what
// was reported. An interrupted wait reports P_NONE.
// Throws InvalidParameterValue "Invalid poll events" for a bit other than
// P_INPUT, P_PRIO or P_OUTPUT, and SystemError "Poll failed".
PollEvent poll(Base& obj, PollEvent events);

// As above, waiting at most timeout (truncated to whole milliseconds, so
// anything below one millisecond only looks). Returns P_NONE when the time
// ran out. A negative timeout throws InvalidParameterValue "Invalid timeout".
PollEvent poll(Base& obj, PollEvent events, const Time::TimeDelta& timeout);

// A set of I/O objects with the events each is wanted for, polled together.
// The poller does not follow its objects: whoever registers an object removes
// it before destroying it (EventDispatcher does this by itself).
class Poller
{
public:
    struct Slot
    {
        Base* object; // not owned
        PollEvent events;

        Slot(Base* o, PollEvent e): object(o), events(e) { }
    };

    Poller();

    // Registers obj, replaces its events, or with P_NONE removes it. With
    // events other than P_NONE the object's handle is asked for first, so an
    // object that has none fails before anything changes.
    void set_object(Base& obj, PollEvent events);

    // Both return the number of ready objects: 0 after a time-out or an
    // interrupted wait. With no object registered they throw InvalidState
    // "Nothing to poll". The results are in get_result() until the next poll.
    int poll();
    int poll(const Time::TimeDelta& timeout);

    // The ready objects of the last poll, each with the events reported for
    // it. A hang-up alone is listed with P_NONE.
    const std::list<Slot>& get_result() const { return poll_result; }

    // The descriptors and events that the next poll waits on, for a caller
    // that waits on them together with descriptors of its own.
    const std::vector<pollfd>& get_poll_set();

private:
    int do_poll(int timeout_ms);
    void rebuild_pfd();

    std::map<Base*, Slot> objects;
    std::vector<pollfd> pfd; // one per entry of objects, in map order
    bool pfd_dirty;
    std::list<Slot> poll_result;
};

} // namespace IO
} // namespace Kel

#endif
