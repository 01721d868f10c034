#ifndef PARLANE_COMMON_CHATTEXT_H
#define PARLANE_COMMON_CHATTEXT_H

#include <cstddef>
#include <string>

// What chat may carry: the rules for text and names that every client has
// to draw. The server refuses what breaks them, and a client checks what
// its user types with the same functions before sending, so both ends give
// the same reason. Each check runs in time linear in the text.
namespace ChatText
{

// Bytes of one chat line (TEXT, OOC, an away message) or of a biography.
inline constexpr std::size_t MAX_TEXT = 16 * 1024;
// Bytes of a character, scene or group name.
inline constexpr std::size_t MAX_NAME = 32;

// The reasons the checks give, worded for the user.
inline constexpr char TOO_LONG[] = "Line too long";
inline constexpr char NAME_TOO_LONG[] = "Name too long";
inline constexpr char INVALID_UTF8[] = "Invalid UTF-8";
inline constexpr char CONTROL_CHARACTERS[] = "Control characters are not allowed";
// An empty name, or one holding ";" or "|", which the protocol cannot carry
// where names travel. A caller may word this one for what is named ("Invalid
// scene name").
inline constexpr char INVALID_NAME[] = "Invalid name";

// Whether text may hold line breaks. A biography arrives with its line
// feeds restored (the packet sends them as BEL); a chat line has none.
enum Lines
{
    ONE_LINE,
    MANY_LINES,
};

// Strict UTF-8: no overlong forms, no surrogates (U+D800 to U+DFFF), nothing
// above U+10FFFF, no sequence cut short. "caf\xc3\xa9" is valid, "\xc0\xaf"
// (an overlong "/") is not. The empty string is valid.
bool valid_utf8(const std::string& s);
// The length of the strict UTF-8 sequence that starts at p, before end, with
// its code point in code; 0 when none starts there (a stray continuation
// byte, an overlong form, a surrogate, a sequence cut short by end).
std::size_t decode_utf8(const char* p, const char* end, char32_t& code);
// Appends code, a code point up to U+10FFFF, in UTF-8.
void append_utf8(std::string& out, char32_t code);
// text with each byte that starts no valid sequence replaced by U+FFFD;
// valid text comes back unchanged. "caf\xe9" -> "caf\xef\xbf\xbd".
std::string replace_invalid_utf8(const std::string& text);

// Empty when text may be sent as chat text, else the reason: TOO_LONG past
// MAX_TEXT bytes, then INVALID_UTF8, then CONTROL_CHARACTERS for any C0
// control but tab (and line feed with MANY_LINES), for DEL and for the C1
// controls U+0080 to U+009F. An empty text is allowed.
//   check_text("Hello\tthere") == ""
//   check_text(std::string("a\0b", 3)) == "Control characters are not allowed"
std::string check_text(const std::string& text, Lines lines = ONE_LINE);

// Empty when name may name a character, scene or group, else the reason:
// INVALID_NAME when empty, NAME_TOO_LONG past MAX_NAME bytes, INVALID_UTF8,
// CONTROL_CHARACTERS for every control (tab included), INVALID_NAME for ";"
// or "|".
//   check_name("Tavern") == "", check_name("a;b") == "Invalid name"
std::string check_name(const std::string& name);

} // namespace ChatText

#endif
