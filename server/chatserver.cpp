#include "server/chatserver.h"

#include "common/commands.h"
#include "common/connection.h"
#include "common/names.h"
#include "common/packet.h"
#include "libs/core/source/core/except.h"
#include "libs/net/source/inet.h"
#include "libs/net/source/serversocket.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/utils.h"
#include "server/logtext.h"
#include "server/options.h"
#include "server/statefile.h"
#include "server/timer.h"
#include "server/wakeup.h"

#include <memory>
#include <ostream>

#include <arpa/inet.h>

namespace
{

// Room for a burst of as many newcomers as the server holds clients: a full
// queue drops the handshake's last step, and the kernel's retries back off to
// tens of seconds.
const int LISTEN_BACKLOG = 1024;
// Connections taken per readiness report, so that a burst of newcomers
// cannot keep the clients already in waiting.
const int ACCEPTS_PER_TURN = 32;

} // namespace

const std::string::size_type ChatServer::OUTPUT_LIMIT;
const unsigned ChatServer::MAX_CLIENTS;

ChatServer::ChatServer(const Options& options, std::ostream& log):
    log(log), state_file(nullptr), saved_revision(0), handler(state, *this, options.get_game(), log),
    listener(nullptr), waker(nullptr), login_timer(nullptr),
    login_timeout(std::chrono::seconds(options.get_login_timeout())), access(options.get_access()), next_id(1)
{
    std::unique_ptr<StateFile> file;
    if (!options.get_state().empty())
    {
        file.reset(new StateFile(options.get_state()));
        file->load(state);
        file->save(state);
        saved_revision = state.get_revision();
    }

    in_addr address;
    if (inet_pton(AF_INET, options.get_bind().c_str(), &address) != 1)
        throw Kel::InvalidParameterValue(Kel::format("Invalid address '%s'", options.get_bind()));
    std::unique_ptr<Kel::Net::ServerSocket> socket(new Kel::Net::ServerSocket(Kel::Net::INET, 0));
    socket->bind(Kel::Net::InetAddr(ntohl(address.s_addr), options.get_port()));
    socket->listen(LISTEN_BACKLOG);
    socket->set_block(false);
    socket->signal_data_available.connect(sigc::mem_fun(*this, &ChatServer::on_accept));
    std::unique_ptr<WakeUp> wake_up(new WakeUp);
    std::unique_ptr<Timer> timer(new Timer);

    dispatcher.add(*socket);
    dispatcher.add(*wake_up);
    dispatcher.add(*timer);
    state_file = file.release();
    listener = socket.release();
    waker = wake_up.release();
    login_timer = timer.release();
}

ChatServer::~ChatServer()
{
    // A save that failed (an interrupted write, a full disk) gets one last try.
    save_if_changed();
    for (auto& client : clients)
        delete client.second.connection;
    delete login_timer;
    delete waker;
    delete listener;
    delete state_file;
}

void ChatServer::tick()
{
    dispatcher.tick(true);
    expire_logins();
    close_pending();
}

void ChatServer::wake()
{
    waker->wake();
}

std::string ChatServer::get_address() const
{
    return listener->get_local_address().str();
}

void ChatServer::send(ClientId to, const Packet& packet)
{
    auto it = clients.find(to);
    if (it == clients.end() || it->second.closing)
        return;
    Connection& connection = *it->second.connection;
    try
    {
        connection.send_packet(packet);
    }
    catch (const Kel::Exception& e)
    {
        drop(to, e.what());
        return;
    }
    if (connection.get_output_pending() > OUTPUT_LIMIT)
        drop(to, "Too much output waiting");
}

void ChatServer::close(ClientId client)
{
    auto it = clients.find(client);
    if (it == clients.end() || it->second.closing)
        return;
    it->second.closing = true;
    to_close.push_back(client);
}

void ChatServer::on_accept()
{
    for (int i = 0; i < ACCEPTS_PER_TURN; ++i)
    {
        Kel::Net::StreamSocket* socket;
        try
        {
            socket = listener->accept();
        }
        catch (const Kel::Exception& e)
        {
            log << e.what() << std::endl;
            return;
        }
        if (!socket)
            return;
        accept_one(socket);
    }
}

void ChatServer::accept_one(Kel::Net::StreamSocket* socket)
{
    std::unique_ptr<Kel::Net::StreamSocket> owned(socket);
    sockaddr_storage peer_address {};
    socket->get_peer_address().fill_sockaddr(reinterpret_cast<sockaddr&>(peer_address));
    const HostAddress host(reinterpret_cast<const sockaddr&>(peer_address));
    std::unique_ptr<Connection> connection(new Connection(owned.get(), dispatcher));
    owned.release();

    if (clients.size() >= MAX_CLIENTS)
        return turn_away(*connection, "Server full");
    if (!access.may_connect(host))
        return turn_away(*connection, "This server does not accept connections from your address");
    unsigned& open = per_host[host];
    if (open >= access.get_max_per_address())
        return turn_away(*connection, "Too many connections from your address");
    ++open;

    const ClientId id = next_id++;
    connection->signal_packet_available.connect(sigc::bind(sigc::mem_fun(*this, &ChatServer::on_packet), id));
    connection->signal_end_of_file.connect(sigc::bind(sigc::mem_fun(*this, &ChatServer::on_end_of_file), id));
    connection->signal_bad_line.connect(
        [this, id](const std::string& reason) { handler.reject_line(id, reason); });
    const std::string peer = connection->get_peer();
    clients.emplace(id,
        Client { connection.release(), host, false, true, std::chrono::steady_clock::now() + login_timeout });
    handler.add_client(id, peer);
}

void ChatServer::turn_away(Connection& connection, const std::string& reason)
{
    log << "Rejected connection from " << connection.get_peer() << ": " << reason << std::endl;
    try
    {
        connection.send_packet(Packet(Names::SYSTEM, Command::ERROR, reason));
    }
    catch (const Kel::Exception&)
    {
        // It is closed next anyway.
    }
}

// Names are matched ignoring case here, so that no spelling of the game
// master's name slips past the address check, whatever the rules of the
// RequestHandler make of it.
bool ChatServer::refuse_game_master(ClientId id, const Client& client, const Packet& packet)
{
    if (!client.logging_in || handler.is_logged_in(id) || packet.get_command() != Command::NAME
        || packet.get_parameter_count() == 0
        || Kel::strcasecmp(packet.get_parameter(0), Names::GAME_MASTER) != 0
        || access.may_be_game_master(client.host))
        return false;
    log << "Refused game master login as " << log_text(packet.get_parameter(0)) << " from "
        << client.connection->get_peer() << std::endl;
    send(id, Packet(Names::SYSTEM, Command::ERROR,
                 "The game master may only log in from " + access.describe_game_master()));
    close(id);
    return true;
}

void ChatServer::on_packet(ClientId id)
{
    auto it = clients.find(id);
    if (it == clients.end())
        return;
    Packet packet;
    try
    {
        if (!it->second.connection->get_packet(packet))
            return;
    }
    catch (const Kel::Exception& e)
    {
        drop(id, e.what());
        return;
    }
    if (it->second.closing || refuse_game_master(id, it->second, packet))
        return;
    handler.handle(id, packet);
    save_if_changed();
}

void ChatServer::on_end_of_file(ClientId id)
{
    close(id);
}

void ChatServer::drop(ClientId id, const std::string& reason)
{
    auto it = clients.find(id);
    if (it == clients.end() || it->second.closing)
        return;
    log << "Disconnecting " << it->second.connection->get_peer() << ": " << reason << std::endl;
    close(id);
}

void ChatServer::expire_logins()
{
    const auto now = std::chrono::steady_clock::now();
    bool waiting = false;
    std::chrono::steady_clock::time_point next;
    for (auto& entry : clients)
    {
        Client& client = entry.second;
        if (!client.logging_in || client.closing)
            continue;
        if (handler.is_logged_in(entry.first))
            client.logging_in = false;
        else if (client.login_deadline <= now)
        {
            client.logging_in = false;
            handler.time_out_login(entry.first);
        }
        else if (!waiting || client.login_deadline < next)
        {
            waiting = true;
            next = client.login_deadline;
        }
    }
    if (waiting)
        login_timer->arm(next - now);
    else
        login_timer->disarm();
}

void ChatServer::close_pending()
{
    // Telling the others that a client left can push yet another client
    // over its output limit, so this runs until nobody is left to close.
    while (!to_close.empty())
    {
        const ClientId id = to_close.back();
        to_close.pop_back();
        auto it = clients.find(id);
        if (it == clients.end())
            continue;
        Connection* connection = it->second.connection;
        auto open = per_host.find(it->second.host);
        if (open != per_host.end() && --open->second == 0)
            per_host.erase(open);
        clients.erase(it);
        handler.remove_client(id);
        delete connection;
    }
    save_if_changed();
}

void ChatServer::save_if_changed()
{
    if (!state_file || state.get_revision() == saved_revision)
        return;
    try
    {
        state_file->save(state);
        saved_revision = state.get_revision();
    }
    catch (const Kel::Exception& e)
    {
        log << "Can't save the state: " << e.what() << std::endl;
    }
}
