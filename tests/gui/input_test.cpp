#include "client/parlane.h"

#include "tests/gui/fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

using GuiTest::TestServer;

namespace
{

const char MARKER[] = "end of input";

struct Case
{
    const char* typed;
    std::vector<std::string> wire;
};

// A session in the scene "Tavern" (active) beside "OOC", with the characters
// Anna and Bob Stone (present in Tavern), Bobby and the NPC Zed (absent),
// and the NPC Zelda (present).
class InputTest: public ::testing::Test
{
protected:
    void SetUp() override { start("Anna"); }

    void TearDown() override { set_abbreviations(false); }

    void start(const std::string& user)
    {
        parlane.disconnect();
        parlane.set_writing(false);
        ASSERT_TRUE(server.log_in(user));
        for (const Packet& p : {
                 Packet("", "ADDSCENE", "Tavern", "0"),
                 Packet("", "ADDSCENE", "OOC", "0"),
                 Packet("", "ADDCHAR", "Anna", "0"),
                 Packet("", "ADDCHAR", "Bobby", "0"),
                 Packet("", "ADDCHAR", "Bob Stone", "0"),
                 Packet("", "ADDCHAR", "Zed", "1"),
                 Packet("", "ADDCHAR", "Zelda", "1"),
                 Packet("", "ADDCHAR", "GM", "0"),
                 Packet("Anna", "ENTER", "Tavern"),
                 Packet("Bob Stone", "ENTER", "Tavern"),
                 Packet("Zelda", "ENTER", "Tavern"),
                 Packet("GM", "ENTER", "Tavern"),
             })
            server.send(p);
        ASSERT_TRUE(server.sync());
        ASSERT_EQ("Tavern", parlane.get_active_scene()->get_name());
        GuiTest::MessageBoxes::take();
    }

    // What the client sends for one typed line, shown as wire lines.
    std::vector<std::string> sent(const std::string& line)
    {
        size_t first = server.received.size();
        parlane.input(line);
        // Sent last, so everything the line caused has arrived before it.
        parlane.get_character_biography(MARKER);
        auto is_marker = [](const Packet& p) {
            return p.get_command() == "GETBIOGRAPHY" && p.get_parameter_count() == 1
                && p.get_parameter(0) == MARKER;
        };
        bool arrived = GuiTest::run_until(
            [&]
            {
                for (size_t i = first; i < server.received.size(); ++i)
                    if (is_marker(server.received[i]))
                        return true;
                return false;
            });
        EXPECT_TRUE(arrived) << line;
        std::vector<std::string> lines;
        for (size_t i = first; i < server.received.size() && !is_marker(server.received[i]); ++i)
            lines.push_back(server.received[i].str());
        return lines;
    }

    void activate(const std::string& scene) { parlane.set_active_scene(parlane.get_scene(scene)); }

    void set_abbreviations(bool on)
    {
        std::string file = GuiTest::work_dir() + "/parlane.conf";
        std::ofstream(file) << "abbreviate_refs " << (on ? "true" : "false") << ";\n";
        parlane.get_config().load();
        std::remove(file.c_str());
    }

    std::string last_log_line() const
    {
        std::string last;
        for (const LogLine& l : parlane.get_active_scene()->get_backlog())
            last = l.name + " " + l.text;
        return last;
    }

    void expect_cases(const std::vector<Case>& cases)
    {
        for (const Case& c : cases)
        {
            SCOPED_TRACE(c.typed);
            EXPECT_EQ(c.wire, sent(c.typed));
        }
    }

    // The total of the last roll in the log, whose line must begin with
    // prefix and end in a number; -1 otherwise.
    int roll_total(const std::string& prefix) const
    {
        std::string line = last_log_line();
        EXPECT_EQ(prefix, line.substr(0, prefix.size()));
        std::string number = line.substr(std::min(prefix.size(), line.size()));
        if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos)
            return -1;
        return std::stoi(number);
    }

    typedef std::vector<std::string> Lines;

    Parlane& parlane = GuiTest::parlane();
    TestServer server;
};

class GmInputTest: public InputTest
{
protected:
    void SetUp() override { start("GM"); }
};

} // namespace

TEST_F(InputTest, PlayerCommands)
{
    expect_cases({
        { "/ooc", {} },
        { "/ooc   brb, tea  ", { "Anna;OOC;Tavern;brb, tea  " } },
        { "/ooc a;b", { "Anna;OOC;Tavern|a;b" } },
        { "/OOC hi", {} },
        { "/query", {} },
        { "/query Bob_Stone", { "Anna;QUERY;Bob Stone" } },
        { "/afk", { "Anna;AFK;Away from Keyboard" } },
        { "/afk lunch", { "Anna;AFK;lunch" } },
        { "/info Bob_Stone", { "Anna;GETBIOGRAPHY;Bob Stone" } },
        { "/info", {} },
        { "/dice", {} },
        { "/nosuchcommand x", {} },
    });
    EXPECT_TRUE(GuiTest::MessageBoxes::take().empty());
}

TEST_F(InputTest, GameMasterCommandsFromAPlayerAreIgnored)
{
    for (const char* line :
        { "/enter Bobby", "/leave Bob_Stone", "/clearnpcs", "/clearscene", "/addnpc Orc", "/npc Zed hi",
            "/removechar Zed", "/addscene Cave", "/removescene", "/renamescene Inn", "/scenegroup Town" })
    {
        SCOPED_TRACE(line);
        EXPECT_EQ(Lines(), sent(line));
    }
    EXPECT_TRUE(GuiTest::MessageBoxes::take().empty());
    EXPECT_EQ("Anna", parlane.get_active_name());
}

TEST_F(InputTest, MeCommandIsDeprecated)
{
    EXPECT_EQ(Lines(), sent("/me waves"));
    EXPECT_EQ(std::vector<std::string> { "The /me command is deprecated.  Please use #me instead." },
        GuiTest::MessageBoxes::take());
    EXPECT_EQ(Lines(), sent("/me"));
    EXPECT_TRUE(GuiTest::MessageBoxes::take().empty());
}

TEST_F(InputTest, SpeechIsQuotedInScenesAndPlainInOoc)
{
    expect_cases({
        { "hello", { "Anna;TEXT;Tavern;$me$: \"hello\"" } },
        { "\"hello\"", { "Anna;TEXT;Tavern;$me$: \"hello\"" } },
        { "\"a \" b\"", { "Anna;TEXT;Tavern;$me$: \"\"a \" b\"\"" } },
        { "\"", { "Anna;TEXT;Tavern;$me$: \"\"\"" } },
        { "", { "Anna;TEXT;Tavern;$me$: \"\"" } },
        { "#me waves", { "Anna;TEXT;Tavern;$me$ waves" } },
        { "#ME waves", { "Anna;TEXT;Tavern;$me$ waves" } },
        { "Hello; everyone", { "Anna;TEXT;Tavern|$me$: \"Hello; everyone\"" } },
    });
    activate("OOC");
    expect_cases({
        { "hello", { "Anna;TEXT;OOC;$me$: hello" } },
        { "\"hello\"", { "Anna;TEXT;OOC;$me$: hello" } },
    });
}

TEST_F(InputTest, ReferencesWithoutAbbreviations)
{
    expect_cases({
        { "#bob_stone nods", { "Anna;TEXT;Tavern;$me$: \"$Bob Stone$ nods\"" } },
        { "hi #BOBBY!", { "Anna;TEXT;Tavern;$me$: \"hi $Bobby$!\"" } },
        { "hi #bob", { "Anna;TEXT;Tavern;$me$: \"hi #bob\"" } },
        { "# 1 #2", { "Anna;TEXT;Tavern;$me$: \"# 1 #2\"" } },
        { "#me hugs #anna and #zed", { "Anna;TEXT;Tavern;$me$ hugs $Anna$ and $Zed$" } },
    });
}

TEST_F(InputTest, ReferencesWithAbbreviations)
{
    set_abbreviations(true);
    // Bob Stone is present, Bobby is not: present beats absent.
    expect_cases({
        { "#me waves at #bob", { "Anna;TEXT;Tavern;$me$ waves at $Bob Stone$" } },
        { "#me waves at #bobb", { "Anna;TEXT;Tavern;$me$ waves at $Bobby$" } },
        { "#me waves at #bob_stone", { "Anna;TEXT;Tavern;$me$ waves at $Bob Stone$" } },
        { "#me waves at #zeld", { "Anna;TEXT;Tavern;$me$ waves at $Zelda$" } },
        { "#x waves", { "Anna;TEXT;Tavern;$me$: \"#x waves\"" } },
    });
    EXPECT_TRUE(GuiTest::MessageBoxes::take().empty());

    // Absent Zed matches first, then present Zelda replaces it.
    EXPECT_EQ(Lines { "Anna;TEXT;Tavern;$me$ waves at $Zelda$" }, sent("#me waves at #z"));
    // An empty reference is a prefix of every name: Anna and Bob Stone are
    // both present.
    EXPECT_EQ(Lines(), sent("# is everyone"));
    EXPECT_EQ(std::vector<std::string> { "Ambiguous reference #" }, GuiTest::MessageBoxes::take());
    EXPECT_EQ(
        Lines { "Anna;TEXT;Tavern;$me$: \"hello $Anna$ and $Bob Stone$\"" }, sent("hello #an and #bob_"));
    EXPECT_TRUE(GuiTest::MessageBoxes::take().empty());
}

TEST_F(InputTest, AmbiguousReferenceDropsTheLine)
{
    set_abbreviations(true);
    activate("OOC"); // nobody present: every match is at the same level
    EXPECT_EQ(Lines(), sent("#me greets #bob"));
    EXPECT_EQ(std::vector<std::string> { "Ambiguous reference #bob" }, GuiTest::MessageBoxes::take());
    EXPECT_EQ(Lines { "Anna;TEXT;OOC;$me$: $Bob Stone$" }, sent("#Bob_s"));
    EXPECT_TRUE(GuiTest::MessageBoxes::take().empty());
}

TEST_F(InputTest, DiceRollsLocally)
{
    for (int i = 0; i < 50; ++i)
    {
        EXPECT_EQ(Lines(), sent("/dice 2d6"));
        int total = roll_total("* 2d6 = ");
        EXPECT_GE(total, 2);
        EXPECT_LE(total, 12);
    }
    EXPECT_EQ(Lines(), sent("/dice 20"));
    int total = roll_total("* 1d20 = ");
    EXPECT_GE(total, 1);
    EXPECT_LE(total, 20);
    EXPECT_EQ(Lines(), sent("/dice  3 d 8 "));
    total = roll_total("* 3d8 = ");
    EXPECT_GE(total, 3);
    EXPECT_LE(total, 24);
    EXPECT_EQ(Lines(), sent("/dice 1000d1"));
    EXPECT_EQ("* 1000d1 = 1000", last_log_line());
    EXPECT_TRUE(GuiTest::MessageBoxes::take().empty());

    const BackLog& log = parlane.get_active_scene()->get_backlog();
    size_t lines = std::distance(log.begin(), log.end());
    for (const char* bad : { "/dice 2D6", "/dice xd6", "/dice -1d6", "/dice 2d0", "/dice 0", "/dice 1001d6",
             "/dice 2d", "/dice d6" })
    {
        SCOPED_TRACE(bad);
        EXPECT_EQ(Lines(), sent(bad));
        EXPECT_EQ(std::vector<std::string> { "Invalid parameters" }, GuiTest::MessageBoxes::take());
    }
    EXPECT_EQ(lines, size_t(std::distance(log.begin(), log.end())));
}

TEST_F(GmInputTest, GameMasterCommands)
{
    expect_cases({
        { "/enter Bobby", { "GM;ENTER;Tavern;Bobby" } },
        { "/enter", {} },
        { "/leave Bob_Stone", { "GM;LEAVE;Tavern;Bob Stone" } },
        { "/clearnpcs", { "GM;LEAVE;Tavern;Zelda" } },
        { "/clearscene", { "GM;LEAVE;Tavern;Anna", "GM;LEAVE;Tavern;Bob Stone", "GM;LEAVE;Tavern;Zelda" } },
        { "/addnpc Old_Orc", { "GM;ADDNPC;Old Orc" } },
        { "/removechar Old_Orc", { "GM;REMOVECHAR;Old Orc" } },
        { "/addscene Dark_Cave", { "GM;ADDSCENE;Dark Cave;1" } },
        { "/removescene Dark_Cave", { "GM;REMOVESCENE;Dark Cave" } },
        { "/removescene", { "GM;REMOVESCENE;Tavern" } },
        { "/renamescene The_Inn", { "GM;RENAMESCENE;Tavern;The Inn" } },
        { "/scenegroup Old_Town", { "GM;SETSCENEGROUP;Tavern;Old Town" } },
        { "/scenegroup", {} },
        { "/bogus", {} },
    });
    EXPECT_TRUE(GuiTest::MessageBoxes::take().empty());
}

TEST_F(GmInputTest, RenamedSceneBecomesActiveWhenAnnounced)
{
    sent("/renamescene The_Inn");
    ASSERT_TRUE(server.deliver(Packet("", "ADDSCENE", "The Inn", "0")));
    EXPECT_EQ("The Inn", parlane.get_active_scene()->get_name());
}

TEST_F(GmInputTest, NarratorSpeaksWithoutQuotes)
{
    EXPECT_EQ(Lines { "GM;TEXT;Tavern;The wind howls." }, sent("The wind howls."));
    EXPECT_EQ(Lines { "GM;TEXT;Tavern;$me$ frowns" }, sent("#me frowns"));
}

TEST_F(GmInputTest, NpcForms)
{
    EXPECT_EQ(Lines(), sent("/npc Zed"));
    EXPECT_EQ("Zed", parlane.get_active_name());
    EXPECT_EQ(Lines { "Zed;TEXT;Tavern;$me$: \"Halt!\"" }, sent("Halt!"));

    EXPECT_EQ(Lines { "Zelda;TEXT;Tavern;$me$ bows to $Anna$" }, sent("/npc Zelda #me bows to #anna"));
    EXPECT_EQ("Zed", parlane.get_active_name());

    EXPECT_EQ(Lines(), sent("/npc Nobody hi"));
    EXPECT_EQ(std::vector<std::string> { "Unknown character" }, GuiTest::MessageBoxes::take());

    // A name followed only by blanks switches the speaking name.
    EXPECT_EQ(Lines(), sent("/npc Zelda   "));
    EXPECT_EQ("Zelda", parlane.get_active_name());
    EXPECT_EQ(Lines(), sent("/npc GM"));
    EXPECT_EQ(Lines { "GM;TEXT;Tavern;Silence." }, sent("Silence."));

    // The one-line form runs the whole interpreter as the NPC.
    EXPECT_EQ(Lines { "GM;OOC;Tavern;out of character" }, sent("/npc Zed /ooc out of character"));
}

TEST_F(InputTest, NothingIsSentWithoutAConnectionOrScene)
{
    parlane.disconnect();
    parlane.input("hello");
    parlane.input("/dice 2d6");
    EXPECT_TRUE(GuiTest::MessageBoxes::take().empty());

    // Connected, but no scene announced yet.
    parlane.connect(server.get_address(), "Anna");
    Packet name;
    ASSERT_TRUE(server.wait_for("NAME", name));
    EXPECT_EQ(nullptr, parlane.get_active_scene());
    EXPECT_EQ(Lines(), sent("hello"));
    EXPECT_EQ(Lines(), sent("/ooc hi"));
}
