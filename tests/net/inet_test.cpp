#include "libs/net/source/inet.h"

#include <gtest/gtest.h>

#include <tuple>

using Kel::Net::InetAddr;

TEST(InetAddr, PrintsAddressBytesInNetworkOrderAndPortInHostOrder)
{
    const std::tuple<in_addr_t, in_port_t, const char*> cases[] = {
        { 0x7F000001, 7254, "127.0.0.1:7254" },
        { 0, 0, "0.0.0.0:0" },
        { 0xFFFFFFFF, 65535, "255.255.255.255:65535" },
    };
    for (const auto& [addr, port, text] : cases)
        EXPECT_EQ(text, InetAddr(addr, port).str());
    EXPECT_EQ("0.0.0.0:0", InetAddr().str());
}
