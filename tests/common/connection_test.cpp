#include "common/connection.h"

#include "tests/net/loopback.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/socket.h>

using Kel::IO::EventDispatcher;
using Kel::Net::ServerSocket;
using Kel::Net::StreamSocket;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;
using TestIO::what_of;

namespace
{

// A client Connection to a listening socket, and the raw accepted socket at
// the other end, through which a test writes bytes exactly as it likes.
struct Link
{
    EventDispatcher disp;
    std::unique_ptr<ServerSocket> server { Loopback::listen() };
    std::string server_address = Loopback::bound_address(*server).str();
    std::unique_ptr<Connection> conn { new Connection(server_address, disp) };
    std::unique_ptr<StreamSocket> peer;
    std::vector<Packet> packets;

    Link()
    {
        conn->signal_packet_available.connect(
            [this]
            {
                Packet pkt;
                while (conn->get_packet(pkt))
                    packets.push_back(pkt);
            });
        for (int i = 0; i < 5000 && !conn->check_connection(); ++i)
            Kel::Time::sleep(Kel::Time::msec);
        peer.reset(server->accept());
        if (!peer)
            throw std::runtime_error("no connection to accept");
        peer->set_block(false);
    }

    bool feed(const std::string& data) { return peer->write(data) == data.size(); }

    bool tick_until_packets(std::size_t count)
    {
        return Loopback::tick_until(disp, [&] { return packets.size() >= count; });
    }

    // Closes the peer (resetting the connection if asked) and ticks until the
    // client has seen it; returns what the client printed meanwhile.
    std::string close_peer(bool reset)
    {
        linger zero_linger = { 1, 0 };
        if (reset)
            peer->set_option(SOL_SOCKET, SO_LINGER, &zero_linger, sizeof(zero_linger));
        CaptureStdout();
        peer.reset();
        Loopback::tick_until(disp, [&] { return conn->get_stale(); });
        return GetCapturedStdout();
    }
};

} // namespace

TEST(Connection, HostWithoutPortUsesDefaultPort)
{
    EventDispatcher disp;
    EXPECT_EQ("127.0.0.1:7254", Connection("localhost", disp).get_peer());
    EXPECT_THROW(Connection("no-such-host.invalid", disp), Kel::Exception);
    disp.tick(false);
}

TEST(Connection, RefusedConnectIsReportedByCheckConnection)
{
    Loopback::ClosedPort port;
    for (bool through_dispatcher : { false, true })
    {
        SCOPED_TRACE(through_dispatcher);
        EventDispatcher disp;
        Connection conn(port.address.str(), disp);
        std::string what = "no exception";
        for (int i = 0; i < 5000 && what == "no exception"; ++i, Kel::Time::sleep(Kel::Time::msec))
        {
            if (through_dispatcher)
                disp.tick(false);
            what = what_of([&] { EXPECT_FALSE(conn.check_connection()); });
        }
        EXPECT_EQ("Connection failed: Connection refused", what);
    }
}

// Framing, and the reports of dropped lines, are checked by the fuzz target.
TEST(Connection, HandlerFailureIsReportedAndNextLineHandled)
{
    Link link;
    link.conn->signal_packet_available.connect(
        [&]
        {
            if (link.packets.size() == 1)
                throw Kel::Exception("Handler failed");
        });
    CaptureStdout();
    bool arrived = link.feed("a;ONE\nb;TWO\n") && link.tick_until_packets(2);
    std::string out = GetCapturedStdout();
    ASSERT_TRUE(arrived);
    EXPECT_EQ("Handler failed from " + link.server_address + "\n", out);
    EXPECT_EQ("TWO", link.packets.at(1).get_command());
}

TEST(Connection, PeerCloseMakesItStaleKeepsQueuedPacketsAndFailsSending)
{
    Link link;
    link.conn->signal_packet_available.clear();
    int eof_count = 0;
    link.conn->signal_end_of_file.connect([&] { ++eof_count; });
    ASSERT_TRUE(link.feed("a;LAST;words\n"));
    std::string out = link.close_peer(false);
    ASSERT_TRUE(link.conn->get_stale());
    EXPECT_EQ("Connection from " + link.server_address + " terminated\n", out);
    EXPECT_EQ(1, eof_count);
    Packet pkt;
    ASSERT_TRUE(link.conn->get_packet(pkt));
    EXPECT_FALSE(link.conn->get_packet(pkt)); // and leaves pkt alone
    EXPECT_EQ(Packet("a", "LAST", "words"), pkt);

    // Sending to the vanished peer throws instead of killing the process.
    std::string what = "no exception";
    for (int i = 0; i < 1000 && what == "no exception"; ++i, Kel::Time::sleep(Kel::Time::msec))
        what = what_of([&] { link.conn->send_packet(Packet("a", "TEXT", "anyone?")); });
    EXPECT_EQ(0u, what.find("Writing to socket failed: ")) << what;
}

// The reader stops reading until the kernel's buffers are full; everything
// the writer queued meanwhile arrives complete and in order once it resumes.
// The writer is the accepting side's Connection.
TEST(Connection, SlowReaderGetsEveryLineInOrder)
{
    Link link;
    EventDispatcher writer_disp;
    // Owned by the writer; watched here to see when it asks for output.
    StreamSocket* writer_socket = link.peer.get();
    CaptureStdout();
    Connection writer(link.peer.release(), writer_disp);
    EXPECT_EQ("New connection from " + writer_socket->get_peer_address().str() + "\n", GetCapturedStdout());

    const std::string text(1000, 't');
    std::size_t sent = 0;
    for (; sent < 200000 && writer.get_output_pending() == 0; ++sent)
        writer.send_packet(Packet("w", "TEXT", std::to_string(sent), text));
    ASSERT_GT(writer.get_output_pending(), 0u) << "the kernel took everything";
    for (int i = 0; i < 1000; ++i, ++sent)
        writer.send_packet(Packet("w", "TEXT", std::to_string(sent), text));
    EXPECT_EQ(Kel::IO::P_INPUT | Kel::IO::P_OUTPUT, writer_socket->get_events());

    for (int i = 0; i < 2000000 && link.packets.size() < sent; ++i)
    {
        writer_disp.tick(false);
        link.disp.tick(false);
    }
    ASSERT_EQ(sent, link.packets.size());
    for (std::size_t i = 0; i < sent; ++i)
        ASSERT_EQ(Packet("w", "TEXT", std::to_string(i), text), link.packets[i]) << i;
    EXPECT_EQ(0u, writer.get_output_pending());
    EXPECT_EQ(Kel::IO::P_INPUT, writer_socket->get_events());
}

// A failed read, or a failed write of queued output, has no caller to throw
// to: it must not escape the dispatcher's tick, and get_packet reports it
// once.
TEST(Connection, PeerResetIsReportedOnceByGetPacket)
{
    for (bool queued : { false, true })
    {
        SCOPED_TRACE(queued);
        Link link;
        for (int i = 0; queued && i < 200000 && link.conn->get_output_pending() == 0; ++i)
            link.conn->send_packet(Packet("w", "TEXT", std::string(1000, 't')));
        EXPECT_EQ(queued, link.conn->get_output_pending() > 0);

        std::string out;
        EXPECT_NO_THROW(out = link.close_peer(true));
        EXPECT_TRUE(link.conn->get_stale());
        // With output queued the same readiness report carries the reset
        // (read first) and the writability that the output waited for.
        const std::string error = queued ? "Writing to socket failed: " : "Reading from socket failed: ";
        EXPECT_NE(std::string::npos, out.find(error)) << out;
        Packet pkt;
        EXPECT_EQ(0u, what_of([&] { link.conn->get_packet(pkt); }).find(error));
        EXPECT_FALSE(link.conn->get_packet(pkt));
    }
}
