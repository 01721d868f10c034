#include "client/parlane.h"

#include "client/ui/mainwindow.h"
#include "libs/core/source/core/except.h"
#include "libs/core/source/time/clock.h"
#include "tests/gui/fixture.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace fs = std::filesystem;
using GuiTest::Strings;
using GuiTest::TestServer;

namespace
{

// The controller's signals that a step emitted, in this order, each named once
// per emission: "activity status present".
typedef std::string Counts;

class SignalCounter: public sigc::trackable
{
public:
    SignalCounter()
    {
        Parlane& p = GuiTest::parlane();
        sigc::signal<void>* const watched[] = { &p.signal_scenes_changed, &p.signal_activity,
            &p.signal_scene_status_changed, &p.signal_present_characters_changed, &p.signal_scene_activated,
            &p.signal_characters_changed, &p.signal_character_status_changed, &p.signal_active_name_changed,
            &p.signal_data_cleared, &p.signal_config_changed };
        for (size_t i = 0; i < std::size(watched); ++i)
            watched[i]->connect(sigc::bind(sigc::mem_fun(*this, &SignalCounter::count), i));
        p.signal_biography_received.connect(sigc::mem_fun(*this, &SignalCounter::biography));
    }

    Counts take()
    {
        static const char* const names[] = { "scenes", "activity", "status", "present", "activated",
            "characters", "character_status", "name", "cleared", "config", "biography" };
        Counts result;
        for (size_t i = 0; i < std::size(names); ++i)
            for (; counts[i] > 0; --counts[i])
                result += (result.empty() ? "" : " ") + std::string(names[i]);
        return result;
    }

    std::string bio;

private:
    void count(size_t i) { ++counts[i]; }
    void biography(const std::string& n, const std::string& text)
    {
        ++counts[10];
        bio = n + ": " + text;
    }

    int counts[11] = {};
};

class ParlaneTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        login("Bob");
    }

    void login(const std::string& user)
    {
        ASSERT_TRUE(server.log_in(user));
        signals.take();
    }

    // Packets whose signals do not matter.
    void given(const Strings& lines)
    {
        EXPECT_TRUE(server.deliver_all(lines));
        signals.take();
    }

    // The signals that the packet caused.
    Counts deliver(const Packet& pkt)
    {
        signals.take();
        EXPECT_TRUE(server.deliver(pkt)) << pkt.str();
        return signals.take();
    }
    Counts deliver(const std::string& line) { return deliver(Packet(line)); }

    struct Step
    {
        std::string line;
        Counts counts;
    };

    void expect_steps(const std::vector<Step>& steps)
    {
        for (const Step& step : steps)
        {
            SCOPED_TRACE(step.line);
            EXPECT_EQ(step.counts, deliver(step.line));
        }
    }

    Strings present(const std::string& scene) const
    {
        Strings names;
        for (const Character* c : parlane.get_scene(scene)->get_characters())
            names.push_back(c->get_name());
        return names;
    }

    Strings texts(const std::string& scene) const
    {
        Strings lines;
        for (const LogLine& l : parlane.get_scene(scene)->get_backlog())
            lines.push_back(l.text);
        return lines;
    }

    unsigned activity(const std::string& scene) const { return parlane.get_scene(scene)->get_activity(); }

    SignalCounter signals;
};

const Counts NONE = "";
const Counts ENTERED_EMPTY_ACTIVE = "activity status present";
const Counts CHANGED_ACTIVE = "activity present";

} // namespace

TEST_F(ParlaneTest, LogsInWithNameFirstAndTitleFollowsGameAndSession)
{
    ASSERT_FALSE(server.received.empty());
    EXPECT_EQ(";NAME;Bob", server.received[0].str());
    EXPECT_EQ("Bob", parlane.get_name());
    EXPECT_EQ("Bob", parlane.get_active_name());

    EXPECT_EQ("Parlane", window.get_title());
    const struct
    {
        const char *line, *title;
    } steps[] = {
        { ";GAME;Saga", "Parlane - Saga" },
        { ";SESSION;First", "Parlane - Saga - First" },
        { ";SESSION;", "Parlane - Saga" },
        { ";SESSION;Second", "Parlane - Saga - Second" },
        { ";GAME;caf\xE9", "Parlane - caf\xEF\xBF\xBD - Second" },
    };
    GuiTest::ToolkitWarnings warnings;
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.line);
        EXPECT_EQ(NONE, deliver(step.line));
        EXPECT_EQ(step.title, window.get_title());
    }
    EXPECT_TRUE(fs::is_directory("Saga"));
    // ERROR text that is not UTF-8 is shown with a replacement character.
    deliver(";ERROR;caf\xE9");
    EXPECT_EQ(Strings { "caf\xEF\xBF\xBD" }, GuiTest::MessageBoxes::take());
    EXPECT_EQ(Strings {}, warnings.messages);

    parlane.disconnect();
    EXPECT_EQ("Parlane", window.get_title());
    EXPECT_EQ("", parlane.get_game());
    EXPECT_EQ("", parlane.get_session());
}

TEST_F(ParlaneTest, ScenesKeepTheirOrder)
{
    given({ ";ADDSCENE;b;0" });
    EXPECT_EQ("scenes", deliver(";SCENEGROUP;b;x"));
    given({ ";ADDSCENE;OOC;0", ";ADDSCENE;Alpha;1", ";ADDSCENE;Zed;0" });
    auto names = [this]
    {
        Strings n;
        for (const Scene* s : parlane.get_scenes())
            n.push_back(s->get_name());
        return n;
    };
    EXPECT_EQ((Strings { "OOC", "Zed", "Alpha", "b" }), names());
    // Groups compare without case; an empty group sorts first.
    given({ ";SCENEGROUP;OOC;X" });
    EXPECT_EQ((Strings { "Zed", "Alpha", "OOC", "b" }), names());
    EXPECT_EQ(NONE, deliver(";SCENEGROUP;nowhere;x"));
}

TEST_F(ParlaneTest, FirstSceneOrTheRequestedOneBecomesActive)
{
    EXPECT_EQ("scenes status activated name", deliver(";ADDSCENE;Tavern;0"));
    EXPECT_EQ("scenes", deliver(";ADDSCENE;Market;1"));
    EXPECT_EQ("Tavern", parlane.get_active_scene()->get_name());
    EXPECT_EQ(2u, activity("market"));
    EXPECT_TRUE(parlane.get_scene("Market")->get_temporary());
    // The same name in another case changes nothing.
    EXPECT_EQ(NONE, deliver(";ADDSCENE;TAVERN;1"));
    EXPECT_EQ(2u, parlane.get_scenes().size());
    EXPECT_FALSE(parlane.get_scene("Tavern")->get_temporary());

    parlane.add_scene("Cellar", true);
    Packet request;
    ASSERT_TRUE(server.wait_for("ADDSCENE", request));
    EXPECT_EQ("Bob;ADDSCENE;Cellar;1", request.str());
    given({ ";ADDSCENE;Other;0" });
    EXPECT_EQ("Tavern", parlane.get_active_scene()->get_name());
    given({ ";ADDSCENE;Cellar;1" });
    EXPECT_EQ("Cellar", parlane.get_active_scene()->get_name());
    EXPECT_EQ(0u, activity("Cellar"));
}

TEST_F(ParlaneTest, CharactersAreAddedOnceAndKeepTheirStates)
{
    const Counts added = "characters", status = "character_status";
    expect_steps({
        { ";ADDCHAR;Alice;0", added },
        { ";ADDCHAR;Guard;1", added },
        { ";ADDCHAR;ALICE;1", NONE },
        { "Alice;WRITING;Tavern", status },
        { "Alice;AFK;lunch", status },
    });
    ASSERT_EQ(2u, parlane.get_characters().size());
    EXPECT_FALSE(parlane.get_character("alice")->get_npc());
    EXPECT_TRUE(parlane.get_character("guard")->get_npc());
    EXPECT_FALSE(parlane.get_character("Guard")->get_online());
    EXPECT_EQ("Tavern", parlane.get_character("Alice")->get_writing());
    EXPECT_EQ("lunch", parlane.get_character("Alice")->get_afk());
    expect_steps({ { "Alice;AFK;", status } });
    EXPECT_EQ("", parlane.get_character("Alice")->get_afk());
}

TEST_F(ParlaneTest, OnlineNoticeGoesToTheOocScene)
{
    given({ ";ADDCHAR;Alice;0" });
    EXPECT_EQ("character_status", deliver("Alice;ONLINE;1"));
    EXPECT_TRUE(parlane.get_character("Alice")->get_online());

    given({ ";ADDSCENE;Tavern;0", ";ADDSCENE;ooc;0" });
    parlane.get_scene("OOC")->reset_activity();
    EXPECT_EQ("status character_status", deliver("Alice;ONLINE;0"));
    EXPECT_FALSE(parlane.get_character("Alice")->get_online());
    EXPECT_EQ((Strings { "Alice logged out" }), texts("OOC"));
    EXPECT_EQ(1u, activity("OOC"));

    parlane.set_active_scene(parlane.get_scene("OOC"));
    EXPECT_EQ("activity character_status", deliver("alice;ONLINE;1"));
    EXPECT_EQ("Alice logged in", texts("OOC").back());
}

TEST_F(ParlaneTest, EnterAndLeaveAnnounceActivityAndOccupancy)
{
    given({ ";ADDCHAR;Alice;0", ";ADDCHAR;Carl;0", ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0" });
    parlane.get_scene("Market")->reset_activity();
    const Counts status = "status";
    expect_steps({
        // Into the empty active scene: the scene stops being empty, too.
        { "alice;ENTER;tavern", ENTERED_EMPTY_ACTIVE },
        { "Carl;ENTER;Tavern", CHANGED_ACTIVE },
        { "Alice;LEAVE;Tavern", CHANGED_ACTIVE },
        // Elsewhere the activity rises once, and the scene stops being empty.
        { "Alice;ENTER;Market", "status status" },
    });
    EXPECT_EQ((Strings { "Carl" }), present("Tavern"));
    EXPECT_EQ((Strings { "Alice entered the scene", "Carl entered the scene", "Alice left the scene" }),
        texts("Tavern"));
    EXPECT_EQ(0u, activity("Tavern"));
    EXPECT_EQ(1u, activity("Market"));
    expect_steps({
        { "Carl;ENTER;Market", NONE },
        { "Carl;LEAVE;Market", NONE },
        { ";TEXT;Market;hi", status },
        { ";TEXT;Market;again", NONE },
        { ";OOC;Market;ooc", NONE },
        // A leave that empties a scene is announced, here and elsewhere.
        { "Alice;LEAVE;Market", status },
        { "Carl;TEXT;tavern;$me$ waves", "activity" },
        { "Carl;OOC;Tavern;brb", "activity" },
        { "Carl;LEAVE;Tavern", ENTERED_EMPTY_ACTIVE },
    });
    EXPECT_EQ(0u, activity("Tavern"));
    EXPECT_EQ(3u, activity("Market"));
    parlane.set_active_scene(parlane.get_scene("Market"));
    EXPECT_EQ(0u, activity("Market"));
}

TEST_F(ParlaneTest, OwnLeaveEmptiesTheSceneWithASeparator)
{
    given({ ";ADDCHAR;Alice;0", ";ADDCHAR;Bob;0", ";ADDSCENE;Tavern;0", "Alice;ENTER;Tavern",
        "Bob;ENTER;Tavern" });
    parlane.get_character("Alice")->set_writing("Tavern");
    EXPECT_EQ(ENTERED_EMPTY_ACTIVE, deliver("Bob;LEAVE;Tavern"));
    EXPECT_EQ(Strings(), present("Tavern"));
    EXPECT_EQ("", parlane.get_character("Alice")->get_writing());
    EXPECT_EQ((Strings { "Alice entered the scene", "Bob entered the scene", "Bob left the scene",
                  std::string(40, '-') }),
        texts("Tavern"));
}

TEST_F(ParlaneTest, RemovedCharacterLeavesEveryScene)
{
    given({ ";ADDCHAR;Alice;0", ";ADDCHAR;Guard;1", ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0",
        "Guard;ENTER;Tavern", "Alice;ENTER;Market", "Guard;ENTER;Market" });
    parlane.get_scene("Market")->reset_activity();
    // Only the exact name counts.
    EXPECT_EQ(NONE, deliver(";REMOVECHAR;guard"));
    // Market's activity rises; Tavern, the active scene, is left empty.
    EXPECT_EQ("activity status status present characters", deliver(";REMOVECHAR;Guard"));
    EXPECT_EQ(nullptr, parlane.get_character("Guard"));
    EXPECT_EQ(1u, parlane.get_characters().size());
    EXPECT_EQ(Strings(), present("Tavern"));
    EXPECT_EQ((Strings { "Alice" }), present("Market"));
    EXPECT_EQ("Guard left the scene", texts("Tavern").back());
    EXPECT_EQ("Guard left the scene", texts("Market").back());
    EXPECT_EQ(1u, activity("Market"));
}

TEST_F(ParlaneTest, UnknownScenesAndCharactersAreDroppedSilently)
{
    given({ ";ADDCHAR;Alice;0", ";ADDSCENE;Tavern;0" });
    const char* const ignored[] = {
        "Nobody;ENTER;Tavern",
        "Alice;ENTER;Nowhere",
        "Nobody;LEAVE;Tavern",
        "Nobody;ONLINE;1",
        "Nobody;WRITING;Tavern",
        "Nobody;AFK;x",
        "Alice;TEXT;Nowhere;hi",
        "Alice;OOC;Nowhere;hi",
        ";REMOVECHAR;Nobody",
        ";FROBNICATE;x",
    };
    testing::internal::CaptureStdout();
    for (const char* pkt : ignored)
        expect_steps({ { pkt, NONE } });
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
    EXPECT_EQ(Strings(), present("Tavern"));
    EXPECT_EQ(Strings(), texts("Tavern"));
    EXPECT_EQ(Strings(), GuiTest::MessageBoxes::take());
}

TEST_F(ParlaneTest, BadPacketsAreReportedAndTheNextLineIsHandled)
{
    const char* const bad[] = {
        ";ADDSCENE;Tavern;yes",
        ";ADDSCENE;Tavern",
    };
    for (const char* line : bad)
    {
        Packet pkt(line);
        SCOPED_TRACE(line);
        testing::internal::CaptureStdout();
        server.send(pkt);
        EXPECT_EQ(NONE, deliver(Packet("", "SESSION", pkt.str())));
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(std::string::npos, out.find(" from 127.0.0.1:")) << out;
        EXPECT_EQ(pkt.str(), parlane.get_session());
    }
    EXPECT_TRUE(parlane.get_scenes().empty());
    EXPECT_TRUE(parlane.get_characters().empty());

    testing::internal::CaptureStdout();
    server.send_line("GARBAGE");
    deliver(";GAME;After");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("Malformed packet from 127.0.0.1:")) << out;
    EXPECT_EQ("After", parlane.get_game());
}

// Laying out what scrolled by must not slow a flood of lines down, nor wait
// for ever.
TEST_F(ParlaneTest, BackgroundWorkWaitsWhileTheServerKeepsSending)
{
    given({ ";ADDSCENE;Tavern;0" });
    auto flood_turn = [&]
    {
        server.send(Packet("Alice", "TEXT", "Tavern", "again"));
        parlane.tick();
    };
    flood_turn();
    Kel::Time::TimeStamp start = Kel::Time::now();
    int background = 0;
    // The most urgent kind of background work, so that each round does some.
    sigc::connection idle = Glib::signal_idle().connect(
        [&]
        {
            ++background;
            return true;
        },
        GDK_PRIORITY_REDRAW + 2);
    flood_turn();
    flood_turn();
    if (2 * (Kel::Time::now() - start) < Parlane::BACKGROUND_DELAY)
    {
        EXPECT_EQ(0, background) << "put off while lines arrive";
    }

    GuiTest::run_until(
        [&] { return background > 0 && Kel::Time::now() - start > Parlane::BACKGROUND_DELAY; }, 5000);
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
    EXPECT_EQ("biography", deliver("Alice;BIOGRAPHY;A knight."));
    EXPECT_EQ("Alice: A knight.", signals.bio);
    EXPECT_EQ(Strings(), GuiTest::MessageBoxes::take());

    parlane.show_character_biography("alice");
    Packet ask;
    ASSERT_TRUE(server.wait_for("GETBIOGRAPHY", ask));
    EXPECT_EQ("Bob;GETBIOGRAPHY;alice", ask.str());
    given({ "Carl;BIOGRAPHY;Not asked for." });
    EXPECT_EQ(Strings(), GuiTest::MessageBoxes::take());
    given({ "Alice;BIOGRAPHY;A knight.\aOf old." });
    EXPECT_EQ((Strings { "Biography for Alice:\nA knight.\nOf old." }), GuiTest::MessageBoxes::take());
    given({ "Alice;BIOGRAPHY;again" });
    EXPECT_EQ(Strings(), GuiTest::MessageBoxes::take()) << "answered once only";
}

TEST_F(ParlaneTest, LostConnectionIsDeletedOnTheNextTurnAndTheModelStays)
{
    given({ ";GAME;Saga", ";ADDCHAR;Alice;0", ";ADDSCENE;Tavern;0" });
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

TEST_F(ParlaneTest, DisconnectKeepsTheModelAndConnectingAgainDropsIt)
{
    given({ ";GAME;Saga", ";ADDCHAR;Alice;0", "Alice;ONLINE;1", ";ADDSCENE;Tavern;0" });
    parlane.disconnect();
    EXPECT_EQ("character_status", signals.take());
    EXPECT_FALSE(parlane.is_connected());
    EXPECT_FALSE(parlane.get_character("Alice")->get_online());
    EXPECT_EQ(1u, parlane.get_scenes().size());

    login("Bob");
    given({ ";ADDCHAR;Alice;0", ";ADDSCENE;Tavern;0" });
    TestServer other;
    parlane.connect(other.get_address(), "Carl");
    EXPECT_EQ("character_status cleared", signals.take());
    EXPECT_TRUE(parlane.get_scenes().empty());
    EXPECT_TRUE(parlane.get_characters().empty());
    EXPECT_EQ(nullptr, parlane.get_active_scene());
    Packet name;
    ASSERT_TRUE(other.wait_for("NAME", name));
    EXPECT_EQ(";NAME;Carl", name.str());
}

TEST_F(ParlaneTest, OnlyTheGameMasterSpeaksAsOthersRememberedPerScene)
{
    given({ ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0" });
    parlane.set_active_name("Guard");
    EXPECT_EQ("Bob", parlane.get_active_name());
    EXPECT_EQ(NONE, signals.take());

    login("GM");
    given({ ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0" });
    parlane.set_active_name("Guard");
    EXPECT_EQ("name", signals.take());
    EXPECT_EQ("Guard", parlane.get_active_name());
    parlane.set_active_scene(parlane.get_scene("Market"));
    EXPECT_EQ("GM", parlane.get_active_name());
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    EXPECT_EQ("Guard", parlane.get_active_name());
    parlane.query_character("Alice");
    EXPECT_EQ(Strings { "Guard;QUERY;Alice" }, server.take_sent());
}

TEST_F(ParlaneTest, BiographiesAreSetOnlyWhereAllowed)
{
    parlane.set_character_biography("Alice", "not mine");
    parlane.set_character_biography("Bob", "mine");
    EXPECT_EQ(Strings { "Bob;SETBIOGRAPHY;mine" }, server.take_sent());
}

TEST(Parlane, SceneOrder)
{
    struct Host: SceneHost
    {
        const std::string& get_game() const override { return none; }
        const std::string& get_session() const override { return none; }
        std::string none;
    } host;
    // Group, name and "t" for a temporary scene, for a and b; whether a goes first.
    const std::array<const char*, 7> cases[] = {
        { "a", "Zed", "", "B", "Alpha", "", "1" },
        { "", "OOC", "t", "", "Alpha", "", "1" },
        { "", "Alpha", "", "", "OOC", "t", "" },
        { "", "ooc", "", "", "Alpha", "", "" },
        { "", "Zed", "", "", "Alpha", "t", "1" },
        { "", "alpha", "t", "", "Beta", "t", "1" },
        { "x", "OOC", "", "", "Zed", "", "" },
        { "", "Same", "", "", "same", "", "" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c[1] << " / " << c[4]);
        Scene a(host, c[1], *c[2]), b(host, c[4], *c[5]);
        a.set_group(c[0]);
        b.set_group(c[3]);
        EXPECT_EQ(bool(*c[6]), Parlane::scene_compare(&a, &b));
    }
}

namespace
{

// In a child process that has no controller yet: start-up in a folder holding
// the given "parlane.glade" (none if null) must fail with an error box whose
// text is the exception's.
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
        Strings boxes = GuiTest::MessageBoxes::take();
        std::cerr << e.what() << std::endl;
        fs::current_path("/");
        fs::remove_all(pattern);
        std::exit(boxes == Strings { e.what() } ? 0 : 3);
    }
    std::exit(4);
}

} // namespace

TEST(ParlaneStartup, MissingOrDamagedUiFileIsShownAndThrown)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct
    {
        const char* file;
        const char* reason;
    } cases[] = {
        { nullptr, "Can't find file parlane.glade" },
        { "this is not a user interface", "" },
        { "<?xml version=\"1.0\"?>\n<glade-interface></glade-interface>\n", ".*wnd_main" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.reason);
        EXPECT_EXIT(start_up_in(c.file), testing::ExitedWithCode(0),
            std::string("Cannot load the user interface from \"parlane.glade\": ") + c.reason);
    }
}
