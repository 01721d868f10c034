#ifndef KEL_NET_INET_H
#define KEL_NET_INET_H

#include "libs/net/source/sockaddr.h"

#include <netinet/in.h>

namespace Kel
{
namespace Net
{

// An IPv4 address and port. Both are stored in network byte order; only the
// constructor from host-order values converts.
class InetAddr: public SockAddr
{
public:
    // 0.0.0.0, port 0.
    InetAddr();
    explicit InetAddr(const sockaddr_in& sin);
    // addr and port in host byte order: InetAddr(0x7F000001, 7254) is
    // 127.0.0.1:7254.
    InetAddr(in_addr_t addr, in_port_t port);

    Family get_family() const override { return INET; }
    std::string str() const override;
    unsigned fill_sockaddr(sockaddr& sa) const override;
    SockAddr* copy() const override;

    // Network byte order.
    in_addr_t get_addr() const { return addr; }
    // Network byte order.
    in_port_t get_port() const { return port; }

private:
    in_addr_t addr;
    in_port_t port;
};

} // namespace Net
} // namespace Kel

#endif
