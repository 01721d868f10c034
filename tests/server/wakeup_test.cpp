#include "server/wakeup.h"

#include "libs/io/source/eventdispatcher.h"
#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

namespace
{

using servertest::readable_within;
using std::chrono::milliseconds;

// More wake-ups than the pipe holds must neither block (wake() runs in a
// signal handler) nor leave the dispatcher waking again and again.
TEST(WakeUp, ManyWakeUpsCountAsOne)
{
    Kel::IO::EventDispatcher dispatcher;
    WakeUp wake_up;
    dispatcher.add(wake_up);
    EXPECT_FALSE(readable_within(wake_up, milliseconds(20)));
    for (int i = 0; i < 100000; ++i)
        wake_up.wake();
    EXPECT_TRUE(readable_within(wake_up, milliseconds(1000)));
    dispatcher.tick(false);
    EXPECT_FALSE(readable_within(wake_up, milliseconds(20)));
}

} // namespace
