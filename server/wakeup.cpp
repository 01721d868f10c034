#include "server/wakeup.h"

#include "libs/core/source/core/except.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

WakeUp::WakeUp()
{
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) < 0)
        throw Kel::SystemError("Can't create a pipe", errno);
    read_end = fds[0];
    write_end = fds[1];
    set_events(Kel::IO::P_INPUT);
}

WakeUp::~WakeUp()
{
    set_events(Kel::IO::P_NONE);
    ::close(read_end);
    ::close(write_end);
}

void WakeUp::wake()
{
    // A full pipe already holds a wake-up; nothing else can go wrong here
    // that a signal handler could act on.
    char byte = 1;
    ssize_t ignored = ::write(write_end, &byte, 1);
    (void)ignored;
}

unsigned WakeUp::do_read(char* buf, unsigned size)
{
    ssize_t count = ::read(read_end, buf, size);
    return count > 0 ? static_cast<unsigned>(count) : 0;
}

unsigned WakeUp::do_write(const char* buf, unsigned size)
{
    ssize_t count = ::write(write_end, buf, size);
    return count > 0 ? static_cast<unsigned>(count) : 0;
}

void WakeUp::on_event(Kel::IO::PollEvent ev)
{
    if (!(ev & Kel::IO::P_INPUT))
        return;
    char buf[64];
    while (do_read(buf, sizeof(buf)) > 0)
    {
    }
}
