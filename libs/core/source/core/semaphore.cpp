#include "libs/core/source/core/semaphore.h"

#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/timestamp.h"

#include <cerrno>

namespace Kel
{

Semaphore::Semaphore(): mutex(new Mutex), own_mutex(true), generation(0)
{
    pthread_cond_init(&sem, nullptr);
}

Semaphore::Semaphore(Mutex& mutex): mutex(&mutex), own_mutex(false), generation(0)
{
    pthread_cond_init(&sem, nullptr);
}

Semaphore::~Semaphore()
{
    if (own_mutex)
        delete mutex;
    pthread_cond_destroy(&sem);
}

void Semaphore::signal()
{
    ++generation;
    pthread_cond_signal(&sem);
}

void Semaphore::broadcast()
{
    ++generation;
    pthread_cond_broadcast(&sem);
}

void Semaphore::wait()
{
    unsigned start = generation;
    while (generation == start)
        pthread_cond_wait(&sem, &mutex->mutex);
}

int Semaphore::wait(const Time::TimeDelta& d)
{
    // The condition uses the default clock, CLOCK_REALTIME, which is what
    // now() reads.
    Time::TimeStamp deadline = Time::now() + d;
    timespec ts;
    Time::TimeDelta(deadline.raw()).fill_timespec(ts);

    unsigned start = generation;
    while (generation == start)
    {
        int err = pthread_cond_timedwait(&sem, &mutex->mutex, &ts);
        if (err == ETIMEDOUT)
            return generation == start ? 1 : 0;
        if (err != 0)
            return -1;
    }
    return 0;
}

} // namespace Kel
