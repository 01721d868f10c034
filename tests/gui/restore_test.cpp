#include "client/parlane.h"
#include "client/ui/logview.h"
#include "client/ui/mainwindow.h"
#include "tests/client/tempdir.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace
{

const char OLD_LINES[] = "[2031-05-04 20:15:07] Guard draws a sword.\n"
                         "[2031-05-04 20:15:08] ((Ann: brb))\n"
                         "no stamp \xFF here\n";

class RestoreViewTest: public GuiTest::SessionTest
{
protected:
    RestoreViewTest(): SessionTest(true) { }

    std::string look_at(int line, int offset) { return GuiTest::look_at(view, line, offset); }

    const Config& config() { return parlane.get_config(); }

    LogView& view = *GuiTest::find_widget<LogView>(window, "txt_log");
};

} // namespace

// With no scene the view welcomes the user; the first scene replaces the
// welcome, and dropping every scene brings it back.
TEST_F(RestoreViewTest, WelcomeShowsWhileNoSceneIsActive)
{
    window.resize(700, 500);
    ASSERT_TRUE(server.log_in("Bob"));
    GuiTest::run_turns(5);
    std::string text = view.get_buffer()->get_text();
    EXPECT_EQ(0u, text.find("Welcome to Parlane.")) << text;
    for (const std::string& part : { std::string("Ctrl+O"), std::string("\"GM\""), std::string("F1"),
             (fs::current_path() / "parlane.conf").string(), (fs::current_path() / "<game>").string() + "/" })
        EXPECT_NE(std::string::npos, text.find(part)) << part << " in " << text;
    EXPECT_EQ(config().get_color("event") + " bold", look_at(0, 0));
    GuiTest::screenshot(window, "welcome.png");

    ASSERT_TRUE(server.deliver_all({ ";ADDSCENE;Tavern;0", "*;TEXT;Tavern;Hello" }));
    GuiTest::Strings shown = GuiTest::lines(view);
    ASSERT_EQ(1u, shown.size()) << view.get_buffer()->get_text();
    EXPECT_EQ("Hello", shown[0].substr(11));

    parlane.disconnect();
    ASSERT_TRUE(server.log_in("Carl")); // a login under another name drops every scene
    GuiTest::run_turns(5);
    EXPECT_EQ(0u, view.get_buffer()->get_text().find("Welcome to Parlane."));
}

// A client started again mid-session shows the scene's last logged lines
// dimmed, then the separator, then what happens now.
TEST_F(RestoreViewTest, RestartMidSessionShowsTheLoggedLinesDimmedOnce)
{
    window.resize(700, 400);
    fs::create_directories("Keep"); // below the fixture's own working folder
    write_file("Keep/Night-Tavern.log", OLD_LINES);
    log_in("Bob",
        { ";GAME;Keep", ";SESSION;Night", ";ADDCHAR;Bob;0", ";ADDSCENE;Tavern;0", "Bob;ENTER;Tavern",
            "Bob;TEXT;Tavern;$me$ says \"*hi*\"" });
    GuiTest::run_turns(5);
    GuiTest::Strings shown = GuiTest::lines(view);
    ASSERT_EQ(6u, shown.size()) << view.get_buffer()->get_text();
    EXPECT_EQ("[20:15:07] Guard draws a sword.", shown[0]);
    EXPECT_EQ("[20:15:08] Ann: brb", shown[1]);
    EXPECT_EQ("[--:--:--] no stamp \xEF\xBF\xBD here", shown[2]);
    EXPECT_NE(std::string::npos, shown[3].find(" earlier lines from the log ")) << shown[3];
    EXPECT_EQ("* Bob entered the scene", shown[4].substr(11));
    EXPECT_EQ("Bob says \"hi\"", shown[5].substr(11));

    // Restored bodies share one colour, of no other kind of line; the rest
    // keep theirs.
    std::string dim = look_at(0, 11);
    for (const char* role : { "text", "ooc", "event", "name", "speech", "gm" })
        EXPECT_NE(config().get_color(role), dim) << role;
    const std::string event = config().get_color("event");
    EXPECT_EQ((GuiTest::Strings { dim, dim, event + " bold", event, config().get_color("speech") + " bold" }),
        (GuiTest::Strings {
            look_at(1, 11), look_at(2, 11), look_at(3, 11), look_at(4, 11), look_at(5, 21) }));
    GuiTest::screenshot(window, "restored.png");
}

// The client's own lines: notices quiet, problems in the error colour; none
// is logged.
TEST_F(RestoreViewTest, LocalLinesHaveLooksOfTheirOwn)
{
    log_in("Bob", { ";ADDSCENE;Tavern;0" });
    Scene& tavern = *parlane.get_active_scene();
    tavern.add_local_line(LogLine::NOTICE, "Reconnected");
    tavern.add_local_line(LogLine::PROBLEM, "Unknown command /frob (see Help)");
    parlane.signal_activity.emit();
    GuiTest::run_turns(5);
    GuiTest::Strings shown = GuiTest::lines(view);
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("* Reconnected", shown[0].substr(11));
    EXPECT_EQ(config().get_color("event") + " italic", look_at(0, 13));
    EXPECT_EQ(config().get_color("error"), look_at(1, 13));
}
