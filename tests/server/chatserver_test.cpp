// The real program on the loopback, with raw sockets for clients, so that
// they may misbehave.

#include "server/chatserver.h"

#include "common/connection.h"
#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace
{

using namespace servertest;

// A blocking socket with a 10 s receive time-out, from the loopback
// address source (host byte order).
int raw_connect(const std::string& address, in_addr_t source = INADDR_LOOPBACK)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval limit { 10, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    sockaddr_in from {};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(source);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof(from)), 0);
    sockaddr_in sin {};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<unsigned short>(std::stoi(address.substr(address.rfind(':') + 1))));
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&sin), sizeof(sin)), 0);
    return fd;
}

void raw_send(int fd, const std::string& data)
{
    EXPECT_EQ(::send(fd, data.data(), data.size(), MSG_NOSIGNAL), ssize_t(data.size()));
}

// What arrives until text has arrived, or, with an empty text, until the
// server closes the socket; either way at most until 10 s pass.
std::string raw_read_until(int fd, const std::string& text)
{
    std::string data;
    char buf[4096];
    for (ssize_t count; (text.empty() || data.find(text) == std::string::npos)
         && (count = ::recv(fd, buf, sizeof(buf), 0)) > 0;)
        data.append(buf, count);
    return data;
}

bool raw_received(int fd, const std::string& text)
{
    return raw_read_until(fd, text).find(text) != std::string::npos;
}

// Logged in, and the state the server announces read.
int raw_login(const std::string& address, const std::string& name, in_addr_t source = INADDR_LOOPBACK)
{
    const int fd = raw_connect(address, source);
    raw_send(fd, ";NAME;" + name + "\n");
    EXPECT_TRUE(raw_received(fd, name + ";ONLINE;1\n")) << name;
    return fd;
}

// Other bad lines are driven through the real server by the end-to-end tests.
TEST(ChatServer, LinesOverTheLimitAreDroppedAndTheNextOneRead)
{
    ServerProcess server;
    const int alice = raw_login(server.address, "Alice");
    const int fd = raw_login(server.address, "Mallory");
    raw_send(fd, "Mallory;TEXT;OOC;" + std::string(Connection::MAX_LINE_LENGTH + 10, 'x') + "\nMallory;TEXT;OOC;after\n");
    EXPECT_EQ(raw_read_until(alice, "after\n"), "*;ADDCHAR;Mallory;0\nMallory;ENTER;OOC\nMallory;ONLINE;1\nMallory;TEXT;OOC;after\n");
    EXPECT_TRUE(raw_received(fd, "*;ERROR;Line too long\n"));
    EXPECT_TRUE(server.wait_for_log("Line too long from 127.0.0.1:"));
    ::close(fd);
    ::close(alice);
}

const in_addr_t SECOND_LOOPBACK = 0x7f000002; // 127.0.0.2

TEST(ChatServer, TheGameMasterLogsInOnlyFromItsAddressesInAnySpelling)
{
    ServerProcess server({ "--gm-from", "127.0.0.1/32" });
    for (const char* name : { "GM", "gm" })
    {
        SCOPED_TRACE(name);
        const int fd = raw_connect(server.address, SECOND_LOOPBACK);
        raw_send(fd, std::string(";NAME;") + name + "\n");
        EXPECT_EQ(raw_read_until(fd, ""), "*;ERROR;The game master may only log in from 127.0.0.1/32\n");
        EXPECT_TRUE(server.wait_for_log(std::string("Refused game master login as ") + name + " from 127.0.0.2:"));
        ::close(fd);
    }
    // Others may log in from there, and the game master from its own address.
    const int alice = raw_login(server.address, "Alice", SECOND_LOOPBACK);
    const int gm = raw_login(server.address, "GM");
    EXPECT_EQ(server.count_in_log("Login: "), 2u);
    ::close(gm);
    ::close(alice);
}

TEST(ChatServer, AddressesOutsideTheAllowedRangesOrOverTheirLimitAreTurnedAway)
{
    ServerProcess server({ "--allow", "127.0.0.1", "--max-per-address", "2" });
    const int outsider = raw_connect(server.address, SECOND_LOOPBACK);
    EXPECT_EQ(raw_read_until(outsider, ""), "*;ERROR;This server does not accept connections from your address\n");
    EXPECT_TRUE(server.wait_for_log("Rejected connection from 127.0.0.2:"));

    const int first = raw_connect(server.address);
    const int second = raw_login(server.address, "Alice");
    const int third = raw_connect(server.address);
    EXPECT_EQ(raw_read_until(third, ""), "*;ERROR;Too many connections from your address\n");
    EXPECT_TRUE(server.wait_for_log("Rejected connection from 127.0.0.1:"));
    // A place that is given back can be taken again.
    ::close(first);
    ::close(third);
    EXPECT_TRUE(server.wait_for_log("terminated"));
    const int fourth = raw_login(server.address, "Bob");
    for (int fd : { outsider, second, fourth })
        ::close(fd);
}

TEST(ChatServer, ConnectionsThatDoNotLogInInTimeAreClosed)
{
    ServerProcess server({ "--login-timeout", "2" });
    const int first = raw_connect(server.address);
    std::this_thread::sleep_for(milliseconds(1000)); // the second's deadline is a second later
    const int second = raw_connect(server.address);
    const int alice = raw_login(server.address, "Alice");

    // Each waiting connection has its own deadline.
    EXPECT_EQ(raw_read_until(first, ""), "*;ERROR;Login timed out\n");
    char byte;
    EXPECT_EQ(::recv(second, &byte, 1, MSG_DONTWAIT), -1); // still open, nothing said
    EXPECT_EQ(raw_read_until(second, ""), "*;ERROR;Login timed out\n");
    EXPECT_TRUE(server.wait_for_log("Login timed out from 127.0.0.1:"));
    EXPECT_EQ(server.count_in_log("Login timed out from 127.0.0.1:"), 2u);

    // Logged in in time: kept, and newcomers are still welcome.
    raw_send(alice, "Alice;GETBIOGRAPHY;Alice\n");
    EXPECT_EQ(raw_read_until(alice, "Alice;BIOGRAPHY"), "Alice;BIOGRAPHY;\n");
    for (int fd : { first, second, alice, raw_login(server.address, "Bob") })
        ::close(fd);
    EXPECT_EQ(server.count_in_log("Login timed out"), 2u);
}

} // namespace
