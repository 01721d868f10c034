#include "libs/net/source/streamsocket.h"

#include "libs/core/source/core/except.h"
#include "tests/net/loopback.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

using Kel::IO::EventDispatcher;
using Kel::Net::ServerSocket;
using Kel::Net::StreamSocket;

namespace
{

// A port on 127.0.0.1 that is bound but not listening: connecting to it is
// refused, and no other test can take it meanwhile.
struct ClosedPort
{
    StreamSocket holder { Kel::Net::INET, 0 };
    Kel::Net::InetAddr address;

    ClosedPort()
    {
        holder.bind(Loopback::address(0));
        // getsockname tells the port the kernel picked.
        int fd = holder.get_event_handle();
        sockaddr_in sin;
        socklen_t length = sizeof(sin);
        getsockname(fd, reinterpret_cast<sockaddr*>(&sin), &length);
        address = Kel::Net::InetAddr(sin);
    }
};

// A client socket connected to an accepted one, both non-blocking.
struct Pair
{
    std::unique_ptr<ServerSocket> server { Loopback::listen() };
    std::unique_ptr<StreamSocket> client { new StreamSocket(Kel::Net::INET, 0) };
    std::unique_ptr<StreamSocket> accepted;

    Pair()
    {
        client->set_block(false);
        client->connect(Loopback::address(Loopback::port_of(*server)));
        for (int i = 0; i < 5000 && client->get_connecting(); ++i)
            client->poll_connect(Kel::Time::msec);
        accepted.reset(server->accept());
        if (accepted)
            accepted->set_block(false);
    }
};

} // namespace

TEST(StreamSocket, RefusedConnectEndsThroughDispatcher)
{
    ClosedPort port;
    EventDispatcher disp;
    StreamSocket sock(Kel::Net::INET, 0);
    sock.set_block(false);
    disp.add(sock);
    std::vector<int> results;
    sock.signal_connect_finished.connect([&](int error) { results.push_back(error); });

    ASSERT_EQ(1, sock.connect(port.address));
    EXPECT_TRUE(sock.get_connecting());
    EXPECT_EQ(Kel::IO::P_OUTPUT, sock.get_events());
    ASSERT_TRUE(Loopback::tick_until(disp, [&] { return !results.empty(); }));

    EXPECT_EQ(std::vector<int> { ECONNREFUSED }, results);
    EXPECT_FALSE(sock.get_connected());
    EXPECT_FALSE(sock.get_connecting());
    EXPECT_EQ(Kel::IO::P_NONE, sock.get_events());
    try
    {
        sock.get_peer_address();
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::InvalidState& e)
    {
        EXPECT_STREQ("Peer address not set", e.what());
    }
}

TEST(StreamSocket, ConnectSucceedsThroughDispatcher)
{
    std::unique_ptr<ServerSocket> server(Loopback::listen());
    Kel::Net::InetAddr target = Loopback::address(Loopback::port_of(*server));
    EventDispatcher disp;
    StreamSocket sock(Kel::Net::INET, 0);
    sock.set_block(false);
    disp.add(sock);
    std::vector<int> results;
    sock.signal_connect_finished.connect([&](int error) { results.push_back(error); });

    sock.connect(target);
    ASSERT_TRUE(Loopback::tick_until(disp, [&] { return !results.empty(); }));
    EXPECT_EQ(std::vector<int> { 0 }, results);
    EXPECT_TRUE(sock.get_connected());
    EXPECT_EQ(Kel::IO::P_INPUT, sock.get_events());
    EXPECT_EQ(target.str(), sock.get_peer_address().str());
}

TEST(StreamSocket, PollConnectReportsSuccessWithoutSignal)
{
    std::unique_ptr<ServerSocket> server(Loopback::listen());
    StreamSocket sock(Kel::Net::INET, 0);
    sock.set_block(false);
    int emitted = 0;
    sock.signal_connect_finished.connect([&](int) { ++emitted; });
    if (sock.connect(Loopback::address(Loopback::port_of(*server))) == 1)
    {
        int result = 1;
        for (int i = 0; i < 5000 && result == 1; ++i)
            result = sock.poll_connect(Kel::Time::msec);
        ASSERT_EQ(0, result);
        EXPECT_EQ(0, emitted);
    }
    EXPECT_TRUE(sock.get_connected());
    EXPECT_EQ(Kel::IO::P_INPUT, sock.get_events());
}

TEST(StreamSocket, PollConnectThrowsForRefusedConnect)
{
    ClosedPort port;
    StreamSocket sock(Kel::Net::INET, 0);
    sock.set_block(false);
    ASSERT_EQ(1, sock.connect(port.address));
    std::string what;
    try
    {
        for (int i = 0; i < 5000; ++i)
            if (sock.poll_connect(Kel::Time::msec) == 0)
                break;
    }
    catch (const Kel::Exception& e)
    {
        what = e.what();
    }
    EXPECT_EQ("Connection failed: Connection refused", what);
    EXPECT_EQ(Kel::IO::P_NONE, sock.get_events());

    // The failed attempt is over; poll_connect has nothing left to wait for.
    try
    {
        sock.poll_connect(Kel::Time::zero);
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::InvalidState& e)
    {
        EXPECT_STREQ("No connection attempt going on", e.what());
    }
}

TEST(StreamSocket, ConnectOnConnectedSocketThrows)
{
    Pair pair;
    ASSERT_TRUE(pair.client->get_connected());
    try
    {
        pair.client->connect(Loopback::address(Loopback::port_of(*pair.server)));
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::InvalidState& e)
    {
        EXPECT_STREQ("Socket is already connected", e.what());
    }
}

TEST(StreamSocket, EndOfFileIsAnnouncedOnceAndStopsPolling)
{
    Pair pair;
    ASSERT_TRUE(pair.accepted);
    EventDispatcher disp;
    disp.add(*pair.client);
    int eof_count = 0;
    int reads = 0;
    pair.client->signal_end_of_file.connect([&] { ++eof_count; });
    pair.client->signal_data_available.connect(
        [&]
        {
            ++reads;
            char buf[16];
            pair.client->read(buf, sizeof(buf));
        });

    pair.accepted->write("ab", 2);
    pair.accepted.reset();
    ASSERT_TRUE(Loopback::tick_until(disp, [&] { return eof_count > 0; }));
    EXPECT_TRUE(pair.client->eof());
    EXPECT_EQ(Kel::IO::P_NONE, pair.client->get_events());

    // No longer polled: nothing is watched for, so the dispatcher has
    // nothing to poll.
    EXPECT_THROW(disp.tick(false), Kel::InvalidState);
    char buf[4];
    EXPECT_EQ(0u, pair.client->read(buf, sizeof(buf)));
    EXPECT_EQ(1, eof_count);
}

TEST(StreamSocket, OutputWatchReportsWritabilityUntilStopped)
{
    Pair pair;
    ASSERT_TRUE(pair.accepted);
    EventDispatcher disp;
    disp.add(*pair.client);
    int ready = 0;
    pair.client->signal_output_ready.connect(
        [&]
        {
            ++ready;
            pair.client->stop_output_watch();
        });

    pair.client->start_output_watch();
    EXPECT_EQ(Kel::IO::P_INPUT | Kel::IO::P_OUTPUT, pair.client->get_events());
    ASSERT_TRUE(Loopback::tick_until(disp, [&] { return ready > 0; }));
    EXPECT_EQ(Kel::IO::P_INPUT, pair.client->get_events());
    for (int i = 0; i < 10; ++i)
        disp.tick(false);
    EXPECT_EQ(1, ready);
}

TEST(StreamSocket, OutputWatchNeedsAConnection)
{
    StreamSocket sock(Kel::Net::INET, 0);
    EXPECT_THROW(sock.start_output_watch(), Kel::Exception);
    sock.stop_output_watch();
    EXPECT_EQ(Kel::IO::P_NONE, sock.get_events());
}

TEST(StreamSocket, ReceiverMayDeleteSocketWhenConnectFinishes)
{
    ClosedPort port;
    EventDispatcher disp;
    StreamSocket* sock = new StreamSocket(Kel::Net::INET, 0);
    sock->set_block(false);
    disp.add(*sock);
    bool finished = false;
    sock->signal_connect_finished.connect(
        [&](int)
        {
            finished = true;
            delete sock;
            sock = nullptr;
        });
    sock->connect(port.address);
    ASSERT_TRUE(Loopback::tick_until(disp, [&] { return finished; }));
    EXPECT_EQ(nullptr, sock);
    // The deleted socket left the dispatcher.
    disp.tick(false);
}
