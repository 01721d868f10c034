#include "server/access.h"

#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <netinet/in.h>

namespace
{

TEST(AddressRange, MatchesThePrefixBitsOfItsFamily)
{
    const struct
    {
        const char* range;
        const char* address;
        bool inside;
    } cases[] = {
        { "127.0.0.1", "127.0.0.1", true },
        { "127.0.0.1", "127.0.0.2", false },
        { "127.0.0.0/8", "127.255.0.9", true },
        { "192.168.1.128/25", "192.168.1.200", true },
        { "192.168.1.128/25", "192.168.1.127", false },
        { "10.0.0.0/0", "203.0.113.9", true },
        { "0.0.0.0/0", "::1", false },
        { "::1", "::1", true },
        { "2001:db8::/33", "2001:db8:7fff::1", true },
        { "2001:db8::/33", "2001:db8:8000::1", false },
        // A mapped IPv4 address is the IPv4 address.
        { "192.0.2.0/24", "::ffff:192.0.2.7", true },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.range) + " " + c.address);
        EXPECT_EQ(AddressRange(c.range).contains(HostAddress(c.address)), c.inside);
    }
}

TEST(AddressRange, BadTextThrowsAndGoodTextPrintsCut)
{
    for (const char* bad :
        { "", "localhost", "127.0.0.1/", "127.0.0.1/33", "::1/129", "127.0.0.1/8x", "127.0.0.1/99999999999999999999" })
    {
        SCOPED_TRACE(bad);
        EXPECT_THROW(AddressRange range(bad), Kel::InvalidParameterValue);
    }
    EXPECT_EQ(AddressRange("192.168.1.77/24").str(), "192.168.1.0/24");
}

TEST(HostAddress, FromSocketAddressesOfBothFamilies)
{
    sockaddr_in sin {};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(0x7f000002);
    sin.sin_port = htons(7254);
    EXPECT_EQ(HostAddress(reinterpret_cast<const sockaddr&>(sin)).str(), "127.0.0.2");

    sockaddr_in6 sin6 {};
    sin6.sin6_family = AF_INET6;
    sin6.sin6_addr = in6addr_loopback;
    EXPECT_EQ(HostAddress(reinterpret_cast<const sockaddr&>(sin6)).str(), "::1");

    sockaddr other {};
    other.sa_family = AF_UNIX;
    EXPECT_THROW(HostAddress address(other), Kel::InvalidParameterValue);
}

} // namespace
