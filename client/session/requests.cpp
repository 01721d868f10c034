#include "client/session/requests.h"

#include "client/session/session.h"
#include "common/chattext.h"
#include "common/commands.h"
#include "common/packet.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"

#include <sigc++/adaptors/bind.h>
#include <sigc++/functors/mem_fun.h>

namespace
{

const Kel::Time::TimeDelta WRITING_LAPSE = 10 * Kel::Time::sec;

} // namespace

Requests::Requests(Session& s, PacketSink& sink): session(s), sink(sink), writing(false), send_writing(true)
{
    session.signal_scene_activated.connect(sigc::bind(sigc::mem_fun(*this, &Requests::set_writing), false));
}

void Requests::send(const Packet& pkt)
{
    sink.send(pkt);
}

bool Requests::is_connected() const
{
    return sink.is_connected();
}

void Requests::say(const std::string& sname, const std::string& speaker, const std::string& text)
{
    if (!refused(ChatText::check_text(text)))
        send(Packet(speaker, Command::TEXT, sname, text));
}

void Requests::say_ooc(const std::string& sname, const std::string& text)
{
    if (!refused(ChatText::check_text(text)))
        send(Packet(session.get_name(), Command::OOC, sname, text));
}

bool Requests::refused(const std::string& reason)
{
    if (reason.empty())
        return false;
    session.signal_error.emit(reason);
    return true;
}

void Requests::start_session(const std::string& n)
{
    send(Packet(session.get_name(), Command::STARTSESSION, n));
}

void Requests::end_session()
{
    send(Packet(session.get_name(), Command::ENDSESSION));
}

void Requests::set_afk(const std::string& msg)
{
    if (!refused(ChatText::check_text(msg)))
        send(Packet(session.get_name(), Command::AFK, msg));
}

void Requests::set_writing(bool w)
{
    const Scene* scene = session.get_active_scene();
    // Without a scene there is nothing to be typing in.
    if (w && (!scene || !is_connected()))
    {
        write_timeout = Kel::Time::now() + WRITING_LAPSE;
        return;
    }
    if (w != writing)
    {
        writing = w;
        if (send_writing)
            send(Packet(session.get_name(), Command::WRITING, w ? scene->get_name() : std::string()));
        if (w)
            set_afk(std::string());
    }
    if (w)
        write_timeout = Kel::Time::now() + WRITING_LAPSE;
}

void Requests::lapse_writing(const Kel::Time::TimeStamp& now)
{
    if (writing && now > write_timeout)
        set_writing(false);
}

void Requests::add_scene(const std::string& n, bool t)
{
    if (!is_connected() || refused(ChatText::check_name(n)))
        return;
    session.set_requested_scene(n);
    send(Packet(session.get_name(), Command::ADDSCENE, n, t ? "1" : "0"));
}

void Requests::remove_scene(const std::string& n)
{
    send(Packet(session.get_name(), Command::REMOVESCENE, n));
}

void Requests::rename_scene(const std::string& sname, const std::string& new_name)
{
    if (refused(ChatText::check_name(new_name)))
        return;
    session.set_requested_scene(new_name);
    send(Packet(session.get_name(), Command::RENAMESCENE, sname, new_name));
}

void Requests::set_scene_group(const std::string& sname, const std::string& group)
{
    if (!group.empty() && refused(ChatText::check_name(group)))
        return;
    send(Packet(session.get_name(), Command::SETSCENEGROUP, sname, group));
}

void Requests::add_npc(const std::string& npc)
{
    if (!refused(ChatText::check_name(npc)))
        send(Packet(session.get_name(), Command::ADDNPC, npc));
}

void Requests::remove_character(const std::string& cname)
{
    send(Packet(session.get_name(), Command::REMOVECHAR, cname));
}

void Requests::query_character(const std::string& cname)
{
    send(Packet(session.get_active_name(), Command::QUERY, cname));
}

void Requests::get_character_biography(const std::string& cname)
{
    send(Packet(session.get_name(), Command::GETBIOGRAPHY, cname));
}

void Requests::show_character_biography(const std::string& cname)
{
    session.set_biography_wanted(cname);
    get_character_biography(cname);
}

void Requests::set_character_biography(const std::string& cname, const std::string& bio)
{
    if (cname != session.get_name() && !session.is_game_master())
        return;
    if (!refused(ChatText::check_text(bio, ChatText::MANY_LINES)))
        send(Packet(cname, Command::SETBIOGRAPHY, bio));
}
