#include "libs/net/source/sockaddr.h"

#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>

using Kel::Net::SockAddr;

TEST(SockAddr, CreatesInetAddressFromPlatformStructure)
{
    sockaddr_in sin;
    std::memset(&sin, 0, sizeof(sin));
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(0x7F000001);
    sin.sin_port = htons(7254);
    std::unique_ptr<SockAddr> addr(SockAddr::create(reinterpret_cast<const sockaddr&>(sin)));
    EXPECT_EQ(Kel::Net::INET, addr->get_family());
    EXPECT_EQ("127.0.0.1:7254", addr->str());
}

TEST(SockAddr, RejectsOtherFamilies)
{
    for (int family : { AF_INET6, AF_UNIX, AF_UNSPEC })
    {
        SCOPED_TRACE(family);
        sockaddr_storage storage;
        std::memset(&storage, 0, sizeof(storage));
        storage.ss_family = static_cast<sa_family_t>(family);
        try
        {
            delete SockAddr::create(reinterpret_cast<const sockaddr&>(storage));
            ADD_FAILURE() << "no exception";
        }
        catch (const Kel::InvalidParameterValue& e)
        {
            EXPECT_STREQ("Unknown address family", e.what());
        }
    }
}
