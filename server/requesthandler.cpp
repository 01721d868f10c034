#include "server/requesthandler.h"

#include "common/chattext.h"
#include "common/commands.h"
#include "common/names.h"
#include "common/packet.h"
#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/utils.h"
#include "server/logtext.h"

#include <ostream>
#include <set>

namespace
{

// A request that breaks a rule; its text goes back to the sender as ERROR.
class Refusal: public Kel::Exception
{
public:
    explicit Refusal(const std::string& message): Kel::Exception(message) { }
};

const unsigned MAX_SESSION_LENGTH = 64;

std::string fold(const std::string& name)
{
    return Kel::tolower(name);
}

std::string flag(bool value)
{
    return value ? "1" : "0";
}

bool parse_flag(const std::string& text)
{
    if (text == "1")
        return true;
    if (text == "0")
        return false;
    throw Refusal(Kel::format("Invalid flag '%s'", text));
}

// Session names are free text shown in the client's title: one line
// without tabs, and not empty (ENDSESSION ends a session).
bool valid_session(const std::string& name)
{
    if (name.empty() || name.size() > MAX_SESSION_LENGTH || name.find('\t') != std::string::npos)
        return false;
    return ChatText::check_text(name).empty();
}

// Why name cannot be a name, or empty when it can. Faults without a reason
// of their own get the caller's wording, invalid.
std::string name_fault(const std::string& name, const char* invalid)
{
    const std::string reason = ChatText::check_name(name);
    return reason == ChatText::INVALID_NAME ? invalid : reason;
}

void require_name(const std::string& name, const char* invalid)
{
    const std::string reason = name_fault(name, invalid);
    if (!reason.empty())
        throw Refusal(reason);
}

const char INVALID_SCENE_NAME[] = "Invalid scene name";

// Text that may hold what a client wrote, as it may stand in the log.
std::string loggable(const std::string& text)
{
    return log_text(text);
}

std::string join(const std::vector<const GameState::Scene*>& scenes)
{
    std::string text;
    for (const auto* scene : scenes)
    {
        if (!text.empty())
            text += ", ";
        text += scene->name;
    }
    return text;
}

} // namespace


RequestHandler::RequestHandler(GameState& state, Outbox& outbox, const std::string& game, std::ostream& log):
    state(state), outbox(outbox), game(game), log(log)
{
}

const std::map<std::string, RequestHandler::Rule>& RequestHandler::rules()
{
    static const std::map<std::string, Rule> table = {
        { Command::TEXT, { &RequestHandler::on_text, 2, false, LINE } },
        { Command::OOC, { &RequestHandler::on_text, 2, false, LINE } },
        { Command::WRITING, { &RequestHandler::on_writing, 1, false, NO_TEXT } },
        { Command::AFK, { &RequestHandler::on_afk, 1, false, LINE } },
        { Command::QUERY, { &RequestHandler::on_query, 1, false, NO_TEXT } },
        { Command::GETBIOGRAPHY, { &RequestHandler::on_get_biography, 1, false, NO_TEXT } },
        { Command::SETBIOGRAPHY, { &RequestHandler::on_set_biography, 1, false, BIOGRAPHY } },
        { Command::STARTSESSION, { &RequestHandler::on_start_session, 1, true, NO_TEXT } },
        { Command::ENDSESSION, { &RequestHandler::on_end_session, 0, true, NO_TEXT } },
        { Command::ADDSCENE, { &RequestHandler::on_add_scene, 2, true, NO_TEXT } },
        { Command::REMOVESCENE, { &RequestHandler::on_remove_scene, 1, true, NO_TEXT } },
        { Command::SETSCENEGROUP, { &RequestHandler::on_set_scene_group, 2, true, NO_TEXT } },
        { Command::RENAMESCENE, { &RequestHandler::on_rename_scene, 2, true, NO_TEXT } },
        { Command::ADDNPC, { &RequestHandler::on_add_npc, 1, true, NO_TEXT } },
        { Command::REMOVECHAR, { &RequestHandler::on_remove_character, 1, true, NO_TEXT } },
        { Command::ENTER, { &RequestHandler::on_enter, 2, true, NO_TEXT } },
        { Command::LEAVE, { &RequestHandler::on_leave, 2, true, NO_TEXT } },
    };
    return table;
}

void RequestHandler::add_client(ClientId client, const std::string& address)
{
    clients[client] = Client { client, address, "", "" };
}

void RequestHandler::time_out_login(ClientId id)
{
    auto it = clients.find(id);
    if (it == clients.end() || !it->second.name.empty())
        return;
    log << "Login timed out from " << it->second.address << std::endl;
    send_error(id, "Login timed out");
    clients.erase(it);
    outbox.close(id);
}

bool RequestHandler::is_logged_in(ClientId id) const
{
    auto it = clients.find(id);
    return it != clients.end() && !it->second.name.empty();
}

void RequestHandler::remove_client(ClientId id)
{
    auto it = clients.find(id);
    if (it == clients.end())
        return;
    const Client client = it->second;
    clients.erase(it);
    if (client.name.empty())
        return;

    online.erase(fold(client.name));
    log << "Logout: " << client.name << " from " << client.address << std::endl;
    send_all(Packet(client.name, Command::ONLINE, flag(false)));
    send_all(Packet(client.name, Command::WRITING, ""));
    if (!client.afk.empty())
        send_all(Packet(client.name, Command::AFK, ""));
}

void RequestHandler::handle(ClientId id, const Packet& packet)
{
    auto it = clients.find(id);
    if (it == clients.end())
        return;
    Client& client = it->second;
    if (client.name.empty())
    {
        login(client, packet);
        return;
    }

    try
    {
        if (packet.get_command() == Command::NAME)
            throw Refusal("Already logged in");
        auto rule = rules().find(packet.get_command());
        if (rule == rules().end())
            throw Refusal(Kel::format("Unknown command '%s'", packet.get_command()));
        check(client, packet, rule->second);
        (this->*rule->second.action)(client, packet);
    }
    catch (const Kel::Exception& e)
    {
        log << "Rejected " << loggable(packet.get_command()) << " from " << client.name << ": "
            << loggable(e.what()) << std::endl;
        send_error(id, e.what());
    }
}

void RequestHandler::check(const Client& sender, const Packet& packet, const Rule& rule) const
{
    if (rule.gm_only && !is_gm(sender))
        throw Refusal("Only the game master may do that");
    if (packet.get_parameter_count() < rule.parameters)
        throw Refusal(Kel::format("Missing parameter for %s", packet.get_command()));
    if (rule.content == NO_TEXT)
        return;
    const std::string& text = packet.get_parameter(rule.parameters - 1);
    const std::string reason
        = ChatText::check_text(text, rule.content == BIOGRAPHY ? ChatText::MANY_LINES : ChatText::ONE_LINE);
    if (!reason.empty())
        throw Refusal(reason);
}

void RequestHandler::reject_line(ClientId id, const std::string& reason)
{
    auto it = clients.find(id);
    if (it == clients.end())
        return;
    const Client& client = it->second;
    log << "Rejected line from " << (client.name.empty() ? client.address : client.name) << ": " << reason
        << std::endl;
    send_error(id, reason);
}

void RequestHandler::login(Client& client, const Packet& packet)
{
    if (packet.get_command() != Command::NAME)
        return refuse_login(client, "Log in with NAME first");
    const std::string name = packet.get_parameter_count() > 0 ? packet.get_parameter(0) : "";
    std::string fault = name_fault(name, ChatText::INVALID_NAME);
    if (fault.empty() && name == Names::SYSTEM)
        fault = ChatText::INVALID_NAME;
    if (!fault.empty())
        return refuse_login(client, fault);

    // Names are compared ignoring case, like the client does; a second
    // spelling of a known name, an NPC's name, or one that looks like the
    // game master's without being it, would confuse every client.
    // The refusal names the spelling that holds the name, so that the user
    // sees which name to avoid.
    const GameState::Character* existing = state.find_character(name);
    const bool gm_lookalike = name != Names::GAME_MASTER && Kel::strcasecmp(name, Names::GAME_MASTER) == 0;
    if (gm_lookalike)
        return refuse_login(client, Kel::format("The name %s is already in use (as %s)", name, Names::GAME_MASTER));
    if (existing && existing->npc)
        return refuse_login(
            client, Kel::format("The name %s is already in use (by a non-player character)", name));
    if (existing && existing->name != name)
        return refuse_login(client, Kel::format("The name %s is already in use (as %s)", name, existing->name));
    if (online.count(fold(name)))
        return refuse_login(client, Kel::format("The name %s is already in use", name));

    const bool is_new = !existing;
    if (is_new)
        state.add_character(name, false);
    const bool placed = state.enter(*state.find_scene(Names::OOC_SCENE), name);

    client.name = name;
    online[fold(name)] = client.id;
    log << "Login: " << name << " from " << client.address << std::endl;
    send_state(client.id);

    for (const auto& other : online)
    {
        if (other.second == client.id)
            continue;
        if (is_new)
            send(other.second, Packet(Names::SYSTEM, Command::ADDCHAR, name, flag(false)));
        if (placed)
            send(other.second, Packet(name, Command::ENTER, Names::OOC_SCENE));
        send(other.second, Packet(name, Command::ONLINE, flag(true)));
    }
}

void RequestHandler::refuse_login(const Client& client, const std::string& message)
{
    const ClientId id = client.id;
    log << "Rejected login from " << client.address << ": " << message << std::endl;
    send_error(id, message);
    clients.erase(id);
    outbox.close(id);
}

void RequestHandler::send_state(ClientId to)
{
    send(to, Packet(Names::SYSTEM, Command::GAME, game));
    send(to, Packet(Names::SYSTEM, Command::SESSION, state.get_session()));
    for (const auto& character : state.get_characters())
        send(to, Packet(Names::SYSTEM, Command::ADDCHAR, character.name, flag(character.npc)));
    for (const auto& scene : state.get_scenes())
    {
        send(to, Packet(Names::SYSTEM, Command::ADDSCENE, scene.name, flag(scene.temporary)));
        if (!scene.group.empty())
            send(to, Packet(Names::SYSTEM, Command::SCENEGROUP, scene.name, scene.group));
    }
    for (const auto& scene : state.get_scenes())
        for (const auto& occupant : scene.occupants)
            send(to, Packet(occupant, Command::ENTER, scene.name));
    for (const auto& character : state.get_characters())
        if (online_client(character.name))
            send(to, Packet(character.name, Command::ONLINE, flag(true)));
    for (const auto& character : state.get_characters())
    {
        const Client* client = online_client(character.name);
        if (client && !client->afk.empty())
            send(to, Packet(character.name, Command::AFK, client->afk));
    }
}

void RequestHandler::on_text(Client& sender, const Packet& packet)
{
    const GameState::Scene& scene = scene_named(packet.get_parameter(0));
    const std::string origin = speaker(sender, packet.get_origin());
    if (!is_gm(sender) && !scene.has(sender.name))
        throw Refusal(Kel::format("You are not in the scene %s", scene.name));

    std::set<ClientId> recipients { sender.id };
    if (const Client* gm = online_client(Names::GAME_MASTER))
        recipients.insert(gm->id);
    for (const auto& occupant : scene.occupants)
        if (const Client* client = online_client(occupant))
            recipients.insert(client->id);

    const Packet line(origin, packet.get_command(), scene.name, packet.get_parameter(1));
    for (ClientId id : recipients)
        send(id, line);
}

void RequestHandler::on_writing(Client& sender, const Packet& packet)
{
    if (!packet.get_parameter(0).empty())
        require_name(packet.get_parameter(0), INVALID_SCENE_NAME);
    send_all(Packet(sender.name, Command::WRITING, packet.get_parameter(0)));
}

void RequestHandler::on_afk(Client& sender, const Packet& packet)
{
    sender.afk = packet.get_parameter(0);
    send_all(Packet(sender.name, Command::AFK, sender.afk));
}

void RequestHandler::on_query(Client& sender, const Packet& packet)
{
    const std::string& name = packet.get_parameter(0);
    const GameState::Character* character = state.find_character(name);
    std::string text;
    if (!character)
        text = Kel::format("There is no character named %s", name);
    else
    {
        const Client* client = online_client(character->name);
        std::string status;
        if (character->npc)
            status = "a non-player character";
        else if (!client)
            status = "offline";
        else if (client->afk.empty())
            status = "online";
        else
            status = Kel::format("online and away (%s)", client->afk);
        const auto scenes = state.scenes_of(character->name);
        text = Kel::format("%s is %s; %s", character->name, status,
            scenes.empty() ? std::string("in no scene") : "scenes: " + join(scenes));
    }
    send(sender.id, Packet(Names::SYSTEM, Command::OOC, Names::OOC_SCENE, text));
}

void RequestHandler::on_get_biography(Client& sender, const Packet& packet)
{
    const GameState::Character& character = character_named(packet.get_parameter(0));
    send(sender.id, Packet(character.name, Command::BIOGRAPHY, character.biography));
}

void RequestHandler::on_set_biography(Client& sender, const Packet& packet)
{
    GameState::Character& character = character_named(packet.get_origin());
    if (!is_gm(sender) && character.name != sender.name)
        throw Refusal(Kel::format("You may not change the biography of %s", character.name));
    state.set_biography(character, packet.get_parameter(0));
}

void RequestHandler::on_start_session(Client&, const Packet& packet)
{
    const std::string& session = packet.get_parameter(0);
    if (!valid_session(session))
        throw Refusal("Invalid session name");
    state.set_session(session);
    send_all(Packet(Names::SYSTEM, Command::SESSION, session));
}

void RequestHandler::on_end_session(Client&, const Packet&)
{
    state.set_session("");
    send_all(Packet(Names::SYSTEM, Command::SESSION, ""));
}

void RequestHandler::on_add_scene(Client&, const Packet& packet)
{
    const std::string& name = packet.get_parameter(0);
    const bool temporary = parse_flag(packet.get_parameter(1));
    require_name(name, INVALID_SCENE_NAME);
    if (state.find_scene(name))
        throw Refusal(Kel::format("The scene %s already exists", name));
    state.add_scene(name, temporary);
    send_all(Packet(Names::SYSTEM, Command::ADDSCENE, name, flag(temporary)));
}

void RequestHandler::on_remove_scene(Client&, const Packet& packet)
{
    const GameState::Scene& scene = scene_named(packet.get_parameter(0));
    if (scene.name == Names::OOC_SCENE)
        throw Refusal("The scene OOC cannot be removed");
    const std::string name = scene.name;
    const std::vector<std::string> occupants = scene.occupants;
    state.remove_scene(name);
    // The protocol has no word for a scene that is gone: the clients see it
    // emptied.
    for (const auto& occupant : occupants)
        send_all(Packet(occupant, Command::LEAVE, name));
}

void RequestHandler::on_set_scene_group(Client&, const Packet& packet)
{
    GameState::Scene& scene = scene_named(packet.get_parameter(0));
    const std::string& group = packet.get_parameter(1);
    if (!group.empty())
        require_name(group, "Invalid group name");
    state.set_group(scene, group);
    send_all(Packet(Names::SYSTEM, Command::SCENEGROUP, scene.name, group));
}

void RequestHandler::on_rename_scene(Client&, const Packet& packet)
{
    GameState::Scene& scene = scene_named(packet.get_parameter(0));
    const std::string& new_name = packet.get_parameter(1);
    if (scene.name == Names::OOC_SCENE)
        throw Refusal("The scene OOC cannot be renamed");
    require_name(new_name, INVALID_SCENE_NAME);
    // Also a change of letter case only: the clients would take the new
    // name for the old scene.
    if (state.find_scene(new_name))
        throw Refusal(Kel::format("The scene %s already exists", new_name));

    const std::string old_name = scene.name;
    state.rename_scene(scene, new_name);
    send_all(Packet(Names::SYSTEM, Command::ADDSCENE, new_name, flag(scene.temporary)));
    if (!scene.group.empty())
        send_all(Packet(Names::SYSTEM, Command::SCENEGROUP, new_name, scene.group));
    for (const auto& occupant : scene.occupants)
    {
        send_all(Packet(occupant, Command::LEAVE, old_name));
        send_all(Packet(occupant, Command::ENTER, new_name));
    }
}

void RequestHandler::on_add_npc(Client&, const Packet& packet)
{
    const std::string& name = packet.get_parameter(0);
    require_name(name, ChatText::INVALID_NAME);
    if (name == Names::SYSTEM || Kel::strcasecmp(name, Names::GAME_MASTER) == 0)
        throw Refusal(ChatText::INVALID_NAME);
    if (state.find_character(name))
        throw Refusal(Kel::format("The character %s already exists", name));
    state.add_character(name, true);
    send_all(Packet(Names::SYSTEM, Command::ADDCHAR, name, flag(true)));
}

void RequestHandler::on_remove_character(Client&, const Packet& packet)
{
    const GameState::Character& character = character_named(packet.get_parameter(0));
    // Its player would be left logged in as nobody.
    if (online_client(character.name))
        throw Refusal(Kel::format("%s is online and cannot be removed", character.name));
    const std::string name = character.name;
    const auto scenes = state.scenes_of(name);
    std::vector<std::string> scene_names;
    for (const auto* scene : scenes)
        scene_names.push_back(scene->name);
    state.remove_character(name);
    for (const auto& scene : scene_names)
        send_all(Packet(name, Command::LEAVE, scene));
    send_all(Packet(Names::SYSTEM, Command::REMOVECHAR, name));
}

void RequestHandler::on_enter(Client&, const Packet& packet)
{
    GameState::Scene& scene = scene_named(packet.get_parameter(0));
    const GameState::Character& character = character_named(packet.get_parameter(1));
    if (!state.enter(scene, character.name))
        throw Refusal(Kel::format("%s is already in the scene %s", character.name, scene.name));
    send_all(Packet(character.name, Command::ENTER, scene.name));
}

void RequestHandler::on_leave(Client&, const Packet& packet)
{
    GameState::Scene& scene = scene_named(packet.get_parameter(0));
    const GameState::Character& character = character_named(packet.get_parameter(1));
    if (scene.name == Names::OOC_SCENE && !character.npc)
        throw Refusal("Players always stay in OOC");
    if (!state.leave(scene, character.name))
        throw Refusal(Kel::format("%s is not in the scene %s", character.name, scene.name));
    send_all(Packet(character.name, Command::LEAVE, scene.name));
}

GameState::Character& RequestHandler::character_named(const std::string& name)
{
    GameState::Character* character = state.find_character(name);
    if (!character)
        throw Refusal(Kel::format("There is no character named %s", name));
    return *character;
}

GameState::Scene& RequestHandler::scene_named(const std::string& name)
{
    GameState::Scene* scene = state.find_scene(name);
    if (!scene)
        throw Refusal(Kel::format("There is no scene named %s", name));
    return *scene;
}

std::string RequestHandler::speaker(const Client& sender, const std::string& origin)
{
    if (Kel::strcasecmp(origin, sender.name) == 0 && origin.size() == sender.name.size())
        return sender.name;
    if (is_gm(sender))
    {
        const GameState::Character* character = state.find_character(origin);
        if (character && character->npc)
            return character->name;
    }
    throw Refusal(Kel::format("You may not speak as %s", origin));
}

const RequestHandler::Client* RequestHandler::online_client(const std::string& name) const
{
    auto it = online.find(fold(name));
    if (it == online.end())
        return nullptr;
    return &clients.at(it->second);
}

void RequestHandler::send(ClientId to, const Packet& packet)
{
    outbox.send(to, packet);
}

void RequestHandler::send_all(const Packet& packet)
{
    for (const auto& client : online)
        outbox.send(client.second, packet);
}

void RequestHandler::send_error(ClientId to, const std::string& message)
{
    send(to, Packet(Names::SYSTEM, Command::ERROR, message));
}
