#include "client/transcript/scenefinder.h"

#include "client/session/markup.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace Transcript
{

std::string shown_text(const LogLine& line)
{
    switch (line.type)
    {
    case LogLine::NORMAL:
        return Markup::render_said(line.text, line.name).text;
    case LogLine::SEPARATOR:
        return line.text;
    case LogLine::OOC:
        return Markup::render_plain(line.name + ": ", line.text).text;
    default:
        return Markup::render_plain(line.name + " ", line.text).text;
    }
}

TextMatcher::TextMatcher(const std::string& text): folded_text(fold_case(text)) { }

void TextMatcher::find(const std::string& text, std::vector<Range>& out) const
{
    if (folded_text.empty() || text.empty())
        return;
    folder.fold(text.data(), text.data() + text.size());
    const std::string& folded = folder.get_text();
    const char* begin = folded.data();
    const char* end = begin + folded.size();
    const char* at = begin;
    // The folded text is UTF-8 starting with a lead byte, so that it matches
    // only where a character begins.
    while (const void* found = memmem(at, static_cast<std::size_t>(end - at), folded_text.data(), folded_text.size()))
    {
        std::size_t offset = static_cast<std::size_t>(static_cast<const char*>(found) - begin);
        out.push_back(
            Range { folder.original_offset(offset), folder.original_offset(offset + folded_text.size()) });
        at = static_cast<const char*>(found) + folded_text.size();
    }
}

SceneFinder::SceneFinder(): matcher(""), current(NONE), searched_first(0), searched_end(0) { }

void SceneFinder::find(const std::string& t, const BackLog& log)
{
    text = t;
    matcher = TextMatcher(t);
    matches.clear();
    searched_first = log.first_position();
    searched_end = log.end_position();
    search(log, searched_first, searched_end, matches);
    current = matches.empty() ? NONE : matches.size() - 1;
}

void SceneFinder::update(const BackLog& log)
{
    if (log.first_position() < searched_first)
    {
        std::vector<Match> earlier;
        search(log, log.first_position(), searched_first, earlier);
        matches.insert(matches.begin(), earlier.begin(), earlier.end());
        if (current != NONE)
            current += earlier.size();
        searched_first = log.first_position();
    }
    if (log.end_position() > searched_end)
    {
        search(log, searched_end, log.end_position(), matches);
        searched_end = log.end_position();
    }
    if (current == NONE && !matches.empty())
        current = matches.size() - 1;
}

void SceneFinder::next()
{
    if (!matches.empty())
        current = (current + 1) % matches.size();
}

void SceneFinder::previous()
{
    if (!matches.empty())
        current = (current == 0 ? matches.size() : current) - 1;
}

std::vector<SceneFinder::Match>::const_iterator SceneFinder::first_in(long position) const
{
    return std::lower_bound(matches.begin(), matches.end(), position,
        [](const Match& match, long p) { return match.position < p; });
}

void SceneFinder::search(const BackLog& log, long first, long end, std::vector<Match>& out) const
{
    if (matcher.empty())
        return;
    std::vector<TextMatcher::Range> found;
    for (long position = first; position < end; ++position)
    {
        found.clear();
        matcher.find(shown_text(log.at(position)), found);
        for (const TextMatcher::Range& range : found)
            out.push_back(Match { position, range.begin, range.end });
    }
}

} // namespace Transcript
