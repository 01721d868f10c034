#include "client/parlane.h"

#include "client/ui/mainwindow.h"
#include "libs/core/source/core/except.h"
#include "libs/core/source/time/clock.h"
#include "tests/gui/fixture.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;
using GuiTest::Strings;
using GuiTest::TestServer;

namespace
{

class ParlaneTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        ASSERT_TRUE(server.log_in("Bob"));
    }

    void given(const Strings& lines) { EXPECT_TRUE(server.deliver_all(lines)); }
};

} // namespace

TEST_F(ParlaneTest, LogsInWithNameFirstAndTitleFollowsGameAndSession)
{
    ASSERT_FALSE(server.received.empty());
    EXPECT_EQ(";NAME;Bob", server.received[0].str());
    EXPECT_EQ("Parlane", window.get_title());
    const struct
    {
        const char *line, *title;
    } steps[] = {
        { ";GAME;Saga", "Parlane - Saga" },
        { ";SESSION;First", "Parlane - Saga - First" },
        { ";SESSION;", "Parlane - Saga" },
        { ";GAME;caf\xE9", "Parlane - caf\xEF\xBF\xBD" },
    };
    GuiTest::ToolkitWarnings warnings;
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.line);
        EXPECT_TRUE(server.deliver(step.line));
        EXPECT_EQ(step.title, window.get_title());
    }
    // ERROR text that is not UTF-8 is shown with a replacement character.
    server.deliver(";ERROR;caf\xE9");
    EXPECT_EQ(Strings { "caf\xEF\xBF\xBD" }, GuiTest::MessageBoxes::take());
    EXPECT_EQ(Strings {}, warnings.messages);
    parlane.disconnect();
    EXPECT_EQ("Parlane", window.get_title());
}

TEST_F(ParlaneTest, BadPacketsAreReportedAndTheNextLineIsHandled)
{
    for (const char* line : { ";ADDSCENE;Tavern;yes", "GARBAGE" })
    {
        SCOPED_TRACE(line);
        testing::internal::CaptureStdout();
        server.send_line(line);
        EXPECT_TRUE(server.deliver(Packet("", "SESSION", line)));
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_NE(std::string::npos, out.find(" from 127.0.0.1:")) << out;
        EXPECT_EQ(line, parlane.get_session());
    }
    EXPECT_TRUE(parlane.get_scenes().empty());
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
    // Two rounds are due in that time; a loaded machine may delay one.
    EXPECT_GE(background - during_flood, 1) << "one round every so often";
    EXPECT_LE(background - during_flood, 8);

    parlane.tick();
    int rounds = background;
    parlane.tick();
    EXPECT_GT(background, rounds + 1) << "the link is quiet: background work gets its slice";
    idle.disconnect();
}

TEST_F(ParlaneTest, AskedForBiographyIsShownInABox)
{
    given({ "Alice;BIOGRAPHY;Not asked for." });
    EXPECT_EQ(Strings(), GuiTest::MessageBoxes::take());
    parlane.show_character_biography("alice");
    given({ "Alice;BIOGRAPHY;A knight.\aOf old." });
    EXPECT_EQ((Strings { "Biography for Alice:\nA knight.\nOf old." }), GuiTest::MessageBoxes::take());
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
    given({ ";ADDCHAR;Alice;0", "Alice;ONLINE;1", ";ADDSCENE;Tavern;0" });
    parlane.disconnect();
    EXPECT_FALSE(parlane.is_connected());
    EXPECT_FALSE(parlane.get_character("Alice")->get_online());
    EXPECT_EQ(1u, parlane.get_scenes().size());

    TestServer other;
    parlane.connect(other.get_address(), "Carl");
    EXPECT_TRUE(parlane.get_scenes().empty());
    EXPECT_TRUE(parlane.get_characters().empty());
    EXPECT_EQ(nullptr, parlane.get_active_scene());
    Packet name;
    ASSERT_TRUE(other.wait_for("NAME", name));
    EXPECT_EQ(";NAME;Carl", name.str());
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
