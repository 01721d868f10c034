#ifndef PARLANE_TESTS_IO_FDOBJECT_H
#define PARLANE_TESTS_IO_FDOBJECT_H

#include "libs/io/source/base.h"

#include <cstring>
#include <functional>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace TestIO
{

// An I/O object over a descriptor it does not own, whose wanted events the
// test sets, and which records the events delivered to on_event.
class FdObject: public Kel::IO::Base
{
public:
    explicit FdObject(int fd, Kel::IO::PollEvent wanted = Kel::IO::P_INPUT): fd(fd) { set_events(wanted); }

    void want(Kel::IO::PollEvent wanted) { set_events(wanted); }
    int get_event_handle() override { return fd; }

    std::vector<Kel::IO::PollEvent> delivered;
    std::function<void(Kel::IO::PollEvent)> on_event_hook;

protected:
    void on_event(Kel::IO::PollEvent ev) override
    {
        delivered.push_back(ev);
        if (on_event_hook)
            on_event_hook(ev);
    }

    unsigned do_write(const char* buf, unsigned size) override
    {
        ssize_t n = ::write(fd, buf, size);
        return n < 0 ? 0 : n;
    }

    unsigned do_read(char* buf, unsigned size) override
    {
        ssize_t n = ::read(fd, buf, size);
        if (n == 0)
            eof_flag = true;
        return n < 0 ? 0 : n;
    }

private:
    int fd;
};

// Both ends of a non-blocking pipe, closed on destruction.
struct Pipe
{
    int read_end = -1;
    int write_end = -1;

    Pipe()
    {
        int fds[2];
        if (::pipe2(fds, O_NONBLOCK) == 0)
        {
            read_end = fds[0];
            write_end = fds[1];
        }
    }
    ~Pipe()
    {
        close_read();
        close_write();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    void close_read()
    {
        if (read_end >= 0)
            ::close(read_end);
        read_end = -1;
    }
    void close_write()
    {
        if (write_end >= 0)
            ::close(write_end);
        write_end = -1;
    }
    bool put(const char* text) { return ::write(write_end, text, strlen(text)) > 0; }
};

} // namespace TestIO

#endif
