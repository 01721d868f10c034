#include "libs/io/source/eventdispatcher.h"
#include "libs/core/source/time/timedelta.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/base.h"

namespace Kel
{
namespace IO
{

EventDispatcher::EventDispatcher(): delivery_(nullptr) { }

EventDispatcher::~EventDispatcher()
{
    for (auto& entry : objects)
    {
        entry.second.evch_conn.disconnect();
        entry.second.del_conn.disconnect();
    }
}

void EventDispatcher::add(Base& obj)
{
    if (objects.count(&obj))
        return;

    // Registering first means an object the poller refuses is not kept.
    PollEvent events = obj.get_events();
    if (events != P_NONE)
        poller.set_object(obj, events);

    Slot& slot = objects[&obj];
    slot.obj = &obj;
    slot.evch_conn = obj.signal_events_changed.connect(
        sigc::bind(sigc::mem_fun(*this, &EventDispatcher::object_events_changed), &obj));
    slot.del_conn = obj.signal_deleted.connect(
        sigc::bind(sigc::mem_fun(*this, &EventDispatcher::object_deleted), &obj));
}

void EventDispatcher::remove(Base& obj)
{
    auto i = objects.find(&obj);
    if (i == objects.end())
        return;

    i->second.evch_conn.disconnect();
    i->second.del_conn.disconnect();
    objects.erase(i);
    poller.set_object(obj, P_NONE);

    for (Delivery* d = delivery_; d; d = d->outer)
        for (Poller::Slot& s : d->slots)
            if (s.object == &obj)
                s.object = nullptr;
}

void EventDispatcher::tick(bool block)
{
    if (objects.empty())
        return;

    int count = block ? poller.poll() : poller.poll(Time::zero);
    if (count <= 0)
        return;

    const std::list<Poller::Slot>& result = poller.get_result();
    Delivery delivery { std::vector<Poller::Slot>(result.begin(), result.end()), delivery_ };

    struct Restore
    {
        Delivery*& current;
        Delivery* outer;
        ~Restore() { current = outer; }
    } restore { delivery_, delivery_ };
    delivery_ = &delivery;

    for (const Poller::Slot& s : delivery.slots)
        if (s.object)
            s.object->event(s.events);
}

void EventDispatcher::object_events_changed(PollEvent events, Base* obj)
{
    poller.set_object(*obj, events);
}

void EventDispatcher::object_deleted(Base* obj)
{
    remove(*obj);
}

} // namespace IO
} // namespace Kel
