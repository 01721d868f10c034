#ifndef PARLANE_COMMON_COMMANDS_H
#define PARLANE_COMMON_COMMANDS_H

// The command words of the chat protocol, as they travel on the wire (upper
// case). Parameters are listed in order; free text is always last. Flags
// are "1" and "0".
namespace Command
{

// Client to server. The origin is the login name unless noted.

// Origin empty. login name. The first packet of a connection.
inline constexpr char NAME[] = "NAME";
// session name
inline constexpr char STARTSESSION[] = "STARTSESSION";
// no parameters
inline constexpr char ENDSESSION[] = "ENDSESSION";
// Origin the character. biography text
inline constexpr char SETBIOGRAPHY[] = "SETBIOGRAPHY";
// scene name; group name
inline constexpr char SETSCENEGROUP[] = "SETSCENEGROUP";
// current scene name; new name
inline constexpr char RENAMESCENE[] = "RENAMESCENE";
// scene name
inline constexpr char REMOVESCENE[] = "REMOVESCENE";
// NPC name
inline constexpr char ADDNPC[] = "ADDNPC";
// Origin the name spoken as. character name
inline constexpr char QUERY[] = "QUERY";
// character name
inline constexpr char GETBIOGRAPHY[] = "GETBIOGRAPHY";

// Server to client. The origin names the character the packet is about,
// and is not used where noted.

// Origin not used. game name
inline constexpr char GAME[] = "GAME";
// Origin not used. session name, empty when none runs
inline constexpr char SESSION[] = "SESSION";
// Origin not used. message
inline constexpr char ERROR[] = "ERROR";
// Origin not used. character name; NPC flag
inline constexpr char ADDCHAR[] = "ADDCHAR";
// online flag
inline constexpr char ONLINE[] = "ONLINE";
// biography text
inline constexpr char BIOGRAPHY[] = "BIOGRAPHY";
// Origin not used. scene name; group name
inline constexpr char SCENEGROUP[] = "SCENEGROUP";

// Both ways.

// away message, empty when back
inline constexpr char AFK[] = "AFK";
// scene name while typing, empty when stopped
inline constexpr char WRITING[] = "WRITING";
// scene name; temporary flag (server: origin not used)
inline constexpr char ADDSCENE[] = "ADDSCENE";
// character name (server: origin not used)
inline constexpr char REMOVECHAR[] = "REMOVECHAR";
// Client: scene name; character name. Server: origin the character; scene name
inline constexpr char ENTER[] = "ENTER";
// Client: scene name; character name. Server: origin the character; scene name
inline constexpr char LEAVE[] = "LEAVE";
// Origin the speaker (client: the name spoken as). scene name; text
inline constexpr char TEXT[] = "TEXT";
// Origin the speaker. scene name; text
inline constexpr char OOC[] = "OOC";

} // namespace Command

#endif
