#include "client/scene.h"

#include "client/safename.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace
{

class Host: public SceneHost
{
public:
    const std::string& get_game() const override { return game; }
    const std::string& get_session() const override { return session; }

    std::string game;
    std::string session;
};

// Runs each test in a fresh folder <tmp>/a/b, so that a path that climbs two
// levels out of it would still land inside <tmp> where the test can see it.
class SceneTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/parlane-scene-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        root = pattern;
        work = root / "a" / "b";
        fs::create_directories(work);
        old_cwd = fs::current_path();
        fs::current_path(work);
    }

    void TearDown() override
    {
        fs::current_path(old_cwd);
        fs::remove_all(root);
    }

    static std::vector<std::string> read_lines(const fs::path& file)
    {
        std::ifstream in(file);
        std::vector<std::string> lines;
        std::string l;
        while (std::getline(in, l))
            lines.push_back(l);
        return lines;
    }

    // Every file below dir, as paths relative to it.
    static std::vector<std::string> files_below(const fs::path& dir)
    {
        std::vector<std::string> found;
        for (const fs::directory_entry& e : fs::recursive_directory_iterator(dir))
            if (e.is_regular_file())
                found.push_back(fs::relative(e.path(), dir).string());
        return found;
    }

    Host host;
    fs::path root;
    fs::path work;
    fs::path old_cwd;
};

// True if text has the shape of pattern, where "9" stands for any digit.
bool shaped(const std::string& text, const std::string& pattern)
{
    if (text.size() != pattern.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i)
        if (pattern[i] == '9' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != pattern[i])
            return false;
    return true;
}

// The text of a log-file line without its time stamp.
std::string body(const std::string& line)
{
    static const std::string stamp = "[9999-99-99 99:99:99] ";
    if (!shaped(line.substr(0, stamp.size()), stamp))
        return "<unstamped: " + line + ">";
    return line.substr(stamp.size());
}

} // namespace

TEST_F(SceneTest, ActivityOnlyRises)
{
    struct Case
    {
        unsigned from;
        unsigned to;
        bool changed;
        unsigned result;
    };
    const Case cases[] = {
        { 0, 1, true, 1 },
        { 0, 3, true, 3 },
        { 3, 1, false, 3 },
        { 2, 2, false, 2 },
        { 1, 2, true, 2 },
        { 0, 0, false, 0 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        Scene scene(host, "Tavern", false);
        scene.set_activity(c.from);
        EXPECT_EQ(c.changed, scene.set_activity(c.to));
        EXPECT_EQ(c.result, scene.get_activity());
    }
    Scene scene(host, "Tavern", false);
    scene.set_activity(3);
    scene.reset_activity();
    EXPECT_EQ(0u, scene.get_activity());
}

TEST_F(SceneTest, AddingAPresentCharacterAddsNothing)
{
    Scene scene(host, "Tavern", false);
    Character bob("Bob", false);
    scene.add_character(&bob);
    scene.add_character(&bob);
    ASSERT_EQ(1u, scene.get_characters().size());
    const BackLog& log = scene.get_backlog();
    ASSERT_EQ(1, std::distance(log.begin(), log.end()));
    EXPECT_EQ(LogLine::EVENT, log.begin()->type);
    EXPECT_EQ("*", log.begin()->name);
    EXPECT_EQ("Bob entered the scene", log.begin()->text);
}

TEST_F(SceneTest, RemovingAnAbsentCharacterAddsNothing)
{
    Scene scene(host, "Tavern", false);
    Character bob("Bob", false);
    scene.remove_character(&bob);
    EXPECT_TRUE(scene.get_backlog().begin() == scene.get_backlog().end());
}

TEST_F(SceneTest, RemovingEndsTypingOnlyInThisScene)
{
    Scene scene(host, "Tavern", false);
    Character here("Here", false);
    Character elsewhere("Elsewhere", true);
    here.set_writing("Tavern");
    elsewhere.set_writing("Market");
    scene.add_character(&here);
    scene.add_character(&elsewhere);

    scene.remove_character(&here);
    scene.remove_character(&elsewhere);

    EXPECT_EQ("", here.get_writing());
    EXPECT_EQ("Market", elsewhere.get_writing());
    EXPECT_TRUE(scene.get_characters().empty());
    const BackLog& log = scene.get_backlog();
    ASSERT_EQ(4, std::distance(log.begin(), log.end()));
    EXPECT_EQ("Here left the scene", std::next(log.begin(), 2)->text);
    EXPECT_EQ("Elsewhere left the scene", std::next(log.begin(), 3)->text);
}

TEST_F(SceneTest, ClearingEndsTypingHereWithoutLines)
{
    Scene scene(host, "Tavern", false);
    Character here("Here", false);
    Character elsewhere("Elsewhere", false);
    scene.add_character(&here);
    scene.add_character(&elsewhere);
    here.set_writing("Tavern");
    elsewhere.set_writing("Market");

    scene.clear_characters();

    EXPECT_TRUE(scene.get_characters().empty());
    EXPECT_EQ("", here.get_writing());
    EXPECT_EQ("Market", elsewhere.get_writing());
    EXPECT_EQ(2, std::distance(scene.get_backlog().begin(), scene.get_backlog().end()));
}

TEST_F(SceneTest, LinesOutsideASessionTouchNoFile)
{
    host.game = "Saga";
    fs::create_directory("Saga");
    Scene scene(host, "Tavern", false);
    scene.add_line(LogLine::NORMAL, "Guard", "$me$ draws a sword.");

    ASSERT_EQ(1, std::distance(scene.get_backlog().begin(), scene.get_backlog().end()));
    EXPECT_TRUE(files_below(root).empty());
}

TEST_F(SceneTest, BacklogKeepsTheTextAsReceivedWithATimeOfDay)
{
    Scene scene(host, "Tavern", false);
    scene.add_line(LogLine::OOC, "Guard", "$me$ is back");
    const LogLine& line = *scene.get_backlog().begin();
    EXPECT_EQ(LogLine::OOC, line.type);
    EXPECT_EQ("Guard", line.name);
    EXPECT_EQ("$me$ is back", line.text);
    EXPECT_TRUE(shaped(line.timestamp, "99:99:99")) << line.timestamp;
}

TEST_F(SceneTest, SessionLinesAreAppendedToTheSceneLog)
{
    host.game = "Saga";
    host.session = "First";
    fs::create_directory("Saga");
    {
        std::ofstream earlier("Saga/First-Tavern.log");
        earlier << "earlier line\n";
    }
    Scene scene(host, "Tavern", false);
    Character guard("Guard", false);
    scene.add_line(LogLine::NORMAL, "Guard", "$me$ draws a sword.");
    scene.add_line(LogLine::OOC, "Guard", "brb");
    scene.add_character(&guard);
    scene.add_line(LogLine::NORMAL, "Guard", "Halt!");

    std::vector<std::string> lines = read_lines("Saga/First-Tavern.log");
    ASSERT_EQ(5u, lines.size());
    EXPECT_EQ("earlier line", lines[0]);
    EXPECT_EQ("Guard draws a sword.", body(lines[1]));
    EXPECT_EQ("((Guard: brb))", body(lines[2]));
    EXPECT_EQ("Guard entered the scene", body(lines[3]));
    // The speaker's name shows only where the text says "$me$".
    EXPECT_EQ("Halt!", body(lines[4]));
    EXPECT_EQ(std::vector<std::string> { "Saga/First-Tavern.log" }, files_below(root / "a" / "b"));
}

TEST_F(SceneTest, PlaceholderReplacementInTheLogFile)
{
    struct Case
    {
        LogLine::Type type;
        const char* name;
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        { LogLine::NORMAL, "Bob", "$me$ and $me$", "Bob and Bob" },
        { LogLine::NORMAL, "$me$", "$me$ and $me$", "$me$ and $me$" },
        { LogLine::NORMAL, "Bob", "$me$$me$", "BobBob" },
        { LogLine::NORMAL, "Bob", "$me", "$me" },
        { LogLine::NORMAL, "Bob", "", "" },
        { LogLine::EVENT, "*", "Bob logged in", "Bob logged in" },
        { LogLine::OOC, "Bob", "$me$ waves", "((Bob: Bob waves))" },
    };
    host.game = "Saga";
    host.session = "First";
    fs::create_directory("Saga");
    Scene scene(host, "Tavern", false);
    for (const Case& c : cases)
        scene.add_line(c.type, c.name, c.text);

    std::vector<std::string> lines = read_lines("Saga/First-Tavern.log");
    ASSERT_EQ(std::size(cases), lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
    {
        SCOPED_TRACE(cases[i].text);
        EXPECT_EQ(cases[i].written, body(lines[i]));
    }
}

TEST_F(SceneTest, NamesFromTheServerCannotLeaveTheGameFolder)
{
    struct Case
    {
        const char* game;
        const char* session;
        const char* scene;
        const char* file;
    };
    const Case cases[] = {
        { "../../x", "First", "Tavern", "_.._.._x/First-Tavern.log" },
        { "Saga", "First", "a/../../b", "Saga/First-a_.._.._b.log" },
        { "Saga", "../..", "Tavern", "Saga/_.._..-Tavern.log" },
        { "Saga", "First", "..", "Saga/First-_...log" },
        { "..", "First", "Tavern", "_../First-Tavern.log" },
        { "", "First", "Tavern", "_/First-Tavern.log" },
        { "Sa\\ga", "First", "x\\..\\..\\y", "Sa_ga/First-x_.._.._y.log" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.game << " | " << c.session << " | " << c.scene);
        host.game = c.game;
        host.session = c.session;
        fs::create_directories(safe_name(c.game));
        Scene scene(host, c.scene, false);
        scene.add_line(LogLine::NORMAL, "Bob", "hello");

        EXPECT_EQ(std::vector<std::string> { c.file }, files_below(root / "a" / "b"));
        // Nothing at all outside the working folder.
        EXPECT_EQ(1u, files_below(root).size());
        fs::remove_all(fs::path(safe_name(c.game)));
    }
}

TEST_F(SceneTest, AnUnwritableLogFileThrowsAfterTheLineIsKept)
{
    host.game = "Missing";
    host.session = "First";
    Scene scene(host, "Tavern", false);
    EXPECT_ANY_THROW(scene.add_line(LogLine::NORMAL, "Bob", "hello"));
    ASSERT_EQ(1, std::distance(scene.get_backlog().begin(), scene.get_backlog().end()));
    EXPECT_EQ("hello", scene.get_backlog().begin()->text);
}
