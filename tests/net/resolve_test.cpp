#include "libs/net/source/resolve.h"

#include "tests/io/fdobject.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <utility>

using Kel::Net::resolve;
using Kel::Net::SockAddr;

// "localhost": systems that list ::1 first must still give the IPv4
// loopback, or a client could not reach a server on its own machine.
TEST(Resolve, GivesFirstIPv4Address)
{
    const std::pair<const char*, const char*> cases[] = {
        { "127.0.0.1:7254", "127.0.0.1:7254" },
        { "127.0.0.1", "127.0.0.1:0" },
        { "localhost:80", "127.0.0.1:80" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        std::unique_ptr<SockAddr> addr(resolve(c.first, Kel::Net::UNSPEC));
        EXPECT_EQ(Kel::Net::INET, addr->get_family());
        EXPECT_EQ(c.second, addr->str());
    }
}

TEST(Resolve, FailureNamesHostWithoutPort)
{
    const std::tuple<const char*, Kel::Net::Family, std::string> cases[] = {
        { "no-such-host.invalid:7254", Kel::Net::UNSPEC, "Can't resolve 'no-such-host.invalid': " },
        { "127.0.0.1:no-such-service", Kel::Net::UNSPEC, "Can't resolve '127.0.0.1': " },
        // A resolver without an IPv6 entry for localhost fails the lookup;
        // one with only that entry gives no IPv4 address.
        { "localhost:80", Kel::Net::INET6, "Can't resolve 'localhost': " },
    };
    for (const auto& [address, family, prefix] : cases)
    {
        SCOPED_TRACE(address);
        std::string what = TestIO::what_of([a = address, f = family] { delete resolve(a, f); });
        if (family == Kel::Net::INET6 && what == "Unknown address family")
            continue;
        EXPECT_EQ(0u, what.find(prefix)) << what;
        EXPECT_GT(what.size(), prefix.size()) << "resolver's text missing";
    }
}
