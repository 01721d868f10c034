#include "server/gamestate.h"

#include "common/chattext.h"
#include "common/names.h"
#include "libs/strings/source/utils.h"

#include <algorithm>

namespace
{

bool same_name(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && Kel::strcasecmp(a, b) == 0;
}

template <typename Item, typename List> Item* find_named(List& list, const std::string& name)
{
    for (auto& item : list)
        if (same_name(item.name, name))
            return &item;
    return nullptr;
}

} // namespace


bool GameState::valid_name(const std::string& name)
{
    return ChatText::check_name(name).empty();
}

bool GameState::Scene::has(const std::string& character) const
{
    return std::find(occupants.begin(), occupants.end(), character) != occupants.end();
}

GameState::GameState(): revision(0)
{
    clear();
}

void GameState::clear()
{
    characters.clear();
    scenes.clear();
    session.clear();
    scenes.push_back(Scene { Names::OOC_SCENE, false, "", {} });
    changed();
}

GameState::Character* GameState::find_character(const std::string& name)
{
    return find_named<Character>(characters, name);
}

const GameState::Character* GameState::find_character(const std::string& name) const
{
    return find_named<const Character>(characters, name);
}

GameState::Scene* GameState::find_scene(const std::string& name)
{
    return find_named<Scene>(scenes, name);
}

const GameState::Scene* GameState::find_scene(const std::string& name) const
{
    return find_named<const Scene>(scenes, name);
}

GameState::Character& GameState::add_character(const std::string& name, bool npc)
{
    characters.push_back(Character { name, npc, "" });
    changed();
    return characters.back();
}

GameState::Scene& GameState::add_scene(const std::string& name, bool temporary)
{
    scenes.push_back(Scene { name, temporary, "", {} });
    changed();
    return scenes.back();
}

void GameState::remove_character(const std::string& name)
{
    const Character* character = find_character(name);
    if (!character)
        return;
    const std::string exact = character->name;
    for (auto& scene : scenes)
        leave(scene, exact);
    characters.remove_if([&](const Character& c) { return c.name == exact; });
    changed();
}

void GameState::remove_scene(const std::string& name)
{
    const Scene* scene = find_scene(name);
    if (!scene || scene->name == Names::OOC_SCENE)
        return;
    const std::string exact = scene->name;
    scenes.remove_if([&](const Scene& s) { return s.name == exact; });
    changed();
}

void GameState::rename_scene(Scene& scene, const std::string& new_name)
{
    scene.name = new_name;
    changed();
}

void GameState::set_group(Scene& scene, const std::string& group)
{
    scene.group = group;
    changed();
}

bool GameState::enter(Scene& scene, const std::string& character)
{
    if (scene.has(character))
        return false;
    scene.occupants.push_back(character);
    changed();
    return true;
}

bool GameState::leave(Scene& scene, const std::string& character)
{
    auto it = std::find(scene.occupants.begin(), scene.occupants.end(), character);
    if (it == scene.occupants.end())
        return false;
    scene.occupants.erase(it);
    changed();
    return true;
}

void GameState::set_biography(Character& character, const std::string& text)
{
    character.biography = text;
    changed();
}

void GameState::set_session(const std::string& s)
{
    session = s;
    changed();
}

std::vector<const GameState::Scene*> GameState::scenes_of(const std::string& character) const
{
    std::vector<const Scene*> result;
    for (const auto& scene : scenes)
        if (scene.has(character))
            result.push_back(&scene);
    return result;
}
