#ifndef KEL_NET_CONSTANTS_H
#define KEL_NET_CONSTANTS_H

#include <sys/socket.h>

namespace Kel
{
namespace Net
{

// Address families, with the platform's own values so that they can be
// handed to socket() and getaddrinfo() unchanged.
enum Family
{
    UNSPEC = AF_UNSPEC,
    UNIF = AF_UNIX,
    INET = AF_INET,
    INET6 = AF_INET6
};

} // namespace Net
} // namespace Kel

#endif
