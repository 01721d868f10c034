#include "client/interpreter/interpreter.h"

#include "client/session/config.h"
#include "client/session/requests.h"
#include "client/session/session.h"
#include "tests/client/tempdir.h"
#include "tests/session/recordingsink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

// Keeps what the interpreter tells the user, each message followed by "|".
class RecordingPort: public InterpreterPort
{
public:
    void report_error(const std::string& message) override { told += "error " + message + "|"; }
    void report_notice(const std::string& message) override { told += "notice " + message + "|"; }
    void edit_biography(const std::string& character) override { told += "edit " + character + "|"; }

    std::string told;
};

// One typed line and what it leads to: the packets sent, then what the user
// is told, each line followed by "|".
struct Case
{
    const char* typed;
    std::string out;
};

// "Tavern" (active) beside "OOC"; Anna, Bob Stone, the NPC Zelda and GM are
// present in Tavern, Bobby and the NPC Zed are not.
class InterpreterTest: public ::testing::Test
{
protected:
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

    std::string run(const std::string& typed)
    {
        interpreter.input(typed);
        return sink.take() + port.told;
    }

    void expect(const std::vector<Case>& cases)
    {
        for (const Case& c : cases)
        {
            SCOPED_TRACE(c.typed);
            port.told.clear();
            EXPECT_EQ(c.out, run(c.typed));
        }
    }

    void activate(const std::string& scene) { session.set_active_scene(session.get_scene(scene)); }

    // The text of the active scene's last line.
    std::string last_line() const
    {
        std::string last;
        for (const LogLine& l : session.get_active_scene()->get_backlog())
            last = l.text;
        return last;
    }

    Session session;
    RecordingSink sink;
    RecordingPort port;
    Config config { "unused" };
    Requests requests { session, sink };
    Interpreter interpreter { session, requests, config, port };
};

} // namespace

TEST_F(InterpreterTest, PlayerCommandsAndSpeech)
{
    start("Anna");
    expect({
        { "/ooc", "" },
        { "/ooc   brb, tea  ", "Anna;OOC;Tavern;brb, tea  |" },
        { "/OOC hi", "" },
        { "/query", "" },
        { "/query Bob_Stone", "Anna;QUERY;Bob Stone|" },
        { "/afk", "Anna;AFK;Away from Keyboard|" },
        { "/afk lunch", "Anna;AFK;lunch|" },
        { "/info", "" },
        { "/info Bob_Stone", "Anna;GETBIOGRAPHY;Bob Stone|" },
        { "/myinfo", "edit Anna|" },
        { "/me", "" },
        { "/me waves", "notice The /me command is deprecated.  Please use #me instead.|" },
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
    });
    expect({ { "/enter Bobby", "" }, { "/npc Zed hi", "" }, { "/removescene", "" } }); // the game master's
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
        { "# is everyone", "error Ambiguous reference #|" },
        { "hello #an and #bob_", "Anna;TEXT;Tavern;$me$: \"hello $Anna$ and $Bob Stone$\"|" },
    });
    activate("OOC"); // nobody present: every match is at the same level
    expect({ { "#me greets #bob", "error Ambiguous reference #bob|" },
        { "#Bob_s", "Anna;TEXT;OOC;$me$: $Bob Stone$|" } });
}

TEST_F(InterpreterTest, NothingHappensWithoutAConnectionOrScene)
{
    session.log_in("Anna");
    expect({ { "hello", "" }, { "/ooc hi", "" }, { "/myinfo", "" } });
    start("Anna");
    sink.connected = false;
    expect({ { "hello", "" }, { "/dice 2d6", "" }, { "/myinfo", "" }, { "/me waves", "" } });
    EXPECT_EQ("GM entered the scene", last_line()) << "no roll shown";
}

TEST_F(InterpreterTest, GameMasterCommandsAndSpeech)
{
    start("GM");
    expect({
        { "/enter Bobby", "GM;ENTER;Tavern;Bobby|" },
        { "/enter", "" },
        { "/leave Bob_Stone", "GM;LEAVE;Tavern;Bob Stone|" },
        { "/clearnpcs", "GM;LEAVE;Tavern;Zelda|" },
        { "/clearscene", "GM;LEAVE;Tavern;Anna|GM;LEAVE;Tavern;Bob Stone|GM;LEAVE;Tavern;Zelda|" },
        { "/addnpc Old_Orc", "GM;ADDNPC;Old Orc|" },
        { "/removechar Old_Orc", "GM;REMOVECHAR;Old Orc|" },
        { "/addscene Dark_Cave", "GM;ADDSCENE;Dark Cave;1|" },
        { "/removescene Dark_Cave", "GM;REMOVESCENE;Dark Cave|" },
        { "/removescene", "GM;REMOVESCENE;Tavern|" },
        { "/scenegroup Old_Town", "GM;SETSCENEGROUP;Tavern;Old Town|" },
        { "/scenegroup", "" },
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
        { "/npc Nobody hi", "error Unknown character|" },
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
