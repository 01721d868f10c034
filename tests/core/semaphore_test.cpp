#include "libs/core/source/core/semaphore.h"

#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace
{

using Kel::Time::msec;

TEST(Semaphore, TimedWaitRunsOut)
{
    Kel::Semaphore sem;
    std::lock_guard<Kel::Mutex> lock(sem.get_mutex());
    Kel::Time::TimeStamp start = Kel::Time::now();
    EXPECT_EQ(1, sem.wait(20 * msec));
    EXPECT_GE(Kel::Time::now() - start, 20 * msec);
    EXPECT_EQ(1, sem.wait(Kel::Time::zero));
    EXPECT_EQ(1, sem.wait(-1 * msec));
}

TEST(Semaphore, SignalGivenWhileNobodyWaitsIsLost)
{
    Kel::Semaphore sem;
    sem.signal();
    sem.broadcast();
    std::lock_guard<Kel::Mutex> lock(sem.get_mutex());
    EXPECT_EQ(1, sem.wait(10 * msec));
}

// The waiter marks itself under the mutex before it waits; a signaller that
// sees the mark under the same mutex knows the waiter is blocked.
TEST(Semaphore, SignalWakesAWaiter)
{
    Kel::Semaphore sem;
    bool waiting = false;
    int result = -2;
    std::thread waiter(
        [&]
        {
            std::lock_guard<Kel::Mutex> lock(sem.get_mutex());
            waiting = true;
            result = sem.wait(10 * Kel::Time::sec);
        });
    for (bool ready = false; !ready;)
    {
        std::lock_guard<Kel::Mutex> lock(sem.get_mutex());
        ready = waiting;
        if (ready)
            sem.signal();
    }
    waiter.join();
    EXPECT_EQ(0, result);
}

TEST(Semaphore, UntimedWaitEndsOnSignal)
{
    Kel::Semaphore sem;
    bool waiting = false;
    std::thread waiter(
        [&]
        {
            std::lock_guard<Kel::Mutex> lock(sem.get_mutex());
            waiting = true;
            sem.wait();
        });
    for (bool ready = false; !ready;)
    {
        std::lock_guard<Kel::Mutex> lock(sem.get_mutex());
        ready = waiting;
        if (ready)
            sem.signal();
    }
    waiter.join();
}

TEST(Semaphore, BroadcastWakesEveryWaiterOnASharedMutex)
{
    Kel::Mutex mutex;
    Kel::Semaphore sem(mutex);
    int waiting = 0;
    std::atomic<int> woken { 0 };
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back(
            [&]
            {
                std::lock_guard<Kel::Mutex> lock(mutex);
                ++waiting;
                if (sem.wait(10 * Kel::Time::sec) == 0)
                    ++woken;
            });
    for (bool ready = false; !ready;)
    {
        std::lock_guard<Kel::Mutex> lock(mutex);
        ready = waiting == 3;
        if (ready)
            sem.broadcast();
    }
    for (std::thread& t : waiters)
        t.join();
    EXPECT_EQ(3, woken);
}

} // namespace
