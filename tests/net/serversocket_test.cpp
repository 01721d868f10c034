#include "libs/net/source/serversocket.h"

#include "tests/net/loopback.h"

#include <gtest/gtest.h>

#include <memory>

using Kel::IO::EventDispatcher;
using Kel::Net::ServerSocket;
using Kel::Net::StreamSocket;

TEST(ServerSocket, WaitingConnectionIsAnnouncedAndAccepted)
{
    std::unique_ptr<ServerSocket> server(Loopback::listen());
    server->set_block(false);
    EXPECT_EQ(nullptr, server->accept()); // nothing waiting yet
    EventDispatcher disp; // gone first: closing the server must not reach it
    disp.add(*server);
    std::unique_ptr<StreamSocket> accepted;
    server->signal_data_available.connect([&] { accepted.reset(server->accept()); });

    StreamSocket client(Kel::Net::INET, 0);
    client.set_block(false);
    client.connect(Loopback::bound_address(*server));
    ASSERT_TRUE(Loopback::tick_until(disp, [&] { return accepted != nullptr; }));

    EXPECT_TRUE(accepted->get_connected());
    EXPECT_EQ(Kel::IO::P_INPUT, accepted->get_events());
    EXPECT_EQ(server->get_local_address().str(), accepted->get_local_address().str());
    EXPECT_EQ(client.get_local_address().str(), accepted->get_peer_address().str());
}

TEST(ServerSocket, AcceptsOnlyWhenListeningAndNeverConnects)
{
    ServerSocket server(Kel::Net::INET, 0);
    server.bind(Loopback::address(0));
    EXPECT_THROW(server.accept(), Kel::InvalidState);
    server.listen(1);
    EXPECT_THROW(server.connect(Loopback::address(1)), Kel::InvalidState);
}
