#ifndef PARLANE_COMMON_CONNECTION_H
#define PARLANE_COMMON_CONNECTION_H

#include "common/packet.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/net/source/streamsocket.h"

#include <sigc++/sigc++.h>

#include <deque>
#include <string>

// One end of a chat link: frames packets as lines over a stream socket that
// the event dispatcher services. Incoming lines are parsed and queued, one
// signal_packet_available per packet; outgoing packets are written whole and
// in order, however slowly the peer reads. Used by the client, which opens
// the link, and by a server, which wraps a socket it accepted.
class Connection
{
public:
    // Longest line accepted, without its line feed. A longer line is dropped
    // with "Line too long from <peer>" on standard output.
    static const std::string::size_type MAX_LINE_LENGTH = 1048576;

    // Client side: resolves addr_str ("host" or "host:port"; the port
    // defaults to 7254) and starts a non-blocking connect. Resolution and
    // connect failures throw the socket layer's exceptions.
    Connection(const std::string& addr_str, Kel::IO::EventDispatcher& edisp);
    // Server side: takes ownership of the accepted, connected socket s.
    Connection(Kel::Net::StreamSocket* s, Kel::IO::EventDispatcher& edisp);
    // The socket leaves the dispatcher as it is deleted. Bytes not yet
    // written are dropped.
    ~Connection();

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // True once connected; false while the connect is under way. A failed
    // connect throws Kel::Exception "Connection failed: <reason>".
    bool check_connection();

    // Moves the oldest queued packet into pkt; false, with pkt untouched,
    // when there is none. A receive or send failure stored since the last
    // call is thrown once as Kel::Exception and then forgotten.
    bool get_packet(Packet& pkt);

    // Writes the packet's line. What the socket does not take at once is kept
    // and written, in order, as the socket becomes writable; later packets
    // queue behind it. Throws the socket's exception when writing fails.
    void send_packet(const Packet& pkt);

    bool get_stale() const { return stale; }
    // Bytes accepted by send_packet but not yet taken by the socket.
    std::string::size_type get_output_pending() const { return outbuf.size() - outbuf_start; }
    // The peer's address text, such as "127.0.0.1:7254".
    const std::string& get_peer() const { return peer; }

    sigc::signal<void> signal_packet_available;
    // The peer closed the link; the connection is stale from now on.
    sigc::signal<void> signal_end_of_file;
    // A line was dropped because it is not a packet or is too long; the
    // argument is the reason, as reported on standard output. Receivers must
    // not delete the connection from here.
    sigc::signal<void, const std::string&> signal_bad_line;

private:
    void init();
    void data_available();
    void end_of_file();
    void connect_finished(int error);
    void output_ready();

    void take_bytes(const char* data, std::string::size_type size);
    void take_line(std::string::size_type start, std::string::size_type length);
    void flush_output();
    void report(const std::string& text) const;
    void reject_line(const std::string& reason);

    Kel::Net::StreamSocket* sock; // owned
    bool connecting;
    std::string buffer;
    std::deque<Packet> pkt_queue;
    std::string error;
    bool stale;

    std::string peer;
    // Set when a line outgrew MAX_LINE_LENGTH: bytes are dropped up to the
    // next line feed.
    bool discarding;
    // Reused for each line, so that parsing a line allocates no buffer.
    std::string line;
    // Unwritten output is outbuf from outbuf_start on.
    std::string outbuf;
    std::string::size_type outbuf_start;
    // Error number of a connect that failed under the dispatcher, else 0.
    int connect_error;
};

#endif
