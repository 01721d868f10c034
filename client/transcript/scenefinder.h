#ifndef PARLANE_CLIENT_TRANSCRIPT_SCENEFINDER_H
#define PARLANE_CLIENT_TRANSCRIPT_SCENEFINDER_H

#include "client/session/backlog.h"
#include "client/session/logline.h"
#include "client/transcript/casefold.h"

#include <cstddef>
#include <string>
#include <vector>

namespace Transcript
{

// The text a log display shows for a line after its time stamp, as Markup
// renders it: names resolved, markers gone; an out-of-character remark after
// "Name: ", an event or notice after "Name ". "$me$ waves *hard*" by Bob ->
// "Bob waves hard".
std::string shown_text(const LogLine& line);

// Finds a text in other texts, ignoring case as CaseFolder folds it. The
// text is folded once, each text searched is folded as a whole and then
// scanned with memmem(). Not for many texts at once: see Search.
class TextMatcher
{
public:
    // Bytes [begin, end) of a searched text.
    struct Range
    {
        std::size_t begin;
        std::size_t end;
    };

    // An empty text matches nothing.
    explicit TextMatcher(const std::string& text);

    // Appends the matches in text, left to right and not overlapping:
    // "Ana" in "anAnas" gives [0, 3) only.
    void find(const std::string& text, std::vector<Range>& out) const;

    bool empty() const { return folded_text.empty(); }

private:
    std::string folded_text;
    mutable CaseFolder folder; // kept to reuse its room from one text to the next
};

// Every match of a text in the lines of a scene's backlog, as they are shown
// (shown_text), in the order of the lines, with one of them current. Lines
// added to the backlog at either end are searched by update(); a different
// backlog needs find() again.
class SceneFinder
{
public:
    struct Match
    {
        long position; // of the line in the backlog
        std::size_t begin; // bytes of the line's shown_text
        std::size_t end;
    };
    static constexpr std::size_t NONE = static_cast<std::size_t>(-1);

    SceneFinder();

    // Finds text in every line of log; the newest match becomes current,
    // the one a display at the bottom of the scene shows. An empty text
    // finds nothing.
    void find(const std::string& text, const BackLog& log);
    // Searches the lines added to log since find or the last update; the
    // current match stays the same one.
    void update(const BackLog& log);
    // Moves the current match to the next one, after the last to the first;
    // previous goes the other way. Nothing happens without matches.
    void next();
    void previous();

    const std::string& get_text() const { return text; }
    const std::vector<Match>& get_matches() const { return matches; }
    // Index into get_matches(), or NONE when there are no matches.
    std::size_t get_current() const { return current; }
    // The first of the matches in the line at position; end() of
    // get_matches() when there is no later match.
    std::vector<Match>::const_iterator first_in(long position) const;

private:
    void search(const BackLog& log, long first, long end, std::vector<Match>& out) const;

    std::string text;
    TextMatcher matcher;
    std::vector<Match> matches;
    std::size_t current;
    // Positions of the lines searched: first included, end not.
    long searched_first;
    long searched_end;
};

} // namespace Transcript

#endif
