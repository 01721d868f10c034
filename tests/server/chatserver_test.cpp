// The real program on the loopback, with clients on Connection, and raw
// sockets for clients that misbehave.

#include "server/chatserver.h"

#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace
{

using namespace servertest;

// A blocking socket with a 10 s receive time-out, or -1.
int raw_connect(const std::string& address)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval limit { 10, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    sockaddr_in sin {};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<unsigned short>(std::stoi(address.substr(address.rfind(':') + 1))));
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sin), sizeof(sin)) == 0)
        return fd;
    ::close(fd);
    return -1;
}

void raw_send(int fd, const std::string& data)
{
    for (std::size_t done = 0; done < data.size();)
    {
        ssize_t count = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (count <= 0)
            return;
        done += count;
    }
}

// Everything received until the server closes the socket (or 10 s pass).
std::string raw_read_all(int fd)
{
    std::string data;
    char buf[4096];
    for (ssize_t count; (count = ::recv(fd, buf, sizeof(buf), 0)) > 0;)
        data.append(buf, count);
    return data;
}

// Times the program has given up the processor of its own accord: a loop
// that polls shows here.
unsigned long voluntary_switches(const ServerProcess& server)
{
    std::istringstream in(read_file("/proc/" + std::to_string(server.pid) + "/status"));
    const std::string key = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, key.size(), key) == 0)
            return std::stoul(line.substr(key.size()));
    ADD_FAILURE() << "No " << key;
    return 0;
}

class ChatServerTest: public ::testing::Test
{
protected:
    Client& client(ServerProcess& server)
    {
        clients.emplace_back(new Client(dispatcher, server.address));
        return *clients.back();
    }

    Client& login(ServerProcess& server, const std::string& name)
    {
        Client& c = client(server);
        EXPECT_TRUE(c.login(name)) << name;
        return c;
    }

    Kel::IO::EventDispatcher dispatcher;
    std::vector<std::unique_ptr<Client>> clients;
};

TEST_F(ChatServerTest, BadInputNeverStopsTheServer)
{
    ServerProcess server;
    Client& alice = login(server, "Alice");

    // Lines that are not packets, and lines over 1 MiB, are dropped; the
    // lines after them are still read.
    int fd = raw_connect(server.address);
    raw_send(fd, ";NAME;Mallory\n");
    ASSERT_TRUE(alice.wait_for("Mallory;ONLINE;1"));
    alice.sync();
    raw_send(fd,
        std::string("\n;\n|\nGARBAGE\n\x01\x02\xff\n") + std::string(2000, 'x') + "\nMallory;TEXT;OOC;"
            + std::string(Connection::MAX_LINE_LENGTH + 10, 'x') + "\nMallory;TEXT;OOC;after\n");
    ASSERT_TRUE(alice.wait_for("Mallory;TEXT"));
    EXPECT_EQ(alice.received, Lines { "Mallory;TEXT;OOC;after" });
    alice.received.clear();
    for (const char* text : { "Malformed packet from 127.0.0.1:", "Line too long from 127.0.0.1:",
             "Rejected  from Mallory: Unknown command ''" })
        EXPECT_TRUE(server.wait_for_log(text)) << text;
    ::shutdown(fd, SHUT_WR);
    const std::string answers = raw_read_all(fd);
    ::close(fd);
    EXPECT_NE(answers.find("*;ERROR;Malformed packet\n"), std::string::npos) << answers;
    EXPECT_NE(answers.find("*;ERROR;Line too long\n"), std::string::npos) << answers;

    ASSERT_TRUE(alice.wait_for("Mallory;ONLINE;0"));
    alice.send({ "Alice;TEXT;OOC;still here" });
    EXPECT_EQ(alice.sync(), (Lines { "Mallory;ONLINE;0", "Mallory;WRITING;", "Alice;TEXT;OOC;still here" }));
}

// The time-out is woken by a timer armed only while somebody is waiting:
// the server does not poll, waiting or not.
TEST_F(ChatServerTest, ConnectionsThatDoNotLogInInTimeAreClosedWithoutPolling)
{
    ServerProcess server({ "--login-timeout", "2" });
    auto switches_while_idle = [&]
    {
        std::this_thread::sleep_for(milliseconds(300));
        const unsigned long before = voluntary_switches(server);
        std::this_thread::sleep_for(milliseconds(800));
        return voluntary_switches(server) - before;
    };
    const auto start = Clock::now();
    Client& first = client(server);
    EXPECT_LE(switches_while_idle(), 2u);
    Client& second = client(server);
    Client& alice = login(server, "Alice");

    // Each waiting connection has its own deadline.
    ASSERT_TRUE(first.pump_until([&] { return first.closed; }));
    EXPECT_GE(Clock::now() - start, milliseconds(1900));
    EXPECT_FALSE(second.closed);
    ASSERT_TRUE(second.pump_until([&] { return second.closed; }));
    for (Client* c : { &first, &second })
        EXPECT_EQ(c->received, Lines { "*;ERROR;Login timed out" });
    ASSERT_TRUE(server.wait_for_log("Login timed out from 127.0.0.1:"));
    EXPECT_EQ(server.count_in_log("Login timed out from 127.0.0.1:"), 2u);

    // Logged in in time: kept, and newcomers are still welcome.
    EXPECT_LE(switches_while_idle(), 2u);
    EXPECT_TRUE(alice.sync().empty());
    EXPECT_FALSE(alice.closed);
    login(server, "Bob");
    EXPECT_EQ(server.count_in_log("Login timed out"), 2u);
}

} // namespace
