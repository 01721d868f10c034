#ifndef PARLANE_SERVER_REQUESTHANDLER_H
#define PARLANE_SERVER_REQUESTHANDLER_H

#include "common/names.h"
#include "server/gamestate.h"
#include "server/outbox.h"

#include <iosfwd>
#include <map>
#include <string>

class Packet;

// The server's rules: turns each packet a client sends into changes of the
// GameState and into the packets that tell the clients about them. It knows
// clients only by number and talks to them only through the Outbox, so it
// can be driven without any socket.
//
// A request that breaks a rule changes nothing and earns its sender an
// ERROR; nothing a client sends can stop the handler. It writes one line per
// login, logout and rejected request to the log stream.
class RequestHandler
{
public:
    RequestHandler(GameState& state, Outbox& outbox, const std::string& game, std::ostream& log);
    RequestHandler(const RequestHandler&) = delete;
    RequestHandler& operator=(const RequestHandler&) = delete;

    // A new connection; address is only used in the log. Its first packet
    // must be NAME.
    void add_client(ClientId client, const std::string& address);

    // The connection is gone: a logged-in character goes offline (ONLINE "0"
    // and WRITING "" to everyone) and stays where it was. Unknown numbers are
    // ignored, so this may be called for a client already closed.
    void remove_client(ClientId client);

    // Handles one packet from the client.
    void handle(ClientId client, const Packet& packet);

    // Tells the client that one of its lines could not be read.
    void reject_line(ClientId client, const std::string& reason);

    // A client that has not logged in in time is told "Login timed out" and
    // closed. Ignored for a client that is logged in or unknown.
    void time_out_login(ClientId client);

    bool is_logged_in(ClientId client) const;

    // The number of clients that are logged in.
    unsigned get_online_count() const { return online.size(); }

private:
    struct Client
    {
        ClientId id;
        std::string address;
        std::string name; // empty until logged in
        std::string afk; // away message; empty when present
    };

    typedef void (RequestHandler::*Action)(Client& sender, const Packet& packet);

    // What the last parameter a request needs is, when others get to see
    // it as text.
    enum Content
    {
        NO_TEXT,
        LINE, // a chat line or an away message
        BIOGRAPHY, // may hold line feeds
    };

    struct Rule
    {
        Action action;
        unsigned parameters; // the least number it needs
        bool gm_only;
        Content content;
    };

    static const std::map<std::string, Rule>& rules();

    void check(const Client& sender, const Packet& packet, const Rule& rule) const;
    void login(Client& client, const Packet& packet);
    void refuse_login(const Client& client, const std::string& message);
    void send_state(ClientId to);

    void on_text(Client& sender, const Packet& packet);
    void on_writing(Client& sender, const Packet& packet);
    void on_afk(Client& sender, const Packet& packet);
    void on_query(Client& sender, const Packet& packet);
    void on_get_biography(Client& sender, const Packet& packet);
    void on_set_biography(Client& sender, const Packet& packet);
    void on_start_session(Client& sender, const Packet& packet);
    void on_end_session(Client& sender, const Packet& packet);
    void on_add_scene(Client& sender, const Packet& packet);
    void on_remove_scene(Client& sender, const Packet& packet);
    void on_set_scene_group(Client& sender, const Packet& packet);
    void on_rename_scene(Client& sender, const Packet& packet);
    void on_add_npc(Client& sender, const Packet& packet);
    void on_remove_character(Client& sender, const Packet& packet);
    void on_enter(Client& sender, const Packet& packet);
    void on_leave(Client& sender, const Packet& packet);

    GameState::Character& character_named(const std::string& name);
    GameState::Scene& scene_named(const std::string& name);
    std::string speaker(const Client& sender, const std::string& origin);
    bool is_gm(const Client& client) const { return client.name == Names::GAME_MASTER; }
    const Client* online_client(const std::string& name) const;

    void send(ClientId to, const Packet& packet);
    void send_all(const Packet& packet);
    void send_error(ClientId to, const std::string& message);

    GameState& state;
    Outbox& outbox;
    std::string game;
    std::ostream& log;
    std::map<ClientId, Client> clients;
    std::map<std::string, ClientId> online; // folded name -> client; logged in only
};

#endif
