#include "client/session/session.h"

#include "client/session/packethandler.h"
#include "client/session/reconnector.h"
#include "client/session/requests.h"
#include "common/packet.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "tests/client/tempdir.h"
#include "tests/session/recordingsink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace
{

// Each element as f gives it, followed by "|".
template <class Seq, class F> std::string join(const Seq& seq, F f)
{
    std::string result;
    for (const auto& element : seq)
        result += f(element) + "|";
    return result;
}

// A packet from the server, or a call marked by the test, and the signals
// it emitted in order: "activity present status".
struct Step { std::string line, signals; };

// A model logged in as Bob, its packet table, and its requests to a
// recording connection, in a working folder of its own (a game makes a
// folder, a session writes logs).
class SessionTest: public ::testing::Test
{
protected:
    SessionTest()
    {
        fs::current_path(dir.path);
        Session& s = session;
        for (auto [signal, name] : { std::pair(&s.signal_scenes_changed, "scenes"), { &s.signal_activity, "activity" },
                 { &s.signal_scene_status_changed, "status" }, { &s.signal_present_characters_changed, "present" },
                 { &s.signal_scene_activated, "activated" }, { &s.signal_characters_changed, "characters" },
                 { &s.signal_character_status_changed, "character_status" }, { &s.signal_active_name_changed, "name" },
                 { &s.signal_data_cleared, "cleared" }, { &s.signal_game_changed, "game" },
                 { &s.signal_attention, "attention" } })
            signal->connect([this, name = std::string(name)] { note(name); });
        session.signal_biography_received.connect(
            [this](const std::string& n, const std::string& text) { note("biography " + n + ":" + text); });
        session.signal_show_biography.connect(
            [this](const std::string& n, const std::string& text) { note("show " + n + ":" + text); });
        session.signal_error.connect([this](const std::string& text) { note("error " + text); });
        session.log_in("Bob");
    }
    ~SessionTest() override { fs::current_path(old_cwd); }

    void note(const std::string& name) { signals += (signals.empty() ? "" : " ") + name; }

    std::string take() { return std::exchange(signals, {}); }

    // Packets whose signals do not matter.
    void given(const std::vector<std::string>& lines)
    {
        for (const std::string& line : lines)
            handler.handle(Packet(line));
        take();
    }

    void expect(const std::vector<Step>& steps)
    {
        for (const Step& step : steps)
        {
            SCOPED_TRACE(step.line);
            take();
            handler.handle(Packet(step.line));
            EXPECT_EQ(step.signals, take());
        }
    }

    std::string present(const std::string& scene) const
    {
        return join(session.get_scene(scene)->get_characters(), [](const Character* c) { return c->get_name(); });
    }
    std::string texts(const std::string& scene) const { return ::texts(session.get_scene(scene)->get_backlog()); }
    std::string scenes() const { return join(session.get_scenes(), [](const Scene* s) { return s->get_name(); }); }
    // "npc online writing:SCENE afk:TEXT", each part only when it applies.
    std::string state(const std::string& name) const
    {
        const Character& c = *session.get_character(name);
        return std::string(c.get_npc() ? "npc " : "") + (c.get_online() ? "online " : "")
            + (c.get_writing().empty() ? "" : "writing:" + c.get_writing() + " ")
            + (c.get_afk().empty() ? "" : "afk:" + c.get_afk());
    }

    unsigned activity(const std::string& scene) const { return session.get_scene(scene)->get_activity(); }
    void activate(const std::string& scene) { session.set_active_scene(session.get_scene(scene)); }

    TempDir dir;
    fs::path old_cwd = fs::current_path();
    std::string signals;
    Session session;
    PacketHandler handler { session };
    RecordingSink sink;
    Requests requests { session, sink };
};

const std::string ENTERED_EMPTY_ACTIVE = "activity present status";
const std::string CHANGED_ACTIVE = "activity present";

const char OLD_LINES[] = "[2031-05-04 20:15:07] Guard draws a sword.\n"
                         "[2031-05-04 20:15:08] ((Ann: brb))\n"
                         "[2031-05-04 20:15:09] Bob entered the scene\n";
const std::string RESTORED_TAVERN = "~N 20:15:07 :Guard draws a sword.|~O 20:15:08 Ann:brb|"
                                    "~N 20:15:09 :Bob entered the scene|sep|";

// After a restart: the log files of game Saga are on disk from before.
class RestoreTest: public SessionTest
{
protected:
    RestoreTest()
    {
        fs::create_directories("Saga");
        write_file("Saga/First-Tavern.log", OLD_LINES);
        write_file("Saga/First-Cellar.log", "[2031-05-04 20:15:09] Dust.\n");
        session.signal_said.connect([this](const Scene&, const LogLine&) { note("said"); });
    }

    // Each line as "kind name:text", earlier ones marked "~" and with their
    // stamp after the kind, then "|".
    std::string backlog(const std::string& scene) const
    {
        static const char* const kinds[] = { "N", "O", "E", "notice", "problem", "sep" };
        std::string result;
        for (const LogLine& l : session.get_scene(scene)->get_backlog())
            result += (l.earlier ? "~" : "") + std::string(kinds[l.type])
                + (l.type == LogLine::SEPARATOR ? "" : (l.earlier ? " " + l.timestamp : "") + " " + l.name + ":" + l.text)
                + "|";
        return result;
    }
};

} // namespace

TEST_F(SessionTest, GameSessionAndErrors)
{
    expect({
        { ";GAME;../Saga", "game" },
        { ";SESSION;First", "game" },
        { ";ERROR;No such scene", "error No such scene" },
    });
    EXPECT_TRUE(fs::is_directory("_.._Saga")) << "the game's folder, made safe";
    EXPECT_EQ("../Saga First", session.get_game() + " " + session.get_session());
    given({ ";ADDCHAR;Alice;1", "Alice;ONLINE;1", ";ADDSCENE;Tavern;0" });
    session.go_offline();
    EXPECT_EQ("game character_status", take());
    EXPECT_EQ("npc ", session.get_game() + session.get_session() + state("Alice"));
    EXPECT_EQ("Tavern|", scenes());
    session.clear();
    EXPECT_EQ("cleared", take());
    EXPECT_EQ("", scenes());
    EXPECT_TRUE(session.get_characters().empty());
    EXPECT_EQ(nullptr, session.get_active_scene());
}

// Group (ignoring case, the empty one first), then OOC, then permanent
// scenes, then by name.
TEST_F(SessionTest, ScenesKeepTheirOrder)
{
    given({ ";ADDSCENE;b;0" });
    expect({ { ";SCENEGROUP;b;x", "scenes" }, { ";SCENEGROUP;nowhere;x", "" } });
    given({ ";ADDSCENE;Beta;1", ";ADDSCENE;OOC;0", ";ADDSCENE;alpha;1", ";ADDSCENE;Zed;0", ";ADDSCENE;Abbey;0" });
    EXPECT_EQ("OOC|Abbey|Zed|alpha|Beta|b|", scenes());
    given({ ";SCENEGROUP;OOC;Y" });
    EXPECT_EQ("Abbey|Zed|alpha|Beta|b|OOC|", scenes());
}

TEST_F(SessionTest, FirstSceneOrTheRequestedOneBecomesActive)
{
    expect({ { ";ADDSCENE;Tavern;0", "scenes name activated status" }, { ";ADDSCENE;Market;1", "scenes" } });
    EXPECT_EQ("Tavern", session.get_active_scene()->get_name());
    EXPECT_EQ(2u, activity("market"));
    // The same name in another case changes nothing.
    expect({ { ";ADDSCENE;TAVERN;1", "" } });
    EXPECT_EQ("Tavern|Market|", scenes());
    EXPECT_FALSE(session.get_scene("Tavern")->get_temporary());

    sink.connected = false;
    requests.add_scene("Cellar", true);
    sink.connected = true;
    given({ ";ADDSCENE;Cellar;1" });
    EXPECT_EQ("Tavern", session.get_active_scene()->get_name()) << "asked for without a connection";
    requests.add_scene("Attic", true);
    EXPECT_EQ("Bob;ADDSCENE;Attic;1|", sink.take());
    given({ ";ADDSCENE;Other;0" });
    EXPECT_EQ("Tavern", session.get_active_scene()->get_name());
    given({ ";ADDSCENE;Attic;1" });
    EXPECT_EQ("Attic", session.get_active_scene()->get_name());
    EXPECT_EQ(0u, activity("Attic"));
}

TEST_F(SessionTest, CharactersAreAddedOnceAndKeepTheirStates)
{
    expect({
        { ";ADDCHAR;Alice;0", "characters" },
        { ";ADDCHAR;Guard;1", "characters" },
        { ";ADDCHAR;ALICE;1", "" },
        { "Alice;WRITING;Tavern", "character_status" },
        { "Alice;AFK;lunch", "character_status" },
    });
    ASSERT_EQ(2u, session.get_characters().size());
    EXPECT_EQ("writing:Tavern afk:lunch|npc |", state("alice") + "|" + state("guard") + "|");
    expect({ { "Alice;AFK;", "character_status" } });
    EXPECT_EQ("writing:Tavern ", state("Alice"));
}

TEST_F(SessionTest, OnlineNoticeGoesToTheOocScene)
{
    given({ ";ADDCHAR;Alice;0" });
    expect({ { "Alice;ONLINE;1", "character_status" } });
    EXPECT_EQ("online ", state("Alice"));
    given({ ";ADDSCENE;Tavern;0", ";ADDSCENE;ooc;0" });
    session.get_scene("OOC")->reset_activity();
    expect({ { "Alice;ONLINE;0", "character_status status" } });
    EXPECT_EQ("", state("Alice"));
    EXPECT_EQ("Alice logged out|", texts("OOC"));
    EXPECT_EQ(1u, activity("OOC"));
    activate("OOC");
    expect({ { "alice;ONLINE;1", "character_status activity" } });
    EXPECT_EQ("Alice logged out|Alice logged in|", texts("OOC"));
}

TEST_F(SessionTest, EnterAndLeaveAnnounceActivityAndOccupancy)
{
    given({ ";ADDCHAR;Alice;0", ";ADDCHAR;Carl;0", ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0" });
    session.get_scene("Market")->reset_activity();
    expect({
        // Into the empty active scene: the scene stops being empty, too.
        { "alice;ENTER;tavern", ENTERED_EMPTY_ACTIVE },
        { "Carl;ENTER;Tavern", CHANGED_ACTIVE },
        { "Alice;LEAVE;Tavern", CHANGED_ACTIVE },
        // Elsewhere the activity rises once, and the scene stops being empty.
        { "Alice;ENTER;Market", "status status" },
    });
    EXPECT_EQ("Carl|", present("Tavern"));
    EXPECT_EQ("Alice entered the scene|Carl entered the scene|Alice left the scene|", texts("Tavern"));
    EXPECT_EQ(1u, activity("Market"));
    expect({
        { "Carl;ENTER;Market", "" },
        { "Carl;LEAVE;Market", "" },
        { ";TEXT;Market;hi", "status attention" },
        { ";OOC;Market;ooc", "attention" },
        // A leave that empties a scene is announced, here and elsewhere.
        { "Alice;LEAVE;Market", "status" },
        { "Carl;TEXT;tavern;$me$ waves", "activity attention" },
        { "Carl;LEAVE;Tavern", ENTERED_EMPTY_ACTIVE },
    });
    EXPECT_EQ(3u, activity("Market"));
    activate("Market");
    EXPECT_EQ(0u, activity("Market"));
}

TEST_F(SessionTest, OwnLeaveEmptiesTheSceneWithASeparator)
{
    given({ ";ADDCHAR;Alice;0", ";ADDCHAR;Bob;0", ";ADDSCENE;Tavern;0", "Alice;ENTER;Tavern",
        "Bob;ENTER;Tavern" });
    session.get_character("Alice")->set_writing("Tavern");
    expect({ { "Bob;LEAVE;Tavern", ENTERED_EMPTY_ACTIVE } });
    EXPECT_EQ("", present("Tavern") + state("Alice"));
    EXPECT_EQ("Alice entered the scene|Bob entered the scene|Bob left the scene|" + std::string(40, '-') + "|",
        texts("Tavern"));
}

TEST_F(SessionTest, RemovedCharacterLeavesEveryScene)
{
    given({ ";ADDCHAR;Alice;0", ";ADDCHAR;Guard;1", ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0",
        "Guard;ENTER;Tavern", "Alice;ENTER;Market", "Guard;ENTER;Market" });
    session.get_scene("Market")->reset_activity();
    expect({
        // Only the exact name counts.
        { ";REMOVECHAR;guard", "" },
        // Market's activity rises; Tavern, the active scene, is left empty.
        { ";REMOVECHAR;Guard", "status activity present status characters" },
    });
    EXPECT_EQ(nullptr, session.get_character("Guard"));
    EXPECT_EQ(1u, session.get_characters().size());
    EXPECT_EQ("|Alice|", "|" + present("Tavern") + present("Market"));
    EXPECT_EQ("Guard entered the scene|Guard left the scene|", texts("Tavern"));
    EXPECT_EQ(1u, activity("Market"));
}

TEST_F(SessionTest, UnknownScenesCharactersAndCommandsChangeNothing)
{
    given({ ";ADDCHAR;Alice;0", ";ADDSCENE;Tavern;0" });
    for (const char* line : { "Nobody;ENTER;Tavern", "Alice;ENTER;Nowhere", "Nobody;LEAVE;Tavern",
             "Nobody;ONLINE;1", "Nobody;WRITING;Tavern", "Nobody;AFK;x", "Alice;TEXT;Nowhere;hi",
             "Alice;OOC;Nowhere;hi", ";REMOVECHAR;Nobody", ";FROBNICATE;x" })
        expect({ { line, "" } });
    EXPECT_EQ("", present("Tavern") + texts("Tavern"));
}

TEST_F(SessionTest, MissingParametersAndBadFlagsThrowBeforeAnyChange)
{
    given({ ";ADDCHAR;Alice;0", ";ADDSCENE;Tavern;0" });
    for (const char* line : { ";ADDSCENE;Cellar;yes", ";ADDSCENE;Cellar", ";ADDCHAR;Carl;2", ";GAME",
             "Alice;ONLINE", "Alice;ONLINE;true", ";TEXT;Tavern", "Alice;ENTER" })
    {
        SCOPED_TRACE(line);
        EXPECT_ANY_THROW(handler.handle(Packet(line)));
        EXPECT_EQ("", take());
    }
    EXPECT_EQ("Tavern|", scenes());
    EXPECT_EQ(1u, session.get_characters().size());
    EXPECT_EQ("", state("Alice") + texts("Tavern"));
}

TEST_F(SessionTest, BiographyIsShownOnlyForTheOneAskedForAndOnce)
{
    expect({ { "Alice;BIOGRAPHY;A knight.", "biography Alice:A knight." } });
    requests.show_character_biography("alice");
    EXPECT_EQ("Bob;GETBIOGRAPHY;alice|", sink.take());
    expect({
        { "Carl;BIOGRAPHY;Not asked for.", "biography Carl:Not asked for." },
        { "Alice;BIOGRAPHY;Of old.", "biography Alice:Of old. show Alice:Of old." },
        { "Alice;BIOGRAPHY;again", "biography Alice:again" },
    });
    // Players set only their own biography.
    requests.set_character_biography("Alice", "not mine");
    requests.set_character_biography("Bob", "mine");
    EXPECT_EQ("Bob;SETBIOGRAPHY;mine|", sink.take());
}

TEST_F(SessionTest, OnlyTheGameMasterSpeaksAsOthersRememberedPerScene)
{
    given({ ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0" });
    session.set_active_name("Guard");
    EXPECT_EQ("Bob", session.get_active_name());
    EXPECT_EQ("", take());

    session.clear();
    session.log_in("GM");
    given({ ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0" });
    session.set_active_name("Guard");
    EXPECT_EQ("name", take());
    EXPECT_EQ("Guard", session.get_active_name());
    activate("Market");
    EXPECT_EQ("GM", session.get_active_name());
    activate("Tavern");
    EXPECT_EQ("Guard", session.get_active_name());
    requests.query_character("Alice");
    requests.set_character_biography("Alice", "for anyone");
    EXPECT_EQ("Guard;QUERY;Alice|Alice;SETBIOGRAPHY;for anyone|", sink.take());
}

TEST_F(SessionTest, WritingIsAnnouncedOnceAndEndsByTimeOrSceneSwitch)
{
    requests.set_writing(true);
    EXPECT_EQ("", sink.take()) << "no scene to write in";
    given({ ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0" });
    requests.set_writing(true);
    requests.set_writing(true);
    EXPECT_EQ("Bob;WRITING;Tavern|Bob;AFK;|", sink.take());
    Kel::Time::TimeStamp lapse = requests.get_write_timeout();
    requests.lapse_writing(lapse - Kel::Time::msec);
    EXPECT_EQ("", sink.take());
    requests.lapse_writing(lapse + Kel::Time::msec);
    EXPECT_EQ("Bob;WRITING;|", sink.take());
    requests.set_writing(true);
    activate("Market");
    EXPECT_EQ("Bob;WRITING;Tavern|Bob;AFK;|Bob;WRITING;|", sink.take());

    // A lost link takes the indicator with it: typing while disconnected
    // starts none, and the first key press after the new login sends it.
    requests.set_writing(true);
    sink.take();
    sink.connected = false;
    requests.forget_writing();
    requests.set_writing(true);
    sink.connected = true;
    requests.set_writing(true);
    EXPECT_EQ("Bob;WRITING;Market|Bob;AFK;|", sink.take());
}

TEST_F(SessionTest, LoginAnnouncementsAddNoHistoryOnlyRealChanges)
{
    const std::vector<std::string> burst = { ";GAME;Saga", ";SESSION;Night", ";ADDCHAR;Bob;0", ";ADDCHAR;Alice;0",
        ";ADDCHAR;Carl;0", ";ADDSCENE;OOC;0", ";ADDSCENE;Tavern;0", "Bob;ENTER;OOC", "Alice;ENTER;Tavern",
        "Carl;ENTER;Tavern", "Alice;ONLINE;1" };
    session.begin_login(false);
    given(burst);
    session.end_login();
    EXPECT_EQ("", texts("OOC") + texts("Tavern")) << "a fresh login invents no arrivals nor logins";
    EXPECT_EQ("Alice|Carl|", present("Tavern"));
    session.get_scene("Tavern")->add_line(LogLine::NORMAL, "Alice", "kept line");

    // The link drops; meanwhile Carl left and Dora came. The same login
    // again keeps the backlog and shows only those two changes, in the
    // scene and in its log file. Nobody is typing until told again.
    session.get_character("Alice")->set_writing("Tavern");
    session.begin_login(true);
    EXPECT_EQ("", present("Tavern") + state("Alice"));
    given({ ";GAME;Saga", ";SESSION;Night", ";ADDCHAR;Bob;0", ";ADDCHAR;Alice;0", ";ADDCHAR;Carl;0",
        ";ADDCHAR;Dora;0", ";ADDSCENE;OOC;0", ";ADDSCENE;Tavern;0", "Bob;ENTER;OOC", "Alice;ENTER;Tavern",
        "Dora;ENTER;Tavern", "Alice;ONLINE;1" });
    EXPECT_EQ("kept line|", texts("Tavern")) << "nothing before the announcements end";
    session.end_login();
    EXPECT_EQ("kept line|Carl left the scene|Dora entered the scene|", texts("Tavern"));
    EXPECT_EQ("", texts("OOC"));
    const std::string log = read_file("Saga/Night-Tavern.log");
    EXPECT_EQ(std::string::npos, log.find("Alice entered")) << log;
    EXPECT_NE(std::string::npos, log.find("Dora entered")) << log;

    // A link lost again before the announcements ended: the next login
    // still compares with the state before the first loss.
    session.begin_login(true);
    given({ ";ADDSCENE;Tavern;0", "Alice;ENTER;Tavern" });
    session.begin_login(true);
    given({ ";ADDSCENE;Tavern;0", "Alice;ENTER;Tavern", "Dora;ENTER;Tavern" });
    session.end_login();
    EXPECT_EQ("kept line|Carl left the scene|Dora entered the scene|", texts("Tavern"));
}

TEST(ReconnectorTest, WaitsDoubleUpTo16SecondsThenEvery30AndStopWaitsNoMore)
{
    using Kel::Time::sec;
    Kel::Time::TimeStamp t = Kel::Time::now();
    Reconnector r;
    EXPECT_FALSE(r.is_due(t + 3600 * sec)) << "nothing to try before a loss";
    r.start("localhost:7254", "Bob", t);
    std::vector<long> waits;
    for (int i = 0; i < 8; ++i)
    {
        Kel::Time::TimeDelta wait = i == 0 ? r.get_next_delay() : r.failed(t);
        waits.push_back(wait / sec);
        EXPECT_FALSE(r.is_due(t + wait - 1 * Kel::Time::usec));
        t += wait;
        EXPECT_TRUE(r.is_due(t));
    }
    EXPECT_EQ((std::vector<long> { 1, 2, 4, 8, 16, 30, 30, 30 }), waits);
    r.stop();
    EXPECT_FALSE(r.is_due(t + 3600 * sec));
    r.start("localhost:7254", "Bob", t);
    EXPECT_EQ(1 * sec, r.get_next_delay()) << "a new loss starts the schedule again";
}

// A client started again mid-session shows each scene's last lines before
// the new ones, raises nothing and writes none of them again.
TEST_F(RestoreTest, RestartShowsTheLastLinesOnceWithoutWritingThemAgain)
{
    given({ ";GAME;Saga", ";SESSION;First", ";ADDSCENE;Tavern;0" });
    EXPECT_EQ(RESTORED_TAVERN, backlog("Tavern"));
    given({ ";ADDCHAR;Bob;0" });
    // Restored lines are no news.
    expect({ { ";ADDSCENE;Cellar;0", "scenes" }, { ";ADDSCENE;Attic;0", "scenes" } });
    EXPECT_EQ(unsigned(Session::NEW_SCENE), activity("Cellar"));
    EXPECT_EQ("~N 20:15:09 :Dust.|sep|", backlog("Cellar"));
    EXPECT_EQ("", backlog("Attic")) << "no log file, no separator";

    given({ "Bob;ENTER;Tavern", "Bob;ENTER;Attic" });
    // A reconnect announces the same session again; the scenes keep their
    // lines, and the scene that had no file has one now.
    session.go_offline();
    given({ ";GAME;Saga", ";SESSION;First", ";ADDSCENE;Tavern;0", ";ADDSCENE;Attic;0" });
    EXPECT_EQ(RESTORED_TAVERN + "E *:Bob entered the scene|", backlog("Tavern"));
    EXPECT_EQ("E *:Bob entered the scene|", backlog("Attic"));
    const std::string file = read_file("Saga/First-Tavern.log");
    EXPECT_EQ(OLD_LINES + file.substr(sizeof OLD_LINES - 1, 22) + "Bob entered the scene\n", file);
}

// Scenes that exist when a session begins get its lines then: the scene on
// screen is announced as activated again, so that it is drawn anew.
TEST_F(RestoreTest, SessionAnnouncedWhileScenesExist)
{
    given({ ";GAME;Saga", ";ADDSCENE;Tavern;0", ";ADDSCENE;Cellar;0", "*;TEXT;Tavern;Hi" });
    expect({ { ";SESSION;First", "game name activated status" } });
    EXPECT_EQ(RESTORED_TAVERN + "N *:Hi|", backlog("Tavern"));
    EXPECT_EQ("~N 20:15:09 :Dust.|sep|", backlog("Cellar"));
    EXPECT_EQ(unsigned(Session::NEW_SCENE), activity("Cellar"));

    // Ended and begun again under the same name: nothing new to restore.
    given({ ";SESSION;", ";SESSION;First" });
    EXPECT_EQ("~N 20:15:09 :Dust.|sep|E *:The session First has ended|", backlog("Cellar"));
}

TEST_F(RestoreTest, RestoreLinesLimitsOrTurnsItOff)
{
    const std::pair<unsigned, std::string> cases[] = {
        { 0, "" },
        { 1, "~N 20:15:09 :Bob entered the scene|sep|" },
        { 200, RESTORED_TAVERN },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        session.clear();
        session.go_offline();
        session.set_restore_lines(c.first);
        given({ ";GAME;Saga", ";SESSION;First", ";ADDSCENE;Tavern;0" });
        EXPECT_EQ(c.second, backlog("Tavern"));
    }
}
