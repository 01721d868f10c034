#ifndef PARLANE_CLIENT_SESSION_MARKUP_H
#define PARLANE_CLIENT_SESSION_MARKUP_H

#include <cstddef>
#include <string>
#include <vector>

// The inline markup of chat lines, read in one place. A line as it travels
// and is kept names characters as "$Name$" and its speaker as "$me$"; it may
// hold quoted speech ("...") and emphasis between pairs of "*" (bold), "_"
// (underlined) and "%" (italic). A doubled marker ("**", "\"\"") stands for
// one literal marker; a marker without a partner stays as it is. Names are
// shown as they are spelled: no marker inside a name pairs with anything.
//
// Every reader here scans a line a fixed number of times, so its cost grows
// with the line's length and not with the number of markers in it.
namespace Markup
{

// How the speaker of a line is named inside it.
inline constexpr char ME[] = "$me$";

enum Style
{
    OWN_NAME, // the speaker, from "$me$"
    OTHER_NAME, // any other "$Name$"
    SPEECH, // between double quotes; the quotes themselves are not in it
    BOLD,
    UNDERLINE,
    ITALIC
};

// Bytes [begin, end) of Rendered::text carry the style.
struct Span
{
    std::size_t begin;
    std::size_t end;
    Style style;
};

// A line as shown: the text without its markers, and the styled ranges,
// names first, then speech, then emphasis in the order found.
struct Rendered
{
    std::string text;
    std::vector<Span> spans;
};

// "Anna" -> "$Anna$".
std::string reference(const std::string& name);
// Whether the line names its speaker, which makes it an action rather than
// speech: "$me$ waves" does, "Hello" does not.
bool names_speaker(const std::string& text);
// The line as written to a scene's log file: every "$me$" becomes the
// speaker's name, nothing else changes. "$me$ waves" by Bob -> "Bob waves";
// a speaker called "$me$" goes in once for each placeholder.
std::string replace_me(const std::string& text, const std::string& speaker);

// An in-character line: names resolved, speech marked, emphasis applied.
// "$me$: \"*Hi*\"" by Bob -> "Bob: \"Hi\"" with Bob OWN_NAME, Hi SPEECH and BOLD.
Rendered render_said(const std::string& text, const std::string& speaker);
// A line shown after a prefix of its own (an out-of-character remark after
// "Bob: ", an event after "* "): the prefix as it is, emphasis in the text,
// no names and no speech.
Rendered render_plain(const std::string& prefix, const std::string& text);

} // namespace Markup

#endif
