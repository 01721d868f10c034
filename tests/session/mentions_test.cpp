#include "client/session/mentions.h"

#include "client/session/session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

TEST(Mentions, FindsWholeWordsIgnoringCase)
{
    struct Case
    {
        std::vector<std::string> needles;
        std::string text;
        bool found;
    };
    const Case cases[] = {
        { { "Anna" }, "$Anna$ waves", true },
        { { "Anna" }, "hi, ANNA!", true },
        { { "anna" }, "Anna", true },
        { { "Anna" }, "Annabel and Anna", true }, // a later whole word counts
        { { "Anna" }, "Annabel waves", false },
        { { "Anna" }, "Hanna waves", false },
        { { "Anna" }, "Anna2 waves", false },
        { { "Bob Stone" }, "ask bob stone.", true },
        { { "Bob Stone" }, "Bob Stoner", false },
        { { "Bob Stone" }, "Bob and Stone", false },
        { { "Anna", "rune" }, "the RUNE glows", true },
        { { "Anna" }, "Annaé", false }, // accented letters are letters
        { { "Anna" }, "éAnna", false },
        { { "Élodie" }, "hi Élodie!", true },
        { { "" }, "anything", false },
        { { "", "Anna" }, "Anna", true },
        { {}, "Anna", false },
        { { "Anna" }, "", false },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        Mentions mentions;
        mentions.set_needles(c.needles);
        EXPECT_EQ(mentions.found_in(c.text), c.found);
    }
}

// Typographic punctuation around a name is not part of a word.
TEST(Mentions, FindsNamesBesideNonAsciiPunctuation)
{
    Mentions mentions;
    mentions.set_needles({ "Anna" });
    for (const char* text : { "Anna\u2019s sword", "\u201EAnna\u201C", "\u00ABAnna\u00BB", "Anna\u2014look out" })
    {
        SCOPED_TRACE(text);
        EXPECT_TRUE(mentions.found_in(text));
    }
}

TEST(Mentions, SplitWordsTrimsAndDropsEmptyItems)
{
    EXPECT_EQ(Mentions::split_words("rune, dragon fire ,  "), (std::vector<std::string> { "rune", "dragon fire" }));
    EXPECT_EQ(Mentions::split_words(" , ,"), std::vector<std::string> {});
    EXPECT_EQ(Mentions::split_words("one"), std::vector<std::string> { "one" });
}

// Lines arrive in "Cellar" while "OOC" is on screen.
TEST(Mentions, SessionMarksLinesThatSpeakToTheUser)
{
    struct Case
    {
        const char* login;
        const char* speaking_as; // what the game master speaks as; "" for the login name
        LogLine::Type type;
        const char* speaker;
        const char* text;
        bool mention;
        unsigned activity;
    };
    const Case cases[] = {
        { "Anna", "", LogLine::NORMAL, "Bob", "$me$ waves to $Anna$.", true, Session::MENTIONED },
        { "Anna", "", LogLine::OOC, "Bob", "anna, your turn", true, Session::MENTIONED },
        { "Anna", "", LogLine::NORMAL, "Bob", "$me$ waves to Annabel.", false, Session::SAID },
        { "Anna", "", LogLine::NORMAL, "Anna", "$me$ says: \"I am Anna.\"", false, Session::SAID },
        { "Anna", "", LogLine::NORMAL, "Bob", "The rune glows.", true, Session::MENTIONED },
        { "Anna", "", LogLine::EVENT, "*", "Anna entered the scene", false, Session::COMINGS_AND_GOINGS },
        { "GM", "Mira Vell", LogLine::NORMAL, "Bob", "$me$ bows to $Mira Vell$.", true, Session::MENTIONED },
        { "GM", "Mira Vell", LogLine::NORMAL, "Mira Vell", "$me$ is Mira Vell.", false, Session::SAID },
        { "GM", "Mira Vell", LogLine::NORMAL, "GM", "The GM sighs.", false, Session::SAID },
        { "GM", "Mira Vell", LogLine::NORMAL, "Bob", "Ask the GM.", true, Session::MENTIONED },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.login) + " / " + c.speaker + ": " + c.text);
        Session session;
        session.log_in(c.login);
        session.set_highlight_words({ "rune" });
        session.add_scene("OOC", false);
        Scene& cellar = *session.add_scene("Cellar", false);
        if (*c.speaking_as)
            session.set_active_name(c.speaking_as);
        cellar.reset_activity();
        session.add_line(cellar, c.type, c.speaker, c.text);
        EXPECT_EQ(cellar.get_backlog().last().mention, c.mention);
        EXPECT_EQ(cellar.get_activity(), c.activity);
        // A plain line afterwards never lowers the level.
        session.add_line(cellar, LogLine::NORMAL, "Bob", "$me$ yawns.");
        EXPECT_EQ(cellar.get_activity(), std::max<unsigned>(c.activity, Session::SAID));
    }
}

TEST(Mentions, SessionMarksALineOnScreenWithoutRaisingItsScene)
{
    Session session;
    session.log_in("Anna");
    Scene& ooc = *session.add_scene("OOC", false);
    session.add_line(ooc, LogLine::NORMAL, "Bob", "Hi $Anna$");
    EXPECT_TRUE(ooc.get_backlog().last().mention);
    EXPECT_EQ(ooc.get_activity(), Session::QUIET);
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
    EXPECT_TRUE(cellar.get_backlog().last().mention);
    EXPECT_EQ(cellar.get_activity(), Session::MENTIONED);
}
