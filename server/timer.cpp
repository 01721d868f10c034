#include "server/timer.h"

#include "libs/core/source/core/except.h"

#include <cerrno>

#include <sys/timerfd.h>
#include <unistd.h>

Timer::Timer(): armed(false)
{
    fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0)
        throw Kel::SystemError("Can't create a timer", errno);
    set_events(Kel::IO::P_INPUT);
}

Timer::~Timer()
{
    set_events(Kel::IO::P_NONE);
    ::close(fd);
}

void Timer::arm(std::chrono::steady_clock::duration delay)
{
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(delay).count();
    // An all-zero setting would disarm the timer instead.
    if (nanoseconds <= 0)
        set(0, 1);
    else
        set(static_cast<long>(nanoseconds / 1000000000), static_cast<long>(nanoseconds % 1000000000));
    armed = true;
}

void Timer::disarm()
{
    if (!armed)
        return;
    set(0, 0);
    armed = false;
}

void Timer::set(long seconds, long nanoseconds)
{
    itimerspec spec {};
    spec.it_value.tv_sec = seconds;
    spec.it_value.tv_nsec = nanoseconds;
    if (::timerfd_settime(fd, 0, &spec, nullptr) < 0)
        throw Kel::SystemError("Can't set a timer", errno);
}

unsigned Timer::do_read(char* buf, unsigned size)
{
    ssize_t count = ::read(fd, buf, size);
    return count > 0 ? static_cast<unsigned>(count) : 0;
}

unsigned Timer::do_write(const char*, unsigned)
{
    return 0;
}

void Timer::on_event(Kel::IO::PollEvent ev)
{
    if (!(ev & Kel::IO::P_INPUT))
        return;
    char expirations[8];
    if (do_read(expirations, sizeof(expirations)) > 0)
        armed = false;
}
