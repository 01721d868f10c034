#ifndef KEL_IO_EVENTDISPATCHER_H
#define KEL_IO_EVENTDISPATCHER_H

#include "libs/io/source/poll.h"

#include <sigc++/sigc++.h>

#include <map>
#include <vector>

namespace Kel
{
namespace IO
{

class Base;

// Watches I/O objects and calls event() of each one that a poll reports
// ready. It follows every watched object's wanted events (set_events) by
// itself, and an object leaves the set by remove() or by being destroyed,
// also in the middle of a tick. Not for use from more than one thread.
class EventDispatcher
{
public:
    EventDispatcher();
    EventDispatcher(const EventDispatcher&) = delete;
    EventDispatcher& operator=(const EventDispatcher&) = delete;
    // Disconnects from the objects still watched; they live on unwatched.
    ~EventDispatcher();

    // Starts watching obj; adding it again does nothing. An object that wants
    // P_NONE is watched but not polled until its events change.
    void add(Base& obj);

    // Stops watching obj; an object that is not watched is ignored. Events
    // already polled for obj but not yet delivered are dropped.
    void remove(Base& obj);

    // Polls once and delivers the results in order: with block, waits until
    // something is ready; otherwise only looks. Returns at once when nothing
    // is watched; throws InvalidState "Nothing to poll" when every watched
    // object wants P_NONE. An exception from an object's event handling
    // leaves tick at once, dropping the rest of that poll's results.
    void tick(bool block);

    // What tick would poll: the descriptors and wanted events of the watched
    // objects, for a caller that waits on them along with its own.
    const std::vector<pollfd>& get_poll_set() { return poller.get_poll_set(); }

private:
    struct Slot
    {
        Base* obj; // not owned
        sigc::connection evch_conn;
        sigc::connection del_conn;
    };

    // The results of one poll while tick delivers them; remove() clears the
    // entries of an object that leaves. Ticks may nest, hence the chain.
    struct Delivery
    {
        std::vector<Poller::Slot> slots;
        Delivery* outer;
    };

    void object_events_changed(PollEvent events, Base* obj);
    void object_deleted(Base* obj);

    Poller poller;
    std::map<Base*, Slot> objects;
    Delivery* delivery_;
};

} // namespace IO
} // namespace Kel

#endif
