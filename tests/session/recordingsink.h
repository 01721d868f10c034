#ifndef PARLANE_TESTS_SESSION_RECORDINGSINK_H
#define PARLANE_TESTS_SESSION_RECORDINGSINK_H

#include "client/session/backlog.h"
#include "client/session/requests.h"
#include "common/packet.h"

#include <string>
#include <utility>

// A connection that keeps what is sent to it, in wire form, each line
// followed by "|"; while not connected it drops every packet.
class RecordingSink: public PacketSink
{
public:
    void send(const Packet& pkt) override
    {
        if (connected)
            sent += pkt.str() + "|";
    }
    bool is_connected() const override { return connected; }

    // What was sent since the last call.
    std::string take() { return std::exchange(sent, {}); }

    bool connected = true;
    std::string sent;
};

// Each line's text followed by "|".
inline std::string texts(const BackLog& log)
{
    std::string result;
    for (const LogLine& line : log)
        result += line.text + "|";
    return result;
}

#endif
