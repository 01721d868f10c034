#include "client/session/character.h"

Character::Character(const std::string& n, bool p): name(n), npc(p), online(false), color(0) { }
