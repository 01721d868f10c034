#include "client/parlane.h"

#include "client/frontend.h"
#include "client/session/mentions.h"
#include "common/commands.h"
#include "common/connection.h"
#include "common/packet.h"
#include "libs/core/source/core/except.h"
#include "libs/core/source/time/clock.h"
#include "libs/strings/source/formatter.h"

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
    config("parlane.conf"), requests(session, *this), interpreter(session, requests, config, *this),
    packet_handler(session), conn(nullptr), link_busy(false), frontend(nullptr)
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
    if (conn && conn->get_stale())
    {
        delete conn;
        conn = nullptr;
    }

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
    return due;
}

void Parlane::connect(const std::string& address, const std::string& n)
{
    if (conn)
        disconnect();
    session.clear();

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
        {
            conn->signal_packet_available.connect(sigc::mem_fun(*this, &Parlane::packet_available));
            conn->signal_end_of_file.connect(sigc::mem_fun(*this, &Parlane::end_of_file));
            session.log_in(n);
            conn->send_packet(Packet("", Command::NAME, n));
        }
        signal_connecting.emit(false);
    }
    catch (const Kel::Exception& e)
    {
        delete conn;
        conn = nullptr;
        signal_connecting.emit(false);
        signal_error.emit(e.what());
    }
}

void Parlane::cancel_connection()
{
    delete conn;
    conn = nullptr;
}

void Parlane::end_of_file()
{
    signal_error.emit("Connection Lost");
}

void Parlane::disconnect()
{
    delete conn;
    conn = nullptr;
    session.go_offline();
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
    requests.set_send_writing(config.get_send_writing());
}

void Parlane::packet_available()
{
    Packet pkt;
    if (!conn || !conn->get_packet(pkt))
        return;
    link_busy = true;
    packet_handler.handle(pkt);
}

void Parlane::report_error(const std::string& message)
{
    signal_error.emit(message);
}

void Parlane::report_notice(const std::string& message)
{
    signal_notice.emit(message);
}

void Parlane::edit_biography(const std::string& character)
{
    signal_edit_biography.emit(character);
}
