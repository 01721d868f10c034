#include "libs/net/source/socket.h"

#include "libs/net/source/streamsocket.h"
#include "tests/net/loopback.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using Kel::Net::StreamSocket;
using TestIO::what_of;

TEST(Socket, RefusesWhatItsStateDoesNotAllow)
{
    StreamSocket sock(Kel::Net::INET, 0);
    char buf[4];
    using Case = std::pair<const char*, std::function<void()>>;
    const Case unconnected[] = {
        { "Local address not set", [&] { sock.get_local_address(); } },
        { "Peer address not set", [&] { sock.get_peer_address(); } },
        { "Socket is not connected", [&] { sock.read(buf, sizeof(buf)); } },
        { "Socket is not connected", [&] { sock.write("x", 1); } },
    };
    for (const auto& [what, action] : unconnected)
        EXPECT_EQ(what, what_of(action));
    EXPECT_FALSE(sock.get_connected());
    EXPECT_EQ(Kel::IO::P_NONE, sock.get_events());

    sock.close();
    EXPECT_EQ(-1, sock.get_event_handle());
    const std::function<void()> closed[]
        = { [&] { sock.read(buf, sizeof(buf)); }, [&] { sock.write("x", 1); },
              [&] { sock.bind(Loopback::address(0)); }, [&] { sock.connect(Loopback::address(1)); } };
    for (const auto& action : closed)
        EXPECT_EQ("Socket is closed", what_of(action));
}

TEST(Socket, CloseAnnouncesItselfOnceAndForgetsAddresses)
{
    std::vector<std::string> seen;
    {
        StreamSocket sock(Kel::Net::INET, 0);
        sock.bind(Loopback::address(0));
        EXPECT_EQ("127.0.0.1:0", sock.get_local_address().str());
        sock.signal_closing.connect([&] { seen.push_back("closing"); });
        sock.signal_closed.connect([&] { seen.push_back("closed"); });
        sock.signal_deleted.connect([&] { seen.push_back("deleted"); });
        sock.close();
        sock.close();
        EXPECT_EQ("Local address not set", what_of([&] { sock.get_local_address(); }));
    }
    EXPECT_EQ((std::vector<std::string> { "closing", "closed", "deleted" }), seen);
}
