#include "libs/net/source/streamsocket.h"

#include "libs/core/source/core/except.h"
#include "libs/io/source/poll.h"
#include "libs/strings/source/formatter.h"

#include <cerrno>
#include <cstring>

namespace Kel
{
namespace Net
{

StreamSocket::StreamSocket(Family family, int protocol):
    Socket(family, SOCK_STREAM, protocol), connecting(false)
{
}

StreamSocket::StreamSocket(int handle, const SockAddr& peer): Socket(handle, peer), connecting(false)
{
    set_events(IO::P_INPUT);
}

int StreamSocket::connect(const SockAddr& addr)
{
    check_state(R_OPEN);
    if (connected)
        throw InvalidState("Socket is already connected");

    sockaddr_storage storage;
    sockaddr& sa = reinterpret_cast<sockaddr&>(storage);
    unsigned length = addr.fill_sockaddr(sa);
    bool under_way = false;
    if (::connect(handle, &sa, length) < 0)
    {
        int err = errno;
        if (err != EINPROGRESS)
            throw Exception(format("Unable to connect: %s", std::strerror(err)));
        under_way = true;
        connecting = true;
        set_events(IO::P_OUTPUT);
    }

    SockAddr* peer = addr.copy();
    delete peer_addr;
    peer_addr = peer;
    update_local_address();

    if (under_way)
        return 1;
    connected = true;
    set_events(IO::P_INPUT);
    signal_connect_finished.emit(0);
    return 0;
}

int StreamSocket::poll_connect(const Time::TimeDelta& timeout)
{
    check_state(R_OPEN);
    if (!connecting)
        throw InvalidState("No connection attempt going on");
    if (IO::poll(*this, IO::P_OUTPUT, timeout) == IO::P_NONE)
        return 1;

    connecting = false;
    int error = take_pending_error();
    if (error != 0)
    {
        set_events(IO::P_NONE);
        throw Exception(format("Connection failed: %s", std::strerror(error)));
    }
    connected = true;
    set_events(IO::P_INPUT);
    return 0;
}

void StreamSocket::start_output_watch()
{
    check_state(R_CONNECTED);
    set_events(get_events() | IO::P_OUTPUT);
}

void StreamSocket::stop_output_watch()
{
    if (handle < 0 || !connected)
        return;
    set_events(get_events() & ~IO::P_OUTPUT);
}

void StreamSocket::on_event(IO::PollEvent ev)
{
    if (connecting)
    {
        if ((ev & (IO::P_OUTPUT | IO::P_ERROR)) == IO::P_NONE)
            return;
        int error = take_pending_error();
        connecting = false;
        connected = (error == 0);
        if (error != 0)
        {
            delete peer_addr;
            peer_addr = nullptr;
        }
        set_events(error == 0 ? IO::P_INPUT : IO::P_NONE);
        // Last, since a receiver may delete the socket; the copy keeps the
        // slot list alive until the emission is over.
        sigc::signal<void, int> finished = signal_connect_finished;
        finished.emit(error);
        return;
    }
    // A result polled before the watch was stopped is not passed on.
    if (connected && (ev & get_events() & IO::P_OUTPUT) != IO::P_NONE)
    {
        sigc::signal<void> ready = signal_output_ready;
        ready.emit();
    }
}

int StreamSocket::take_pending_error()
{
    int error = 0;
    socklen_t length = sizeof(error);
    if (get_option(SOL_SOCKET, SO_ERROR, &error, &length) < 0)
        return errno;
    return error;
}

} // namespace Net
} // namespace Kel
