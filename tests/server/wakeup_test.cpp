#include "server/wakeup.h"

#include "libs/io/source/eventdispatcher.h"

#include <gtest/gtest.h>

// A wake-up that blocked on a full pipe would hang the signal handler.
TEST(WakeUp, ManyWakeUpsCountAsOne)
{
    Kel::IO::EventDispatcher dispatcher;
    WakeUp wake_up;
    dispatcher.add(wake_up);
    for (int i = 0; i < 100000; ++i)
        wake_up.wake();
    dispatcher.tick(false);
    char byte;
    EXPECT_EQ(wake_up.read(&byte, 1), 0u);
}
