#ifndef PARLANE_TESTS_NET_LOOPBACK_H
#define PARLANE_TESTS_NET_LOOPBACK_H

// Helpers for socket tests: everything stays on 127.0.0.1, ports are picked
// by the kernel, and every wait gives up after a bounded number of ticks.

#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/net/source/inet.h"
#include "libs/net/source/serversocket.h"
#include "tests/io/fdobject.h"

#include <functional>

#include <sys/socket.h>

namespace Loopback
{

inline Kel::Net::InetAddr address(in_port_t port)
{
    return Kel::Net::InetAddr(0x7F000001, port);
}

// The address a socket is bound to, with the port the kernel picked.
inline Kel::Net::InetAddr bound_address(Kel::Net::Socket& sock)
{
    sockaddr_in sin {};
    socklen_t length = sizeof(sin);
    getsockname(sock.get_event_handle(), reinterpret_cast<sockaddr*>(&sin), &length);
    return Kel::Net::InetAddr(sin);
}

inline Kel::Net::ServerSocket* listen()
{
    auto* server = new Kel::Net::ServerSocket(Kel::Net::INET, 0);
    server->bind(address(0));
    server->listen(16);
    return server;
}

// A port on 127.0.0.1 that is bound but not listening: connecting to it is
// refused, and no other test can take it meanwhile.
struct ClosedPort
{
    Kel::Net::StreamSocket holder { Kel::Net::INET, 0 };
    Kel::Net::InetAddr address = (holder.bind(Loopback::address(0)), bound_address(holder));
};

// Ticks without blocking, sleeping a millisecond between ticks, until done()
// holds or max_ticks have passed; returns done().
inline bool tick_until(
    Kel::IO::EventDispatcher& disp, const std::function<bool()>& done, int max_ticks = 5000)
{
    for (int i = 0; i < max_ticks && !done(); ++i)
    {
        disp.tick(false);
        if (!done())
            Kel::Time::sleep(Kel::Time::msec);
    }
    return done();
}

} // namespace Loopback

#endif
