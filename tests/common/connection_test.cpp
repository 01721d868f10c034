#include "common/connection.h"

#include "libs/core/source/core/except.h"
#include "tests/net/loopback.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <sys/socket.h>

using Kel::IO::EventDispatcher;
using Kel::Net::ServerSocket;
using Kel::Net::StreamSocket;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace
{

// A client Connection to a listening socket, and the raw accepted socket at
// the other end, through which a test writes bytes exactly as it likes.
struct Link
{
    EventDispatcher disp;
    std::unique_ptr<ServerSocket> server { Loopback::listen() };
    std::string server_address = Loopback::address(Loopback::port_of(*server)).str();
    std::unique_ptr<Connection> conn;
    std::unique_ptr<StreamSocket> peer;
    std::vector<Packet> packets;

    Link()
    {
        conn.reset(new Connection(server_address, disp));
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
        if (peer)
            peer->set_block(false);
    }

    // Writes all of data from the peer, ticking the client between writes so
    // that data larger than the kernel's buffers gets through.
    bool feed(const std::string& data)
    {
        std::string::size_type done = 0;
        for (int i = 0; i < 200000 && done < data.size(); ++i)
        {
            done += peer->write(data.data() + done, static_cast<unsigned>(data.size() - done));
            disp.tick(false);
        }
        return done == data.size();
    }

    // Large inputs arrive 1024 bytes a tick, so tick without pausing first.
    bool tick_until_packets(std::size_t count)
    {
        for (int i = 0; i < 100000 && packets.size() < count; ++i)
            disp.tick(false);
        return Loopback::tick_until(disp, [&] { return packets.size() >= count; });
    }

    // Gives already written bytes time to arrive and be read.
    void settle()
    {
        for (int i = 0; i < 20; ++i)
        {
            disp.tick(false);
            Kel::Time::sleep(Kel::Time::msec);
        }
    }
};

} // namespace

TEST(Connection, HostWithoutPortUsesDefaultPort)
{
    struct Case
    {
        const char* address;
        const char* peer;
    };
    const Case cases[] = {
        { "localhost", "127.0.0.1:7254" },
        { "localhost:80", "127.0.0.1:80" },
        { "127.0.0.1:9", "127.0.0.1:9" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.address);
        EventDispatcher disp;
        Connection conn(c.address, disp);
        EXPECT_EQ(c.peer, conn.get_peer());
    }
}

TEST(Connection, UnresolvableHostThrows)
{
    EventDispatcher disp;
    EXPECT_THROW(Connection("no-such-host.invalid", disp), Kel::Exception);
    disp.tick(false);
}

TEST(Connection, RefusedConnectIsReportedByCheckConnection)
{
    // Bound but not listening: connecting there is refused.
    StreamSocket holder(Kel::Net::INET, 0);
    holder.bind(Loopback::address(0));
    sockaddr_in sin;
    socklen_t length = sizeof(sin);
    getsockname(holder.get_event_handle(), reinterpret_cast<sockaddr*>(&sin), &length);
    std::string address = Kel::Net::InetAddr(sin).str();

    for (bool through_dispatcher : { false, true })
    {
        SCOPED_TRACE(through_dispatcher ? "dispatcher ticks" : "no ticks");
        EventDispatcher disp;
        Connection conn(address, disp);
        std::string what;
        for (int i = 0; i < 5000 && what.empty(); ++i)
        {
            if (through_dispatcher)
                disp.tick(false);
            try
            {
                EXPECT_FALSE(conn.check_connection());
            }
            catch (const Kel::Exception& e)
            {
                what = e.what();
            }
            Kel::Time::sleep(Kel::Time::msec);
        }
        EXPECT_EQ("Connection failed: Connection refused", what);
    }
}

TEST(Connection, TwoPacketsInOneReadArriveInOrder)
{
    Link link;
    ASSERT_TRUE(link.peer);
    ASSERT_TRUE(link.feed("a;TEXT;Tavern;one\nb;ooc;Tavern;two\n"));
    ASSERT_TRUE(link.tick_until_packets(2));
    EXPECT_EQ(Packet("a", "TEXT", "Tavern", "one"), link.packets[0]);
    EXPECT_EQ(Packet("b", "OOC", "Tavern", "two"), link.packets[1]);
}

TEST(Connection, LineOverTwoReadsIsParsedOnceComplete)
{
    Link link;
    ASSERT_TRUE(link.peer);
    ASSERT_TRUE(link.feed("a;TEXT;Tav"));
    link.settle();
    EXPECT_TRUE(link.packets.empty());
    ASSERT_TRUE(link.feed("ern;hi\nb;TE"));
    ASSERT_TRUE(link.tick_until_packets(1));
    link.settle();
    ASSERT_EQ(1u, link.packets.size());
    EXPECT_EQ(Packet("a", "TEXT", "Tavern", "hi"), link.packets[0]);
}

TEST(Connection, MalformedLinesAreReportedAndSkipped)
{
    Link link;
    ASSERT_TRUE(link.peer);
    CaptureStdout();
    ASSERT_TRUE(link.feed("\nGAME\na;TEXT;x\n"));
    bool arrived = link.tick_until_packets(1);
    std::string out = GetCapturedStdout();
    ASSERT_TRUE(arrived);
    std::string from = " from " + link.server_address + "\n";
    EXPECT_EQ("Malformed packet" + from + "Malformed packet" + from, out);
    EXPECT_EQ(Packet("a", "TEXT", "x"), link.packets.at(0));
}

TEST(Connection, HandlerFailureIsReportedAndNextLineHandled)
{
    Link link;
    ASSERT_TRUE(link.peer);
    link.conn->signal_packet_available.connect(
        [&]
        {
            if (link.packets.size() == 1)
                throw Kel::Exception("Handler failed");
        });
    CaptureStdout();
    ASSERT_TRUE(link.feed("a;ONE\nb;TWO\n"));
    bool arrived = link.tick_until_packets(2);
    std::string out = GetCapturedStdout();
    ASSERT_TRUE(arrived);
    EXPECT_EQ("Handler failed from " + link.server_address + "\n", out);
    EXPECT_EQ("TWO", link.packets.at(1).get_command());
}

TEST(Connection, CarriageReturnStaysInLastParameter)
{
    Link link;
    ASSERT_TRUE(link.peer);
    ASSERT_TRUE(link.feed("x;TEXT;Tavern;hi\r\n"));
    ASSERT_TRUE(link.tick_until_packets(1));
    EXPECT_EQ("hi\r", link.packets[0].get_parameter(1));
}

TEST(Connection, EmptyQueueLeavesPacketAlone)
{
    Link link;
    Packet pkt("keep", "ME");
    EXPECT_FALSE(link.conn->get_packet(pkt));
    EXPECT_EQ(Packet("keep", "ME"), pkt);
}

TEST(Connection, ReceiveErrorIsThrownOnceByGetPacket)
{
    Link link;
    ASSERT_TRUE(link.peer);
    // Closing with a zero linger time resets the connection.
    linger reset = { 1, 0 };
    link.peer->set_option(SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
    CaptureStdout();
    link.peer.reset();
    bool stale = Loopback::tick_until(link.disp, [&] { return link.conn->get_stale(); });
    std::string out = GetCapturedStdout();
    ASSERT_TRUE(stale);

    std::string from = " from " + link.server_address + "\n";
    EXPECT_EQ("Reading from socket failed: Connection reset by peer" + from + "Connection from "
            + link.server_address + " terminated\n",
        out);
    Packet pkt;
    try
    {
        link.conn->get_packet(pkt);
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::Exception& e)
    {
        EXPECT_STREQ("Reading from socket failed: Connection reset by peer", e.what());
    }
    EXPECT_FALSE(link.conn->get_packet(pkt));
}

TEST(Connection, PeerCloseMakesItStaleAndKeepsQueuedPackets)
{
    Link link;
    ASSERT_TRUE(link.peer);
    link.conn->signal_packet_available.clear();
    int eof_count = 0;
    link.conn->signal_end_of_file.connect([&] { ++eof_count; });
    ASSERT_TRUE(link.feed("a;LAST;words\n"));
    CaptureStdout();
    link.peer.reset();
    bool stale = Loopback::tick_until(link.disp, [&] { return link.conn->get_stale(); });
    std::string out = GetCapturedStdout();
    ASSERT_TRUE(stale);
    EXPECT_EQ("Connection from " + link.server_address + " terminated\n", out);
    EXPECT_EQ(1, eof_count);
    Packet pkt;
    ASSERT_TRUE(link.conn->get_packet(pkt));
    EXPECT_EQ(Packet("a", "LAST", "words"), pkt);
}

TEST(Connection, LinesOverOneMebibyteAreDropped)
{
    Link link;
    ASSERT_TRUE(link.peer);
    const std::string::size_type limit = Connection::MAX_LINE_LENGTH;
    std::string longest = "a;TEXT;";
    longest.resize(limit, 'x');
    std::string too_long = longest + "y";

    CaptureStdout();
    // The over-long line that grows without a line feed is dropped while it
    // arrives; its tail is skipped up to the line feed.
    bool fed = link.feed(too_long + std::string(limit, 'z') + "\nb;AFTER\n" + longest + "\nc;END\n");
    bool arrived = fed && link.tick_until_packets(3);
    std::string out = GetCapturedStdout();
    ASSERT_TRUE(arrived);
    EXPECT_EQ("Line too long from " + link.server_address + "\n", out);
    ASSERT_EQ(3u, link.packets.size());
    EXPECT_EQ("AFTER", link.packets[0].get_command());
    EXPECT_EQ(longest.size() - 7, link.packets[1].get_parameter(0).size());
    EXPECT_EQ("END", link.packets[2].get_command());
}

TEST(Connection, OverlongLineEndingInOneReadIsDropped)
{
    // The line feed arrives with the bytes that push the line past the limit.
    Link link;
    ASSERT_TRUE(link.peer);
    std::string too_long = "a;TEXT;";
    too_long.resize(Connection::MAX_LINE_LENGTH - 10, 'x');
    CaptureStdout();
    bool fed = link.feed(too_long);
    link.settle();
    fed = fed && link.feed(std::string(20, 'x') + "\nb;NEXT\n");
    bool arrived = fed && link.tick_until_packets(1);
    std::string out = GetCapturedStdout();
    ASSERT_TRUE(arrived);
    EXPECT_EQ("Line too long from " + link.server_address + "\n", out);
    EXPECT_EQ("NEXT", link.packets.at(0).get_command());
}

// The reader stops reading until the kernel's buffers are full; everything
// the writer queued meanwhile arrives complete and in order once it resumes.
TEST(Connection, SlowReaderGetsEveryLineInOrder)
{
    EventDispatcher writer_disp;
    EventDispatcher reader_disp;
    std::unique_ptr<ServerSocket> server(Loopback::listen());
    std::string address = Loopback::address(Loopback::port_of(*server)).str();
    Connection reader(address, reader_disp);
    for (int i = 0; i < 5000 && !reader.check_connection(); ++i)
        Kel::Time::sleep(Kel::Time::msec);
    StreamSocket* accepted = server->accept();
    ASSERT_NE(nullptr, accepted);
    CaptureStdout();
    Connection writer(accepted, writer_disp);
    GetCapturedStdout();
    // Still owned by writer; watched here to see when it asks for output.
    StreamSocket* writer_socket = accepted;

    const std::string text(1000, 't');
    int sent = 0;
    for (; sent < 200000 && writer.get_output_pending() == 0; ++sent)
        writer.send_packet(Packet("w", "TEXT", std::to_string(sent), text));
    ASSERT_GT(writer.get_output_pending(), 0u) << "the kernel took everything";
    for (int i = 0; i < 1000; ++i, ++sent)
        writer.send_packet(Packet("w", "TEXT", std::to_string(sent), text));
    EXPECT_EQ(Kel::IO::P_INPUT | Kel::IO::P_OUTPUT, writer_socket->get_events());

    int received = 0;
    bool in_order = true;
    reader.signal_packet_available.connect(
        [&]
        {
            Packet pkt;
            while (reader.get_packet(pkt))
            {
                in_order = in_order && pkt == Packet("w", "TEXT", std::to_string(received), text);
                ++received;
            }
        });
    for (int i = 0; i < 2000000 && received < sent; ++i)
    {
        writer_disp.tick(false);
        reader_disp.tick(false);
    }
    EXPECT_EQ(sent, received);
    EXPECT_TRUE(in_order);
    EXPECT_EQ(0u, writer.get_output_pending());
    EXPECT_EQ(Kel::IO::P_INPUT, writer_socket->get_events());
}

// A failed write of queued output has no caller to throw to: it must not
// escape the dispatcher's tick, and get_packet reports the failure once.
TEST(Connection, PeerResetWhileOutputIsQueuedIsReportedByGetPacket)
{
    Link link;
    ASSERT_TRUE(link.peer);
    const std::string text(1000, 't');
    for (int i = 0; i < 200000 && link.conn->get_output_pending() == 0; ++i)
        link.conn->send_packet(Packet("w", "TEXT", text));
    ASSERT_GT(link.conn->get_output_pending(), 0u);

    linger reset = { 1, 0 };
    link.peer->set_option(SOL_SOCKET, SO_LINGER, &reset, sizeof(reset));
    CaptureStdout();
    link.peer.reset();
    bool stale = false;
    EXPECT_NO_THROW(stale = Loopback::tick_until(link.disp, [&] { return link.conn->get_stale(); }));
    std::string out = GetCapturedStdout();
    EXPECT_TRUE(stale);
    // The same readiness report carries the reset (read first) and the
    // writability that the queued output waited for.
    EXPECT_NE(std::string::npos, out.find("Writing to socket failed: ")) << out;

    Packet pkt;
    EXPECT_THROW(link.conn->get_packet(pkt), Kel::Exception);
    EXPECT_FALSE(link.conn->get_packet(pkt));
}

TEST(Connection, ServerSideAnnouncesAndTalksBack)
{
    EventDispatcher disp;
    std::unique_ptr<ServerSocket> server(Loopback::listen());
    std::string address = Loopback::address(Loopback::port_of(*server)).str();
    Connection client(address, disp);
    for (int i = 0; i < 5000 && !client.check_connection(); ++i)
        Kel::Time::sleep(Kel::Time::msec);
    StreamSocket* accepted = server->accept();
    ASSERT_NE(nullptr, accepted);
    std::string peer = accepted->get_peer_address().str();

    CaptureStdout();
    Connection served(accepted, disp);
    EXPECT_EQ("New connection from " + peer + "\n", GetCapturedStdout());

    client.send_packet(Packet("", "NAME", "Guard"));
    Packet pkt;
    bool got = false;
    ASSERT_TRUE(Loopback::tick_until(disp, [&] { return got = got || served.get_packet(pkt); }));
    EXPECT_EQ(Packet("", "NAME", "Guard"), pkt);

    served.send_packet(Packet("", "GAME", "Quest; the first"));
    got = false;
    ASSERT_TRUE(Loopback::tick_until(disp, [&] { return got = got || client.get_packet(pkt); }));
    EXPECT_EQ(Packet("", "GAME", "Quest; the first"), pkt);
}

TEST(Connection, SendToVanishedPeerThrowsInsteadOfKilling)
{
    Link link;
    ASSERT_TRUE(link.peer);
    CaptureStdout();
    link.peer.reset();
    bool stale = Loopback::tick_until(link.disp, [&] { return link.conn->get_stale(); });
    GetCapturedStdout();
    ASSERT_TRUE(stale);
    std::string what;
    for (int i = 0; i < 1000 && what.empty(); ++i)
    {
        try
        {
            link.conn->send_packet(Packet("a", "TEXT", "anyone?"));
        }
        catch (const Kel::Exception& e)
        {
            what = e.what();
        }
        Kel::Time::sleep(Kel::Time::msec);
    }
    EXPECT_EQ(0u, what.find("Writing to socket failed: ")) << what;
}

TEST(Connection, DeletingConnectionLeavesDispatcher)
{
    Link link;
    ASSERT_TRUE(link.peer);
    ASSERT_TRUE(link.feed("a;TEXT;x\n"));
    link.conn.reset();
    link.settle();
}
