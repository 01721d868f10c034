#include "server/chatserver.h"

#include "common/commands.h"
#include "common/connection.h"
#include "common/names.h"
#include "common/packet.h"
#include "libs/core/source/core/except.h"
#include "libs/net/source/inet.h"
#include "libs/net/source/serversocket.h"
#include "libs/strings/source/formatter.h"
#include "server/options.h"
#include "server/statefile.h"
#include "server/timer.h"
#include "server/wakeup.h"

#include <memory>
#include <ostream>

#include <arpa/inet.h>

namespace
{

const int LISTEN_BACKLOG = 128;
// Connections taken per readiness report, so that a burst of newcomers
// cannot keep the clients already in waiting.
const int ACCEPTS_PER_TURN = 32;

} // namespace

const std::string::size_type ChatServer::OUTPUT_LIMIT;
const unsigned ChatServer::MAX_CLIENTS;

ChatServer::ChatServer(const Options& options, std::ostream& log):
    log(log), state_file(nullptr), saved_revision(0), handler(state, *this, options.get_game(), log),
    listener(nullptr), waker(nullptr), login_timer(nullptr),
    login_timeout(std::chrono::seconds(options.get_login_timeout())), next_id(1)
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
    std::unique_ptr<Connection> connection(new Connection(owned.get(), dispatcher));
    owned.release();

    if (clients.size() >= MAX_CLIENTS)
    {
        log << "Rejected connection from " << connection->get_peer() << ": Server full" << std::endl;
        try
        {
            connection->send_packet(Packet(Names::SYSTEM, Command::ERROR, "Server full"));
        }
        catch (const Kel::Exception&)
        {
            // It is closed next anyway.
        }
        return;
    }

    const ClientId id = next_id++;
    connection->signal_packet_available.connect(sigc::bind(sigc::mem_fun(*this, &ChatServer::on_packet), id));
    connection->signal_end_of_file.connect(sigc::bind(sigc::mem_fun(*this, &ChatServer::on_end_of_file), id));
    connection->signal_bad_line.connect(
        [this, id](const std::string& reason) { handler.reject_line(id, reason); });
    const std::string peer = connection->get_peer();
    clients[id]
        = Client { connection.release(), false, true, std::chrono::steady_clock::now() + login_timeout };
    handler.add_client(id, peer);
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
    if (it->second.closing)
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
