#include "libs/net/source/sockaddr.h"

#include "libs/core/source/core/except.h"
#include "libs/net/source/inet.h"

#include <cstring>

#include <netinet/in.h>

namespace Kel
{
namespace Net
{

SockAddr::~SockAddr() = default;

SockAddr* SockAddr::create(const sockaddr& sa)
{
    if (sa.sa_family != AF_INET)
        throw InvalidParameterValue("Unknown address family");
    sockaddr_in sin;
    std::memcpy(&sin, &sa, sizeof(sin));
    return new InetAddr(sin);
}

} // namespace Net
} // namespace Kel
