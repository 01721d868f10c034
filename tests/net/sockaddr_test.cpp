#include "libs/net/source/sockaddr.h"

#include "libs/net/source/inet.h"
#include "tests/io/fdobject.h"

#include <gtest/gtest.h>

#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>

using Kel::Net::SockAddr;

TEST(SockAddr, CreatesInetAddressOnly)
{
    sockaddr_storage storage {};
    sockaddr_in& sin = reinterpret_cast<sockaddr_in&>(storage);
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(0x7F000001);
    sin.sin_port = htons(7254);
    const sockaddr& sa = reinterpret_cast<const sockaddr&>(storage);
    std::unique_ptr<SockAddr> addr(SockAddr::create(sa));
    EXPECT_EQ(Kel::Net::INET, addr->get_family());
    EXPECT_EQ("127.0.0.1:7254", addr->str());

    // Address bytes in network order, the port in host order.
    EXPECT_EQ("255.255.255.255:65535", Kel::Net::InetAddr(0xFFFFFFFF, 65535).str());

    storage.ss_family = AF_INET6;
    EXPECT_EQ("Unknown address family",
        TestIO::what_of<Kel::InvalidParameterValue>([&] { delete SockAddr::create(sa); }));
}
