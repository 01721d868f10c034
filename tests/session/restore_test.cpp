#include "client/session/session.h"

#include "client/session/packethandler.h"
#include "common/packet.h"
#include "tests/client/tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{

const char OLD_LINES[] = "[2031-05-04 20:15:07] Guard draws a sword.\n"
                         "[2031-05-04 20:15:08] ((Ann: brb))\n"
                         "[2031-05-04 20:15:09] Bob entered the scene\n";

// A model logged in as Bob after a restart: the log files of game Saga
// are on disk from before, in a working folder of its own.
class RestoreTest: public ::testing::Test
{
protected:
    RestoreTest()
    {
        fs::current_path(dir.path);
        fs::create_directories("Saga");
        write_file("Saga/First-Tavern.log", OLD_LINES);
        write_file("Saga/First-Cellar.log", "[2031-05-04 20:15:09] Dust.\n");
        session.log_in("Bob");
        for (sigc::signal<void>* s :
            { &session.signal_activity, &session.signal_attention, &session.signal_scene_activated })
            s->connect([this] { ++signals; });
        session.signal_said.connect([this](const Scene&, const LogLine&) { ++signals; });
    }
    ~RestoreTest() override { fs::current_path(old_cwd); }

    void given(const std::vector<std::string>& lines)
    {
        for (const std::string& line : lines)
            handler.handle(Packet(line));
    }

    // Each line as "stamp kind name:text", earlier ones marked "~", then "|".
    std::string backlog(const std::string& scene) const
    {
        static const char* const kinds[] = { "N", "O", "E", "notice", "problem", "sep" };
        std::string result;
        for (const LogLine& l : session.get_scene(scene)->get_backlog())
            result += (l.earlier ? "~" : "") + std::string(kinds[l.type])
                + (l.type == LogLine::SEPARATOR ? "" : " " + l.timestamp + " " + l.name + ":" + l.text) + "|";
        return result;
    }

    TempDir dir;
    fs::path old_cwd = fs::current_path();
    Session session;
    PacketHandler handler { session };
    int signals = 0;
};

std::size_t count(const std::string& haystack, const std::string& needle)
{
    std::size_t found = 0;
    for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
        ++found;
    return found;
}

const std::string RESTORED_TAVERN = "~N 20:15:07 :Guard draws a sword.|~O 20:15:08 Ann:brb|"
                                    "~N 20:15:09 :Bob entered the scene|sep|";

} // namespace

// A client started again mid-session shows each scene's last lines before
// the new ones, raises nothing and writes none of them again.
TEST_F(RestoreTest, RestartShowsTheLastLinesOnceWithoutWritingThemAgain)
{
    given({ ";GAME;Saga", ";SESSION;First", ";ADDSCENE;Tavern;0" });
    EXPECT_EQ(RESTORED_TAVERN, backlog("Tavern"));
    given({ ";ADDCHAR;Bob;0" });
    signals = 0;
    given({ ";ADDSCENE;Cellar;0", ";ADDSCENE;Attic;0" });
    EXPECT_EQ(0, signals) << "restored lines are no news";
    EXPECT_EQ(unsigned(Session::NEW_SCENE), session.get_scene("Cellar")->get_activity());
    EXPECT_EQ("~N 20:15:09 :Dust.|sep|", backlog("Cellar"));
    EXPECT_EQ("", backlog("Attic")) << "no log file, no separator";

    given({ "Bob;ENTER;Tavern", "Bob;ENTER;Attic" });
    // A reconnect announces the same session again; the scenes keep their
    // lines, and the scene that had no file has one now.
    session.go_offline();
    given({ ";GAME;Saga", ";SESSION;First", ";ADDSCENE;Tavern;0", ";ADDSCENE;Attic;0" });
    EXPECT_EQ(0u, backlog("Tavern").find(RESTORED_TAVERN));
    EXPECT_EQ(1u, count(backlog("Tavern"), "sep|"));
    EXPECT_EQ(0u, count(backlog("Attic"), "~"));
    std::string file = read_file("Saga/First-Tavern.log");
    EXPECT_EQ(0u, file.find(OLD_LINES));
    EXPECT_EQ(4u, count(file, "\n")) << file;
}

// Scenes that exist when a session begins get its lines then: the scene on
// screen is announced as activated again, so that it is drawn anew.
TEST_F(RestoreTest, SessionAnnouncedWhileScenesExist)
{
    given({ ";GAME;Saga", ";ADDSCENE;Tavern;0", ";ADDSCENE;Cellar;0", "*;TEXT;Tavern;Hi" });
    signals = 0;
    given({ ";SESSION;First" });
    EXPECT_EQ(1, signals) << "the active scene is drawn again";
    EXPECT_EQ(RESTORED_TAVERN + "N " + session.get_scene("Tavern")->get_backlog().last().timestamp + " *:Hi|",
        backlog("Tavern"));
    EXPECT_EQ("~N 20:15:09 :Dust.|sep|", backlog("Cellar"));
    EXPECT_EQ(unsigned(Session::NEW_SCENE), session.get_scene("Cellar")->get_activity());

    // Ended and begun again under the same name: nothing new to restore.
    given({ ";SESSION;", ";SESSION;First" });
    EXPECT_EQ(1u, count(backlog("Cellar"), "Dust."));
    EXPECT_EQ(1u, count(backlog("Cellar"), " *:The session First has ended|"));
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
