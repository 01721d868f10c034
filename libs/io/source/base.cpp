#include "libs/io/source/base.h"

#include "libs/core/source/core/except.h"

#include <cerrno>

#include <fcntl.h>

namespace Kel
{
namespace IO
{

namespace
{

// A signal destroyed while it emits (a handler deleted the object) would
// leave its connections' bookkeeping behind; disconnecting every slot first
// releases it. During an emission sigc++ only marks the slots, so the running
// handler is not destroyed under itself.
template <typename Signal> void disconnect_all(Signal& signal)
{
    auto slots = signal.slots();
    for (auto i = slots.begin(); i != slots.end();)
    {
        auto current = i++;
        current->disconnect();
    }
}

} // namespace

Base::Base(): mode(M_READ), events(P_NONE), eof_flag(false), alive_(std::make_shared<bool>(true)) { }

Base::~Base()
{
    *alive_ = false;
    signal_deleted.emit();

    disconnect_all(signal_data_available);
    disconnect_all(signal_end_of_file);
    disconnect_all(signal_closing);
    disconnect_all(signal_closed);
    disconnect_all(signal_events_changed);
    disconnect_all(signal_deleted);
}

void Base::set_block(bool) { }

unsigned Base::write(const char* buf, unsigned size)
{
    return do_write(buf, size);
}

unsigned Base::write(const std::string& data)
{
    return do_write(data.data(), data.size());
}

unsigned Base::put(char c)
{
    return do_write(&c, 1);
}

unsigned Base::read(char* buf, unsigned size)
{
    return do_read(buf, size);
}

int Base::get()
{
    char c;
    if (do_read(&c, 1) == 0)
        return -1;
    return static_cast<unsigned char>(c);
}

bool Base::getline(std::string& line)
{
    line.clear();
    if (eof_flag)
        return false;

    while (true)
    {
        int c = get();
        if (c == -1 || c == '\n')
            break;
        line += static_cast<char>(c);
    }

    return !eof_flag || !line.empty();
}

void Base::event(PollEvent ev)
{
    if (ev & P_INPUT)
    {
        std::shared_ptr<bool> alive = alive_;
        signal_data_available.emit();
        if (!*alive)
            return;
    }
    on_event(ev);
}

void Base::set_descriptor_block(int fd, bool block, const char* failure)
{
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0)
        throw SystemError(failure, errno);
    if (block)
        flags &= ~O_NONBLOCK;
    else
        flags |= O_NONBLOCK;
    if (fcntl(fd, F_SETFL, flags) < 0)
        throw SystemError(failure, errno);
    mode = block ? mode & ~M_NONBLOCK : mode | M_NONBLOCK;
}

void Base::set_events(PollEvent e)
{
    events = e;
    signal_events_changed.emit(e);
}

void Base::on_event(PollEvent) { }

} // namespace IO
} // namespace Kel
