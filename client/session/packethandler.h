#ifndef PARLANE_CLIENT_SESSION_PACKETHANDLER_H
#define PARLANE_CLIENT_SESSION_PACKETHANDLER_H

#include <map>
#include <string>

class Packet;
class Session;

// Turns each packet from the server into changes of the session model,
// looked up by command word. Unknown commands, and packets about scenes or
// characters the model does not know, change nothing. A missing parameter
// or a flag other than "1" or "0" throws before anything changes.
class PacketHandler
{
public:
    explicit PacketHandler(Session& s);
    PacketHandler(const PacketHandler&) = delete;
    PacketHandler& operator=(const PacketHandler&) = delete;

    void handle(const Packet& pkt);
    // Whether command is one a server sends.
    bool knows(const std::string& command) const { return handlers.count(command) != 0; }

private:
    typedef void (PacketHandler::*Handler)(const Packet& pkt);

    void game(const Packet& pkt);
    void session_name(const Packet& pkt);
    void error(const Packet& pkt);
    void add_scene(const Packet& pkt);
    void add_character(const Packet& pkt);
    void remove_character(const Packet& pkt);
    void enter(const Packet& pkt);
    void leave(const Packet& pkt);
    void online(const Packet& pkt);
    void writing(const Packet& pkt);
    void afk(const Packet& pkt);
    void text(const Packet& pkt);
    void ooc(const Packet& pkt);
    void biography(const Packet& pkt);
    void scene_group(const Packet& pkt);

    Session& session;
    std::map<std::string, Handler> handlers;
};

#endif
