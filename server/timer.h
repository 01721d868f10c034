#ifndef PARLANE_SERVER_TIMER_H
#define PARLANE_SERVER_TIMER_H

#include "libs/io/source/base.h"

#include <chrono>

// A one-shot alarm that an EventDispatcher watches like a socket: once
// armed, the dispatcher's blocking tick returns when the time is up. While
// disarmed it never becomes ready, so an idle loop still sleeps in the poll
// instead of waking up to look at the clock. Built on a timerfd on the
// monotonic clock, so changing the system time does not move it.
class Timer: public Kel::IO::Base
{
public:
    // Throws Kel::SystemError when the timer cannot be made.
    Timer();
    ~Timer() override;
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Goes off once after delay, replacing any earlier setting; a delay of
    // zero or less goes off at once.
    void arm(std::chrono::steady_clock::duration delay);
    // Stops it; an expiry not yet reported is forgotten.
    void disarm();

    bool is_armed() const { return armed; }

    int get_event_handle() override { return fd; }

protected:
    unsigned do_read(char* buf, unsigned size) override;
    unsigned do_write(const char* buf, unsigned size) override;
    // Takes the expiry so that the timer is not reported again.
    void on_event(Kel::IO::PollEvent ev) override;

private:
    void set(long seconds, long nanoseconds);

    int fd;
    bool armed;
};

#endif
