#ifndef PARLANE_TESTS_NET_LOOPBACK_H
#define PARLANE_TESTS_NET_LOOPBACK_H

// Helpers for socket tests: everything stays on 127.0.0.1, ports are picked
// by the kernel, and every wait gives up after a bounded number of ticks.

#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/net/source/inet.h"
#include "libs/net/source/serversocket.h"

#include <functional>

namespace Loopback
{

const in_addr_t LOCALHOST = 0x7F000001;

// 127.0.0.1 with the given port (host order).
inline Kel::Net::InetAddr address(in_port_t port)
{
    return Kel::Net::InetAddr(LOCALHOST, port);
}

// The port (host order) a socket is bound to.
inline in_port_t port_of(const Kel::Net::Socket& sock)
{
    const auto& addr = dynamic_cast<const Kel::Net::InetAddr&>(sock.get_local_address());
    return ntohs(addr.get_port());
}

// A listening socket on 127.0.0.1 with a port the kernel picked.
inline Kel::Net::ServerSocket* listen()
{
    auto* server = new Kel::Net::ServerSocket(Kel::Net::INET, 0);
    server->bind(address(0));
    server->listen(16);
    return server;
}

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
