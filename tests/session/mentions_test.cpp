#include "client/session/mentions.h"

#include "client/session/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

TEST(Mentions, FindsWholeWordsIgnoringCase)
{
    const std::tuple<std::vector<std::string>, std::string, bool> cases[] = {
        { { "Anna" }, "hi, ANNA!", true },
        { { "Anna" }, "Annabel and Anna", true }, // a later whole word counts
        { { "Anna" }, "Hanna waves", false },
        { { "Anna" }, "Anna2 waves", false },
        { { "Bob Stone" }, "ask bob stone.", true },
        { { "Anna" }, "Anna\u00e9", false }, // accented letters are letters
        { { "Anna" }, "\u00e9Anna", false },
        { { "\u00c9lodie" }, "hi \u00c9lodie!", true },
        // Typographic punctuation around a name is not part of a word.
        { { "Anna" }, "Anna\u2019s sword", true },
        { { "Anna" }, "\u00ABAnna\u00BB", true },
        { { "", "rune" }, "the RUNE glows", true },
        { { "" }, "anything", false },
    };
    for (const auto& [needles, text, found] : cases)
    {
        SCOPED_TRACE(text);
        Mentions mentions;
        mentions.set_needles(needles);
        EXPECT_EQ(mentions.found_in(text), found);
    }
    EXPECT_EQ(Mentions::split_words("rune, dragon fire ,  , "), (std::vector<std::string> { "rune", "dragon fire" }));
}

// Lines arrive in "Cellar" while "OOC" is on screen.
TEST(Mentions, SessionMarksLinesThatSpeakToTheUser)
{
    // login, what the game master speaks as ("" for the login name), the line,
    // and the activity it raises: MENTIONED when the line is marked.
    const struct { const char *login, *speaking_as; LogLine::Type type; const char *speaker, *text;
        unsigned activity; } cases[] = {
        { "Anna", "", LogLine::OOC, "Bob", "anna, your turn", Session::MENTIONED },
        { "Anna", "", LogLine::NORMAL, "Anna", "$me$ says: \"I am Anna.\"", Session::SAID },
        { "Anna", "", LogLine::NORMAL, "Bob", "The rune glows.", Session::MENTIONED },
        { "Anna", "", LogLine::EVENT, "*", "Anna entered the scene", Session::COMINGS_AND_GOINGS },
        { "GM", "Mira Vell", LogLine::NORMAL, "Bob", "$me$ bows to $Mira Vell$.", Session::MENTIONED },
        { "GM", "Mira Vell", LogLine::NORMAL, "Mira Vell", "$me$ is Mira Vell.", Session::SAID },
        { "GM", "Mira Vell", LogLine::NORMAL, "Bob", "Ask the GM.", Session::MENTIONED },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.login) + " / " + c.speaker + ": " + c.text);
        Session session;
        session.log_in(c.login);
        session.set_highlight_words({ "rune" });
        Scene& ooc = *session.add_scene("OOC", false);
        Scene& cellar = *session.add_scene("Cellar", false);
        if (*c.speaking_as)
            session.set_active_name(c.speaking_as);
        cellar.reset_activity();
        session.add_line(cellar, c.type, c.speaker, c.text);
        EXPECT_EQ(cellar.get_backlog().last().mention, c.activity == Session::MENTIONED);
        EXPECT_EQ(cellar.get_activity(), c.activity);
        // A plain line afterwards never lowers the level.
        session.add_line(cellar, LogLine::NORMAL, "Bob", "$me$ yawns.");
        EXPECT_EQ(cellar.get_activity(), std::max<unsigned>(c.activity, Session::SAID));
        // A line on screen is marked without raising its scene.
        session.add_line(ooc, LogLine::NORMAL, "Bob", "Hi $" + std::string(c.login) + "$");
        EXPECT_TRUE(ooc.get_backlog().last().mention);
        EXPECT_EQ(ooc.get_activity(), Session::QUIET);
    }
}

// The game master plays Mira Vell in the cellar and looks at OOC: a line in
// the cellar that names her speaks to him.
TEST(Mentions, SessionFindsTheNameSpokenAsInASceneOffScreen)
{
    Session session;
    session.log_in("GM");
    Scene& ooc = *session.add_scene("OOC", false);
    Scene& cellar = *session.add_scene("Cellar", false);
    session.set_active_scene(&cellar);
    session.set_active_name("Mira Vell");
    session.set_active_scene(&ooc);
    session.add_line(cellar, LogLine::NORMAL, "Bob", "$me$ waves to $Mira Vell$.");
    EXPECT_EQ(cellar.get_activity(), Session::MENTIONED);
}
