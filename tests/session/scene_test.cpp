#include "client/session/scene.h"

#include "client/session/safename.h"
#include "tests/client/tempdir.h"
#include "tests/datafile/helpers.h"
#include "tests/session/recordingsink.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace
{

class Host: public SceneHost
{
public:
    const std::string& get_game() const override { return game; }
    const std::string& get_session() const override { return session; }

    std::string game, session;
};

class SceneTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(dir.path / "a" / "b");
        fs::current_path(dir.path / "a" / "b"); // a path two levels up still lands in dir
    }
    void TearDown() override { fs::current_path(old_cwd); }

    // Every file below <tmp>, relative to it, each followed by "|".
    std::string files() const
    {
        std::string found;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir.path))
            if (e.is_regular_file())
                found += fs::relative(e.path(), dir.path).string() + "|";
        return found;
    }

    TempDir dir;
    fs::path old_cwd = fs::current_path();
    Host host;
};

// The log file with each time stamp as "~" and each line feed as "|".
std::string log_file(const std::string& name)
{
    std::string text;
    std::istringstream lines(read_file(name));
    for (std::string line; std::getline(lines, line);)
    {
        std::string head = line.substr(0, 22);
        for (char& c : head)
            c = std::isdigit(static_cast<unsigned char>(c)) ? '9' : c;
        text += (head == "[9999-99-99 99:99:99] " ? "~" + line.substr(22) : line) + "|";
    }
    return text;
}

} // namespace

TEST_F(SceneTest, EachEntryAndExitIsLoggedOnceAndEndsTypingOnlyHere)
{
    for (bool clear : { false, true })
    {
        SCOPED_TRACE(clear ? "clear_characters" : "remove_character");
        Scene scene(host, "Tavern", false);
        Character here("Here", false);
        Character elsewhere("Elsewhere", true);
        Character absent("Absent", false);
        for (Character* c : { &here, &here, &elsewhere })
            scene.add_character(c);
        scene.remove_character(&absent);
        ASSERT_EQ(2u, scene.get_characters().size());
        here.set_writing("Tavern");
        elsewhere.set_writing("Market");
        if (clear)
            scene.clear_characters();
        else
            for (Character* c : { &here, &elsewhere, &here })
                scene.remove_character(c);
        EXPECT_TRUE(scene.get_characters().empty());
        EXPECT_EQ("", here.get_writing());
        EXPECT_EQ("Market", elsewhere.get_writing());
        // Clearing writes no lines.
        const std::string entered = "Here entered the scene|Elsewhere entered the scene|";
        EXPECT_EQ(entered + (clear ? "" : "Here left the scene|Elsewhere left the scene|"),
            texts(scene.get_backlog()));
        EXPECT_EQ(LogLine::EVENT, scene.get_backlog().begin()->type);
        EXPECT_EQ("*", scene.get_backlog().begin()->name);
    }
}

TEST_F(SceneTest, SessionLinesAreAppendedToTheSceneLog)
{
    host.game = "Saga";
    fs::create_directory("Saga");
    write_file("Saga/First-Tavern.log", "earlier line\n");
    Scene scene(host, "Tavern", false);
    scene.add_line(LogLine::NORMAL, "Bob", "outside a session: not logged");
    host.session = "First";
    scene.add_line(LogLine::NORMAL, "Bob", "$me$ and $me$");
    scene.add_line(LogLine::NORMAL, "$me$", "$me$ and $me$");
    scene.add_line(LogLine::NORMAL, "Bob", "");
    scene.add_line(LogLine::EVENT, "*", "Bob logged in");
    scene.add_line(LogLine::OOC, "Bob", "$me$ waves");
    scene.add_line(LogLine::PROBLEM, "", "shown, not logged");
    Character guard("Guard", false);
    scene.add_character(&guard);

    EXPECT_EQ("earlier line|~Bob and Bob|~$me$ and $me$|~|~Bob logged in|~((Bob: Bob waves))|"
              "~Guard entered the scene|",
        log_file("Saga/First-Tavern.log"));
    EXPECT_EQ("a/b/Saga/First-Tavern.log|", files());
    EXPECT_EQ("outside a session: not logged|", texts(scene.get_backlog()).substr(0, 30));
}

TEST(SafeName, KeepsOrdinaryNamesAndDefusesTheRest)
{
    check({ { "Saga", "Saga" }, { "x..", "x.." }, { "", "_" }, { ".hidden", "_.hidden" },
              { "a/../../b", "a_.._.._b" }, { "a\\..\\b", "a_.._b" } },
        safe_name);
}

TEST_F(SceneTest, NamesFromTheServerCannotLeaveTheGameFolder)
{
    host.game = "../../x";
    host.session = "../..";
    fs::create_directories(safe_name(host.game));
    Scene scene(host, "a/../../b", false);
    scene.add_line(LogLine::NORMAL, "Bob", "hello");
    EXPECT_EQ("a/b/_.._.._x/_.._..-a_.._.._b.log|", files());
}

TEST_F(SceneTest, AnUnwritableLogFileThrowsAfterTheLineIsKept)
{
    host.game = "Missing";
    host.session = "First";
    Scene scene(host, "Tavern", false);
    EXPECT_ANY_THROW(scene.add_line(LogLine::NORMAL, "Bob", "hello"));
    EXPECT_EQ("hello|", texts(scene.get_backlog()));
}
