#include "libs/io/source/base.h"

namespace Kel {
namespace IO {

Base::Base(): mode(M_READ), events(P_NONE), eof_flag(false), alive_(std::make_shared<bool>(true))
{ }

Base::~Base()
{
    *alive_ = false;
    signal_deleted.emit();
}

void Base::set_block(bool)
{ }

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

void Base::set_events(PollEvent e)
{
    events = e;
    signal_events_changed.emit(e);
}

void Base::on_event(PollEvent)
{ }

} // namespace IO
} // namespace Kel
