#include "server/wakeup.h"

#include "libs/io/source/eventdispatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace
{

TEST(WakeUp, EndsABlockingTickFromAnotherThread)
{
    Kel::IO::EventDispatcher dispatcher;
    WakeUp wake_up;
    dispatcher.add(wake_up);
    std::thread waker(
        [&]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            wake_up.wake();
        });
    dispatcher.tick(true);
    waker.join();
}

TEST(WakeUp, ManyWakeUpsCountAsOne)
{
    Kel::IO::EventDispatcher dispatcher;
    WakeUp wake_up;
    dispatcher.add(wake_up);
    // More than a pipe holds: the extra ones are simply lost.
    for (int i = 0; i < 100000; ++i)
        wake_up.wake();
    dispatcher.tick(false);
    // Drained: nothing is ready any more.
    char byte;
    EXPECT_EQ(wake_up.read(&byte, 1), 0u);
}

} // namespace
