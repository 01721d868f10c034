#include "libs/net/source/streamsocket.h"

#include "tests/net/loopback.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>
#include <string>
#include <vector>

using Kel::IO::EventDispatcher;
using Kel::Net::ServerSocket;
using Kel::Net::StreamSocket;
using TestIO::what_of;

namespace
{

// A non-blocking socket watched by a dispatcher, recording the results of
// its connection attempts.
struct Watched
{
    EventDispatcher disp;
    std::unique_ptr<StreamSocket> sock { new StreamSocket(Kel::Net::INET, 0) };
    std::vector<int> results;

    Watched()
    {
        sock->set_block(false);
        disp.add(*sock);
        sock->signal_connect_finished.connect([this](int error) { results.push_back(error); });
    }
    bool finish()
    {
        return Loopback::tick_until(disp, [&] { return !results.empty(); });
    }
};

} // namespace

// A non-blocking connect, refused or accepted, finishes either through the
// dispatcher, which emits signal_connect_finished, or by poll_connect, which
// returns or throws and emits nothing.
TEST(StreamSocket, ConnectFinishesThroughDispatcherOrPoll)
{
    std::unique_ptr<ServerSocket> server(Loopback::listen());
    Loopback::ClosedPort closed;
    for (bool refused : { true, false })
        for (bool dispatched : { true, false })
        {
            SCOPED_TRACE(
                std::string(refused ? "refused" : "accepted") + (dispatched ? ", dispatched" : ", polled"));
            Kel::Net::InetAddr target = refused ? closed.address : Loopback::bound_address(*server);
            Watched w;
            EXPECT_EQ("Socket is not connected", what_of([&] { w.sock->start_output_watch(); }));
            w.sock->stop_output_watch();
            EXPECT_EQ(Kel::IO::P_NONE, w.sock->get_events());

            ASSERT_EQ(1, w.sock->connect(target));
            EXPECT_TRUE(w.sock->get_connecting());
            EXPECT_EQ(Kel::IO::P_OUTPUT, w.sock->get_events());
            std::string failure = "no exception";
            if (dispatched)
                ASSERT_TRUE(w.finish());
            else
                failure = what_of(
                    [&]
                    {
                        for (int i = 0, r = 1; i < 5000 && r == 1; ++i)
                            r = w.sock->poll_connect(Kel::Time::msec);
                    });

            EXPECT_EQ(dispatched ? std::vector<int> { refused ? ECONNREFUSED : 0 } : std::vector<int> {},
                w.results);
            EXPECT_EQ(
                refused && !dispatched ? "Connection failed: Connection refused" : "no exception", failure);
            EXPECT_EQ(!refused, w.sock->get_connected());
            EXPECT_FALSE(w.sock->get_connecting());
            EXPECT_EQ(refused ? Kel::IO::P_NONE : Kel::IO::P_INPUT, w.sock->get_events());
            if (refused)
            {
                EXPECT_EQ("No connection attempt going on",
                    what_of<Kel::InvalidState>([&] { w.sock->poll_connect(Kel::Time::zero); }));
            }
            else
            {
                EXPECT_EQ(target.str(), w.sock->get_peer_address().str());
                EXPECT_EQ("Socket is already connected",
                    what_of<Kel::InvalidState>([&] { w.sock->connect(target); }));
            }
            if (refused && dispatched)
            {
                EXPECT_EQ(
                    "Peer address not set", what_of<Kel::InvalidState>([&] { w.sock->get_peer_address(); }));
            }
        }
}

TEST(StreamSocket, ReceiverMayDeleteSocketWhenConnectFinishes)
{
    Loopback::ClosedPort port;
    Watched w;
    w.sock->signal_connect_finished.connect([&](int) { w.sock.reset(); });
    w.sock->connect(port.address);
    ASSERT_TRUE(w.finish());
    EXPECT_EQ(nullptr, w.sock);
    w.disp.tick(false); // the deleted socket left the dispatcher
}

TEST(StreamSocket, EndOfFileIsAnnouncedOnceAndStopsPolling)
{
    std::unique_ptr<ServerSocket> server(Loopback::listen());
    Watched c;
    ASSERT_TRUE(c.sock->connect(Loopback::bound_address(*server)) == 0 || c.finish());
    std::unique_ptr<StreamSocket> accepted(server->accept());
    ASSERT_NE(nullptr, accepted);
    int eof_count = 0;
    c.sock->signal_end_of_file.connect([&] { ++eof_count; });
    char buf[16];
    c.sock->signal_data_available.connect([&] { c.sock->read(buf, sizeof(buf)); });
    accepted.reset();
    ASSERT_TRUE(Loopback::tick_until(c.disp, [&] { return eof_count > 0; }));
    EXPECT_EQ(Kel::IO::P_NONE, c.sock->get_events());
    EXPECT_EQ(0u, c.sock->read(buf, sizeof(buf)));
    EXPECT_EQ(1, eof_count);
}
