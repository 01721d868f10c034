#ifndef PARLANE_CLIENT_TRANSCRIPT_EXPORTER_H
#define PARLANE_CLIENT_TRANSCRIPT_EXPORTER_H

#include "client/transcript/transcript.h"

#include <string>

class Config;

namespace Transcript
{

enum Format
{
    HTML, // one page with its style sheet inside, in the configured colours
    MARKDOWN, // for wikis and chat services; no underline there, so it is italic
    BBCODE, // for forums
    TEXT
};

// "html", "markdown", "bbcode" or "text"; false for anything else.
bool parse_format(const std::string& name, Format& format);

struct ExportOptions
{
    // Out-of-character talk: "((name: text))" lines and the whole OOC scene.
    bool ooc = true;
    // Entered and left the scene, logged in and out, dice rolls, rules.
    bool events = true;
    bool times = true;
};

bool keeps(const Entry& entry, const ExportOptions& options);

// The document in format, with a title (game and session) and a heading
// whenever the scene changes. Nothing the lines hold can make markup of its
// own: HTML escapes every character that has a meaning there, Markdown and
// BBCode their own special characters (see the .cpp). Colours come from
// config; one that is not "#RRGGBB" or "#RGB" gives way to its default.
std::string export_document(const Document& document, Format format, const ExportOptions& options,
    const Config& config);

} // namespace Transcript

#endif
