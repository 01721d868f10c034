#include "client/session/scene.h"

#include "client/session/logtail.h"
#include "client/session/markup.h"
#include "client/session/places.h"
#include "client/session/safename.h"
#include "common/names.h"
#include "libs/core/source/core/except.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/datetime.h"
#include "libs/io/source/file.h"
#include "libs/path/source/path.h"
#include "libs/strings/source/formatter.h"

#include <algorithm>
#include <iostream>
#include <vector>

Scene::Scene(const SceneHost& r, const std::string& n, bool t): parlane(r), name(n), temporary(t), activity(0)
{
}

void Scene::add_character(Character* chr, bool announce)
{
    if (std::find(characters.begin(), characters.end(), chr) != characters.end())
        return;
    characters.push_back(chr);
    if (announce)
        add_line(LogLine::EVENT, Names::SYSTEM, Kel::format("%s entered the scene", chr->get_name()));
}

void Scene::remove_character(Character* chr)
{
    CharacterSeq::iterator i = std::find(characters.begin(), characters.end(), chr);
    if (i == characters.end())
        return;
    // Out of the list before the line is written: a failing log file must
    // not leave a character behind that the owner is about to delete.
    characters.erase(i);
    if (chr->get_writing() == name)
        chr->set_writing(std::string());
    add_line(LogLine::EVENT, Names::SYSTEM, Kel::format("%s left the scene", chr->get_name()));
}

void Scene::clear_characters()
{
    for (Character* chr : characters)
        if (chr->get_writing() == name)
            chr->set_writing(std::string());
    characters.clear();
}

void Scene::add_line(LogLine::Type type, const std::string& nm, const std::string& text, bool mention)
{
    Kel::Time::DateTime dt(Kel::Time::now());
    backlog.push_back(LogLine(type, dt.format("%H:%M:%S"), nm, text, mention));

    const std::string& session = parlane.get_session();
    if (session.empty() || backlog.last().is_local())
        return;

    Kel::IO::File file(log_path(), Kel::IO::M_WRITE | Kel::IO::M_APPEND, Kel::IO::File::C_CREATE);

    std::string line = Markup::replace_me(text, nm);
    if (type == LogLine::OOC)
        line = Kel::format("((%s: %s))", nm, line);
    file.write(Kel::format("[%s] %s\n", dt.format("%Y-%m-%d %H:%M:%S"), line));
}

bool Scene::restore_earlier_lines(unsigned count)
{
    const std::string& session = parlane.get_session();
    if (session.empty())
        return false;
    // Names never hold a line feed, so the key is unambiguous.
    std::string key = parlane.get_game() + '\n' + session;
    if (key == restored_from)
        return false;
    restored_from = key;

    std::vector<LogLine> lines;
    try
    {
        lines = LogTail::read(log_path(), std::min(count, MAX_RESTORED));
    }
    catch (const Kel::Exception& e)
    {
        std::cout << e.what() << std::endl;
        return false;
    }
    if (lines.empty())
        return false;
    Kel::Time::DateTime dt(Kel::Time::now());
    lines.push_back(LogLine(LogLine::SEPARATOR, dt.format("%H:%M:%S"), Names::SYSTEM, SEPARATOR_TEXT));
    backlog.restore(lines);
    return true;
}

void Scene::add_local_line(LogLine::Type type, const std::string& text)
{
    Kel::Time::DateTime dt(Kel::Time::now());
    backlog.push_back(LogLine(type, dt.format("%H:%M:%S"), Names::SYSTEM, text));
}

std::string Scene::log_path() const
{
    std::string file_name = Kel::format("%s-%s.log", safe_name(parlane.get_session()), safe_name(name));
    return (Kel::Path(Places::current().get_game_folder(parlane.get_game())) / Kel::Path(file_name)).str();
}

bool Scene::set_activity(unsigned a)
{
    if (activity >= a)
        return false;
    activity = a;
    return true;
}
