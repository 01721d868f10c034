#ifndef PARLANE_TESTS_IO_FDOBJECT_H
#define PARLANE_TESTS_IO_FDOBJECT_H

#include "libs/core/source/core/except.h"
#include "libs/io/source/base.h"

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
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
        return std::max<ssize_t>(0, ::write(fd, buf, size));
    }
    unsigned do_read(char* buf, unsigned size) override
    {
        ssize_t n = ::read(fd, buf, size);
        eof_flag = eof_flag || n == 0;
        return std::max<ssize_t>(0, n);
    }

private:
    int fd;
};

struct Pipe
{
    int read_end = -1;
    int write_end = -1;

    Pipe()
    {
        int fds[2];
        if (::pipe2(fds, O_NONBLOCK) == 0)
            std::tie(read_end, write_end) = std::tie(fds[0], fds[1]);
    }
    ~Pipe()
    {
        close_read();
        close_write();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    void close_read() { ::close(std::exchange(read_end, -1)); }
    void close_write() { ::close(std::exchange(write_end, -1)); }
    bool put(const std::string& text) { return ::write(write_end, text.data(), text.size()) > 0; }
};

// The message of the E that f throws, or what happened instead.
template <typename E = Kel::Exception, typename F> std::string what_of(F f)
{
    try
    {
        f();
    }
    catch (const E& e)
    {
        return e.what();
    }
    catch (const std::exception& e)
    {
        return std::string("wrong exception: ") + e.what();
    }
    return "no exception";
}

} // namespace TestIO

#endif
