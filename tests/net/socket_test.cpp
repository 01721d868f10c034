#include "libs/net/source/socket.h"

#include "libs/core/source/core/except.h"
#include "libs/net/source/streamsocket.h"
#include "tests/net/loopback.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

using Kel::Net::StreamSocket;

namespace
{

std::string message_of(const std::function<void()>& action)
{
    try
    {
        action();
    }
    catch (const Kel::Exception& e)
    {
        return e.what();
    }
    return "no exception";
}

} // namespace

TEST(Socket, StartsUnconnectedWithoutAddressesOrEvents)
{
    StreamSocket sock(Kel::Net::INET, 0);
    EXPECT_FALSE(sock.get_connected());
    EXPECT_EQ(Kel::IO::P_NONE, sock.get_events());
    EXPECT_EQ("Local address not set", message_of([&] { sock.get_local_address(); }));
    EXPECT_EQ("Peer address not set", message_of([&] { sock.get_peer_address(); }));
}

TEST(Socket, ReadAndWriteNeedAConnection)
{
    StreamSocket sock(Kel::Net::INET, 0);
    char buf[4];
    EXPECT_EQ("Socket is not connected", message_of([&] { sock.read(buf, sizeof(buf)); }));
    EXPECT_EQ("Socket is not connected", message_of([&] { sock.write("x", 1); }));
}

TEST(Socket, ClosedSocketRefusesEverything)
{
    StreamSocket sock(Kel::Net::INET, 0);
    sock.close();
    char buf[4];
    EXPECT_EQ(-1, sock.get_event_handle());
    EXPECT_EQ("Socket is closed", message_of([&] { sock.read(buf, sizeof(buf)); }));
    EXPECT_EQ("Socket is closed", message_of([&] { sock.write("x", 1); }));
    EXPECT_EQ("Socket is closed", message_of([&] { sock.bind(Loopback::address(0)); }));
    EXPECT_EQ("Socket is closed", message_of([&] { sock.connect(Loopback::address(1)); }));
}

TEST(Socket, CloseAnnouncesItselfOnceAndForgetsAddresses)
{
    std::vector<std::string> seen;
    {
        StreamSocket sock(Kel::Net::INET, 0);
        sock.bind(Loopback::address(0));
        sock.signal_closing.connect([&] { seen.push_back("closing"); });
        sock.signal_closed.connect([&] { seen.push_back("closed"); });
        sock.signal_deleted.connect([&] { seen.push_back("deleted"); });
        sock.close();
        sock.close();
        EXPECT_EQ("Local address not set", message_of([&] { sock.get_local_address(); }));
    }
    EXPECT_EQ((std::vector<std::string> { "closing", "closed", "deleted" }), seen);
}

TEST(Socket, BindKeepsAddressAndReportsFailure)
{
    StreamSocket first(Kel::Net::INET, 0);
    first.bind(Loopback::address(0));
    EXPECT_EQ("127.0.0.1:0", first.get_local_address().str());

    // The kernel's pick is known only after listening or connecting; bind a
    // second socket to a port that a listener holds.
    std::unique_ptr<Kel::Net::ServerSocket> server(Loopback::listen());
    StreamSocket second(Kel::Net::INET, 0);
    std::string what = message_of([&] { second.bind(Loopback::address(Loopback::port_of(*server))); });
    EXPECT_EQ(0u, what.find("Unable to bind: ")) << what;
}

TEST(Socket, SetBlockSwitchesDescriptorAndMode)
{
    StreamSocket sock(Kel::Net::INET, 0);
    int fd = sock.get_event_handle();
    sock.set_block(false);
    EXPECT_NE(0, fcntl(fd, F_GETFL) & O_NONBLOCK);
    EXPECT_NE(Kel::IO::M_NONE, sock.get_mode() & Kel::IO::M_NONBLOCK);
    sock.set_block(true);
    EXPECT_EQ(0, fcntl(fd, F_GETFL) & O_NONBLOCK);
    EXPECT_EQ(Kel::IO::M_NONE, sock.get_mode() & Kel::IO::M_NONBLOCK);
}

TEST(Socket, AdoptedDescriptorIsConnectedWithBothAddresses)
{
    std::unique_ptr<Kel::Net::ServerSocket> server(Loopback::listen());
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    Kel::Net::InetAddr target = Loopback::address(Loopback::port_of(*server));
    sockaddr_storage storage;
    sockaddr& sa = reinterpret_cast<sockaddr&>(storage);
    unsigned length = target.fill_sockaddr(sa);
    ASSERT_EQ(0, ::connect(fd, &sa, length));

    StreamSocket sock(fd, target);
    EXPECT_TRUE(sock.get_connected());
    EXPECT_EQ(Kel::IO::P_INPUT, sock.get_events());
    EXPECT_EQ(target.str(), sock.get_peer_address().str());
    EXPECT_EQ(0u, sock.get_local_address().str().find("127.0.0.1:"));
    EXPECT_NE("127.0.0.1:0", sock.get_local_address().str());
}
