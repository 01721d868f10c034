#ifndef PARLANE_SERVER_CHATSERVER_H
#define PARLANE_SERVER_CHATSERVER_H

#include "libs/io/source/eventdispatcher.h"
#include "server/access.h"
#include "server/gamestate.h"
#include "server/outbox.h"
#include "server/requesthandler.h"

#include <chrono>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

class Connection;
class Options;
class StateFile;
class Timer;
class WakeUp;

namespace Kel
{
namespace Net
{
class ServerSocket;
class StreamSocket;
} // namespace Net
} // namespace Kel

// The server's network side: a listening socket, one Connection per client,
// all serviced by one EventDispatcher on one thread. It hands every packet to
// the RequestHandler, delivers what the handler sends, and saves the state
// file after every change.
//
// No client can hold the others up: a client that stops reading is
// disconnected as soon as more than OUTPUT_LIMIT bytes wait for it, and
// beyond MAX_CLIENTS a newcomer is told "Server full" and closed. Nor can
// idle sockets fill those places: a connection that has not logged in
// within the options' login time-out is told "Login timed out" and closed.
//
// The options' access policy is applied here, before the RequestHandler
// sees anything: an address outside the allowed ranges, or one that holds
// its limit of connections already, is told why and closed at once; a login
// as the game master (in any letter case) from outside the game master's
// ranges is refused and closed.
class ChatServer: public Outbox
{
public:
    static const std::string::size_type OUTPUT_LIMIT = 4 * 1024 * 1024;
    static const unsigned MAX_CLIENTS = 512;

    // Loads the state file, if the options name one, and writes it back at
    // once (so an unwritable file is found now), then listens. Throws
    // Kel::Exception when any of that fails.
    ChatServer(const Options& options, std::ostream& log);
    ChatServer(const ChatServer&) = delete;
    ChatServer& operator=(const ChatServer&) = delete;
    // Saves what is not saved yet, then closes every connection without
    // telling anybody.
    ~ChatServer() override;

    // Waits until a socket is ready, wake() is called or the first login
    // time-out runs out, handles what is ready, then closes the clients that
    // left, took too long to log in, or have to go.
    void tick();

    // Makes a waiting tick() return; safe in a signal handler.
    void wake();

    // The address the server listens on, such as "127.0.0.1:7254".
    std::string get_address() const;

    void send(ClientId to, const Packet& packet) override;
    void close(ClientId client) override;

private:
    struct Client
    {
        Connection* connection; // owned
        HostAddress host;
        bool closing; // receives nothing more; deleted after the tick
        bool logging_in; // has not yet logged in
        std::chrono::steady_clock::time_point login_deadline;
    };

    void on_accept();
    void accept_one(Kel::Net::StreamSocket* socket);
    void turn_away(Connection& connection, const std::string& reason);
    bool refuse_game_master(ClientId id, const Client& client, const Packet& packet);
    void on_packet(ClientId id);
    void on_end_of_file(ClientId id);
    void drop(ClientId id, const std::string& reason);
    void expire_logins();
    void close_pending();
    void save_if_changed();

    std::ostream& log;
    Kel::IO::EventDispatcher dispatcher;
    GameState state;
    StateFile* state_file; // owned; null without --state
    unsigned long saved_revision;
    RequestHandler handler;
    Kel::Net::ServerSocket* listener; // owned
    WakeUp* waker; // owned
    Timer* login_timer; // owned; armed while a connection is logging in
    std::chrono::steady_clock::duration login_timeout;
    AccessPolicy access;
    std::map<ClientId, Client> clients;
    std::map<HostAddress, unsigned> per_host; // open connections by address
    std::vector<ClientId> to_close;
    ClientId next_id;
};

#endif
