#include "client/interpreter/interpreter.h"

#include "client/session/config.h"
#include "client/session/markup.h"
#include "client/session/requests.h"
#include "client/session/session.h"
#include "tests/client/tempdir.h"
#include "tests/interpreter/scripteddice.h"
#include "tests/session/recordingsink.h"

#include <gtest/gtest.h>
#include <sigc++/connection.h>

#include <string>
#include <vector>

namespace
{

// Keeps what the interpreter tells the user, each message followed by "|".
class RecordingPort: public InterpreterPort
{
public:
    void edit_biography(const std::string& character) override { told += "edit " + character + "|"; }

    std::string told;
};

// One typed line and what it leads to: the packets sent, then what the user
// is told, each followed by "|". "kept TEXT" is a line not taken, with the
// note that says why.
struct Case { const char* typed; std::string out; };

// "Tavern" (active) beside "OOC"; Anna, Bob Stone, the NPC Zelda and GM are
// present in Tavern, Bobby and the NPC Zed are not.
class InterpreterTest: public ::testing::Test
{
protected:
    InterpreterTest() { interpreter.set_dice_source(dice); }

    void start(const std::string& user, bool abbreviate = false)
    {
        if (abbreviate)
        {
            TempDir dir;
            config = Config(dir.file("parlane.conf"));
            write_file(dir.file("parlane.conf"), "abbreviate_refs true;\n");
            config.load();
        }
        session.log_in(user);
        Scene& tavern = *session.add_scene("Tavern", false);
        session.add_scene("OOC", false);
        for (const char* name : { "Anna", "Bobby", "Bob Stone", "Zed", "Zelda", "GM" })
            session.add_character(name, name[0] == 'Z');
        for (const char* name : { "Anna", "Bob Stone", "Zelda", "GM" })
            session.enter(tavern, *session.get_character(name));
    }

    void expect(const std::vector<Case>& cases)
    {
        for (const Case& c : cases)
        {
            SCOPED_TRACE(c.typed);
            port.told.clear();
            note.clear();
            const bool taken = interpreter.input(c.typed);
            const Scene* scene = session.get_active_scene();
            EXPECT_EQ(c.out,
                sink.take() + port.told + (taken ? "" : "kept " + (scene ? scene->get_backlog().last().text : note) + "|"));
        }
    }

    void activate(const std::string& scene) { session.set_active_scene(session.get_scene(scene)); }

    Session session;
    std::string note; // said while there is no scene
    sigc::connection noted = session.signal_status_note.connect([this](const std::string& t) { note = t; });
    RecordingSink sink;
    RecordingPort port;
    Config config { "unused" };
    ScriptedDice dice;
    Requests requests { session, sink };
    Interpreter interpreter { session, requests, config, port };
};

} // namespace

TEST_F(InterpreterTest, PlayerCommandsAndSpeech)
{
    start("Anna");
    expect({
        { "/ooc", "kept Invalid parameters: /ooc needs a text|" },
        { "/ooc   brb, tea  ", "Anna;OOC;Tavern;brb, tea  |" },
        { "/OOC hi", "kept Unknown command /OOC (see Help)|" },
        { "/query", "kept Invalid parameters: /query needs a name|" },
        { "/query Bob_Stone", "Anna;QUERY;Bob Stone|" },
        { "/afk", "Anna;AFK;Away from Keyboard|" },
        { "/afk lunch", "Anna;AFK;lunch|" },
        { "/info", "kept Invalid parameters: /info needs a name|" },
        { "/info Bob_Stone", "Anna;GETBIOGRAPHY;Bob Stone|" },
        { "/myinfo", "edit Anna|" },
        { "/me", "kept Invalid parameters: /me needs a text|" },
        { "/me waves", "kept The /me command is deprecated.  Please use #me instead.|" },
        // Speech is quoted in a scene; lines that name the speaker are actions.
        { "\"hello\"", "Anna;TEXT;Tavern;$me$: \"hello\"|" },
        { "\"", "Anna;TEXT;Tavern;$me$: \"\"\"|" },
        { "", "Anna;TEXT;Tavern;$me$: \"\"|" },
        { "#ME waves", "Anna;TEXT;Tavern;$me$ waves|" },
        // Exact references only: case does not matter, "_" stands for a blank.
        { "#bob_stone nods", "Anna;TEXT;Tavern;$me$: \"$Bob Stone$ nods\"|" },
        { "hi #bob", "Anna;TEXT;Tavern;$me$: \"hi #bob\"|" },
        { "# 1 #2", "Anna;TEXT;Tavern;$me$: \"# 1 #2\"|" },
        { "#me hugs #anna and #zed", "Anna;TEXT;Tavern;$me$ hugs $Anna$ and $Zed$|" },
        { "/enter Bobby", "kept Only the game master can use /enter|" },
        { "/npc Zed hi", "kept Only the game master can use /npc|" },
        { "/removescene", "kept Only the game master can use /removescene|" },
    });
    EXPECT_EQ(LogLine::PROBLEM, session.get_active_scene()->get_backlog().last().type) << "a fault, never logged";
    EXPECT_EQ("Anna", session.get_active_name());
    activate("OOC");
    expect({ { "hello", "Anna;TEXT;OOC;$me$: hello|" }, { "\"hello\"", "Anna;TEXT;OOC;$me$: hello|" } });
}

TEST_F(InterpreterTest, AbbreviatedReferencesPreferPresentCharacters)
{
    start("Anna", true);
    expect({
        { "#me waves at #bob", "Anna;TEXT;Tavern;$me$ waves at $Bob Stone$|" },
        { "#me waves at #bobb", "Anna;TEXT;Tavern;$me$ waves at $Bobby$|" },
        { "#x waves", "Anna;TEXT;Tavern;$me$: \"#x waves\"|" },
        // Absent Zed matches first, then present Zelda replaces it.
        { "#me waves at #z", "Anna;TEXT;Tavern;$me$ waves at $Zelda$|" },
        // An empty reference matches every name: several are present.
        { "# is everyone", "kept Ambiguous reference #|" },
        { "hello #an and #bob_", "Anna;TEXT;Tavern;$me$: \"hello $Anna$ and $Bob Stone$\"|" },
    });
    activate("OOC"); // nobody present: every match is at the same level
    expect({ { "#me greets #bob", "kept Ambiguous reference #bob|" },
        { "#Bob_s", "Anna;TEXT;OOC;$me$: $Bob Stone$|" } });
}

TEST_F(InterpreterTest, NothingHappensWithoutAConnectionOrScene)
{
    session.log_in("Anna");
    const char* no_scene = "kept No scene to speak in yet; the line is kept|";
    expect({ { "hello", no_scene }, { "/ooc hi", no_scene }, { "/myinfo", no_scene } });
    start("Anna");
    sink.connected = false;
    const char* offline = "kept Not connected; the line is kept|";
    expect({ { "hello", offline }, { "/dice 2d6", offline }, { "/myinfo", offline }, { "/me waves", offline } });
    EXPECT_EQ(LogLine::NOTICE, session.get_active_scene()->get_backlog().last().type);
}

TEST_F(InterpreterTest, GameMasterCommandsAndSpeech)
{
    start("GM");
    expect({
        { "/enter Bobby", "GM;ENTER;Tavern;Bobby|" },
        { "/enter", "kept Invalid parameters: /enter needs a name|" },
        { "/leave Bob_Stone", "GM;LEAVE;Tavern;Bob Stone|" },
        { "/clearnpcs", "GM;LEAVE;Tavern;Zelda|" },
        { "/clearscene", "GM;LEAVE;Tavern;Anna|GM;LEAVE;Tavern;Bob Stone|GM;LEAVE;Tavern;Zelda|" },
        { "/addnpc Old_Orc", "GM;ADDNPC;Old Orc|" },
        { "/removechar Old_Orc", "GM;REMOVECHAR;Old Orc|" },
        { "/addscene Dark_Cave", "GM;ADDSCENE;Dark Cave;1|" },
        { "/removescene Dark_Cave", "GM;REMOVESCENE;Dark Cave|" },
        { "/removescene", "GM;REMOVESCENE;Tavern|" },
        { "/scenegroup Old_Town", "GM;SETSCENEGROUP;Tavern;Old Town|" },
        { "/scenegroup", "kept Invalid parameters: /scenegroup needs a group|" },
        { "/frobnicate", "kept Unknown command /frobnicate (see Help)|" },
        { "#me frowns", "GM;TEXT;Tavern;$me$ frowns|" },
        { "/query Anna", "GM;QUERY;Anna|" },
        { "/renamescene The_Inn", "GM;RENAMESCENE;Tavern;The Inn|" },
    });
    session.add_scene("The Inn", false);
    EXPECT_EQ("The Inn", session.get_active_scene()->get_name()) << "the renamed scene becomes active";
}

TEST_F(InterpreterTest, NpcForms)
{
    start("GM");
    expect({ { "/npc Zed", "" }, { "Halt!", "Zed;TEXT;Tavern;$me$: \"Halt!\"|" } });
    EXPECT_EQ("Zed", session.get_active_name());
    expect({
        { "/npc Zelda #me bows to #anna", "Zelda;TEXT;Tavern;$me$ bows to $Anna$|" },
        { "/npc Nobody hi", "kept Unknown character Nobody|" },
        { "/query Anna", "Zed;QUERY;Anna|" },
    });
    EXPECT_EQ("Zed", session.get_active_name()) << "a one-line form gives the name back";
    // A name followed only by blanks switches the speaking name.
    expect({ { "/npc Zelda   ", "" } });
    EXPECT_EQ("Zelda", session.get_active_name());
    expect({
        { "/npc GM", "" },
        { "Silence.", "GM;TEXT;Tavern;Silence.|" },
        // The one-line form runs the whole interpreter as the NPC.
        { "/npc Zed /ooc out of character", "GM;OOC;Tavern;out of character|" },
        { "/npc Zed /myinfo", "edit Zed|" },
    });
}

// The end-to-end tests see /roll reach the scene and /dice stay private.
TEST_F(InterpreterTest, RollSpeaksAsTheBorrowedNameWithTheLabelAsTyped)
{
    start("GM");
    dice.values = { 3, 14 };
    expect({ { "/npc Zed /roll d6", "Zed;TEXT;Tavern;$me$ rolls 1d6: [3] = 3|" } });
    interpreter.input("/roll 1d20 *sneak_attack* at 50% or 20% \"now\"");
    const std::string sent = sink.take();
    Markup::Rendered shown = Markup::render_said(Packet(sent.substr(0, sent.size() - 1)).get_parameter(1), "GM");
    EXPECT_EQ("GM rolls 1d20 (*sneak_attack* at 50% or 20% \"now\"): [14] = 14", shown.text);
    for (const Markup::Span& span : shown.spans)
        EXPECT_TRUE(span.style == Markup::OWN_NAME || span.style == Markup::SPEECH) << span.style;
}

// Each refusal is a fault line in the scene, for the user's eyes only.
TEST_F(InterpreterTest, RefusedRollsReachNobody)
{
    start("Anna");
    std::string errors;
    session.signal_error.connect([&](const std::string& e) { errors += e + "|"; });
    expect({ { "/dice 0d6", "kept Cannot roll 0 dice|" }, { "/dice 1d20 attack", "kept Invalid parameters|" },
        { "/roll 1001d6", "kept At most 1000 dice in one roll|" },
        { "/roll 1d20 costs $5", "kept The label of a roll cannot hold a $ sign|" },
        { "/roll 1d20+x", "kept Invalid parameters|" } });
    EXPECT_EQ(0u, dice.draws);
    interpreter.input("/roll 1d20 bell\a");
    EXPECT_EQ("Control characters are not allowed|", errors + sink.take());
    EXPECT_EQ("Invalid parameters", session.get_active_scene()->get_backlog().last().text) << "no fault line";
}
