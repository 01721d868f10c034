#include "libs/core/source/core/mutex.h"

#include <gtest/gtest.h>

#include <future>
#include <mutex>
#include <thread>

namespace
{

TEST(Mutex, TrylockFailsWhileAnotherThreadHoldsIt)
{
    Kel::Mutex mutex;
    auto try_elsewhere = [&mutex]
    {
        return std::async(std::launch::async, [&mutex] { return mutex.trylock() && (mutex.unlock(), true); })
            .get();
    };
    mutex.lock();
    EXPECT_FALSE(try_elsewhere());
    mutex.unlock();
    EXPECT_TRUE(try_elsewhere());
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
