#include "libs/core/source/core/mutex.h"

#include <gtest/gtest.h>

#include <future>

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

} // namespace
