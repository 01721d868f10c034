#include "libs/net/source/inet.h"

#include <gtest/gtest.h>

using Kel::Net::InetAddr;

TEST(InetAddr, PrintsAddressBytesInNetworkOrderAndPortInHostOrder)
{
    struct Case
    {
        in_addr_t addr;
        in_port_t port;
        const char* text;
    };
    const Case cases[] = {
        { 0x7F000001, 7254, "127.0.0.1:7254" },
        { 0, 0, "0.0.0.0:0" },
        { 0xFFFFFFFF, 65535, "255.255.255.255:65535" },
        { 0xC0A80A01, 80, "192.168.10.1:80" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.text, InetAddr(c.addr, c.port).str());
    }
    EXPECT_EQ("0.0.0.0:0", InetAddr().str());
}
