#include "client/parlane.h"

#include "client/biographydialog.h"
#include "client/messagebox.h"
#include "common/commands.h"
#include "common/packet.h"
#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/lexicalcast.h"
#include "libs/strings/source/utils.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace
{

// A roll beyond this many dice would freeze the window for no game purpose.
const unsigned MAX_DICE = 1000;

// "2d6" -> 2 dice of 6 sides; "20" -> 1 die of 20 sides; blanks around the
// numbers are allowed. Throws Kel::LexicalError for anything else.
void parse_dice(const std::string& rest, unsigned& n, unsigned& sides)
{
    std::string::size_type d = rest.find('d');
    if (d == std::string::npos)
    {
        n = 1;
        sides = Kel::lexical_cast<unsigned>(Kel::strip(rest));
    }
    else
    {
        n = Kel::lexical_cast<unsigned>(Kel::strip(rest.substr(0, d)));
        sides = Kel::lexical_cast<unsigned>(Kel::strip(rest.substr(d + 1)));
    }
    if (sides == 0 || n > MAX_DICE)
        throw Kel::LexicalError("Dice out of range");
}

bool is_reference_char(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

} // namespace

std::string Parlane::unescape_name(const std::string& n)
{
    std::string result = n;
    std::replace(result.begin(), result.end(), '_', ' ');
    return result;
}

void Parlane::input(const std::string& str)
{
    // Every line needs a scene to go to; before the first one arrives there
    // is nothing to say or command.
    if (!conn || !active_scene)
        return;

    if (!str.empty() && str[0] == '/')
    {
        run_command(str);
        return;
    }

    std::string line;
    if (!resolve_references(str, line))
        return;
    add_speech_markers(line);
    send(Packet(active_name, Command::TEXT, active_scene->get_name(), line));
}

void Parlane::run_command(const std::string& str)
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
    const std::string& scene = active_scene->get_name();

    if (cmd == "ooc" && !rest.empty())
        send(Packet(name, Command::OOC, scene, rest));
    else if (cmd == "me" && !rest.empty())
        message_box("The /me command is deprecated.  Please use #me instead.", Gtk::MESSAGE_INFO);
    else if (cmd == "query" && !rest.empty())
        query_character(unescape_name(rest));
    else if (cmd == "afk")
        set_afk(rest.empty() ? "Away from Keyboard" : rest);
    else if (cmd == "info" && !rest.empty())
        show_character_biography(unescape_name(rest));
    else if (cmd == "myinfo")
    {
        dlg_biography->set_character(active_name);
        dlg_biography->show();
    }
    else if (cmd == "dice" && !rest.empty())
        roll_dice(rest);
    else if (name == "GM")
        run_gm_command(cmd, rest);
}

void Parlane::run_gm_command(const std::string& cmd, const std::string& rest)
{
    const std::string& scene = active_scene->get_name();

    if (cmd == "enter" && !rest.empty())
        send(Packet(name, Command::ENTER, scene, unescape_name(rest)));
    else if (cmd == "leave" && !rest.empty())
        send(Packet(name, Command::LEAVE, scene, unescape_name(rest)));
    else if (cmd == "clearnpcs" || cmd == "clearscene")
    {
        // Copied: the server's answers must not change the list under us.
        CharacterSeq present = active_scene->get_characters();
        for (const Character* c : present)
        {
            bool leaves = cmd == "clearnpcs" ? c->get_npc() : c->get_name() != name;
            if (leaves)
                send(Packet(name, Command::LEAVE, scene, c->get_name()));
        }
    }
    else if (cmd == "addnpc" && !rest.empty())
        add_npc(unescape_name(rest));
    else if (cmd == "npc" && !rest.empty())
        speak_as_npc(rest);
    else if (cmd == "removechar" && !rest.empty())
        remove_character(unescape_name(rest));
    else if (cmd == "addscene" && !rest.empty())
        add_scene(unescape_name(rest), true);
    else if (cmd == "removescene")
        remove_scene(rest.empty() ? scene : unescape_name(rest));
    else if (cmd == "renamescene" && !rest.empty())
    {
        requested_scene = unescape_name(rest);
        send(Packet(name, Command::RENAMESCENE, scene, requested_scene));
    }
    else if (cmd == "scenegroup" && !rest.empty())
        set_scene_group(scene, unescape_name(rest));
}

void Parlane::roll_dice(const std::string& rest)
{
    unsigned n = 0;
    unsigned sides = 0;
    try
    {
        parse_dice(rest, n, sides);
    }
    catch (const Kel::LexicalError&)
    {
        message_box("Invalid parameters", Gtk::MESSAGE_ERROR);
        return;
    }
    unsigned result = 0;
    for (unsigned i = 0; i < n; ++i)
        result += static_cast<unsigned>(std::rand()) % sides + 1;
    active_scene->add_line(LogLine::EVENT, "*", Kel::format("%dd%d = %d", n, sides, result));
    signal_activity.emit();
}

void Parlane::speak_as_npc(const std::string& rest)
{
    std::string::size_type sp = rest.find(' ');
    std::string npc = unescape_name(rest.substr(0, sp));
    std::string::size_type text_start
        = sp == std::string::npos ? std::string::npos : rest.find_first_not_of(' ', sp);
    // A name followed only by blanks switches the speaking name like a name alone.
    if (text_start == std::string::npos)
    {
        set_active_name(npc);
        return;
    }
    if (!get_character(npc))
    {
        message_box("Unknown character", Gtk::MESSAGE_ERROR);
        return;
    }
    std::string old_name = active_name;
    active_name = npc;
    input(rest.substr(text_start));
    active_name = old_name;
}

bool Parlane::resolve_references(const std::string& str, std::string& line)
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
            for (const Character* c : characters)
                if (Kel::strcasecmp(c->get_name(), ref) == 0)
                {
                    rname = c->get_name();
                    break;
                }
        }
        else if (!resolve_abbreviation(ref, rname))
        {
            message_box(Kel::format("Ambiguous reference #%s", ref), Gtk::MESSAGE_ERROR);
            return false;
        }

        if (rname.empty())
            start = nonalpha;
        else
        {
            std::string replacement = Kel::format("$%s$", rname);
            line.replace(hash, nonalpha - hash, replacement);
            start = hash + replacement.size();
        }
    }
}

bool Parlane::resolve_abbreviation(const std::string& ref, std::string& rname) const
{
    const CharacterSeq& present = active_scene->get_characters();
    unsigned match_level = 0;
    for (const Character* c : characters)
    {
        unsigned level = std::find(present.begin(), present.end(), c) != present.end() ? 2 : 1;
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

void Parlane::add_speech_markers(std::string& line) const
{
    if (line.find("$me$") != std::string::npos)
        return;
    if (line.size() >= 2 && line[0] == '"' && line.find('"', 1) == line.size() - 1)
        line = line.substr(1, line.size() - 2);
    if (active_scene->get_name() == "OOC")
        line = Kel::format("$me$: %s", line);
    else if (active_name != "GM")
        line = Kel::format("$me$: \"%s\"", line);
}
