#include "libs/net/source/inet.h"

#include "libs/strings/source/formatter.h"

#include <cstring>

#include <arpa/inet.h>

namespace Kel
{
namespace Net
{

InetAddr::InetAddr(): addr(0), port(0) { }

InetAddr::InetAddr(const sockaddr_in& sin): addr(sin.sin_addr.s_addr), port(sin.sin_port) { }

InetAddr::InetAddr(in_addr_t addr, in_port_t port): addr(htonl(addr)), port(htons(port)) { }

std::string InetAddr::str() const
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&addr);
    return format(
        "%d.%d.%d.%d:%d", int(bytes[0]), int(bytes[1]), int(bytes[2]), int(bytes[3]), int(ntohs(port)));
}

unsigned InetAddr::fill_sockaddr(sockaddr& sa) const
{
    sockaddr_in sin;
    std::memset(&sin, 0, sizeof(sin));
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = addr;
    sin.sin_port = port;
    std::memcpy(&sa, &sin, sizeof(sin));
    return sizeof(sin);
}

SockAddr* InetAddr::copy() const
{
    return new InetAddr(*this);
}

} // namespace Net
} // namespace Kel
