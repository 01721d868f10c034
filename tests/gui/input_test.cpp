#include "client/parlane.h"

#include "tests/gui/fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

using GuiTest::Strings;

namespace
{

struct Case
{
    const char* typed;
    Strings wire;
    Strings boxes {};
};

// A session in the scene "Tavern" (active) beside "OOC", with Anna, Bob Stone
// and the NPC Zelda present in Tavern, and Bobby and the NPC Zed absent.
class InputTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override { start("Anna"); }

    void start(const std::string& user)
    {
        SessionTest::SetUp();
        log_in(user,
            { ";ADDSCENE;Tavern;0", ";ADDSCENE;OOC;0", ";ADDCHAR;Anna;0", ";ADDCHAR;Bobby;0",
                ";ADDCHAR;Bob Stone;0", ";ADDCHAR;Zed;1", ";ADDCHAR;Zelda;1", ";ADDCHAR;GM;0",
                "Anna;ENTER;Tavern", "Bob Stone;ENTER;Tavern", "Zelda;ENTER;Tavern", "GM;ENTER;Tavern" });
        ASSERT_EQ("Tavern", parlane.get_active_scene()->get_name());
        GuiTest::MessageBoxes::take();
    }

    // The wire lines that one typed line sends.
    Strings sent(const std::string& line)
    {
        parlane.input(line);
        return server.take_sent();
    }

    void expect_cases(const std::vector<Case>& cases)
    {
        for (const Case& c : cases)
        {
            SCOPED_TRACE(c.typed);
            EXPECT_EQ(c.wire, sent(c.typed));
            EXPECT_EQ(c.boxes, GuiTest::MessageBoxes::take());
        }
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
};

class GmInputTest: public InputTest
{
protected:
    void SetUp() override { start("GM"); }
};

const Strings NOTHING;

} // namespace

TEST_F(InputTest, PlayerCommandsAndSpeech)
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
        { "/me waves", {}, { "The /me command is deprecated.  Please use #me instead." } },
        { "/me", {} },
        // The game master's commands do nothing for a player.
        { "/enter Bobby", {} },
        { "/leave Bob_Stone", {} },
        { "/clearnpcs", {} },
        { "/clearscene", {} },
        { "/addnpc Orc", {} },
        { "/npc Zed hi", {} },
        { "/removechar Zed", {} },
        { "/addscene Cave", {} },
        { "/removescene", {} },
        { "/renamescene Inn", {} },
        { "/scenegroup Town", {} },
        // Speech is quoted in a scene.
        { "hello", { "Anna;TEXT;Tavern;$me$: \"hello\"" } },
        { "\"hello\"", { "Anna;TEXT;Tavern;$me$: \"hello\"" } },
        { "\"a \" b\"", { "Anna;TEXT;Tavern;$me$: \"\"a \" b\"\"" } },
        { "\"", { "Anna;TEXT;Tavern;$me$: \"\"\"" } },
        { "", { "Anna;TEXT;Tavern;$me$: \"\"" } },
        { "#me waves", { "Anna;TEXT;Tavern;$me$ waves" } },
        { "#ME waves", { "Anna;TEXT;Tavern;$me$ waves" } },
        // References without abbreviations.
        { "#bob_stone nods", { "Anna;TEXT;Tavern;$me$: \"$Bob Stone$ nods\"" } },
        { "hi #BOBBY!", { "Anna;TEXT;Tavern;$me$: \"hi $Bobby$!\"" } },
        { "hi #bob", { "Anna;TEXT;Tavern;$me$: \"hi #bob\"" } },
        { "# 1 #2", { "Anna;TEXT;Tavern;$me$: \"# 1 #2\"" } },
        { "#me hugs #anna and #zed", { "Anna;TEXT;Tavern;$me$ hugs $Anna$ and $Zed$" } },
    });
    EXPECT_EQ("Anna", parlane.get_active_name());
    activate("OOC");
    expect_cases({
        { "hello", { "Anna;TEXT;OOC;$me$: hello" } },
        { "\"hello\"", { "Anna;TEXT;OOC;$me$: hello" } },
    });
}

TEST_F(InputTest, ReferencesWithAbbreviations)
{
    set_abbreviations(true);
    const Strings ambiguous = { "Ambiguous reference #" };
    // Bob Stone is present, Bobby is not: present beats absent.
    expect_cases({
        { "#me waves at #bob", { "Anna;TEXT;Tavern;$me$ waves at $Bob Stone$" } },
        { "#me waves at #bobb", { "Anna;TEXT;Tavern;$me$ waves at $Bobby$" } },
        { "#me waves at #bob_stone", { "Anna;TEXT;Tavern;$me$ waves at $Bob Stone$" } },
        { "#me waves at #zeld", { "Anna;TEXT;Tavern;$me$ waves at $Zelda$" } },
        { "#x waves", { "Anna;TEXT;Tavern;$me$: \"#x waves\"" } },
        // Absent Zed matches first, then present Zelda replaces it.
        { "#me waves at #z", { "Anna;TEXT;Tavern;$me$ waves at $Zelda$" } },
        // An empty reference matches every name: Anna and Bob Stone are both present.
        { "# is everyone", {}, { "Ambiguous reference #" } },
        { "hello #an and #bob_", { "Anna;TEXT;Tavern;$me$: \"hello $Anna$ and $Bob Stone$\"" } },
    });
    activate("OOC"); // nobody present: every match is at the same level
    expect_cases({
        { "#me greets #bob", {}, { "Ambiguous reference #bob" } },
        { "#Bob_s", { "Anna;TEXT;OOC;$me$: $Bob Stone$" } },
    });
}

TEST_F(InputTest, DiceRollsLocally)
{
    const struct
    {
        const char* typed;
        const char* shown;
        int low, high;
    } rolls[] = {
        { "/dice 2d6", "* 2d6 = ", 2, 12 },
        { "/dice 20", "* 1d20 = ", 1, 20 },
        { "/dice  3 d 8 ", "* 3d8 = ", 3, 24 },
        { "/dice 1000d1", "* 1000d1 = ", 1000, 1000 },
    };
    for (const auto& r : rolls)
        for (int i = 0; i < 20; ++i)
        {
            SCOPED_TRACE(r.typed);
            EXPECT_EQ(NOTHING, sent(r.typed));
            std::string line = last_log_line();
            ASSERT_EQ(r.shown, line.substr(0, std::string(r.shown).size()));
            std::string number = line.substr(std::string(r.shown).size());
            ASSERT_EQ(std::string::npos, number.find_first_not_of("0123456789")) << line;
            EXPECT_GE(std::stoi(number), r.low);
            EXPECT_LE(std::stoi(number), r.high);
        }
    EXPECT_EQ(NOTHING, GuiTest::MessageBoxes::take());

    const BackLog& log = parlane.get_active_scene()->get_backlog();
    auto lines = std::distance(log.begin(), log.end());
    for (const char* bad : { "/dice 2D6", "/dice xd6", "/dice -1d6", "/dice 2d0", "/dice 0", "/dice 1001d6",
             "/dice 2d", "/dice d6" })
        expect_cases({ { bad, {}, { "Invalid parameters" } } });
    EXPECT_EQ(lines, std::distance(log.begin(), log.end()));
}

TEST_F(InputTest, NothingIsSentWithoutAConnectionOrScene)
{
    parlane.disconnect();
    parlane.input("hello");
    parlane.input("/dice 2d6");
    EXPECT_EQ(NOTHING, GuiTest::MessageBoxes::take());

    parlane.connect(server.get_address(), "Anna");
    Packet name;
    ASSERT_TRUE(server.wait_for("NAME", name));
    ASSERT_EQ(nullptr, parlane.get_active_scene());
    expect_cases({ { "hello", {} }, { "/ooc hi", {} } });
}

TEST_F(GmInputTest, GameMasterCommandsAndSpeech)
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
        { "/scenegroup Old_Town", { "GM;SETSCENEGROUP;Tavern;Old Town" } },
        { "/scenegroup", {} },
        { "/bogus", {} },
        // The narrator speaks without quotes.
        { "The wind howls.", { "GM;TEXT;Tavern;The wind howls." } },
        { "#me frowns", { "GM;TEXT;Tavern;$me$ frowns" } },
        { "/renamescene The_Inn", { "GM;RENAMESCENE;Tavern;The Inn" } },
    });
    ASSERT_TRUE(server.deliver(";ADDSCENE;The Inn;0"));
    EXPECT_EQ("The Inn", parlane.get_active_scene()->get_name()) << "the renamed scene becomes active";
}

TEST_F(GmInputTest, NpcForms)
{
    expect_cases({ { "/npc Zed", {} }, { "Halt!", { "Zed;TEXT;Tavern;$me$: \"Halt!\"" } } });
    EXPECT_EQ("Zed", parlane.get_active_name());
    expect_cases({
        { "/npc Zelda #me bows to #anna", { "Zelda;TEXT;Tavern;$me$ bows to $Anna$" } },
        { "/npc Nobody hi", {}, { "Unknown character" } },
    });
    EXPECT_EQ("Zed", parlane.get_active_name());
    // A name followed only by blanks switches the speaking name.
    expect_cases({ { "/npc Zelda   ", {} } });
    EXPECT_EQ("Zelda", parlane.get_active_name());
    expect_cases({
        { "/npc GM", {} },
        { "Silence.", { "GM;TEXT;Tavern;Silence." } },
        // The one-line form runs the whole interpreter as the NPC.
        { "/npc Zed /ooc out of character", { "GM;OOC;Tavern;out of character" } },
    });
}
