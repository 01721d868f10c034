#ifndef PARLANE_CLIENT_SESSION_CHARACTER_H
#define PARLANE_CLIENT_SESSION_CHARACTER_H

#include <cstdint>
#include <list>
#include <string>

// A player or non-player character that the server has announced. The
// controller owns every Character; scenes and list rows only point at them.
class Character
{
public:
    Character(const std::string& n, bool p);

    const std::string& get_name() const { return name; }
    bool get_npc() const { return npc; }
    bool get_online() const { return online; }
    // Name of the scene the character is typing in; empty when not typing.
    const std::string& get_writing() const { return writing; }
    // Away message; empty when the character is present.
    const std::string& get_afk() const { return afk; }
    std::uint32_t get_color() const { return color; }

    void set_online(bool o) { online = o; }
    void set_writing(const std::string& w) { writing = w; }
    void set_afk(const std::string& a) { afk = a; }
    void set_color(std::uint32_t c) { color = c; }

private:
    std::string name;
    bool npc;
    bool online;
    std::string writing;
    std::string afk;
    std::uint32_t color;
};

// Pointers to characters, in order of arrival. Whether the pointers own
// their characters is up to the list's holder.
typedef std::list<Character*> CharacterSeq;

#endif
