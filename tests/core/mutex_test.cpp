#include "libs/core/source/core/mutex.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace
{

TEST(Mutex, TrylockFailsWhileAnotherThreadHoldsIt)
{
    Kel::Mutex mutex;
    mutex.lock();
    bool acquired = true;
    std::thread other([&] { acquired = mutex.trylock(); });
    other.join();
    EXPECT_FALSE(acquired);
    mutex.unlock();

    std::thread again(
        [&]
        {
            acquired = mutex.trylock();
            if (acquired)
                mutex.unlock();
        });
    again.join();
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
    std::thread a(work);
    std::thread b(work);
    a.join();
    b.join();
    EXPECT_EQ(200000, counter);
}

} // namespace
