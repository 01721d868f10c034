#include "libs/io/source/poll.h"

#include "libs/core/source/core/except.h"
#include "libs/core/source/time/units.h"
#include "tests/io/fdobject.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <stdexcept>

namespace
{

using namespace Kel::IO;
using TestIO::FdObject;
using TestIO::Pipe;
namespace Time = Kel::Time;

// An object that has no descriptor to give.
class Handleless: public FdObject
{
public:
    Handleless(): FdObject(-1, P_NONE) { }
    int get_event_handle() override { throw std::logic_error("no handle"); }
};

PollEvent ready_events(const Poller& poller, const Base& obj)
{
    for (const Poller::Slot& s : poller.get_result())
        if (s.object == &obj)
            return s.events;
    return PollEvent(-1);
}

TEST(Poll, SingleObject)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    FdObject out(pipe.write_end);

    EXPECT_EQ(poll(in, P_INPUT, Time::zero), P_NONE);
    // Below one millisecond only looks.
    EXPECT_EQ(poll(in, P_INPUT, Time::usec * 500), P_NONE);
    EXPECT_EQ(poll(out, P_OUTPUT, Time::zero), P_OUTPUT);
    EXPECT_EQ(poll(out, P_OUTPUT), P_OUTPUT);

    ASSERT_TRUE(pipe.put("x"));
    EXPECT_EQ(poll(in, P_INPUT | P_PRIO, Time::sec), P_INPUT);
    EXPECT_EQ(poll(in, P_INPUT), P_INPUT);
}

TEST(Poll, RejectsBadArguments)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    const PollEvent bad[] = { P_ERROR, P_INPUT | P_ERROR, PollEvent(16) };
    for (PollEvent e : bad)
    {
        SCOPED_TRACE(e);
        try
        {
            poll(in, e, Time::zero);
            FAIL() << "no exception";
        }
        catch (const Kel::InvalidParameterValue& ex)
        {
            EXPECT_STREQ(ex.what(), "Invalid poll events");
        }
    }
    try
    {
        poll(in, P_INPUT, Time::zero - Time::usec);
        FAIL() << "no exception";
    }
    catch (const Kel::InvalidParameterValue& ex)
    {
        EXPECT_STREQ(ex.what(), "Invalid timeout");
    }
}

TEST(Poller, NothingToPoll)
{
    Poller poller;
    Pipe pipe;
    FdObject in(pipe.read_end);
    poller.set_object(in, P_NONE); // removing what is not there does nothing

    for (int i = 0; i < 2; ++i)
    {
        try
        {
            poller.poll(Time::zero);
            FAIL() << "no exception";
        }
        catch (const Kel::InvalidState& e)
        {
            EXPECT_STREQ(e.what(), "Nothing to poll");
        }
        poller.set_object(in, P_INPUT);
        poller.set_object(in, P_NONE);
    }
}

TEST(Poller, ReportsOnlyReadyObjects)
{
    Pipe a, b;
    FdObject in_a(a.read_end), in_b(b.read_end);
    Poller poller;
    poller.set_object(in_a, P_INPUT);
    poller.set_object(in_b, P_INPUT);

    EXPECT_EQ(poller.poll(Time::zero), 0);
    EXPECT_TRUE(poller.get_result().empty());

    ASSERT_TRUE(b.put("x"));
    EXPECT_EQ(poller.poll(Time::zero), 1);
    ASSERT_EQ(poller.get_result().size(), 1u);
    EXPECT_EQ(poller.get_result().front().object, &in_b);
    EXPECT_EQ(poller.get_result().front().events, P_INPUT);

    ASSERT_TRUE(a.put("y"));
    EXPECT_EQ(poller.poll(), 2);
    EXPECT_EQ(ready_events(poller, in_a), P_INPUT);
    EXPECT_EQ(ready_events(poller, in_b), P_INPUT);

    poller.set_object(in_b, P_NONE);
    EXPECT_EQ(poller.poll(Time::zero), 1);
    EXPECT_EQ(poller.get_result().front().object, &in_a);
}

TEST(Poller, ChangedEventsTakeEffect)
{
    Pipe pipe;
    FdObject out(pipe.write_end);
    Poller poller;
    poller.set_object(out, P_INPUT);
    EXPECT_EQ(poller.poll(Time::zero), 0);

    poller.set_object(out, P_INPUT | P_OUTPUT);
    EXPECT_EQ(poller.poll(Time::zero), 1);
    EXPECT_EQ(poller.get_result().front().events, P_OUTPUT);
}

TEST(Poller, HangUpAloneIsListedWithNoEvents)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    Poller poller;
    poller.set_object(in, P_INPUT);
    pipe.close_write();

    // An empty pipe without writers reports POLLHUP alone.
    EXPECT_EQ(poller.poll(Time::zero), 1);
    ASSERT_EQ(poller.get_result().size(), 1u);
    EXPECT_EQ(poller.get_result().front().events, P_NONE);
}

TEST(Poller, ErrorIsReported)
{
    Pipe pipe;
    FdObject out(pipe.write_end);
    Poller poller;
    poller.set_object(out, P_OUTPUT);
    pipe.close_read();

    // Linux reports POLLERR on a pipe's write end once the reader is gone.
    EXPECT_EQ(poller.poll(Time::zero), 1);
    EXPECT_EQ(poller.get_result().front().events & P_ERROR, P_ERROR);
}

TEST(Poller, RefusedObjectLeavesNoTrace)
{
    Handleless h;
    Poller poller;
    EXPECT_THROW(poller.set_object(h, P_INPUT), std::logic_error);
    EXPECT_THROW(poller.set_object(h, P_ERROR), Kel::InvalidParameterValue);
    EXPECT_THROW(poller.poll(Time::zero), Kel::InvalidState);
    poller.set_object(h, P_NONE); // the handle is not needed to remove
}

TEST(Poller, RejectsNegativeTimeout)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    Poller poller;
    poller.set_object(in, P_INPUT);
    EXPECT_THROW(poller.poll(Time::TimeDelta(-1)), Kel::InvalidParameterValue);
}

} // namespace
