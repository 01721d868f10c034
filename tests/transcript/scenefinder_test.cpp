#include "client/transcript/scenefinder.h"

#include <gtest/gtest.h>

namespace
{

typedef std::vector<std::string> Strings;

// Each match as "position:shown text with [match]".
Strings marked(const Transcript::SceneFinder& finder, const BackLog& log)
{
    Strings out;
    for (const Transcript::SceneFinder::Match& match : finder.get_matches())
    {
        std::string text = Transcript::shown_text(log.at(match.position));
        text.insert(match.end, "]");
        text.insert(match.begin, "[");
        out.push_back(std::to_string(match.position) + ":" + text);
    }
    return out;
}

LogLine said(const std::string& name, const std::string& text)
{
    return LogLine(LogLine::NORMAL, "20:00:00", name, text);
}

} // namespace

TEST(SceneFinder, MatchesTheShownTextIgnoringCase)
{
    BackLog log;
    log.push_back(said("Bob", "$me$ takes the *lantern*"));
    log.push_back(said("Ann", "\"Lantern? Lantern!\" $Bob$ shouts"));
    log.push_back(LogLine(LogLine::OOC, "20:00:01", "Ann", "brb, lantern"));
    log.push_back(said("GM", "STRASSE, Stra\xC3\x9F" "e und STRA\xE1\xBA\x9E" "E"));
    log.push_back(said("GM", "Un \xC3\x89" "CLAIR, un \xC3\xA9" "clair"));
    const std::pair<std::string, Strings> cases[] = {
        // Markers are not shown, so a match runs across where they were.
        { "takes the lantern", { "0:Bob [takes the lantern]" } },
        // Several in a line, one at its end, none across the name's markers.
        { "LANTERN",
            { "0:Bob takes the [lantern]", "1:\"[Lantern]? Lantern!\" Bob shouts", "1:\"Lantern? [Lantern]!\" Bob shouts",
                "2:Ann: brb, [lantern]" } },
        { "bob shouts", { "1:\"Lantern? Lantern!\" [Bob shouts]" } },
        { "ann: brb", { "2:[Ann: brb], lantern" } },
        // One code point folds to one: "ß" is not "ss", but the capital sharp s is "ß".
        { "stra\xC3\x9F" "e",
            { "3:STRASSE, [Stra\xC3\x9F" "e] und STRA\xE1\xBA\x9E" "E",
                "3:STRASSE, Stra\xC3\x9F" "e und [STRA\xE1\xBA\x9E" "E]" } },
        { "strasse", { "3:[STRASSE], Stra\xC3\x9F" "e und STRA\xE1\xBA\x9E" "E" } },
        { "\xC3\xA9" "clair",
            { "4:Un [\xC3\x89" "CLAIR], un \xC3\xA9" "clair", "4:Un \xC3\x89" "CLAIR, un [\xC3\xA9" "clair]" } },
        { "eclair", {} },
        { "", {} },
    };
    for (const auto& [text, found] : cases)
    {
        SCOPED_TRACE(text);
        Transcript::SceneFinder finder;
        finder.find(text, log);
        EXPECT_EQ(found, marked(finder, log));
        EXPECT_EQ(found.empty() ? Transcript::SceneFinder::NONE : found.size() - 1, finder.get_current());
    }
}

TEST(SceneFinder, StepsAroundAndKeepsItsMatchThroughNewLines)
{
    BackLog log;
    for (int i = 0; i < 4; ++i)
        log.push_back(said("Bob", i % 2 ? "owl" : "an owl and an owl"));
    Transcript::SceneFinder finder;
    finder.find("OWL", log);
    ASSERT_EQ(6u, finder.get_matches().size());
    EXPECT_EQ(5u, finder.get_current());
    finder.next();
    EXPECT_EQ(0u, finder.get_current());
    finder.previous();
    finder.previous();
    EXPECT_EQ(4u, finder.get_current());
    EXPECT_EQ(2, finder.get_matches()[4].position);
    EXPECT_EQ(finder.get_matches().begin() + 3, finder.first_in(2));

    // Lines at both ends: the current match is still the second in line 2.
    log.push_back(said("Ann", "no bird"));
    log.push_back(said("Ann", "owls"));
    log.push_front(said("Ann", "Owl"));
    finder.update(log);
    EXPECT_EQ(8u, finder.get_matches().size());
    EXPECT_EQ(-1, finder.get_matches().front().position);
    EXPECT_EQ(5, finder.get_matches().back().position);
    EXPECT_EQ(5u, finder.get_current());
    EXPECT_EQ(2, finder.get_matches()[5].position);
    EXPECT_EQ(14u, finder.get_matches()[5].begin);

    // Matches appearing after none select the newest.
    Transcript::SceneFinder later;
    BackLog empty;
    later.find("owl", empty);
    later.next();
    EXPECT_EQ(Transcript::SceneFinder::NONE, later.get_current());
    empty.push_back(said("Bob", "owl"));
    later.update(empty);
    EXPECT_EQ(0u, later.get_current());
}
