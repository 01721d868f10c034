#include "libs/core/source/core/mutex.h"

namespace Kel
{

Mutex::Mutex()
{
    pthread_mutex_init(&mutex, nullptr);
}

Mutex::~Mutex()
{
    pthread_mutex_destroy(&mutex);
}

void Mutex::lock()
{
    pthread_mutex_lock(&mutex);
}

bool Mutex::trylock()
{
    return pthread_mutex_trylock(&mutex) == 0;
}

void Mutex::unlock()
{
    pthread_mutex_unlock(&mutex);
}

} // namespace Kel
