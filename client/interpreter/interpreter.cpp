#include "client/interpreter/interpreter.h"

#include "client/session/config.h"
#include "client/session/markup.h"
#include "client/session/requests.h"
#include "client/session/session.h"
#include "common/commands.h"
#include "common/names.h"
#include "common/packet.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/utils.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace
{

// Doubles each emphasis marker, so that the text shows as typed: "*", "_"
// and "%" in a roll's label stay visible and style nothing. "a_b" -> "a__b".
std::string literal_markers(const std::string& text)
{
    std::string result;
    for (char c : text)
    {
        if (c == '*' || c == '_' || c == '%')
            result += c;
        result += c;
    }
    return result;
}

bool is_reference_char(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

Interpreter::Interpreter(Session& s, Requests& r, const Config& c, InterpreterPort& p):
    session(s), requests(r), config(c), port(p)
{
}

std::string Interpreter::unescape_name(const std::string& n)
{
    std::string result = n;
    std::replace(result.begin(), result.end(), '_', ' ');
    return result;
}

bool Interpreter::input(const std::string& str)
{
    if (!requests.is_connected())
    {
        session.add_note(LogLine::NOTICE, "Not connected; the line is kept");
        return false;
    }
    Scene* scene = session.get_active_scene();
    if (!scene)
    {
        session.add_note(LogLine::NOTICE, "No scene to speak in yet; the line is kept");
        return false;
    }

    if (!str.empty() && str[0] == '/')
        return run_command(str);

    std::string line;
    if (!resolve_references(str, line))
        return false;
    add_speech_markers(line);
    requests.say(scene->get_name(), session.get_active_name(), line);
    return true;
}

bool Interpreter::problem(const std::string& text)
{
    session.add_note(LogLine::PROBLEM, text);
    return false;
}

bool Interpreter::run_command(const std::string& str)
{
    std::string::size_type space = str.find(' ');
    std::string cmd = str.substr(1, space == std::string::npos ? std::string::npos : space - 1);
    std::string rest;
    if (space != std::string::npos)
    {
        std::string::size_type start = str.find_first_not_of(' ', space);
        if (start != std::string::npos)
            rest = str.substr(start);
    }

    // Words that need something after them, and what.
    static const std::map<std::string, const char*> needs = {
        { "ooc", "a text" }, { "me", "a text" }, { "query", "a name" }, { "info", "a name" },
        { "dice", "dice such as 2d6" }, { "roll", "dice such as 1d20+5" }, { "enter", "a name" },
        { "leave", "a name" }, { "addnpc", "a name" }, { "npc", "a name" }, { "removechar", "a name" },
        { "addscene", "a name" }, { "renamescene", "a name" }, { "scenegroup", "a group" },
    };
    static const std::set<std::string> gm_words = { "enter", "leave", "clearnpcs", "clearscene", "addnpc", "npc",
        "removechar", "addscene", "removescene", "renamescene", "scenegroup" };
    static const std::set<std::string> player_words = { "ooc", "me", "query", "afk", "info", "myinfo", "dice",
        "roll" };

    if (!player_words.count(cmd) && !gm_words.count(cmd))
        return problem(Kel::format("Unknown command /%s (see Help)", cmd));
    if (gm_words.count(cmd) && !session.is_game_master())
        return problem(Kel::format("Only the game master can use /%s", cmd));
    std::map<std::string, const char*>::const_iterator need = needs.find(cmd);
    if (need != needs.end() && rest.empty())
        return problem(Kel::format("Invalid parameters: /%s needs %s", cmd, need->second));

    if (cmd == "ooc")
        requests.say_ooc(session.get_active_scene()->get_name(), rest);
    else if (cmd == "me")
        return problem("The /me command is deprecated.  Please use #me instead.");
    else if (cmd == "query")
        requests.query_character(unescape_name(rest));
    else if (cmd == "afk")
        requests.set_afk(rest.empty() ? "Away from Keyboard" : rest);
    else if (cmd == "info")
        requests.show_character_biography(unescape_name(rest));
    else if (cmd == "myinfo")
        port.edit_biography(session.get_active_name());
    else if (cmd == "dice")
        return roll_dice(rest);
    else if (cmd == "roll")
        return roll_in_scene(rest);
    else
        return run_gm_command(cmd, rest);
    return true;
}

bool Interpreter::run_gm_command(const std::string& cmd, const std::string& rest)
{
    const std::string& scene = session.get_active_scene()->get_name();
    const std::string& name = session.get_name();

    if (cmd == "enter")
        requests.send(Packet(name, Command::ENTER, scene, unescape_name(rest)));
    else if (cmd == "leave")
        requests.send(Packet(name, Command::LEAVE, scene, unescape_name(rest)));
    else if (cmd == "clearnpcs" || cmd == "clearscene")
        clear_scene(cmd == "clearnpcs");
    else if (cmd == "addnpc")
        requests.add_npc(unescape_name(rest));
    else if (cmd == "npc")
        return speak_as_npc(rest);
    else if (cmd == "removechar")
        requests.remove_character(unescape_name(rest));
    else if (cmd == "addscene")
        requests.add_scene(unescape_name(rest), true);
    else if (cmd == "removescene")
        requests.remove_scene(rest.empty() ? scene : unescape_name(rest));
    else if (cmd == "renamescene")
        requests.rename_scene(scene, unescape_name(rest));
    else if (cmd == "scenegroup")
        requests.set_scene_group(scene, unescape_name(rest));
    return true;
}

void Interpreter::clear_scene(bool npcs_only)
{
    const Scene& scene = *session.get_active_scene();
    // Copied: the server's answers must not change the list under us.
    CharacterSeq present = scene.get_characters();
    for (const Character* c : present)
    {
        bool leaves = npcs_only ? c->get_npc() : c->get_name() != session.get_name();
        if (leaves)
            requests.send(Packet(session.get_name(), Command::LEAVE, scene.get_name(), c->get_name()));
    }
}

bool Interpreter::roll_dice(const std::string& rest)
{
    try
    {
        Dice expression(rest, Dice::NO_LABEL);
        session.add_local_line(expression.show(expression.roll(*dice)));
        return true;
    }
    catch (const DiceError& e)
    {
        return problem(e.what());
    }
}

bool Interpreter::roll_in_scene(const std::string& rest)
{
    std::string line;
    try
    {
        Dice expression(rest, Dice::ALLOW_LABEL);
        // A "$" would start a character's name and swallow the text up to the next one.
        if (expression.get_label().find('$') != std::string::npos)
            throw DiceError("The label of a roll cannot hold a $ sign");
        line = Kel::format("%s rolls %s", Markup::ME, expression.get_text());
        if (!expression.get_label().empty())
            line += " (" + literal_markers(expression.get_label()) + ")";
        line += ": " + expression.show_dice(expression.roll(*dice));
    }
    catch (const DiceError& e)
    {
        return problem(e.what());
    }
    requests.say(session.get_active_scene()->get_name(), session.get_active_name(), line);
    return true;
}

bool Interpreter::speak_as_npc(const std::string& rest)
{
    std::string::size_type sp = rest.find(' ');
    std::string npc = unescape_name(rest.substr(0, sp));
    std::string::size_type text_start
        = sp == std::string::npos ? std::string::npos : rest.find_first_not_of(' ', sp);
    // A name followed only by blanks switches the speaking name like a name alone.
    if (text_start == std::string::npos)
    {
        session.set_active_name(npc);
        return true;
    }
    if (!session.get_character(npc))
        return problem(Kel::format("Unknown character %s", npc));
    std::string old_name = session.borrow_name(npc);
    bool taken = input(rest.substr(text_start));
    session.restore_name(old_name);
    return taken;
}

bool Interpreter::resolve_references(const std::string& str, std::string& line)
{
    line = str;
    std::string::size_type start = 0;
    for (;;)
    {
        std::string::size_type hash = line.find('#', start);
        if (hash == std::string::npos)
            return true;
        std::string::size_type nonalpha = hash + 1;
        while (nonalpha < line.size() && is_reference_char(line[nonalpha]))
            ++nonalpha;
        std::string ref = unescape_name(Kel::tolower(line.substr(hash + 1, nonalpha - hash - 1)));

        std::string rname;
        if (Kel::strcasecmp(ref, "me") == 0)
            rname = "me";
        else if (!config.get_abbreviate_refs())
        {
            if (const Character* c = session.get_character(ref))
                rname = c->get_name();
        }
        else if (!resolve_abbreviation(ref, rname))
        {
            problem(Kel::format("Ambiguous reference #%s", ref));
            return false;
        }

        if (rname.empty())
            start = nonalpha;
        else
        {
            std::string replacement = Markup::reference(rname);
            line.replace(hash, nonalpha - hash, replacement);
            start = hash + replacement.size();
        }
    }
}

bool Interpreter::resolve_abbreviation(const std::string& ref, std::string& rname) const
{
    const Scene& scene = *session.get_active_scene();
    unsigned match_level = 0;
    for (const Character* c : session.get_characters())
    {
        unsigned level = session.is_present(scene, *c) ? 2 : 1;
        if (level < match_level)
            continue;
        std::string lcname = Kel::tolower(c->get_name());
        if (lcname.compare(0, ref.size(), ref) != 0)
            continue;
        if (!rname.empty() && level == match_level)
            return false;
        rname = c->get_name();
        match_level = level;
    }
    return true;
}

void Interpreter::add_speech_markers(std::string& line) const
{
    if (Markup::names_speaker(line))
        return;
    if (line.size() >= 2 && line[0] == '"' && line.find('"', 1) == line.size() - 1)
        line = line.substr(1, line.size() - 2);
    if (session.get_active_scene()->get_name() == Names::OOC_SCENE)
        line = Kel::format("%s: %s", Markup::ME, line);
    else if (session.get_active_name() != Names::GAME_MASTER)
        line = Kel::format("%s: \"%s\"", Markup::ME, line);
}
