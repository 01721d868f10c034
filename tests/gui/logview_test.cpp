#include "client/ui/logview.h"

#include "client/parlane.h"
#include "client/ui/mainwindow.h"
#include "libs/core/source/time/clock.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/main.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/textbuffer.h>

#include <string>
#include <utility>
#include <vector>

using GuiTest::Strings;

namespace
{

class LogViewTest: public GuiTest::SessionTest
{
protected:
    LogViewTest(): SessionTest(true) { }

    void SetUp() override
    {
        SessionTest::SetUp();
        log_in("Bob",
            { ";ADDCHAR;Bob;0", ";ADDCHAR;Alice;0", ";ADDCHAR;GM;0", ";ADDSCENE;Tavern;0",
                ";ADDSCENE;Market;0" });
        ASSERT_EQ("Tavern", parlane.get_active_scene()->get_name());
    }

    // The lines of the view without their "[hh:mm:ss] " stamps.
    Strings bodies()
    {
        Strings lines;
        std::string text = view.get_buffer()->get_text();
        for (size_t start = 0; !text.empty() && start <= text.size();)
        {
            size_t end = std::min(text.find('\n', start), text.size());
            std::string line = text.substr(start, end - start);
            EXPECT_EQ("[", line.substr(0, 1));
            EXPECT_EQ("] ", line.substr(9, 2));
            lines.push_back(line.substr(std::min<size_t>(11, line.size())));
            start = end + 1;
        }
        return lines;
    }

    // How the character at `offset` of line `line` (counted after the stamp,
    // which -11 is the start of) is drawn: its colour role, then "bold",
    // "underline" and "italic" where they apply.
    std::string look_at(int line, int offset)
    {
        Gtk::TextIter at = view.get_buffer()->get_iter_at_line_offset(line, 11 + offset);
        // gtkmm's TextIter::get_attributes() crashes; the C call does not.
        GtkTextAttributes* values = gtk_text_view_get_default_attributes(view.gobj());
        gtk_text_iter_get_attributes(at.gobj(), values);
        std::string look = "?";
        for (const char* role : { "timestamp", "text", "gm", "ooc", "name", "other_name", "event", "speech" })
        {
            Gdk::Color color;
            color.set(parlane.get_config().get_color(role));
            const GdkColor& fg = values->appearance.fg_color;
            if (color.get_red() == fg.red && color.get_green() == fg.green && color.get_blue() == fg.blue)
            {
                look = role;
                break;
            }
        }
        if (pango_font_description_get_weight(values->font) >= PANGO_WEIGHT_BOLD)
            look += " bold";
        if (values->appearance.underline == PANGO_UNDERLINE_SINGLE)
            look += " underline";
        if (pango_font_description_get_style(values->font) == PANGO_STYLE_ITALIC)
            look += " italic";
        gtk_text_attributes_unref(values);
        return look;
    }

    void deliver(const std::string& line) { EXPECT_TRUE(server.deliver(line)) << line; }

    LogView& view = *GuiTest::find_widget<LogView>(window, "txt_log");
};

TEST_F(LogViewTest, RendersEachKindOfLine)
{
    const struct
    {
        const char *line, *body;
        std::vector<std::pair<int, const char*>> looks; // offset, look
    } lines[] = {
        { "Bob;TEXT;Tavern;$me$: \"Hello\"", "Bob: \"Hello\"",
            { { -11, "timestamp" }, { -2, "timestamp" }, { 0, "name" }, { 3, "text" }, { 5, "text" },
                { 6, "speech" } } },
        { "Alice;OOC;Tavern;brb", "Alice: brb", { { 0, "ooc" }, { 7, "ooc" } } },
        { "Bob;ENTER;Tavern", "* Bob entered the scene", { { 0, "event" }, { 2, "event" } } },
        { "Bob;TEXT;Tavern;$me$ waves at $Alice$, *twice* and _slowly_ %now% *_%all%_*",
            "Bob waves at Alice, twice and slowly now all",
            { { 0, "name" }, { 4, "text" }, { 13, "other_name" }, { 20, "text bold" },
                { 30, "text underline" }, { 37, "text italic" }, { 41, "text bold underline italic" } } },
        { "GM;TEXT;Tavern;It rains.", "It rains.", { { 0, "gm" } } },
        // Speech colour wins over names.
        { "Bob;TEXT;Tavern;$me$: \"hi $Alice$\"", "Bob: \"hi Alice\"", { { 9, "speech" } } },
        // Spans keep their places where bytes that are not UTF-8 are replaced.
        { "Alice;TEXT;Tavern;caf\xE9 *cr\xE8me*", "caf\xEF\xBF\xBD cr\xEF\xBF\xBDme",
            { { 0, "text" }, { 5, "text bold" } } },
    };
    GuiTest::ToolkitWarnings warnings;
    Strings bodies_so_far;
    for (const auto& l : lines)
    {
        SCOPED_TRACE(l.line);
        deliver(l.line);
        bodies_so_far.push_back(l.body);
        ASSERT_EQ(bodies_so_far, bodies());
        for (const auto& look : l.looks)
            EXPECT_EQ(look.second, look_at(bodies_so_far.size() - 1, look.first)) << "at " << look.first;
    }
    EXPECT_EQ(Strings(), warnings.messages);

    parlane.set_active_scene(parlane.get_scene("Market"));
    EXPECT_EQ(Strings(), bodies());
    deliver("Alice;TEXT;Tavern;while away");
    bodies_so_far.push_back("while away");
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    EXPECT_EQ(bodies_so_far, bodies()) << "the whole scene is rendered again";
    for (size_t i = 0; i < std::size(lines); ++i)
        for (const auto& look : lines[i].looks)
            EXPECT_EQ(look.second, look_at(i, look.first)) << lines[i].line << " at " << look.first;
}

TEST_F(LogViewTest, LinesOfOneTurnAreInsertedTogetherAfterTheShownOnes)
{
    deliver("Alice;TEXT;Tavern;one");
    Strings inserted;
    sigc::connection watch = view.get_buffer()->signal_insert().connect(
        [&](const Gtk::TextIter&, const Glib::ustring& text, int) { inserted.push_back(text); });
    // Both lines, and the marker that ends the delivery, arrive in one read.
    server.send(Packet("Alice", "TEXT", "Tavern", "two"));
    deliver("Alice;TEXT;Tavern;three");
    watch.disconnect();
    ASSERT_EQ(1u, inserted.size());
    const std::string text = inserted[0];
    ASSERT_EQ(std::string("\n[00:00:00] two\n[00:00:00] three").size(), text.size()) << text;
    EXPECT_EQ("\n[", text.substr(0, 2)) << "a line feed after the line shown before";
    EXPECT_EQ("] two\n[", text.substr(10, 7));
    EXPECT_EQ("] three", text.substr(25));
    EXPECT_EQ((Strings { "one", "two", "three" }), bodies());
}

// New lines get their colours while the view holds back its answer to each
// colour change: what it draws afterwards must still carry them.
TEST_F(LogViewTest, LinesArrivingInViewAreDrawnInTheirColours)
{
    window.resize(600, 300);
    GdkColor name;
    ASSERT_TRUE(gdk_color_parse(parlane.get_config().get_color("name").c_str(), &name));
    auto name_pixels = [&]
    {
        GuiTest::run_until([] { return !Gtk::Main::events_pending(); }, 1000);
        GdkWindow* text = gtk_text_view_get_window(view.gobj(), GTK_TEXT_WINDOW_TEXT);
        int width = 0, height = 0;
        gdk_drawable_get_size(text, &width, &height);
        GdkPixbuf* shot = gdk_pixbuf_get_from_drawable(nullptr, text, nullptr, 0, 0, 0, 0, width, height);
        if (!shot)
            return -1;
        int count = 0;
        const guchar* pixels = gdk_pixbuf_get_pixels(shot);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
            {
                const guchar* p
                    = pixels + y * gdk_pixbuf_get_rowstride(shot) + x * gdk_pixbuf_get_n_channels(shot);
                count += p[0] == name.red >> 8 && p[1] == name.green >> 8 && p[2] == name.blue >> 8;
            }
        g_object_unref(shot);
        return count;
    };
    EXPECT_EQ(0, name_pixels());
    deliver("Alice;TEXT;Tavern;$me$ waves");
    EXPECT_GT(name_pixels(), 10) << "the speaker's name is drawn in the name colour";
}

// Spacing below the last line of "txt_log" would leave a scroll to the end
// short of the bottom, and the view would stop following.
TEST_F(LogViewTest, ScrolledUpViewStaysWhileViewAtTheBottomFollows)
{
    window.resize(600, 300);
    BackLog& log = parlane.get_scene("Tavern")->get_backlog();
    for (int i = 0; i < 200; ++i)
        log.push_back(LogLine(LogLine::NORMAL, "12:00:00", "Bob", "line " + std::to_string(i)));
    auto settle = [] { GuiTest::run_until([] { return !Gtk::Main::events_pending(); }, 1000); };
    settle();
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    settle();
    Gtk::Adjustment& adj = *dynamic_cast<Gtk::ScrolledWindow&>(*view.get_parent()).get_vadjustment();
    auto bottom = [&] { return adj.get_upper() - adj.get_page_size(); };
    ASSERT_GT(bottom(), 0);
    EXPECT_EQ(bottom(), adj.get_value()) << "a scene is shown from its end";

    adj.set_value(0);
    deliver("Alice;TEXT;Tavern;while scrolled up");
    settle();
    EXPECT_EQ(0, adj.get_value());

    adj.set_value(bottom());
    for (const char* text : { "first at the bottom", "second at the bottom" })
    {
        SCOPED_TRACE(text);
        Kel::Time::TimeStamp sent = Kel::Time::now();
        deliver(std::string("Alice;TEXT;Tavern;") + text);
        // Lines in quick succession are followed at a steady pace.
        GuiTest::run_until(
            [&] {
                return Kel::Time::now() - sent > 2 * LogView::FOLLOW_INTERVAL && !Gtk::Main::events_pending();
            },
            5000);
        EXPECT_EQ(bottom(), adj.get_value());
    }
}

} // namespace
