// Connection framing: the input is written through a socket pair in chunks
// of fuzzed sizes while the dispatcher services the connection; now and then
// a chunk without line feed is repeated past the longest line accepted.
// However the bytes are cut, the queued packets must be exactly those of the
// complete lines not longer than that, every other line must be announced as
// dropped once, an unfinished tail only if it is already too long, packets
// sent back must arrive as their lines, and closing the peer must make the
// connection stale.

#include "common/connection.h"

#include "libs/core/source/core/except.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/net/source/inet.h"
#include "libs/net/source/streamsocket.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <streambuf>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// A repeated chunk grows beyond this, just past the longest line accepted.
const std::size_t LONG_RUN = Connection::MAX_LINE_LENGTH + 4096;

// More than a socket pair holds.
const std::size_t ECHO_FILLER = 320 * 1024;

// Swallows the connection's one-line reports on standard output.
class NullBuffer: public std::streambuf
{
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void check(bool condition, const char* what)
{
    if (!condition)
    {
        std::cerr << "Connection: " << what << std::endl;
        std::abort();
    }
}

int pending_bytes(int fd)
{
    int count = 0;
    if (ioctl(fd, FIONREAD, &count) != 0)
        return 0;
    return count;
}

// Writes data from the non-blocking far end, servicing the connection
// whenever the socket pair is full, until the connection has read it all.
void feed(int fd, const std::string& data, Kel::IO::EventDispatcher& disp, int near)
{
    std::size_t done = 0;
    for (int i = 0; i < 100000 && (done < data.size() || pending_bytes(near) > 0); ++i)
    {
        if (done < data.size())
        {
            ssize_t n = ::write(fd, data.data() + done, data.size() - done);
            check(n > 0 || (n < 0 && errno == EAGAIN), "write to the socket pair failed");
            if (n > 0)
                done += static_cast<std::size_t>(n);
        }
        disp.tick(false);
    }
    check(done == data.size() && pending_bytes(near) == 0, "connection stopped reading");
}

// What the lines of data should give, read the simple way: a packet for
// each complete line that parses, and the reason for each line dropped.
struct Expected
{
    std::vector<Packet> packets;
    std::vector<std::string> dropped;
};

Expected expected_from(const std::string& data)
{
    Expected result;
    std::string::size_type start = 0;
    for (;;)
    {
        std::string::size_type lf = data.find('\n', start);
        if (lf == std::string::npos)
            break;
        if (lf - start > Connection::MAX_LINE_LENGTH)
            result.dropped.push_back("Line too long");
        else
        {
            try
            {
                result.packets.emplace_back(data.substr(start, lf - start));
            }
            catch (const Kel::Exception& e)
            {
                result.dropped.push_back(e.what());
            }
        }
        start = lf + 1;
    }
    // An unfinished line is dropped as soon as it is known to be too long.
    if (data.size() - start > Connection::MAX_LINE_LENGTH)
        result.dropped.push_back("Line too long");
    return result;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static NullBuffer null_buffer;
    std::cout.rdbuf(&null_buffer);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    int fds[2];
    check(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0, "socketpair failed");
    check(fcntl(fds[1], F_SETFL, O_NONBLOCK) == 0, "fcntl failed");
    const int near = fds[0];
    const int far = fds[1];

    FuzzedDataProvider input(data, size);
    std::string sent;
    std::vector<Packet> received;
    std::vector<std::string> dropped;
    {
        Kel::IO::EventDispatcher disp;
        Connection conn(new Kel::Net::StreamSocket(near, Kel::Net::InetAddr(0x7F000001, 7254)), disp);
        conn.signal_packet_available.connect(
            [&]
            {
                Packet pkt;
                while (conn.get_packet(pkt))
                    received.push_back(pkt);
            });
        conn.signal_bad_line.connect([&](const std::string& reason) { dropped.push_back(reason); });

        while (input.remaining_bytes() > 0)
        {
            const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(1, 1500);
            const bool long_run = input.ConsumeIntegralInRange(0, 63) == 63;
            std::string chunk = input.ConsumeBytesAsString(length);
            // Only a chunk without line feed is repeated: a million short
            // lines would measure the cost of a million reports instead.
            while (long_run && !chunk.empty() && chunk.find('\n') == std::string::npos
                && chunk.size() <= LONG_RUN)
                chunk += chunk;
            sent += chunk;
            feed(far, chunk, disp, near);
        }

        const Expected expected = expected_from(sent);
        check(received == expected.packets, "packets differ from the complete lines");
        check(dropped == expected.dropped, "dropped lines differ");

        // Everything received goes back the other way, line by line. For one
        // input in eight a long line goes first, which the socket pair cannot
        // take at once, so the connection must keep what follows, in order.
        std::string lines;
        if (size % 8 == 0 && !received.empty())
        {
            const Packet filler("", "FILL", std::string(ECHO_FILLER, 'x'));
            conn.send_packet(filler);
            lines += filler.str() + '\n';
        }
        for (const Packet& pkt : received)
        {
            conn.send_packet(pkt);
            lines += pkt.str() + '\n';
        }
        std::string echoed;
        for (int i = 0; i < 1000 && echoed.size() < lines.size(); ++i)
        {
            char buffer[4096];
            while (pending_bytes(far) > 0)
            {
                ssize_t n = ::read(far, buffer, sizeof buffer);
                check(n > 0, "read from the socket pair failed");
                echoed.append(buffer, static_cast<std::size_t>(n));
            }
            disp.tick(false);
        }
        check(echoed == lines, "sent lines differ from the packets' line forms");

        ::close(far);
        for (int i = 0; i < 100 && !conn.get_stale(); ++i)
            disp.tick(false);
        check(conn.get_stale(), "closed peer not noticed");
        check(received.size() == expected.packets.size() && dropped == expected.dropped,
            "unfinished line reported");
        Packet pkt;
        check(!conn.get_packet(pkt), "packet left in the queue");
    }
    return 0;
}
