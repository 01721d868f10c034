#include "libs/io/source/eventdispatcher.h"

#include "libs/core/source/core/except.h"
#include "tests/io/fdobject.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace
{

using namespace Kel::IO;
using TestIO::FdObject;
using TestIO::Pipe;

void expect_nothing_to_poll(EventDispatcher& d)
{
    try
    {
        d.tick(false);
        FAIL() << "no exception";
    }
    catch (const Kel::InvalidState& e)
    {
        EXPECT_STREQ(e.what(), "Nothing to poll");
    }
}

TEST(EventDispatcher, EmptyTickReturnsAtOnce)
{
    EventDispatcher d;
    d.tick(false);
    d.tick(true); // would wait for ever if it polled
}

TEST(EventDispatcher, ObjectWantingNothingIsNotPolled)
{
    Pipe pipe;
    FdObject in(pipe.read_end, P_NONE);
    EventDispatcher d;
    d.add(in);
    expect_nothing_to_poll(d);

    in.want(P_INPUT);
    d.tick(false);
    ASSERT_TRUE(pipe.put("x"));
    d.tick(false);
    EXPECT_EQ(in.delivered, std::vector<PollEvent> { P_INPUT });
}

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
    EXPECT_EQ(in.delivered, (std::vector<PollEvent> { P_INPUT, P_INPUT }));
}

TEST(EventDispatcher, FollowsEventChanges)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    FdObject out(pipe.write_end, P_NONE);
    EventDispatcher d;
    d.add(in);
    d.add(out);
    ASSERT_TRUE(pipe.put("x"));

    in.want(P_NONE);
    expect_nothing_to_poll(d);

    in.want(P_INPUT);
    out.want(P_OUTPUT);
    d.tick(false);
    EXPECT_EQ(in.delivered, std::vector<PollEvent> { P_INPUT });
    EXPECT_EQ(out.delivered, std::vector<PollEvent> { P_OUTPUT });
}

// What a caller that waits on these descriptors together with its own sees.
TEST(EventDispatcher, PollSetFollowsWantedEvents)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    FdObject out(pipe.write_end, P_NONE);
    EventDispatcher d;
    d.add(in);
    d.add(out);
    auto set = [&]
    {
        std::vector<std::pair<int, short>> found;
        for (const pollfd& p : d.get_poll_set())
            found.push_back({ p.fd, p.events });
        return found;
    };
    EXPECT_EQ(set(), (std::vector<std::pair<int, short>> { { pipe.read_end, POLLIN } }));

    out.want(P_OUTPUT);
    in.want(P_NONE);
    EXPECT_EQ(set(), (std::vector<std::pair<int, short>> { { pipe.write_end, POLLOUT } }));

    d.remove(out);
    EXPECT_TRUE(set().empty());
}

// The way a writer with pending bytes uses it: output readiness is wanted
// only until the handler has nothing left to write.
TEST(EventDispatcher, OutputWantedOnlyWhilePending)
{
    Pipe pipe;
    FdObject out(pipe.write_end, P_NONE);
    EventDispatcher d;
    d.add(out);
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
    EXPECT_EQ(out.delivered.size(), 2u);
    expect_nothing_to_poll(d);
}

TEST(EventDispatcher, RemoveStopsDelivery)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    FdObject never(pipe.write_end);
    EventDispatcher d;
    d.remove(never); // not watched: nothing happens
    d.add(in);
    ASSERT_TRUE(pipe.put("x"));

    d.remove(in);
    d.tick(false);
    in.want(P_INPUT); // no longer followed
    d.tick(false);
    EXPECT_TRUE(in.delivered.empty());
}

TEST(EventDispatcher, DestroyedObjectLeaves)
{
    Pipe pipe;
    EventDispatcher d;
    auto in = std::make_unique<FdObject>(pipe.read_end);
    d.add(*in);
    ASSERT_TRUE(pipe.put("x"));
    in.reset();
    d.tick(false); // empty again: returns without polling
}

// Two ready objects; whichever is delivered first deletes the other, which
// must then not be delivered. ASan reports any use of the deleted one.
TEST(EventDispatcher, ObjectDeletedMidDispatch)
{
    Pipe a, b;
    EventDispatcher d;
    FdObject* first = new FdObject(a.read_end);
    FdObject* second = new FdObject(b.read_end);
    d.add(*first);
    d.add(*second);
    int deliveries = 0;
    first->signal_data_available.connect(
        [&]
        {
            ++deliveries;
            delete second;
            second = nullptr;
        });
    second->signal_data_available.connect(
        [&]
        {
            ++deliveries;
            delete first;
            first = nullptr;
        });
    ASSERT_TRUE(a.put("x"));
    ASSERT_TRUE(b.put("x"));

    d.tick(false);
    EXPECT_EQ(deliveries, 1);
    d.tick(false);
    EXPECT_EQ(deliveries, 2); // the survivor is still watched
    delete first;
    delete second;
}

TEST(EventDispatcher, ObjectDeletesItselfMidDispatch)
{
    Pipe pipe;
    EventDispatcher d;
    FdObject* in = new FdObject(pipe.read_end);
    d.add(*in);
    in->signal_data_available.connect([&] { delete in; });
    ASSERT_TRUE(pipe.put("x"));
    d.tick(false);
    d.tick(false);
}

TEST(EventDispatcher, ObjectRemovedMidDispatch)
{
    Pipe a, b;
    FdObject in_a(a.read_end), in_b(b.read_end);
    EventDispatcher d;
    d.add(in_a);
    d.add(in_b);
    in_a.on_event_hook = [&](PollEvent) { d.remove(in_b); };
    in_b.on_event_hook = [&](PollEvent) { d.remove(in_a); };
    ASSERT_TRUE(a.put("x"));
    ASSERT_TRUE(b.put("x"));

    d.tick(false);
    EXPECT_EQ(in_a.delivered.size() + in_b.delivered.size(), 1u);
}

TEST(EventDispatcher, ExceptionLeavesTickAndDropsTheRest)
{
    Pipe a, b;
    FdObject in_a(a.read_end), in_b(b.read_end);
    EventDispatcher d;
    d.add(in_a);
    d.add(in_b);
    int thrown = 0;
    auto thrower = [&](PollEvent)
    {
        ++thrown;
        throw std::runtime_error("handler failed");
    };
    in_a.on_event_hook = thrower;
    in_b.on_event_hook = thrower;
    ASSERT_TRUE(a.put("x"));
    ASSERT_TRUE(b.put("x"));

    EXPECT_THROW(d.tick(false), std::runtime_error);
    EXPECT_EQ(thrown, 1);

    in_a.on_event_hook = nullptr;
    in_b.on_event_hook = nullptr;
    d.tick(false);
    EXPECT_EQ(in_a.delivered.size() + in_b.delivered.size(), 3u);
}

TEST(EventDispatcher, NestedTick)
{
    Pipe a, b;
    FdObject in_a(a.read_end), in_b(b.read_end);
    EventDispatcher d;
    d.add(in_a);
    d.add(in_b);
    bool nested = false;
    auto tick_again = [&](PollEvent)
    {
        if (!nested)
        {
            nested = true;
            d.tick(false);
        }
    };
    in_a.on_event_hook = tick_again;
    in_b.on_event_hook = tick_again;
    ASSERT_TRUE(a.put("x"));
    ASSERT_TRUE(b.put("x"));

    d.tick(false);
    // Once in the nested tick, once more each after it.
    EXPECT_EQ(in_a.delivered.size() + in_b.delivered.size(), 4u);
}

TEST(EventDispatcher, HangUpDeliversNoEvents)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    EventDispatcher d;
    d.add(in);
    int data = 0;
    in.signal_data_available.connect([&] { ++data; });
    pipe.close_write();

    d.tick(false);
    EXPECT_EQ(data, 0);
    EXPECT_EQ(in.delivered, std::vector<PollEvent> { P_NONE });
}

TEST(EventDispatcher, DestroyedBeforeItsObjects)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    {
        EventDispatcher d;
        d.add(in);
    }
    // Neither reaches the dispatcher that is gone; ASan would see it.
    in.want(P_OUTPUT);
    in.want(P_INPUT);
}

} // namespace
