#include "common/connection.h"

#include "libs/core/source/core/except.h"
#include "libs/core/source/time/units.h"
#include "libs/net/source/resolve.h"
#include "libs/strings/source/formatter.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>

namespace
{

// One read per readiness report, so that one tick handles only a handful of
// lines and a flood cannot stall the caller's loop.
const unsigned READ_SIZE = 1024;
const char DEFAULT_PORT[] = "7254";
// Written-out output is dropped from the front of the buffer only when it is
// this large, so that a long backlog is not moved for every short write.
const std::string::size_type COMPACT_SIZE = 65536;
// Largest size handed to one write call, which counts in unsigned.
const std::string::size_type WRITE_LIMIT = 1u << 30;

} // namespace

const std::string::size_type Connection::MAX_LINE_LENGTH;

Connection::Connection(const std::string& addr_str, Kel::IO::EventDispatcher& edisp):
    sock(nullptr), connecting(false), stale(false), discarding(false), outbuf_start(0), connect_error(0)
{
    std::string address = addr_str;
    if (address.find(':') == std::string::npos)
        address += std::string(":") + DEFAULT_PORT;

    std::unique_ptr<Kel::Net::SockAddr> addr(Kel::Net::resolve(address, Kel::Net::UNSPEC));
    // Owned here until the connect has been started; deleting it takes it
    // out of the dispatcher again.
    std::unique_ptr<Kel::Net::StreamSocket> s(new Kel::Net::StreamSocket(addr->get_family(), 0));
    sock = s.get();
    peer = addr->str();
    init();
    sock->signal_connect_finished.connect(sigc::mem_fun(*this, &Connection::connect_finished));
    edisp.add(*sock);
    connecting = true;
    sock->connect(*addr);
    s.release();
}

Connection::Connection(Kel::Net::StreamSocket* s, Kel::IO::EventDispatcher& edisp):
    sock(s), connecting(false), stale(false), peer(s->get_peer_address().str()), discarding(false),
    outbuf_start(0), connect_error(0)
{
    init();
    edisp.add(*sock);
    std::cout << "New connection from " << peer << std::endl;
}

Connection::~Connection()
{
    delete sock;
}

bool Connection::check_connection()
{
    if (sock->get_connected())
        return true;
    if (connect_error != 0)
        throw Kel::Exception(Kel::format("Connection failed: %s", std::strerror(connect_error)));
    return sock->poll_connect(Kel::Time::zero) == 0;
}

bool Connection::get_packet(Packet& pkt)
{
    if (!error.empty())
    {
        std::string text;
        text.swap(error);
        throw Kel::Exception(text);
    }
    if (pkt_queue.empty())
        return false;
    pkt = std::move(pkt_queue.front());
    pkt_queue.pop_front();
    return true;
}

void Connection::send_packet(const Packet& pkt)
{
    std::string data = pkt.str();
    data += '\n';
    if (get_output_pending() > 0)
    {
        outbuf += data;
        return;
    }
    unsigned sent = sock->write(data);
    if (sent < data.size())
    {
        outbuf.assign(data, sent, std::string::npos);
        outbuf_start = 0;
        sock->start_output_watch();
    }
}

void Connection::init()
{
    sock->set_block(false);
    sock->signal_data_available.connect(sigc::mem_fun(*this, &Connection::data_available));
    sock->signal_end_of_file.connect(sigc::mem_fun(*this, &Connection::end_of_file));
    sock->signal_output_ready.connect(sigc::mem_fun(*this, &Connection::output_ready));
}

void Connection::data_available()
{
    try
    {
        char chunk[READ_SIZE];
        unsigned count = sock->read(chunk, READ_SIZE);
        take_bytes(chunk, count);
    }
    catch (const Kel::Exception& e)
    {
        report(e.what());
        error = e.what();
    }
}

void Connection::end_of_file()
{
    std::cout << "Connection from " << peer << " terminated" << std::endl;
    stale = true;
    signal_end_of_file.emit();
}

void Connection::connect_finished(int err)
{
    connect_error = err;
}

void Connection::output_ready()
{
    try
    {
        flush_output();
    }
    catch (const Kel::Exception& e)
    {
        // Nobody waits on this write: keep the failure for get_packet, like
        // a receive failure, and give up the rest of the output.
        report(e.what());
        error = e.what();
        outbuf.clear();
        outbuf_start = 0;
        sock->stop_output_watch();
    }
}

void Connection::take_bytes(const char* data, std::string::size_type size)
{
    if (discarding)
    {
        const char* lf = static_cast<const char*>(std::memchr(data, '\n', size));
        if (!lf)
            return;
        discarding = false;
        size -= lf + 1 - data;
        data = lf + 1;
    }

    // The buffer held no line feed before, so only the new bytes are searched.
    std::string::size_type scan = buffer.size();
    buffer.append(data, size);
    std::string::size_type start = 0;
    for (;;)
    {
        std::string::size_type lf = buffer.find('\n', scan);
        if (lf == std::string::npos)
            break;
        take_line(start, lf - start);
        start = lf + 1;
        scan = start;
    }
    buffer.erase(0, start);

    if (buffer.size() > MAX_LINE_LENGTH)
    {
        buffer.clear();
        buffer.shrink_to_fit();
        discarding = true;
        reject_line("Line too long");
    }
}

void Connection::take_line(std::string::size_type start, std::string::size_type length)
{
    if (length > MAX_LINE_LENGTH)
    {
        reject_line("Line too long");
        return;
    }
    line.assign(buffer, start, length);
    try
    {
        pkt_queue.emplace_back(line);
    }
    catch (const Kel::Exception& e)
    {
        reject_line(e.what());
        return;
    }
    // A handler that fails on this packet costs only this packet.
    try
    {
        signal_packet_available.emit();
    }
    catch (const Kel::Exception& e)
    {
        report(e.what());
    }
}

void Connection::reject_line(const std::string& reason)
{
    report(reason);
    signal_bad_line.emit(reason);
}

void Connection::flush_output()
{
    while (get_output_pending() > 0)
    {
        std::string::size_type size = std::min(get_output_pending(), WRITE_LIMIT);
        unsigned sent = sock->write(outbuf.data() + outbuf_start, static_cast<unsigned>(size));
        if (sent == 0)
            break;
        outbuf_start += sent;
    }
    if (get_output_pending() == 0)
    {
        outbuf.clear();
        outbuf_start = 0;
        sock->stop_output_watch();
    }
    else if (outbuf_start >= COMPACT_SIZE)
    {
        outbuf.erase(0, outbuf_start);
        outbuf_start = 0;
    }
}

void Connection::report(const std::string& text) const
{
    std::cout << text << " from " << peer << std::endl;
}
