#ifndef PARLANE_COMMON_NAMES_H
#define PARLANE_COMMON_NAMES_H

// Names with a meaning of their own in the chat protocol, shared by client
// and server.
namespace Names
{

// The login name of the game master: exactly this spelling, case-sensitive.
// What the game master says under this name is narration.
inline constexpr char GAME_MASTER[] = "GM";
// The scene for out-of-character talk: always there, every player is in it,
// and lines in it need no speech marks.
inline constexpr char OOC_SCENE[] = "OOC";
// The origin of what the server says itself, and the name of the client's
// own event lines.
inline constexpr char SYSTEM[] = "*";

} // namespace Names

#endif
