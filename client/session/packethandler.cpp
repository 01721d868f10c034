#include "client/session/packethandler.h"

#include "client/session/places.h"
#include "client/session/session.h"
#include "common/commands.h"
#include "common/packet.h"
#include "libs/path/source/path.h"
#include "libs/path/source/utils.h"
#include "libs/strings/source/lexicalcast.h"

namespace
{

bool flag(const Packet& pkt, unsigned i)
{
    return Kel::lexical_cast<bool>(pkt.get_parameter(i));
}

} // namespace

PacketHandler::PacketHandler(Session& s): session(s)
{
    handlers = {
        { Command::GAME, &PacketHandler::game },
        { Command::SESSION, &PacketHandler::session_name },
        { Command::ERROR, &PacketHandler::error },
        { Command::ADDSCENE, &PacketHandler::add_scene },
        { Command::ADDCHAR, &PacketHandler::add_character },
        { Command::REMOVECHAR, &PacketHandler::remove_character },
        { Command::ENTER, &PacketHandler::enter },
        { Command::LEAVE, &PacketHandler::leave },
        { Command::ONLINE, &PacketHandler::online },
        { Command::WRITING, &PacketHandler::writing },
        { Command::AFK, &PacketHandler::afk },
        { Command::TEXT, &PacketHandler::text },
        { Command::OOC, &PacketHandler::ooc },
        { Command::BIOGRAPHY, &PacketHandler::biography },
        { Command::SCENEGROUP, &PacketHandler::scene_group },
    };
}

void PacketHandler::handle(const Packet& pkt)
{
    std::map<std::string, Handler>::const_iterator i = handlers.find(pkt.get_command());
    if (i != handlers.end())
        (this->*(i->second))(pkt);
}

void PacketHandler::game(const Packet& pkt)
{
    const std::string& name = pkt.get_parameter(0);
    session.set_game(name);
    Kel::mkpath(Kel::Path(Places::current().get_game_folder(name)), 0755);
}

void PacketHandler::session_name(const Packet& pkt)
{
    session.set_session(pkt.get_parameter(0));
}

void PacketHandler::error(const Packet& pkt)
{
    session.signal_error.emit(pkt.get_parameter(0));
}

void PacketHandler::add_scene(const Packet& pkt)
{
    session.add_scene(pkt.get_parameter(0), flag(pkt, 1));
}

void PacketHandler::add_character(const Packet& pkt)
{
    session.add_character(pkt.get_parameter(0), flag(pkt, 1));
}

void PacketHandler::remove_character(const Packet& pkt)
{
    session.remove_character(pkt.get_parameter(0));
}

void PacketHandler::enter(const Packet& pkt)
{
    Scene* s = session.get_scene(pkt.get_parameter(0));
    Character* chr = session.get_character(pkt.get_origin());
    if (s && chr)
        session.enter(*s, *chr);
}

void PacketHandler::leave(const Packet& pkt)
{
    Scene* s = session.get_scene(pkt.get_parameter(0));
    Character* chr = session.get_character(pkt.get_origin());
    if (s && chr)
        session.leave(*s, *chr);
}

void PacketHandler::online(const Packet& pkt)
{
    if (Character* chr = session.get_character(pkt.get_origin()))
        session.set_online(*chr, flag(pkt, 0));
}

void PacketHandler::writing(const Packet& pkt)
{
    if (Character* chr = session.get_character(pkt.get_origin()))
        session.set_writing(*chr, pkt.get_parameter(0));
}

void PacketHandler::afk(const Packet& pkt)
{
    if (Character* chr = session.get_character(pkt.get_origin()))
        session.set_afk(*chr, pkt.get_parameter(0));
}

void PacketHandler::text(const Packet& pkt)
{
    if (Scene* s = session.get_scene(pkt.get_parameter(0)))
        session.add_line(*s, LogLine::NORMAL, pkt.get_origin(), pkt.get_parameter(1));
}

void PacketHandler::ooc(const Packet& pkt)
{
    if (Scene* s = session.get_scene(pkt.get_parameter(0)))
        session.add_line(*s, LogLine::OOC, pkt.get_origin(), pkt.get_parameter(1));
}

void PacketHandler::biography(const Packet& pkt)
{
    session.receive_biography(pkt.get_origin(), pkt.get_parameter(0));
}

void PacketHandler::scene_group(const Packet& pkt)
{
    if (Scene* s = session.get_scene(pkt.get_parameter(0)))
        session.set_scene_group(*s, pkt.get_parameter(1));
}
