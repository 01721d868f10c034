#ifndef KEL_CORE_MUTEX_H
#define KEL_CORE_MUTEX_H

#include <pthread.h>

namespace Kel
{

// A plain POSIX mutex with default attributes: not recursive, so a thread
// that locks it twice deadlocks. Also usable with std::lock_guard.
class Mutex
{
public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock();
    // True if the mutex was free and is now held by the caller.
    bool trylock();
    void unlock();

    // The lowercase names that std::lock_guard and std::unique_lock expect.
    bool try_lock() { return trylock(); }

private:
    friend class Semaphore;

    pthread_mutex_t mutex;
};

} // namespace Kel

#endif
