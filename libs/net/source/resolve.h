#ifndef KEL_NET_RESOLVE_H
#define KEL_NET_RESOLVE_H

#include "libs/net/source/constants.h"
#include "libs/net/source/sockaddr.h"

#include <string>

namespace Kel
{
namespace Net
{

// Looks up "host" or "host:service" ("localhost:7254", "example.org:http")
// and returns a new address owned by the caller. Without a service the port
// is 0. Of the results the first IPv4 one is taken, so "localhost" reaches
// 127.0.0.1 even where the system lists ::1 first; when there is none,
// Kel::InvalidParameterValue "Unknown address family" is thrown. A failed
// lookup throws Kel::Exception "Can't resolve '<host>': <resolver's text>".
SockAddr* resolve(const std::string& address, Family family);

} // namespace Net
} // namespace Kel

#endif
