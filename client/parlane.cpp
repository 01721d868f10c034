#include "client/parlane.h"

#include "client/frontend.h"
#include "client/session/mentions.h"
#include "client/session/places.h"
#include "common/commands.h"
#include "common/connection.h"
#include "common/packet.h"
#include "libs/core/source/core/except.h"
#include "libs/core/source/time/clock.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/utils.h"

#include <poll.h>
#include <sys/prctl.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <typeinfo>
#include <vector>

Parlane* Parlane::instance_ = nullptr;
Kel::Application::RegApp<Parlane> Parlane::reg;

Parlane::Parlane(int argc, char** argv):
    signal_scenes_changed(session.signal_scenes_changed), signal_activity(session.signal_activity),
    signal_scene_status_changed(session.signal_scene_status_changed),
    signal_present_characters_changed(session.signal_present_characters_changed),
    signal_scene_activated(session.signal_scene_activated),
    signal_characters_changed(session.signal_characters_changed),
    signal_character_status_changed(session.signal_character_status_changed),
    signal_active_name_changed(session.signal_active_name_changed),
    signal_data_cleared(session.signal_data_cleared), signal_config_changed(session.signal_config_changed),
    signal_biography_received(session.signal_biography_received),
    signal_game_changed(session.signal_game_changed), signal_attention(session.signal_attention),
    signal_show_biography(session.signal_show_biography), signal_error(session.signal_error),
    signal_notice(session.signal_notice), signal_edit_biography(session.signal_edit_biography),
    signal_status_note(session.signal_status_note), config(Places::current().get_config_file()), requests(session, *this),
    interpreter(session, requests, config, *this), packet_handler(session), conn(nullptr), login(NO_LOGIN),
    ended(false), drop(false), failure_refused(false), link_busy(false), frontend(nullptr)
{
    // A send to a peer that has gone would otherwise kill the process
    // instead of failing the write.
    std::signal(SIGPIPE, SIG_IGN);
    // The loop's pace is one turn per millisecond; the kernel's default timer
    // slack stretches each 1 ms sleep by a tenth or more.
    prctl(PR_SET_TIMERSLACK, 1UL);

    signal_config_changed.connect(sigc::mem_fun(*this, &Parlane::config_changed));
    instance_ = this;
    try
    {
        frontend = make_frontend(argc, argv);
    }
    catch (...)
    {
        instance_ = nullptr;
        throw;
    }
}

Parlane::~Parlane()
{
    delete frontend;
    delete conn;
    instance_ = nullptr;
}

Parlane& Parlane::instance()
{
    return *instance_;
}

int Parlane::main()
{
    frontend->show();
    int code;
    try
    {
        config.load();
        signal_config_changed.emit();
        if (!config.get_connect_host().empty())
            signal_connect_wanted.emit();
        code = Kel::Application::main();
        config.save();
    }
    catch (const Kel::Exception& e)
    {
        std::cout << "Exception " << typeid(e).name() << ": " << e.what() << std::endl;
        frontend->show_error(Kel::format("An error occurred:\n%s\nThe program will now close.", e.what()));
        code = 1;
    }
    session.clear();
    return code;
}

void Parlane::tick()
{
    if (link_busy)
    {
        // Laying out lines off the screen as fast as they arrive would slow
        // their arrival: while the server keeps sending, such work gets one
        // round every BACKGROUND_DELAY.
        frontend->drain_foreground();
        Kel::Time::TimeStamp now = Kel::Time::now();
        if (now - last_background >= BACKGROUND_DELAY)
        {
            frontend->drain(Kel::Time::zero);
            last_background = now;
        }
    }
    else
    {
        frontend->wait(event_disp, next_deadline() - Kel::Time::now());
        frontend->drain(BACKGROUND_SLICE);
        last_background = Kel::Time::now();
    }

    // Before the dispatcher: the socket of a link the peer closed wants no
    // events any more, and polling nothing but it would fail.
    service_link();

    link_busy = false;
    event_disp.tick(false);
    read_burst();

    requests.lapse_writing(Kel::Time::now());
}

Kel::Time::TimeStamp Parlane::next_deadline() const
{
    Kel::Time::TimeStamp due = Kel::Time::now() + LONGEST_WAIT;
    // One line per kind of timed work.
    if (requests.get_writing())
        due = std::min(due, requests.get_write_timeout());
    if (!conn && reconnector.get_active())
        due = std::min(due, reconnector.get_due());
    // A connect in progress is looked at often: its socket is not polled.
    if (conn && login == CONNECTING)
        due = std::min(due, Kel::Time::now() + CONNECT_CHECK);
    if (conn && login == AWAITING_ANSWER)
        due = std::min(due, login_deadline);
    return due;
}

void Parlane::connect(const std::string& address, const std::string& n)
{
    stop_reconnecting();
    if (conn)
        drop_connection();

    signal_connecting.emit(true);
    try
    {
        conn = new Connection(address, event_disp);
        while (true)
        {
            frontend->drain(Kel::Time::sec);
            if (!conn || conn->check_connection())
                break;
            // Until the socket or the toolkit has news, at most 10 ms: the
            // wait does not spin, and Cancel still answers at once.
            frontend->wait(event_disp, IDLE_WAIT);
        }
        if (conn)
            send_login(address, n);
        signal_connecting.emit(false);
    }
    catch (const Kel::Exception& e)
    {
        drop_connection();
        signal_connecting.emit(false);
        signal_error.emit(e.what());
    }
}

void Parlane::send_login(const std::string& address, const std::string& n)
{
    conn->signal_packet_available.connect(sigc::mem_fun(*this, &Parlane::packet_available));
    conn->signal_end_of_file.connect(sigc::mem_fun(*this, &Parlane::end_of_file));
    conn->signal_bad_line.connect(sigc::mem_fun(*this, &Parlane::bad_line));
    login = AWAITING_ANSWER;
    login_address = address;
    login_name = n;
    login_deadline = Kel::Time::now() + LOGIN_BOUND;
    conn->send_packet(Packet("", Command::NAME, n));
    // Answered after everything the login announces: its answer marks the
    // end of the state the server tells a new client.
    conn->send_packet(Packet(n, Command::GETBIOGRAPHY, n));
}

void Parlane::cancel_connection()
{
    drop_connection();
}

void Parlane::drop_connection()
{
    delete conn;
    conn = nullptr;
    login = NO_LOGIN;
    requests.forget_writing();
    ended = false;
    drop = false;
}

void Parlane::end_of_file()
{
    ended = true;
}

void Parlane::bad_line(const std::string&)
{
    if (login == AWAITING_ANSWER)
        fail_login(not_a_server(), false);
}

void Parlane::fail_login(const std::string& message, bool refused)
{
    if (!failure.empty())
        return;
    failure = message;
    failure_refused = refused;
    drop = true;
}

std::string Parlane::not_a_server() const
{
    return Kel::format("%s did not answer as a Parlane server", login_address);
}

void Parlane::stop_reconnecting()
{
    reconnector.stop();
    session.set_reconnecting(false);
}

void Parlane::disconnect()
{
    stop_reconnecting();
    drop_connection();
    session.go_offline();
}

void Parlane::service_link()
{
    Kel::Time::TimeStamp now = Kel::Time::now();
    if (conn && login == AWAITING_ANSWER && now >= login_deadline)
        fail_login(not_a_server(), false);
    if (!failure.empty())
    {
        std::string message;
        message.swap(failure);
        drop_connection();
        login_failed(message, failure_refused);
        return;
    }
    if (drop || (conn && (ended || conn->get_stale())))
    {
        bool lost = ended || conn->get_stale();
        LoginState was = login;
        drop_connection();
        if (lost)
        {
            if (was == AWAITING_ANSWER)
                login_failed(not_a_server(), false);
            else if (was == LOGGED_IN)
                link_ended();
        }
    }
    if (!conn && reconnector.is_due(now))
    {
        try
        {
            conn = new Connection(reconnector.get_address(), event_disp);
            login = CONNECTING;
            login_deadline = now + CONNECT_BOUND;
        }
        catch (const Kel::Exception&)
        {
            drop_connection();
            reconnector.failed(now);
        }
    }
    else if (conn && login == CONNECTING)
    {
        try
        {
            if (conn->check_connection())
                send_login(reconnector.get_address(), reconnector.get_name());
            else if (now >= login_deadline)
                throw Kel::Exception("Connection timed out");
        }
        catch (const Kel::Exception&)
        {
            drop_connection();
            reconnector.failed(now);
        }
    }
}

void Parlane::link_ended()
{
    if (!config.get_auto_reconnect())
    {
        signal_error.emit("Connection Lost");
        return;
    }
    Kel::Time::TimeStamp now = Kel::Time::now();
    reconnector.start(model_address, session.get_name(), now);
    session.mark_offline();
    session.set_reconnecting(true);
    int seconds = static_cast<int>(reconnector.get_next_delay() / Kel::Time::sec);
    session.add_notice_everywhere(
        Kel::format("Connection to %s lost; reconnecting in %d s", model_address, seconds));
}

void Parlane::login_failed(const std::string& message, bool refused)
{
    if (reconnector.get_active())
    {
        // A server that turns the name away now will not take it later.
        stop_reconnecting();
        session.go_offline();
        signal_error.emit(message);
        return;
    }
    if (refused)
        signal_login_refused.emit(message);
    else
        signal_error.emit(message);
}

void Parlane::quit()
{
    exit(0);
}

void Parlane::send(const Packet& pkt)
{
    if (!conn)
        return;
    // A lost link shows itself through end of file and "Connection Lost";
    // a request that cannot go out must not end the program from a key
    // press or a loop turn.
    try
    {
        conn->send_packet(pkt);
    }
    catch (const Kel::Exception& e)
    {
        std::cout << e.what() << " to " << conn->get_peer() << std::endl;
    }
}

void Parlane::read_burst()
{
    for (int reads = 1; reads < MAX_READS && conn; ++reads)
    {
        std::vector<pollfd> ready = event_disp.get_poll_set();
        if (ready.empty() || ::poll(ready.data(), ready.size(), 0) <= 0)
            return;
        if (std::none_of(ready.begin(), ready.end(), [](const pollfd& p) { return p.revents & POLLIN; }))
            return;
        event_disp.tick(false);
    }
}

void Parlane::config_changed()
{
    session.set_highlight_words(Mentions::split_words(config.get_highlight_words()));
    session.set_restore_lines(config.get_restore_lines());
    requests.set_send_writing(config.get_send_writing());
}

void Parlane::packet_available()
{
    Packet pkt;
    if (!conn || drop)
        return;
    try
    {
        if (!conn->get_packet(pkt))
            return;
    }
    catch (const Kel::Exception& e)
    {
        std::cout << e.what() << " from " << conn->get_peer() << std::endl;
        ended = true;
        return;
    }
    link_busy = true;
    if (login == AWAITING_ANSWER && !first_answer(pkt))
        return;
    if (session.get_logging_in())
    {
        // The answer to the login's own question ends what the login
        // announces; nobody asked to see it.
        if (pkt.get_command() == Command::BIOGRAPHY && Kel::strcasecmp(pkt.get_origin(), session.get_name()) == 0)
        {
            session.end_login();
            return;
        }
        if (pkt.get_command() == Command::ERROR)
            session.end_login();
    }
    packet_handler.handle(pkt);
}

bool Parlane::first_answer(const Packet& pkt)
{
    if (pkt.get_command() == Command::ERROR)
    {
        fail_login(pkt.get_parameter_count() > 0 ? pkt.get_parameter(0) : std::string("Login refused"), true);
        return false;
    }
    if (!packet_handler.knows(pkt.get_command()))
    {
        fail_login(not_a_server(), false);
        return false;
    }
    bool retry = reconnector.get_active();
    bool keep = retry
        || (login_address == model_address && login_name == session.get_name() && !session.get_scenes().empty());
    login = LOGGED_IN;
    model_address = login_address;
    session.begin_login(keep);
    session.log_in(login_name);
    session.signal_active_name_changed.emit();
    if (retry)
    {
        stop_reconnecting();
        session.add_notice_everywhere("Reconnected");
    }
    return true;
}

void Parlane::edit_biography(const std::string& character)
{
    signal_edit_biography.emit(character);
}
