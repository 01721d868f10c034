#include "client/parlane.h"

#include "client/mainwindow.h"
#include "libs/core/source/core/except.h"
#include "libs/core/source/time/clock.h"
#include "tests/gui/fixture.h"
#include "tests/gui/toolkitwarnings.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <gtkmm/messagedialog.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>

namespace fs = std::filesystem;
using GuiTest::TestServer;

namespace
{

const char* const SIGNAL_NAMES[] = {
    "scenes_changed",
    "activity",
    "scene_status_changed",
    "present_characters_changed",
    "scene_activated",
    "characters_changed",
    "character_status_changed",
    "active_name_changed",
    "data_cleared",
    "config_changed",
    "biography_received",
};

typedef std::map<std::string, int> Counts;

// Counts every emission of the controller's eleven signals.
class SignalCounter: public sigc::trackable
{
public:
    SignalCounter()
    {
        Parlane& p = GuiTest::parlane();
        watch(p.signal_scenes_changed, "scenes_changed");
        watch(p.signal_activity, "activity");
        watch(p.signal_scene_status_changed, "scene_status_changed");
        watch(p.signal_present_characters_changed, "present_characters_changed");
        watch(p.signal_scene_activated, "scene_activated");
        watch(p.signal_characters_changed, "characters_changed");
        watch(p.signal_character_status_changed, "character_status_changed");
        watch(p.signal_active_name_changed, "active_name_changed");
        watch(p.signal_data_cleared, "data_cleared");
        watch(p.signal_config_changed, "config_changed");
        p.signal_biography_received.connect(sigc::mem_fun(*this, &SignalCounter::biography));
    }

    // The counts since the last take(), without the zero ones.
    Counts take()
    {
        Counts result;
        for (const auto& c : counts)
            if (c.second)
                result[c.first] = c.second;
        counts.clear();
        return result;
    }

    std::string bio_name;
    std::string bio_text;

private:
    void watch(sigc::signal<void>& signal, const std::string& name)
    {
        signal.connect(sigc::bind(sigc::mem_fun(*this, &SignalCounter::count), name));
    }

    void count(std::string name) { ++counts[name]; }

    void biography(const std::string& n, const std::string& text)
    {
        ++counts["biography_received"];
        bio_name = n;
        bio_text = text;
    }

    Counts counts;
};

// A fresh session: the controller connected to its own test server as
// `user`, with the login seen by the server.
class ParlaneTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Whatever the test before left behind.
        parlane.disconnect();
        parlane.set_writing(false);
        GuiTest::MessageBoxes::take();
        login("Bob");
    }

    void login(const std::string& user)
    {
        ASSERT_TRUE(server.log_in(user));
        signals.take();
    }

    // Delivers the packet and returns the signals it caused.
    Counts deliver(const Packet& pkt)
    {
        signals.take();
        EXPECT_TRUE(server.deliver(pkt)) << pkt.str();
        return signals.take();
    }

    std::vector<std::string> scene_names() const
    {
        std::vector<std::string> names;
        for (const Scene* s : parlane.get_scenes())
            names.push_back(s->get_name());
        return names;
    }

    std::vector<std::string> present(const std::string& scene) const
    {
        std::vector<std::string> names;
        for (const Character* c : parlane.get_scene(scene)->get_characters())
            names.push_back(c->get_name());
        return names;
    }

    static std::vector<std::string> texts(const Scene* s)
    {
        std::vector<std::string> lines;
        for (const LogLine& l : s->get_backlog())
            lines.push_back(l.text);
        return lines;
    }

    std::string title() const { return parlane.get_main_window()->get_title(); }

    Parlane& parlane = GuiTest::parlane();
    TestServer server;
    SignalCounter signals;
};

} // namespace

TEST_F(ParlaneTest, LogsInWithNameFirst)
{
    ASSERT_FALSE(server.received.empty());
    const Packet& first = server.received[0];
    EXPECT_EQ("", first.get_origin());
    EXPECT_EQ("NAME", first.get_command());
    ASSERT_EQ(1u, first.get_parameter_count());
    EXPECT_EQ("Bob", first.get_parameter(0));
    EXPECT_EQ("Bob", parlane.get_name());
    EXPECT_EQ("Bob", parlane.get_active_name());
}

TEST_F(ParlaneTest, TitleFollowsGameAndSession)
{
    EXPECT_EQ("Parlane", title());
    struct Step
    {
        Packet pkt;
        const char* title;
    };
    const Step steps[] = {
        { Packet("", "GAME", "Saga"), "Parlane - Saga" },
        { Packet("", "SESSION", "First"), "Parlane - Saga - First" },
        { Packet("", "SESSION", ""), "Parlane - Saga" },
        { Packet("", "SESSION", "Second"), "Parlane - Saga - Second" },
    };
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.pkt.str());
        EXPECT_EQ(Counts(), deliver(step.pkt));
        EXPECT_EQ(step.title, title());
    }
    EXPECT_TRUE(fs::is_directory("Saga"));

    parlane.disconnect();
    EXPECT_EQ("Parlane", title());
    EXPECT_EQ("", parlane.get_game());
    EXPECT_EQ("", parlane.get_session());
}

TEST_F(ParlaneTest, ServerNamesCannotWriteOutsideTheGameFolder)
{
    std::vector<std::string> before;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(GuiTest::root_dir()))
        before.push_back(e.path().string());

    deliver(Packet("", "GAME", "../../x"));
    deliver(Packet("", "SESSION", "s"));
    deliver(Packet("", "ADDSCENE", "a/../../b", "0"));
    deliver(Packet("Bob", "TEXT", "a/../../b", "hello"));

    std::vector<std::string> added;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(GuiTest::root_dir()))
        if (std::find(before.begin(), before.end(), e.path().string()) == before.end())
            added.push_back(fs::relative(e.path(), GuiTest::work_dir()).string());
    std::sort(added.begin(), added.end());
    EXPECT_EQ((std::vector<std::string> { "_.._.._x", "_.._.._x/s-a_.._.._b.log" }), added);
    fs::remove_all("_.._.._x");
}

TEST_F(ParlaneTest, ScenesKeepTheirOrder)
{
    deliver(Packet("", "ADDSCENE", "b", "0"));
    EXPECT_EQ((Counts { { "scenes_changed", 1 } }), deliver(Packet("", "SCENEGROUP", "b", "x")));
    deliver(Packet("", "ADDSCENE", "OOC", "0"));
    deliver(Packet("", "ADDSCENE", "Alpha", "1"));
    deliver(Packet("", "ADDSCENE", "Zed", "0"));
    EXPECT_EQ((std::vector<std::string> { "OOC", "Zed", "Alpha", "b" }), scene_names());

    // Groups compare without case; an empty group sorts first.
    deliver(Packet("", "SCENEGROUP", "OOC", "X"));
    EXPECT_EQ((std::vector<std::string> { "Zed", "Alpha", "OOC", "b" }), scene_names());
    EXPECT_EQ((Counts()), deliver(Packet("", "SCENEGROUP", "nowhere", "x")));
}

TEST_F(ParlaneTest, FirstSceneBecomesActiveLaterOnesWaitAtActivityTwo)
{
    EXPECT_EQ((Counts { { "scenes_changed", 1 }, { "scene_activated", 1 }, { "scene_status_changed", 1 },
                  { "active_name_changed", 1 } }),
        deliver(Packet("", "ADDSCENE", "Tavern", "0")));
    EXPECT_EQ("Tavern", parlane.get_active_scene()->get_name());

    EXPECT_EQ((Counts { { "scenes_changed", 1 } }), deliver(Packet("", "ADDSCENE", "Market", "1")));
    EXPECT_EQ("Tavern", parlane.get_active_scene()->get_name());
    EXPECT_EQ(2u, parlane.get_scene("market")->get_activity());
    EXPECT_TRUE(parlane.get_scene("Market")->get_temporary());

    // The same name in another case changes nothing.
    EXPECT_EQ(Counts(), deliver(Packet("", "ADDSCENE", "TAVERN", "1")));
    EXPECT_EQ(2u, parlane.get_scenes().size());
    EXPECT_FALSE(parlane.get_scene("Tavern")->get_temporary());
}

TEST_F(ParlaneTest, RequestedSceneBecomesActiveWhenAnnounced)
{
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    parlane.add_scene("Cellar", true);
    Packet request;
    ASSERT_TRUE(server.wait_for("ADDSCENE", request));
    EXPECT_EQ("Bob", request.get_origin());
    EXPECT_EQ("Cellar", request.get_parameter(0));
    EXPECT_EQ("1", request.get_parameter(1));

    deliver(Packet("", "ADDSCENE", "Other", "0"));
    EXPECT_EQ("Tavern", parlane.get_active_scene()->get_name());
    deliver(Packet("", "ADDSCENE", "Cellar", "1"));
    EXPECT_EQ("Cellar", parlane.get_active_scene()->get_name());
    EXPECT_EQ(0u, parlane.get_active_scene()->get_activity());
}

TEST_F(ParlaneTest, KnownCharactersAreAddedOnce)
{
    EXPECT_EQ((Counts { { "characters_changed", 1 } }), deliver(Packet("", "ADDCHAR", "Alice", "0")));
    EXPECT_EQ((Counts { { "characters_changed", 1 } }), deliver(Packet("", "ADDCHAR", "Guard", "1")));
    EXPECT_EQ(Counts(), deliver(Packet("", "ADDCHAR", "ALICE", "1")));
    ASSERT_EQ(2u, parlane.get_characters().size());
    EXPECT_FALSE(parlane.get_character("alice")->get_npc());
    EXPECT_TRUE(parlane.get_character("guard")->get_npc());
    EXPECT_FALSE(parlane.get_character("Guard")->get_online());
}

TEST_F(ParlaneTest, EnterAndLeaveInTheActiveScene)
{
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    deliver(Packet("", "ADDCHAR", "Carl", "0"));
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));

    // Into the empty active scene: the scene stops being empty, too.
    EXPECT_EQ(
        (Counts { { "activity", 1 }, { "present_characters_changed", 1 }, { "scene_status_changed", 1 } }),
        deliver(Packet("alice", "ENTER", "tavern")));
    EXPECT_EQ((Counts { { "activity", 1 }, { "present_characters_changed", 1 } }),
        deliver(Packet("Carl", "ENTER", "Tavern")));
    EXPECT_EQ((std::vector<std::string> { "Alice", "Carl" }), present("Tavern"));

    EXPECT_EQ((Counts { { "activity", 1 }, { "present_characters_changed", 1 } }),
        deliver(Packet("Alice", "LEAVE", "Tavern")));
    EXPECT_EQ((std::vector<std::string> { "Carl" }), present("Tavern"));
    EXPECT_EQ((std::vector<std::string> {
                  "Alice entered the scene", "Carl entered the scene", "Alice left the scene" }),
        texts(parlane.get_scene("Tavern")));
    EXPECT_EQ(0u, parlane.get_scene("Tavern")->get_activity());
}

TEST_F(ParlaneTest, EnterAndLeaveElsewhereRaiseActivityOnce)
{
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    deliver(Packet("", "ADDCHAR", "Carl", "0"));
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    deliver(Packet("", "ADDSCENE", "Market", "0"));
    parlane.get_scene("Market")->reset_activity();

    // Two announcements: the activity rose, and the scene stopped being empty.
    EXPECT_EQ((Counts { { "scene_status_changed", 2 } }), deliver(Packet("Alice", "ENTER", "Market")));
    EXPECT_EQ(1u, parlane.get_scene("Market")->get_activity());
    EXPECT_EQ(Counts(), deliver(Packet("Carl", "ENTER", "Market")));
    EXPECT_EQ(Counts(), deliver(Packet("Carl", "LEAVE", "Market")));
    EXPECT_EQ((Counts { { "scene_status_changed", 1 } }), deliver(Packet("", "TEXT", "Market", "hi")));
    EXPECT_EQ(3u, parlane.get_scene("Market")->get_activity());
    EXPECT_EQ(Counts(), deliver(Packet("", "TEXT", "Market", "again")));
    EXPECT_EQ(Counts(), deliver(Packet("", "OOC", "Market", "ooc")));

    parlane.set_active_scene(parlane.get_scene("Market"));
    EXPECT_EQ(0u, parlane.get_scene("Market")->get_activity());
}

TEST_F(ParlaneTest, LeaveThatEmptiesASceneIsAnnounced)
{
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    deliver(Packet("", "ADDCHAR", "Carl", "0"));
    deliver(Packet("", "ADDSCENE", "Hall", "0"));
    deliver(Packet("", "ADDSCENE", "Yard", "0"));
    deliver(Packet("Alice", "ENTER", "Hall"));
    deliver(Packet("Carl", "ENTER", "Yard"));
    deliver(Packet("Carl", "TEXT", "Yard", "hello"));

    EXPECT_EQ(
        (Counts { { "activity", 1 }, { "present_characters_changed", 1 }, { "scene_status_changed", 1 } }),
        deliver(Packet("Alice", "LEAVE", "Hall")));
    // Yard's activity is already 3 and does not rise; the scene still empties.
    EXPECT_EQ((Counts { { "scene_status_changed", 1 } }), deliver(Packet("Carl", "LEAVE", "Yard")));
    EXPECT_EQ(3u, parlane.get_scene("Yard")->get_activity());
}

TEST_F(ParlaneTest, OwnLeaveEmptiesTheSceneWithASeparator)
{
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    deliver(Packet("", "ADDCHAR", "Bob", "0"));
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    deliver(Packet("Alice", "ENTER", "Tavern"));
    deliver(Packet("Bob", "ENTER", "Tavern"));
    parlane.get_character("Alice")->set_writing("Tavern");

    EXPECT_EQ(
        (Counts { { "activity", 1 }, { "present_characters_changed", 1 }, { "scene_status_changed", 1 } }),
        deliver(Packet("Bob", "LEAVE", "Tavern")));
    EXPECT_TRUE(parlane.get_scene("Tavern")->get_characters().empty());
    EXPECT_EQ("", parlane.get_character("Alice")->get_writing());
    std::vector<std::string> lines = texts(parlane.get_scene("Tavern"));
    ASSERT_EQ(4u, lines.size());
    EXPECT_EQ("Bob left the scene", lines[2]);
    EXPECT_EQ(std::string(40, '-'), lines[3]);
}

TEST_F(ParlaneTest, RemovedCharacterLeavesEveryScene)
{
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    deliver(Packet("", "ADDCHAR", "Guard", "1"));
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    deliver(Packet("", "ADDSCENE", "Market", "0"));
    deliver(Packet("Guard", "ENTER", "Tavern"));
    deliver(Packet("Alice", "ENTER", "Market"));
    deliver(Packet("Guard", "ENTER", "Market"));
    parlane.get_scene("Market")->reset_activity();

    // Only the exact name counts.
    EXPECT_EQ(Counts(), deliver(Packet("", "REMOVECHAR", "guard")));
    // Market's activity rises; Tavern, the active scene, is left empty.
    EXPECT_EQ((Counts { { "activity", 1 }, { "present_characters_changed", 1 }, { "scene_status_changed", 2 },
                  { "characters_changed", 1 } }),
        deliver(Packet("", "REMOVECHAR", "Guard")));

    EXPECT_EQ(nullptr, parlane.get_character("Guard"));
    EXPECT_EQ(1u, parlane.get_characters().size());
    EXPECT_TRUE(parlane.get_scene("Tavern")->get_characters().empty());
    EXPECT_EQ((std::vector<std::string> { "Alice" }), present("Market"));
    EXPECT_EQ("Guard left the scene", texts(parlane.get_scene("Tavern")).back());
    EXPECT_EQ("Guard left the scene", texts(parlane.get_scene("Market")).back());
    EXPECT_EQ(1u, parlane.get_scene("Market")->get_activity());
}

TEST_F(ParlaneTest, OnlineNoticeGoesToTheOocScene)
{
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    EXPECT_EQ((Counts { { "character_status_changed", 1 } }), deliver(Packet("Alice", "ONLINE", "1")));
    EXPECT_TRUE(parlane.get_character("Alice")->get_online());

    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    deliver(Packet("", "ADDSCENE", "ooc", "0"));
    parlane.get_scene("OOC")->reset_activity();
    EXPECT_EQ((Counts { { "character_status_changed", 1 }, { "scene_status_changed", 1 } }),
        deliver(Packet("Alice", "ONLINE", "0")));
    EXPECT_FALSE(parlane.get_character("Alice")->get_online());
    EXPECT_EQ((std::vector<std::string> { "Alice logged out" }), texts(parlane.get_scene("OOC")));
    EXPECT_EQ(1u, parlane.get_scene("OOC")->get_activity());

    parlane.set_active_scene(parlane.get_scene("OOC"));
    signals.take();
    EXPECT_EQ((Counts { { "character_status_changed", 1 }, { "activity", 1 } }),
        deliver(Packet("alice", "ONLINE", "1")));
    EXPECT_EQ("Alice logged in", texts(parlane.get_scene("OOC")).back());
}

TEST_F(ParlaneTest, WritingAndAwayStates)
{
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    EXPECT_EQ((Counts { { "character_status_changed", 1 } }), deliver(Packet("Alice", "WRITING", "Tavern")));
    EXPECT_EQ("Tavern", parlane.get_character("Alice")->get_writing());
    EXPECT_EQ((Counts { { "character_status_changed", 1 } }), deliver(Packet("Alice", "AFK", "lunch")));
    EXPECT_EQ("lunch", parlane.get_character("Alice")->get_afk());
    deliver(Packet("Alice", "AFK", ""));
    EXPECT_EQ("", parlane.get_character("Alice")->get_afk());
}

TEST_F(ParlaneTest, UnknownScenesAndCharactersAreDroppedSilently)
{
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    const Packet ignored[] = {
        Packet("Nobody", "ENTER", "Tavern"),
        Packet("Alice", "ENTER", "Nowhere"),
        Packet("Nobody", "LEAVE", "Tavern"),
        Packet("Nobody", "ONLINE", "1"),
        Packet("Nobody", "WRITING", "Tavern"),
        Packet("Nobody", "AFK", "x"),
        Packet("Alice", "TEXT", "Nowhere", "hi"),
        Packet("Alice", "OOC", "Nowhere", "hi"),
        Packet("", "REMOVECHAR", "Nobody"),
        Packet("", "FROBNICATE", "x"),
    };
    for (const Packet& pkt : ignored)
    {
        SCOPED_TRACE(pkt.str());
        testing::internal::CaptureStdout();
        EXPECT_EQ(Counts(), deliver(pkt));
        EXPECT_EQ("", testing::internal::GetCapturedStdout());
    }
    EXPECT_EQ((std::vector<std::string> {}), present("Tavern"));
    EXPECT_TRUE(parlane.get_scene("Tavern")->get_backlog().begin()
        == parlane.get_scene("Tavern")->get_backlog().end());
    EXPECT_EQ((std::vector<std::string> {}), GuiTest::MessageBoxes::take());
}

TEST_F(ParlaneTest, BadPacketsAreReportedAndTheNextLineIsHandled)
{
    const Packet bad[] = {
        Packet("", "ADDSCENE", "Tavern", "yes"),
        Packet("", "ADDSCENE", "Tavern"),
        Packet("", "ADDCHAR", "Alice", "2"),
        Packet("", "GAME"),
    };
    for (const Packet& pkt : bad)
    {
        SCOPED_TRACE(pkt.str());
        testing::internal::CaptureStdout();
        server.send(pkt);
        EXPECT_EQ(Counts(), deliver(Packet("", "SESSION", pkt.str())));
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(std::string::npos, out.find(" from 127.0.0.1:")) << out;
        EXPECT_EQ(pkt.str(), parlane.get_session());
    }
    EXPECT_TRUE(parlane.get_scenes().empty());
    EXPECT_TRUE(parlane.get_characters().empty());

    testing::internal::CaptureStdout();
    server.send_line("GARBAGE");
    deliver(Packet("", "GAME", "After"));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("Malformed packet from 127.0.0.1:")) << out;
    EXPECT_EQ("After", parlane.get_game());
}

TEST_F(ParlaneTest, TextLinesAndTheAttentionFlag)
{
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    parlane.get_main_window()->set_flash(false);
    EXPECT_EQ((Counts { { "activity", 1 } }), deliver(Packet("Alice", "TEXT", "tavern", "$me$ waves")));
    EXPECT_EQ((Counts { { "activity", 1 } }), deliver(Packet("Alice", "OOC", "Tavern", "brb")));
    const BackLog& log = parlane.get_scene("Tavern")->get_backlog();
    ASSERT_EQ(2, std::distance(log.begin(), log.end()));
    EXPECT_EQ(LogLine::NORMAL, log.begin()->type);
    EXPECT_EQ("Alice", log.begin()->name);
    EXPECT_EQ("$me$ waves", log.begin()->text);
    EXPECT_EQ(LogLine::OOC, std::next(log.begin())->type);
    EXPECT_EQ(0u, parlane.get_scene("Tavern")->get_activity());
    // Other tests may have shown and focused the window.
    MainWindow& window = *parlane.get_main_window();
    EXPECT_EQ(!window.property_has_toplevel_focus().get_value(), window.get_flash());
}

// Laying out what scrolled by must not slow a flood of lines down, nor wait
// for ever.
TEST_F(ParlaneTest, BackgroundWorkWaitsWhileTheServerKeepsSending)
{
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    auto flood_turn = [&]
    {
        server.send(Packet("Alice", "TEXT", "Tavern", "again"));
        parlane.tick();
    };
    flood_turn();
    Kel::Time::TimeStamp start = Kel::Time::now();
    int background = 0;
    // The most urgent kind of background work, so that each round does some.
    sigc::connection idle =
        Glib::signal_idle().connect([&] { ++background; return true; }, GDK_PRIORITY_REDRAW + 2);
    flood_turn();
    flood_turn();
    if (2 * (Kel::Time::now() - start) < Parlane::BACKGROUND_DELAY)
    {
        EXPECT_EQ(0, background) << "put off while lines arrive";
    }

    GuiTest::run_until([&] { return background > 0 && Kel::Time::now() - start > Parlane::BACKGROUND_DELAY; }, 5000);
    flood_turn(); // after quiet turns, which gave background work its slice
    int during_flood = background;
    start = Kel::Time::now();
    while (Kel::Time::now() - start < 3 * Parlane::BACKGROUND_DELAY)
        flood_turn();
    EXPECT_GE(background - during_flood, 2) << "one round every so often";
    EXPECT_LE(background - during_flood, 8);

    parlane.tick();
    int rounds = background;
    parlane.tick();
    EXPECT_GT(background, rounds + 1) << "the link is quiet: background work gets its slice";
    idle.disconnect();
}

TEST_F(ParlaneTest, BiographyBoxOnlyForTheOneAskedFor)
{
    EXPECT_EQ((Counts { { "biography_received", 1 } }), deliver(Packet("Alice", "BIOGRAPHY", "A knight.")));
    EXPECT_EQ("Alice", signals.bio_name);
    EXPECT_EQ("A knight.", signals.bio_text);
    EXPECT_EQ((std::vector<std::string> {}), GuiTest::MessageBoxes::take());

    parlane.show_character_biography("alice");
    Packet ask;
    ASSERT_TRUE(server.wait_for("GETBIOGRAPHY", ask));
    EXPECT_EQ("Bob", ask.get_origin());
    EXPECT_EQ("alice", ask.get_parameter(0));
    deliver(Packet("Carl", "BIOGRAPHY", "Not asked for."));
    EXPECT_EQ((std::vector<std::string> {}), GuiTest::MessageBoxes::take());
    deliver(Packet("Alice", "BIOGRAPHY", "A knight.\nOf old."));
    EXPECT_EQ((std::vector<std::string> { "Biography for Alice:\nA knight.\nOf old." }),
        GuiTest::MessageBoxes::take());
    // Answered once only.
    deliver(Packet("Alice", "BIOGRAPHY", "again"));
    EXPECT_EQ((std::vector<std::string> {}), GuiTest::MessageBoxes::take());
}

TEST_F(ParlaneTest, ErrorPacketShowsItsText)
{
    EXPECT_EQ(Counts(), deliver(Packet("", "ERROR", "Only the game master may do that")));
    EXPECT_EQ(
        (std::vector<std::string> { "Only the game master may do that" }), GuiTest::MessageBoxes::take());
}

TEST_F(ParlaneTest, ServerTextThatIsNotUtf8IsShownWithReplacementCharacters)
{
    GuiTest::ToolkitWarnings warnings;
    deliver(Packet("", "ERROR", "caf\xE9"));
    EXPECT_EQ((std::vector<std::string> { "caf\xEF\xBF\xBD" }), GuiTest::MessageBoxes::take());
    deliver(Packet("", "GAME", "caf\xE9"));
    deliver(Packet("", "SESSION", "\xFFnight"));
    EXPECT_EQ("Parlane - caf\xEF\xBF\xBD - \xEF\xBF\xBDnight", title());
    EXPECT_TRUE(g_utf8_validate(title().c_str(), -1, nullptr));
    EXPECT_EQ(std::vector<std::string> {}, warnings.messages);
}

TEST_F(ParlaneTest, LostConnectionIsDeletedOnTheNextTurnAndTheModelStays)
{
    deliver(Packet("", "GAME", "Saga"));
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    server.drop_client();
    ASSERT_TRUE(GuiTest::MessageBoxes::wait_for("Connection Lost"));
    EXPECT_TRUE(parlane.is_connected());
    // The lost link's socket wants no events any more; this turn must delete
    // it before it ticks the dispatcher, which would fail with nothing to poll.
    parlane.tick();
    EXPECT_FALSE(parlane.is_connected());
    EXPECT_EQ("Saga", parlane.get_game());
    EXPECT_EQ(1u, parlane.get_scenes().size());
    EXPECT_EQ(1u, parlane.get_characters().size());
    // Requests without a connection send nothing and fail nothing.
    parlane.set_afk("gone");
    parlane.set_writing(true);
    GuiTest::run_turns(20);
}

TEST_F(ParlaneTest, DisconnectKeepsScenesAndCharactersOffline)
{
    deliver(Packet("", "GAME", "Saga"));
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    deliver(Packet("Alice", "ONLINE", "1"));
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    signals.take();
    parlane.disconnect();
    EXPECT_EQ((Counts { { "character_status_changed", 1 } }), signals.take());
    EXPECT_FALSE(parlane.is_connected());
    EXPECT_FALSE(parlane.get_character("Alice")->get_online());
    EXPECT_EQ(1u, parlane.get_scenes().size());
}

TEST_F(ParlaneTest, ConnectingAgainDropsTheModel)
{
    deliver(Packet("", "ADDCHAR", "Alice", "0"));
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    TestServer other;
    signals.take();
    parlane.connect(other.get_address(), "Carl");
    Counts counts = signals.take();
    EXPECT_EQ(1, counts["data_cleared"]);
    EXPECT_EQ(1, counts["character_status_changed"]);
    EXPECT_TRUE(parlane.get_scenes().empty());
    EXPECT_TRUE(parlane.get_characters().empty());
    EXPECT_EQ(nullptr, parlane.get_active_scene());
    Packet name;
    ASSERT_TRUE(other.wait_for("NAME", name));
    EXPECT_EQ("Carl", name.get_parameter(0));
}

TEST_F(ParlaneTest, FailedConnectShowsTheReason)
{
    std::string address;
    {
        TestServer closed;
        address = closed.get_address();
    }
    parlane.connect(address, "Bob");
    EXPECT_FALSE(parlane.is_connected());
    std::vector<std::string> boxes = GuiTest::MessageBoxes::take();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].find("refused")) << boxes[0];
}

TEST_F(ParlaneTest, WritingIsSentOnceWhenTypingStarts)
{
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    parlane.set_writing(true);
    parlane.set_writing(true);
    parlane.set_writing(true);
    parlane.set_writing(false);
    GuiTest::run_until([this] { return server.received.size() >= 4; });
    GuiTest::run_turns(20);
    std::vector<std::string> sent;
    for (size_t i = 1; i < server.received.size(); ++i)
    {
        const Packet& p = server.received[i];
        sent.push_back(p.get_origin() + " " + p.get_command() + " "
            + (p.get_parameter_count() ? p.get_parameter(0) : "-"));
    }
    EXPECT_EQ((std::vector<std::string> { "Bob WRITING Tavern", "Bob AFK ", "Bob WRITING " }), sent);
}

TEST_F(ParlaneTest, OnlyTheGameMasterSpeaksAsOthers)
{
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    parlane.set_active_name("Guard");
    EXPECT_EQ("Bob", parlane.get_active_name());
    EXPECT_EQ(Counts(), signals.take());
}

TEST_F(ParlaneTest, GameMasterSpeakingNameIsRememberedPerScene)
{
    login("GM");
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    deliver(Packet("", "ADDSCENE", "Market", "0"));
    parlane.set_active_name("Guard");
    EXPECT_EQ((Counts { { "active_name_changed", 1 } }), signals.take());
    EXPECT_EQ("Guard", parlane.get_active_name());

    parlane.set_active_scene(parlane.get_scene("Market"));
    EXPECT_EQ("GM", parlane.get_active_name());
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    EXPECT_EQ("Guard", parlane.get_active_name());

    parlane.query_character("Alice");
    Packet query;
    ASSERT_TRUE(server.wait_for("QUERY", query));
    EXPECT_EQ("Guard", query.get_origin());
}

TEST_F(ParlaneTest, BiographiesAreSetOnlyWhereAllowed)
{
    parlane.set_character_biography("Alice", "not mine");
    parlane.set_character_biography("Bob", "mine");
    Packet set;
    ASSERT_TRUE(server.wait_for("SETBIOGRAPHY", set));
    EXPECT_EQ("Bob", set.get_origin());
    EXPECT_EQ("mine", set.get_parameter(0));
    server.sync();
    int count = 0;
    for (const Packet& p : server.received)
        count += p.get_command() == "SETBIOGRAPHY";
    EXPECT_EQ(1, count);
}

TEST(Parlane, SceneOrder)
{
    struct Host: SceneHost
    {
        const std::string& get_game() const override { return none; }
        const std::string& get_session() const override { return none; }
        std::string none;
    } host;
    struct Case
    {
        const char* a_group;
        const char* a_name;
        bool a_temporary;
        const char* b_group;
        const char* b_name;
        bool b_temporary;
        bool before;
    };
    const Case cases[] = {
        { "a", "Zed", false, "B", "Alpha", false, true },
        { "", "OOC", true, "", "Alpha", false, true },
        { "", "Alpha", false, "", "OOC", true, false },
        { "", "ooc", false, "", "Alpha", false, false },
        { "", "Zed", false, "", "Alpha", true, true },
        { "", "alpha", true, "", "Beta", true, true },
        { "x", "OOC", false, "", "Zed", false, false },
        { "", "Same", false, "", "same", false, false },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.a_name << " / " << c.b_name);
        Scene a(host, c.a_name, c.a_temporary);
        a.set_group(c.a_group);
        Scene b(host, c.b_name, c.b_temporary);
        b.set_group(c.b_group);
        EXPECT_EQ(c.before, Parlane::scene_compare(&a, &b));
    }
}

namespace
{

// Runs in a child process that has no controller yet: start-up in a folder
// holding the given "parlane.glade" (none if null) must fail with an error
// box whose text is the exception's.
void start_up_in(const char* ui_file)
{
    char pattern[] = "/tmp/parlane-startup-XXXXXX";
    if (!mkdtemp(pattern))
        std::exit(2);
    fs::current_path(pattern);
    if (ui_file)
        std::ofstream("parlane.glade") << ui_file;
    GuiTest::MessageBoxes::start();
    static char program[] = "gui_tests";
    static char* argv[] = { program, nullptr };
    try
    {
        Parlane p(1, argv);
    }
    catch (const Kel::Exception& e)
    {
        std::vector<std::string> boxes = GuiTest::MessageBoxes::take();
        std::cerr << e.what() << std::endl;
        fs::current_path("/");
        fs::remove_all(pattern);
        std::exit(boxes == std::vector<std::string> { e.what() } ? 0 : 3);
    }
    std::exit(4);
}

} // namespace

TEST(ParlaneStartup, MissingUiFileIsShownAndThrown)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(start_up_in(nullptr), testing::ExitedWithCode(0),
        "Cannot load the user interface from \"parlane.glade\": Can't find file parlane.glade");
}

TEST(ParlaneStartup, DamagedUiFileIsShownAndThrown)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(start_up_in("this is not a user interface"), testing::ExitedWithCode(0),
        "Cannot load the user interface from \"parlane.glade\": ");
    EXPECT_EXIT(start_up_in("<?xml version=\"1.0\"?>\n<glade-interface></glade-interface>\n"),
        testing::ExitedWithCode(0), "Cannot load the user interface from \"parlane.glade\": .*wnd_main");
}
