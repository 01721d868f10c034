#include "libs/core/source/core/mutex.h"
#include "libs/core/source/core/semaphore.h"
#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

namespace
{

using Kel::Time::msec;

TEST(Mutex, TrylockFailsWhileAnotherThreadHoldsIt)
{
    Kel::Mutex mutex;
    auto try_elsewhere = [&mutex]
    { return std::async([&mutex] { return mutex.trylock() && (mutex.unlock(), true); }).get(); };
    mutex.lock();
    EXPECT_FALSE(try_elsewhere());
    mutex.unlock();
    EXPECT_TRUE(try_elsewhere());
}

TEST(Semaphore, TimedWaitRunsOut)
{
    Kel::Semaphore sem;
    // A signal given while nobody waits is lost.
    sem.signal();
    sem.broadcast();
    std::lock_guard<Kel::Mutex> lock(sem.get_mutex());
    EXPECT_EQ(1, sem.wait(20 * msec));
    EXPECT_EQ(1, sem.wait(-1 * msec));
}

// Each waiter marks itself under the mutex before it waits; a waker that
// sees every mark under the same mutex knows they all are blocked.
TEST(Semaphore, SignalAndBroadcastWakeWaiters)
{
    Kel::Mutex shared;
    Kel::Semaphore own, on_shared(shared);
    const std::tuple<Kel::Semaphore*, int, bool> cases[]
        = { { &own, 1, true }, { &own, 1, false }, { &on_shared, 3, true } };
    for (const auto& [sem, count, timed] : cases)
    {
        SCOPED_TRACE(testing::Message() << count << " waiters, timed " << timed);
        int waiting = 0;
        std::atomic<int> woken { 0 };
        std::vector<std::thread> waiters;
        for (int i = 0; i < count; ++i)
            waiters.emplace_back(
                [&, sem = sem, timed = timed]
                {
                    std::lock_guard<Kel::Mutex> lock(sem->get_mutex());
                    ++waiting;
                    if (!timed)
                        sem->wait();
                    else if (sem->wait(10 * Kel::Time::sec) != 0)
                        return;
                    ++woken;
                });
        for (bool ready = false; !ready;)
        {
            std::lock_guard<Kel::Mutex> lock(sem->get_mutex());
            if ((ready = waiting == count))
                count == 1 ? sem->signal() : sem->broadcast();
        }
        for (std::thread& t : waiters)
            t.join();
        EXPECT_EQ(count, woken);
    }
}

} // namespace
