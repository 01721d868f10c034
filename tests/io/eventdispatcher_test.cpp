#include "libs/io/source/eventdispatcher.h"

#include "libs/core/source/core/except.h"
#include "tests/io/fdobject.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace
{

using namespace Kel::IO;
using TestIO::FdObject;
using TestIO::Pipe;

// Two pipes with a byte waiting in each, their read ends watched.
struct TwoReady
{
    Pipe a, b;
    FdObject in_a { a.read_end }, in_b { b.read_end };
    EventDispatcher d;

    TwoReady()
    {
        d.add(in_a);
        d.add(in_b);
        a.put("x");
        b.put("x");
    }
    std::size_t deliveries() const { return in_a.delivered.size() + in_b.delivered.size(); }
};

TEST(EventDispatcher, DeliversInputAsSignal)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    EventDispatcher d;
    d.add(in);
    d.add(in); // one slot, one pair of connections
    int data = 0;
    in.signal_data_available.connect([&] { ++data; });

    d.tick(false);
    EXPECT_EQ(data, 0);
    ASSERT_TRUE(pipe.put("x"));
    d.tick(false);
    EXPECT_EQ(data, 1);
    d.tick(true); // still unread, so ready at once
    EXPECT_EQ(data, 2);

    // A hang-up alone is delivered with no events.
    char c;
    ASSERT_EQ(in.read(&c, 1), 1u);
    pipe.close_write();
    d.tick(false);
    EXPECT_EQ(data, 2);
    EXPECT_EQ(in.delivered, (std::vector<PollEvent> { P_INPUT, P_INPUT, P_NONE }));
}

// A writer with pending bytes wants output readiness only until its handler
// has nothing left to write.
TEST(EventDispatcher, FollowsEventChangesMidRun)
{
    Pipe pipe;
    FdObject out(pipe.write_end, P_NONE);
    EventDispatcher d;
    d.add(out);
    EXPECT_THROW(d.tick(false), Kel::InvalidState); // nothing to poll
    int pending = 2;
    out.on_event_hook = [&](PollEvent ev)
    {
        if ((ev & P_OUTPUT) && --pending == 0)
            out.want(P_NONE);
    };
    out.want(P_OUTPUT);
    for (int i = 0; i < 5 && pending > 0; ++i)
        d.tick(false);
    EXPECT_EQ(pending, 0);
    EXPECT_EQ(out.delivered, (std::vector<PollEvent> { P_OUTPUT, P_OUTPUT }));
    EXPECT_THROW(d.tick(false), Kel::InvalidState);
}

// What a caller that waits on these descriptors together with its own sees.
TEST(EventDispatcher, PollSetFollowsWantedEvents)
{
    Pipe pipe;
    FdObject in(pipe.read_end), out(pipe.write_end, P_NONE);
    EventDispatcher d;
    d.add(in);
    d.add(out);
    using Set = std::vector<std::pair<int, short>>;
    auto set = [&]
    {
        Set found;
        for (const pollfd& p : d.get_poll_set())
            found.push_back({ p.fd, p.events });
        return found;
    };
    EXPECT_EQ(set(), (Set { { pipe.read_end, POLLIN } }));
    in.want(P_OUTPUT);
    EXPECT_EQ(set(), (Set { { pipe.read_end, POLLOUT } }));
    out.want(P_OUTPUT);
    in.want(P_NONE);
    EXPECT_EQ(set(), (Set { { pipe.write_end, POLLOUT } }));
    d.remove(out);
    d.remove(out); // not watched: nothing happens
    out.want(P_OUTPUT); // no longer followed
    EXPECT_TRUE(set().empty());
}

// Two ready objects: whichever is delivered first deletes, and so removes,
// the other, which must then not be delivered; next tick the survivor
// deletes itself, and the empty dispatcher returns at once. Any use of a
// deleted one crashes or is reported by ASan.
TEST(EventDispatcher, ObjectDeletedMidDispatch)
{
    Pipe a, b;
    EventDispatcher d;
    FdObject* objects[] = { new FdObject(a.read_end), new FdObject(b.read_end) };
    int deliveries = 0;
    for (int i = 0; i < 2; ++i)
    {
        d.add(*objects[i]);
        objects[i]->signal_data_available.connect(
            [&, i]
            {
                ++deliveries;
                FdObject*& victim = objects[1 - i] ? objects[1 - i] : objects[i];
                delete std::exchange(victim, nullptr);
            });
    }
    ASSERT_TRUE(a.put("x"));
    ASSERT_TRUE(b.put("x"));

    d.tick(false);
    EXPECT_EQ(deliveries, 1);
    d.tick(false);
    EXPECT_EQ(deliveries, 2); // the survivor was still watched
    EXPECT_EQ(objects[0], objects[1]);
    d.tick(true); // would wait for ever if it polled
}

TEST(EventDispatcher, ExceptionLeavesTickAndDropsTheRest)
{
    TwoReady t;
    int thrown = 0;
    t.in_a.on_event_hook = t.in_b.on_event_hook = [&](PollEvent)
    {
        ++thrown;
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(t.d.tick(false), std::runtime_error);
    EXPECT_EQ(thrown, 1);

    t.in_a.on_event_hook = t.in_b.on_event_hook = nullptr;
    t.d.tick(false);
    EXPECT_EQ(t.deliveries(), 3u);
}

TEST(EventDispatcher, NestedTick)
{
    TwoReady t;
    bool nested = false;
    t.in_a.on_event_hook = t.in_b.on_event_hook = [&](PollEvent)
    {
        if (!std::exchange(nested, true))
            t.d.tick(false);
    };
    t.d.tick(false);
    // Once in the nested tick, once more each after it.
    EXPECT_EQ(t.deliveries(), 4u);
}

} // namespace
