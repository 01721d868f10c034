#ifndef PARLANE_CLIENT_TRANSCRIPT_LINE_H
#define PARLANE_CLIENT_TRANSCRIPT_LINE_H

#include "client/session/markup.h"

#include <string>
#include <vector>

namespace Transcript
{

// One line of a scene log file, read back by its shape. The client writes
// "[YYYY-MM-DD HH:MM:SS] " and then the line with its speaker's "$me$"
// replaced by the name, an out-of-character remark as "((name: text))",
// and its own event texts; "$Name$" references to others stay in the file.
struct Line
{
    enum Kind
    {
        SPEECH, // "Anna: \"Hello\"" (in the OOC scene without the quotes)
        ACTION, // "Anna waves": begins with a name the session knows
        NARRATION, // any other stamped line: the game master's own voice
        OOC, // "((Anna: brb))"
        EVENT, // "Anna entered the scene", "Anna logged in", a dice roll, the rule
        PLAIN // no stamp: kept as it is
    };

    Kind kind = PLAIN;
    std::string date; // "YYYY-MM-DD"; empty for PLAIN
    std::string time; // "HH:MM:SS"; empty for PLAIN
    // The speaker of SPEECH, ACTION and OOC lines, the character an EVENT
    // names where it names one; empty otherwise.
    std::string name;
    // SPEECH and ACTION: the line with the speaker as "$me$" again, as the
    // markup reader takes it ("$me$ waves"). Other kinds: the text after the
    // stamp (OOC: inside the parentheses, after "name: "). Valid UTF-8.
    std::string text;

    // Sorts lines of several scenes into one time order.
    std::string stamp() const { return date + ' ' + time; }
};

// Reads one line of a log file, without its line feed. In the scene named
// "OOC" every "name: text" line is speech. A stamped line that fits no other
// shape is NARRATION until resolve_actions() finds its speaker. Invalid
// UTF-8 becomes U+FFFD.
Line read_line(const std::string& raw, bool ooc_scene = false);

// NARRATION lines that begin with one of names, followed by a blank, a
// punctuation mark or the end, become ACTION lines of that name (the
// longest name that fits). The client does not record who acted, so the
// names are those the lines themselves show: speakers, event names and
// "$Name$" references (see known_names).
void resolve_actions(std::vector<Line>& lines, const std::vector<std::string>& names);
// Every name the lines show, longest first, each once.
std::vector<std::string> known_names(const std::vector<Line>& lines);

// The line as the log view shows it after its stamp: names resolved,
// speech and emphasis styled. OOC lines read "name: text", events "* text".
Markup::Rendered render(const Line& line);

// The colour setting of the line's body, as the log view picks it: "ooc",
// "gm" (narration and the game master's own lines), "event" or "text".
const char* body_role(const Line& line);

} // namespace Transcript

#endif
