#include "libs/core/source/core/mutex.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace
{

TEST(Mutex, TrylockFailsWhileAnotherThreadHoldsIt)
{
    Kel::Mutex mutex;
    bool acquired = true;
    auto try_elsewhere = [&]
    {
        std::thread(
            [&]
            {
                if ((acquired = mutex.trylock()))
                    mutex.unlock();
            })
            .join();
    };
    mutex.lock();
    try_elsewhere();
    EXPECT_FALSE(acquired);
    mutex.unlock();
    try_elsewhere();
    EXPECT_TRUE(acquired);
}

TEST(Mutex, ExcludesConcurrentUpdates)
{
    Kel::Mutex mutex;
    long counter = 0;
    auto work = [&]
    {
        for (int i = 0; i < 100000; ++i)
        {
            std::lock_guard<Kel::Mutex> lock(mutex);
            ++counter;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(200000, counter);
}

} // namespace
