#include "libs/io/source/poll.h"

#include "libs/core/source/core/except.h"
#include "libs/core/source/time/units.h"
#include "tests/io/fdobject.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

namespace
{

using namespace Kel::IO;
using TestIO::FdObject;
using TestIO::Pipe;
using TestIO::what_of;
namespace Time = Kel::Time;

TEST(Poll, SingleObject)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    FdObject out(pipe.write_end);

    EXPECT_EQ(poll(in, P_INPUT, Time::zero), P_NONE);
    EXPECT_EQ(poll(out, P_OUTPUT, Time::zero), P_OUTPUT);

    ASSERT_TRUE(pipe.put("x"));
    EXPECT_EQ(poll(in, P_INPUT | P_PRIO, Time::sec), P_INPUT);
    EXPECT_EQ(poll(in, P_INPUT), P_INPUT);
}

TEST(Poll, RejectsBadArguments)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    for (PollEvent e : { P_ERROR, P_INPUT | P_ERROR, PollEvent(16) })
    {
        SCOPED_TRACE(e);
        EXPECT_EQ(
            what_of<Kel::InvalidParameterValue>([&] { poll(in, e, Time::zero); }), "Invalid poll events");
        EXPECT_EQ(
            what_of<Kel::InvalidParameterValue>([&] { Poller().set_object(in, e); }), "Invalid poll events");
    }
    EXPECT_EQ(what_of<Kel::InvalidParameterValue>([&] { poll(in, P_INPUT, Time::zero - Time::usec); }),
        "Invalid timeout");
    Poller poller;
    poller.set_object(in, P_INPUT);
    EXPECT_EQ(
        what_of<Kel::InvalidParameterValue>([&] { poller.poll(Time::TimeDelta(-1)); }), "Invalid timeout");
}

// Either of two objects alone ready is reported alone, whatever their order.
TEST(Poller, ReportsOnlyReadyObjects)
{
    Pipe a, b;
    FdObject in_a(a.read_end), in_b(b.read_end);
    Poller poller;
    poller.set_object(in_a, P_INPUT);
    poller.set_object(in_b, P_INPUT);
    EXPECT_EQ(poller.poll(Time::zero), 0);
    ASSERT_TRUE(b.put("x"));
    ASSERT_EQ(poller.poll(Time::zero), 1);
    EXPECT_EQ(poller.get_result().front().object, &in_b);
    ASSERT_TRUE(a.put("y"));
    EXPECT_EQ(poller.poll(), 2);
    poller.set_object(in_b, P_NONE);
    ASSERT_EQ(poller.poll(Time::zero), 1);
    EXPECT_EQ(poller.get_result().front().object, &in_a);
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

// An object that has no descriptor to give.
class Handleless: public FdObject
{
public:
    Handleless(): FdObject(-1, P_NONE) { }
    int get_event_handle() override { throw std::logic_error("no handle"); }
};

TEST(Poller, RefusedObjectLeavesNoTrace)
{
    Handleless h;
    Poller poller;
    EXPECT_THROW(poller.set_object(h, P_INPUT), std::logic_error);
    EXPECT_THROW(poller.set_object(h, P_ERROR), Kel::InvalidParameterValue);
    EXPECT_THROW(poller.poll(Time::zero), Kel::InvalidState);
    poller.set_object(h, P_NONE); // the handle is not needed to remove
}

} // namespace
