#include "libs/net/source/resolve.h"

#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <memory>

using Kel::Net::resolve;
using Kel::Net::SockAddr;

TEST(Resolve, NumericHostAndPort)
{
    std::unique_ptr<SockAddr> addr(resolve("127.0.0.1:7254", Kel::Net::UNSPEC));
    EXPECT_EQ(Kel::Net::INET, addr->get_family());
    EXPECT_EQ("127.0.0.1:7254", addr->str());
}

TEST(Resolve, HostWithoutColonHasPortZero)
{
    std::unique_ptr<SockAddr> addr(resolve("127.0.0.1", Kel::Net::UNSPEC));
    EXPECT_EQ("127.0.0.1:0", addr->str());
}

// Systems that list ::1 first for "localhost" must still give the IPv4
// loopback, or a client could not reach a server on its own machine.
TEST(Resolve, LocalhostGivesIPv4Loopback)
{
    std::unique_ptr<SockAddr> addr(resolve("localhost:80", Kel::Net::UNSPEC));
    EXPECT_EQ("127.0.0.1:80", addr->str());
}

TEST(Resolve, IPv6OnlyResultIsUnknownFamily)
{
    try
    {
        delete resolve("localhost:80", Kel::Net::INET6);
        // A resolver that has no IPv6 entry for localhost fails the lookup
        // instead, which the next branch accepts.
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::InvalidParameterValue& e)
    {
        EXPECT_STREQ("Unknown address family", e.what());
    }
    catch (const Kel::Exception& e)
    {
        EXPECT_EQ(0u, std::string(e.what()).find("Can't resolve 'localhost': ")) << e.what();
    }
}

TEST(Resolve, FailureNamesHostWithoutPort)
{
    struct Case
    {
        const char* address;
        const char* prefix;
    };
    const Case cases[] = {
        { "no-such-host.invalid:7254", "Can't resolve 'no-such-host.invalid': " },
        { "127.0.0.1:no-such-service", "Can't resolve '127.0.0.1': " },
        { ":", "Can't resolve '': " },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.address);
        try
        {
            delete resolve(c.address, Kel::Net::UNSPEC);
            ADD_FAILURE() << "no exception";
        }
        catch (const Kel::Exception& e)
        {
            std::string what = e.what();
            EXPECT_EQ(0u, what.find(c.prefix)) << what;
            EXPECT_GT(what.size(), std::string(c.prefix).size()) << "resolver's text missing";
        }
    }
}
