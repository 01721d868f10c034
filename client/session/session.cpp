#include "client/session/session.h"

#include "client/session/mentions.h"
#include "common/names.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/utils.h"

#include <algorithm>

Session::Session(): active_scene(nullptr), restore_lines(200), logging_in(false), reconnecting(false), kept_login(false)
{
}

Session::~Session()
{
    // Normally already empty: the owner clears the model. Nobody is told.
    for (Scene* s : scenes)
        delete s;
    for (Character* c : characters)
        delete c;
}

bool Session::scene_compare(const Scene* a, const Scene* b)
{
    int groups = Kel::strcasecmp(a->get_group(), b->get_group());
    if (groups != 0)
        return groups < 0;
    if (a->get_name() == Names::OOC_SCENE)
        return b->get_name() != Names::OOC_SCENE;
    if (b->get_name() == Names::OOC_SCENE)
        return false;
    if (a->get_temporary() == b->get_temporary())
        return Kel::strcasecmp(a->get_name(), b->get_name()) < 0;
    return !a->get_temporary();
}

void Session::log_in(const std::string& n)
{
    name = n;
    active_name = n;
}

void Session::set_highlight_words(const std::vector<std::string>& words)
{
    highlight_words = words;
}

bool Session::speaks_to_user(const Scene& s, const std::string& nm, const std::string& text) const
{
    // The game master speaks as a name of its own in each scene: the one on
    // screen and the one kept for s both count as the user's.
    std::vector<std::string> speaking = { active_name };
    std::map<std::string, std::string>::const_iterator kept = active_names.find(s.get_name());
    if (kept != active_names.end())
        speaking.push_back(kept->second);
    for (const std::string& own : speaking)
        if (Kel::strcasecmp(nm, own) == 0)
            return false;
    if (Kel::strcasecmp(nm, name) == 0)
        return false;
    std::vector<std::string> needles = highlight_words;
    needles.push_back(name);
    needles.insert(needles.end(), speaking.begin(), speaking.end());
    Mentions mentions;
    mentions.set_needles(needles);
    return mentions.found_in(text);
}

void Session::clear()
{
    for (Scene* s : scenes)
        delete s;
    scenes.clear();
    active_scene = nullptr;
    for (Character* c : characters)
        delete c;
    characters.clear();
    signal_data_cleared.emit();
}

void Session::go_offline()
{
    game.clear();
    session.clear();
    signal_game_changed.emit();
    mark_offline();
}

void Session::begin_login(bool keep)
{
    // A login cut short left the model half announced: compare with what
    // was there before it.
    bool resumed = keep && logging_in && kept_login;
    if (!resumed)
        present_before.clear();
    kept_login = keep;
    logging_in = true;
    if (!keep)
    {
        clear();
        return;
    }
    for (Scene* s : scenes)
    {
        if (!resumed)
        {
            std::vector<std::string>& names = present_before[s->get_name()];
            for (const Character* chr : s->get_characters())
                names.push_back(chr->get_name());
        }
        s->clear_characters();
    }
    mark_offline();
    signal_present_characters_changed.emit();
    signal_scene_status_changed.emit();
}

void Session::mark_offline()
{
    // A login announces who is online and away, never who is typing: a
    // pencil from before the loss would stay up for good.
    for (Character* c : characters)
    {
        c->set_online(false);
        c->set_writing(std::string());
    }
    signal_character_status_changed.emit();
}

void Session::end_login()
{
    if (!logging_in)
        return;
    logging_in = false;
    if (!kept_login)
        return;
    kept_login = false;
    for (Scene* s : scenes)
    {
        const std::vector<std::string>& before = present_before[s->get_name()];
        bool changed = false;
        for (const std::string& cname : before)
        {
            Character* chr = get_character(cname);
            if (!chr || !is_present(*s, *chr))
            {
                s->add_line(LogLine::EVENT, Names::SYSTEM, Kel::format("%s left the scene", cname));
                changed = true;
            }
        }
        for (const Character* chr : s->get_characters())
            if (std::none_of(before.begin(), before.end(),
                    [&](const std::string& n) { return Kel::strcasecmp(n, chr->get_name()) == 0; }))
            {
                s->add_line(LogLine::EVENT, Names::SYSTEM, Kel::format("%s entered the scene", chr->get_name()));
                changed = true;
            }
        if (changed)
            show_or_raise(*s, COMINGS_AND_GOINGS);
    }
    present_before.clear();
}

void Session::set_reconnecting(bool r)
{
    if (r == reconnecting)
        return;
    reconnecting = r;
    signal_game_changed.emit();
}

void Session::set_game(const std::string& g)
{
    game = g;
    signal_game_changed.emit();
}

void Session::set_session(const std::string& s)
{
    std::string ended = session;
    session = s;
    signal_game_changed.emit();
    for (Scene* scene : scenes)
        if (scene->restore_earlier_lines(restore_lines) && scene == active_scene)
            set_active_scene(scene); // drawn again, with the restored lines first
    if (ended.empty() || !s.empty())
        return;
    // Every scene says so, outside the session and so in no log file; the
    // scenes' activity stays as it is.
    std::string notice = Kel::format("The session %s has ended", ended);
    for (Scene* scene : scenes)
        scene->add_line(LogLine::EVENT, Names::SYSTEM, notice);
    if (active_scene)
        signal_activity.emit();
}

Scene* Session::add_scene(const std::string& sname, bool temporary)
{
    if (get_scene(sname))
        return nullptr;
    Scene* s = new Scene(*this, sname, temporary);
    s->restore_earlier_lines(restore_lines);
    // Raised before the scene is announced: nothing announces it later,
    // and the scene list would show the new scene as quiet.
    bool activate = !active_scene || sname == requested_scene;
    if (!activate)
        s->set_activity(NEW_SCENE);
    // The list is sorted already: one walk finds the new scene's place.
    scenes.insert(std::upper_bound(scenes.begin(), scenes.end(), s, &Session::scene_compare), s);
    signal_scenes_changed.emit();
    active_names[sname] = name;
    if (activate)
    {
        requested_scene.clear();
        set_active_scene(s);
    }
    return s;
}

void Session::set_scene_group(Scene& s, const std::string& group)
{
    s.set_group(group);
    sort_scenes();
    signal_scenes_changed.emit();
}

void Session::add_character(const std::string& cname, bool npc)
{
    if (get_character(cname))
        return;
    characters.push_back(new Character(cname, npc));
    signal_characters_changed.emit();
}

void Session::remove_character(const std::string& cname)
{
    CharacterSeq::iterator i = std::find_if(
        characters.begin(), characters.end(), [&](const Character* c) { return c->get_name() == cname; });
    if (i == characters.end())
        return;
    Character* chr = *i;
    // No scene may keep pointing at it once it is deleted.
    for (Scene* s : scenes)
        if (is_present(*s, *chr))
            leave(*s, *chr);
    characters.erase(i);
    delete chr;
    signal_characters_changed.emit();
}

void Session::enter(Scene& s, Character& chr)
{
    bool was_empty = s.get_characters().empty();
    // A login's announcements tell who is there, not who just came.
    s.add_character(&chr, !logging_in);
    if (&s == active_scene)
    {
        signal_activity.emit();
        signal_present_characters_changed.emit();
    }
    else if (!logging_in)
        raise_activity(s, COMINGS_AND_GOINGS);
    if (was_empty)
        signal_scene_status_changed.emit();
}

void Session::leave(Scene& s, Character& chr)
{
    bool was_empty = s.get_characters().empty();
    s.remove_character(&chr);
    bool own = chr.get_name() == name;
    if (own)
    {
        s.clear_characters();
        s.add_line(LogLine::EVENT, Names::SYSTEM, std::string(40, '-'));
    }
    // The scene list marks empty scenes, as it learns from an enter into one.
    bool emptied = !was_empty && s.get_characters().empty();
    if (&s == active_scene)
    {
        signal_activity.emit();
        signal_present_characters_changed.emit();
        if (own || emptied)
            signal_scene_status_changed.emit();
    }
    else
    {
        raise_activity(s, COMINGS_AND_GOINGS);
        if (emptied)
            signal_scene_status_changed.emit();
    }
}

void Session::add_line(Scene& s, LogLine::Type type, const std::string& nm, const std::string& text)
{
    if (type == LogLine::EVENT)
    {
        s.add_line(type, nm, text);
        show_or_raise(s, COMINGS_AND_GOINGS);
        return;
    }
    bool mention = speaks_to_user(s, nm, text);
    s.add_line(type, nm, text, mention);
    show_or_raise(s, mention ? MENTIONED : SAID);
    signal_attention.emit();
    signal_said.emit(s, s.get_backlog().last());
}

void Session::add_local_line(const std::string& text)
{
    if (!active_scene)
        return;
    active_scene->add_line(LogLine::EVENT, Names::SYSTEM, text);
    signal_activity.emit();
}

void Session::add_note(LogLine::Type type, const std::string& text)
{
    if (!active_scene)
    {
        signal_status_note.emit(text);
        return;
    }
    active_scene->add_local_line(type, text);
    signal_activity.emit();
}

void Session::add_notice_everywhere(const std::string& text)
{
    for (Scene* s : scenes)
        s->add_local_line(LogLine::NOTICE, text);
    if (active_scene)
        signal_activity.emit();
    else
        signal_status_note.emit(text);
}

void Session::set_online(Character& chr, bool online)
{
    chr.set_online(online);
    signal_character_status_changed.emit();
    if (logging_in)
        return;
    if (Scene* ooc = get_scene(Names::OOC_SCENE))
        add_line(*ooc, LogLine::EVENT, Names::SYSTEM,
            Kel::format("%s logged %s", chr.get_name(), online ? "in" : "out"));
}

void Session::set_writing(Character& chr, const std::string& sname)
{
    chr.set_writing(sname);
    signal_character_status_changed.emit();
}

void Session::set_afk(Character& chr, const std::string& msg)
{
    chr.set_afk(msg);
    signal_character_status_changed.emit();
}

void Session::receive_biography(const std::string& cname, const std::string& text)
{
    signal_biography_received.emit(cname, text);
    if (show_bio.empty() || Kel::strcasecmp(cname, show_bio) != 0)
        return;
    show_bio.clear();
    signal_show_biography.emit(cname, text);
}

void Session::set_active_scene(Scene* s)
{
    if (!s)
        return;
    active_scene = s;
    s->reset_activity();
    std::map<std::string, std::string>::const_iterator i = active_names.find(s->get_name());
    if (i != active_names.end())
    {
        active_name = i->second;
        signal_active_name_changed.emit();
    }
    signal_scene_activated.emit();
    signal_scene_status_changed.emit();
}

void Session::set_active_name(const std::string& n)
{
    if (!is_game_master())
        return;
    if (active_scene)
        active_names[active_scene->get_name()] = n;
    active_name = n;
    signal_active_name_changed.emit();
}

std::string Session::borrow_name(const std::string& n)
{
    std::string old_name = active_name;
    active_name = n;
    return old_name;
}

Character* Session::get_character(const std::string& cname) const
{
    for (Character* c : characters)
        if (Kel::strcasecmp(c->get_name(), cname) == 0)
            return c;
    return nullptr;
}

Scene* Session::get_scene(const std::string& sname) const
{
    for (Scene* s : scenes)
        if (Kel::strcasecmp(s->get_name(), sname) == 0)
            return s;
    return nullptr;
}

bool Session::is_present(const Scene& s, const Character& chr) const
{
    const CharacterSeq& present = s.get_characters();
    return std::find(present.begin(), present.end(), &chr) != present.end();
}

bool Session::is_game_master() const
{
    return name == Names::GAME_MASTER;
}

void Session::sort_scenes()
{
    scenes.sort(&Session::scene_compare);
}

void Session::show_or_raise(Scene& s, unsigned level)
{
    if (&s == active_scene)
        signal_activity.emit();
    else
        raise_activity(s, level);
}

void Session::raise_activity(Scene& s, unsigned level)
{
    if (s.set_activity(level))
        signal_scene_status_changed.emit();
}
