#ifndef KEL_CORE_SEMAPHORE_H
#define KEL_CORE_SEMAPHORE_H

#include "libs/core/source/core/mutex.h"
#include "libs/core/source/time/timedelta.h"

#include <pthread.h>

#include <atomic>

namespace Kel
{

// A wake-up signal for threads, not a counter: signal() wakes one waiter,
// and a signal given while nobody waits is lost.
//
// The waiter holds get_mutex() while it checks its condition and calls
// wait(), which releases the mutex while blocked and holds it again on
// return. A signaller that must not slip between that check and the wait
// signals while holding the same mutex.
class Semaphore
{
public:
    Semaphore();
    // Waits on an existing mutex, which the semaphore does not own.
    explicit Semaphore(Mutex& mutex);
    ~Semaphore();
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    void signal();
    void broadcast();

    // Blocks until signalled. The caller must hold get_mutex().
    void wait();
    // Waits at most d: 1 if the time ran out, 0 if signalled, -1 on any other
    // failure. The caller must hold get_mutex().
    int wait(const Time::TimeDelta& d);

    Mutex& get_mutex() { return *mutex; }

private:
    Mutex* mutex;
    bool own_mutex;
    pthread_cond_t sem;
    // Counts signals, so that a wait ends only on a signal given after it
    // started and never on a spurious wake-up of the condition.
    std::atomic<unsigned> generation;
};

} // namespace Kel

#endif
