// Connections that never log in, against the real program with the login
// time-out shortened to a second or two.

#include "server/chatserver.h"

#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace
{

using servertest::Client;
using servertest::Clock;
using servertest::ServerProcess;
using std::chrono::milliseconds;

bool told_timed_out(const Client& client)
{
    const Packet* error = client.find("ERROR");
    return error && error->get_parameter_count() == 1 && error->get_parameter(0) == "Login timed out";
}

// Times the program has given up the processor of its own accord: each
// return from a wait in the poll counts, so a loop that polls shows here.
unsigned long voluntary_switches(const ServerProcess& server)
{
    std::ifstream in("/proc/" + std::to_string(server.pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, 24, "voluntary_ctxt_switches:") == 0)
            return std::stoul(line.substr(24));
    ADD_FAILURE() << "No voluntary_ctxt_switches for " << server.pid;
    return 0;
}

} // namespace

TEST(ChatServerLogin, SilentConnectionIsToldAndClosedAfterTheTimeOut)
{
    ServerProcess server({ "--login-timeout", "1" });
    Kel::IO::EventDispatcher dispatcher;
    const auto start = Clock::now();
    Client silent(dispatcher, server.address);
    ASSERT_TRUE(silent.pump_until([&] { return silent.closed; }));
    EXPECT_GE(Clock::now() - start, milliseconds(900));
    EXPECT_TRUE(told_timed_out(silent)) << testing::PrintToString(servertest::lines_of(silent.received));
    ASSERT_TRUE(server.wait_for_log("Login timed out from 127.0.0.1:")) << server.log();
    EXPECT_EQ(1u, server.count_in_log("Login timed out"));
}

TEST(ChatServerLogin, LoggedInClientsAndTheServerOutliveTheTimeOut)
{
    ServerProcess server({ "--login-timeout", "1" });
    Kel::IO::EventDispatcher dispatcher;
    Client alice(dispatcher, server.address);
    ASSERT_TRUE(alice.login("Alice"));
    std::this_thread::sleep_for(milliseconds(1500));
    alice.sync();
    EXPECT_FALSE(alice.closed);
    EXPECT_FALSE(told_timed_out(alice));

    // A newcomer after the time-out is still welcome while it is in time.
    Client bob(dispatcher, server.address);
    ASSERT_TRUE(bob.login("Bob"));
    EXPECT_EQ(0u, server.count_in_log("Login timed out"));
}

TEST(ChatServerLogin, EachWaitingConnectionGetsItsOwnDeadline)
{
    ServerProcess server({ "--login-timeout", "1" });
    Kel::IO::EventDispatcher dispatcher;
    Client first(dispatcher, server.address);
    std::this_thread::sleep_for(milliseconds(500));
    Client second(dispatcher, server.address);
    Client alice(dispatcher, server.address);
    ASSERT_TRUE(alice.login("Alice"));

    ASSERT_TRUE(first.pump_until([&] { return first.closed; }));
    // Half a second is left for the second, far above the time it takes to
    // notice the first.
    EXPECT_FALSE(second.closed);
    ASSERT_TRUE(second.pump_until([&] { return second.closed; }));
    EXPECT_TRUE(told_timed_out(first));
    EXPECT_TRUE(told_timed_out(second));
    ASSERT_TRUE(server.wait_for_log("Login timed out from"));
    EXPECT_EQ(2u, server.count_in_log("Login timed out from 127.0.0.1:"));

    alice.sync();
    EXPECT_FALSE(alice.closed);
}

TEST(ChatServerLogin, WaitingForALoginDoesNotPoll)
{
    ServerProcess server({ "--login-timeout", "2" });
    Kel::IO::EventDispatcher dispatcher;
    Client silent(dispatcher, server.address);
    // The accept has been handled once the server is idle again.
    std::this_thread::sleep_for(milliseconds(300));
    const unsigned long waiting = voluntary_switches(server);
    std::this_thread::sleep_for(milliseconds(800));
    EXPECT_LE(voluntary_switches(server) - waiting, 2u);

    ASSERT_TRUE(silent.pump_until([&] { return silent.closed; }));
    std::this_thread::sleep_for(milliseconds(300));
    const unsigned long idle = voluntary_switches(server);
    std::this_thread::sleep_for(milliseconds(800));
    EXPECT_LE(voluntary_switches(server) - idle, 2u);
}

TEST(ChatServerLogin, InvalidTimeOutsAreRefused)
{
    const char* const values[] = { "0", "-1", "abc", "", "86401" };
    for (const char* value : values)
    {
        SCOPED_TRACE(value);
        ServerProcess server({ "--login-timeout", value }, false);
        EXPECT_NE(0, server.wait_exit());
        EXPECT_NE(std::string::npos, server.log().find("Invalid login time-out")) << server.log();
    }
}
