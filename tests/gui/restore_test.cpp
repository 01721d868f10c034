#include "client/parlane.h"
#include "client/ui/logview.h"
#include "client/ui/mainwindow.h"
#include "tests/client/tempdir.h"
#include "tests/gui/fixture.h"

#include <gdk/gdk.h>
#include <gtest/gtest.h>
#include <gtkmm/main.h>
#include <gtkmm/textbuffer.h>

#include <cstdio>
#include <cstdlib>
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

    std::vector<std::string> lines()
    {
        std::vector<std::string> result;
        std::string text = view.get_buffer()->get_text();
        for (std::size_t start = 0; start <= text.size();)
        {
            std::size_t end = std::min(text.find('\n', start), text.size());
            result.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return result;
    }

    // "#RRGGBB" of the text at the character `offset` of `line`, then " bold"
    // and " italic" where they apply.
    std::string look_at(int line, int offset)
    {
        Gtk::TextIter at = view.get_buffer()->get_iter_at_line_offset(line, offset);
        GtkTextAttributes* values = gtk_text_view_get_default_attributes(view.gobj());
        gtk_text_iter_get_attributes(at.gobj(), values);
        const GdkColor& fg = values->appearance.fg_color;
        char look[8];
        std::snprintf(look, sizeof look, "#%02X%02X%02X", fg.red >> 8, fg.green >> 8, fg.blue >> 8);
        std::string result = look;
        if (pango_font_description_get_weight(values->font) >= PANGO_WEIGHT_BOLD)
            result += " bold";
        if (pango_font_description_get_style(values->font) == PANGO_STYLE_ITALIC)
            result += " italic";
        gtk_text_attributes_unref(values);
        return result;
    }

    // A picture of the window for a person to look at, when asked for.
    void screenshot(const std::string& name)
    {
        const char* folder = std::getenv("PARLANE_SCREENSHOTS");
        if (!folder)
            return;
        GuiTest::run_until([] { return !Gtk::Main::events_pending(); }, 1000);
        ASSERT_TRUE(GuiTest::save_screenshot(window, std::string(folder) + "/" + name + ".png"));
    }

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
    for (const char* part : { "Ctrl+O", "\"GM\"", "F1" })
        EXPECT_NE(std::string::npos, text.find(part)) << part;
    EXPECT_NE(std::string::npos, text.find((fs::current_path() / "parlane.conf").string())) << text;
    EXPECT_NE(std::string::npos, text.find((fs::current_path() / "<game>").string() + "/")) << text;
    EXPECT_EQ(config().get_color("event") + " bold", look_at(0, 0));
    screenshot("welcome");

    ASSERT_TRUE(server.deliver_all({ ";ADDSCENE;Tavern;0", "*;TEXT;Tavern;Hello" }));
    std::vector<std::string> shown = lines();
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
    std::vector<std::string> shown = lines();
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
    EXPECT_EQ(dim, look_at(1, 11));
    EXPECT_EQ(dim, look_at(2, 11));
    EXPECT_EQ(config().get_color("event") + " bold", look_at(3, 11));
    EXPECT_EQ(config().get_color("event"), look_at(4, 11));
    EXPECT_EQ(config().get_color("speech") + " bold", look_at(5, 21));
    screenshot("restored");
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
    std::vector<std::string> shown = lines();
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ("* Reconnected", shown[0].substr(11));
    EXPECT_EQ(config().get_color("event") + " italic", look_at(0, 13));
    EXPECT_EQ(config().get_color("error"), look_at(1, 13));
}
