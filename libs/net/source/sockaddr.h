#ifndef KEL_NET_SOCKADDR_H
#define KEL_NET_SOCKADDR_H

#include "libs/net/source/constants.h"

#include <string>

#include <sys/socket.h>

namespace Kel
{
namespace Net
{

// A socket address of any family. Sockets keep their addresses through this
// interface and hand them to the platform with fill_sockaddr().
class SockAddr
{
public:
    virtual Family get_family() const = 0;

    // Printable form, such as "127.0.0.1:7254".
    virtual std::string str() const = 0;

    // Writes the platform structure into sa, which must have room for the
    // family's structure (sockaddr_storage always does); returns its length.
    virtual unsigned fill_sockaddr(sockaddr& sa) const = 0;

    // A new heap copy; the caller owns it.
    virtual SockAddr* copy() const = 0;

    virtual ~SockAddr();

    // The address kind for a platform structure, owned by the caller.
    // Only AF_INET is known; any other family throws
    // Kel::InvalidParameterValue "Unknown address family".
    static SockAddr* create(const sockaddr& sa);

protected:
    SockAddr() = default;
    SockAddr(const SockAddr&) = default;
    SockAddr& operator=(const SockAddr&) = default;
};

} // namespace Net
} // namespace Kel

#endif
