#ifndef PARLANE_SERVER_GAMESTATE_H
#define PARLANE_SERVER_GAMESTATE_H

#include <list>
#include <string>
#include <vector>

// What the server keeps between restarts: the characters with their NPC
// flags and biographies, the scenes with their groups and occupants, and the
// current session. Who is online is not part of it (see RequestHandler).
//
// Names are looked up ignoring letter case, because the client does the
// same; every name stored here is the spelling it was created with, and the
// occupant lists hold those spellings. The scene "OOC" always exists.
class GameState
{
public:
    struct Character
    {
        std::string name;
        bool npc;
        std::string biography;
    };

    struct Scene
    {
        std::string name;
        bool temporary;
        std::string group; // empty: no group
        std::vector<std::string> occupants; // character names, in order of entry

        bool has(const std::string& character) const;
    };

    // A name a character, scene or group may have: one that
    // ChatText::check_name finds nothing wrong with ("Tavern" is valid, "a;b"
    // is not).
    static bool valid_name(const std::string& name);

    // Holds only the scene "OOC", no characters, no session.
    GameState();

    // Forgets everything and starts again as a new GameState.
    void clear();

    // Null when there is none of that name (ignoring case).
    Character* find_character(const std::string& name);
    const Character* find_character(const std::string& name) const;
    Scene* find_scene(const std::string& name);
    const Scene* find_scene(const std::string& name) const;

    // The caller checks first that the name is free.
    Character& add_character(const std::string& name, bool npc);
    Scene& add_scene(const std::string& name, bool temporary);

    // Takes the character out of every scene, then forgets it.
    void remove_character(const std::string& name);
    void remove_scene(const std::string& name);

    // Keeps the occupants, the group and the place in the scene order.
    void rename_scene(Scene& scene, const std::string& new_name);
    void set_group(Scene& scene, const std::string& group);

    // Both return false and change nothing when the character is already
    // present, or not present.
    bool enter(Scene& scene, const std::string& character);
    bool leave(Scene& scene, const std::string& character);

    void set_biography(Character& character, const std::string& text);
    void set_session(const std::string& session);

    // The scenes the character is present in, in scene order.
    std::vector<const Scene*> scenes_of(const std::string& character) const;

    const std::list<Character>& get_characters() const { return characters; }
    const std::list<Scene>& get_scenes() const { return scenes; }
    const std::string& get_session() const { return session; }

    // Grows with every change, so that a saver can tell whether there is
    // anything new to write.
    unsigned long get_revision() const { return revision; }

private:
    void changed() { ++revision; }

    std::list<Character> characters; // in order of creation
    std::list<Scene> scenes; // "OOC" first, then in order of creation
    std::string session;
    unsigned long revision;
};

#endif
