#include "client/logview.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "libs/core/source/time/clock.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/textbuffer.h>

#include <string>
#include <utility>
#include <vector>

using GuiTest::TestServer;

namespace
{

typedef std::vector<std::string> Strings;
typedef std::vector<std::pair<unsigned, unsigned>> Ranges;

TEST(LogViewSpans, MarkersPairUpAndDoubledOnesStayAsOne)
{
    struct Case
    {
        std::string line;
        char c;
        bool rm;
        std::string shown;
        Ranges spans;
    } cases[] = {
        { "a *b* c", '*', true, "a b c", { { 2, 3 } } },
        { "*a* *bc*", '*', true, "a bc", { { 0, 1 }, { 2, 4 } } }, { "**", '*', true, "*", {} },
        { "a ** b *c*", '*', true, "a * b c", { { 6, 7 } } }, { "lone * here", '*', true, "lone * here", {} },
        { "_a*b_", '_', true, "a*b", { { 0, 3 } } },
        { "say \"hi\" now", '"', false, "say \"hi\" now", { { 5, 7 } } }, { "\"\"", '"', false, "\"", {} },
        { "%\xC3\xA9t\xC3\xA9%", '%', true, "\xC3\xA9t\xC3\xA9", { { 0, 3 } } }, // characters, not bytes
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        Glib::ustring line = c.line;
        std::list<LogView::Span> spans;
        LogView::find_spans(line, c.c, c.rm, spans, Glib::RefPtr<Gtk::TextTag>());
        EXPECT_EQ(c.shown, line.raw());
        Ranges found;
        for (const LogView::Span& s : spans)
            found.push_back({ s.begin, s.end });
        EXPECT_EQ(c.spans, found);
    }
}

TEST(LogViewSpans, EarlierSpansKeepCoveringTheirCharacters)
{
    Glib::ustring line = "Bob *waves* at Al";
    std::list<LogView::Span> spans = {
        LogView::Span(0, 3, Glib::RefPtr<Gtk::TextTag>()), // Bob
        LogView::Span(5, 10, Glib::RefPtr<Gtk::TextTag>()), // waves
        LogView::Span(15, 17, Glib::RefPtr<Gtk::TextTag>()), // Al
    };
    LogView::find_spans(line, '*', true, spans, Glib::RefPtr<Gtk::TextTag>());
    ASSERT_EQ("Bob waves at Al", line);
    Ranges found;
    for (const LogView::Span& s : spans)
        found.push_back({ s.begin, s.end });
    EXPECT_EQ((Ranges { { 0, 3 }, { 4, 9 }, { 13, 15 }, { 4, 9 } }), found);
}

class LogViewTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        GuiTest::MessageBoxes::take();
        window.show();
        ASSERT_TRUE(server.log_in("Bob"));
        for (const char* who : { "Bob", "Alice", "GM" })
            server.send(Packet("", "ADDCHAR", who, "0"));
        server.send(Packet("", "ADDSCENE", "Tavern", "0"));
        server.send(Packet("", "ADDSCENE", "Market", "0"));
        ASSERT_TRUE(server.sync());
        ASSERT_EQ("Tavern", parlane.get_active_scene()->get_name());
    }

    void TearDown() override
    {
        window.hide();
        GuiTest::run_turns(5);
    }

    // The lines of the view without their "[hh:mm:ss] " stamps.
    Strings bodies()
    {
        Strings lines;
        std::string text = view.get_buffer()->get_text();
        if (text.empty())
            return lines;
        size_t start = 0;
        while (start <= text.size())
        {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            EXPECT_EQ("[", line.substr(0, 1));
            EXPECT_EQ("] ", line.substr(9, 2));
            lines.push_back(line.substr(std::min<size_t>(11, line.size())));
            start = end + 1;
        }
        return lines;
    }

    // The colour role whose colour the character at `offset` of line `line`
    // (counted after the stamp; -1 is the stamp) is drawn in.
    std::string role_at(int line, int offset)
    {
        Gtk::TextIter at = view.get_buffer()->get_iter_at_line_offset(line, 11 + offset);
        // gtkmm's TextIter::get_attributes() crashes; the C call does not.
        GtkTextAttributes* values = gtk_text_view_get_default_attributes(view.gobj());
        gtk_text_iter_get_attributes(at.gobj(), values);
        GdkColor fg = values->appearance.fg_color;
        gtk_text_attributes_unref(values);
        for (const char* role : { "timestamp", "text", "gm", "ooc", "name", "other_name", "event", "speech" })
        {
            Gdk::Color color;
            color.set(parlane.get_config().get_color(role));
            if (color.get_red() == fg.red && color.get_green() == fg.green && color.get_blue() == fg.blue)
                return role;
        }
        return "?";
    }

    void deliver(const Packet& pkt) { EXPECT_TRUE(server.deliver(pkt)) << pkt.str(); }

    Parlane& parlane = GuiTest::parlane();
    MainWindow& window = *parlane.get_main_window();
    LogView& view = *GuiTest::find_widget<LogView>(window, "txt_log");
    TestServer server;
};

TEST_F(LogViewTest, RendersEachKindOfLine)
{
    deliver(Packet("Bob", "TEXT", "Tavern", "$me$: \"Hello\""));
    deliver(Packet("Alice", "OOC", "Tavern", "brb"));
    deliver(Packet("Bob", "ENTER", "Tavern"));
    deliver(Packet("Bob", "TEXT", "Tavern", "$me$ waves at $Alice$, *twice* and _slowly_ %now%, $$**50%"));
    deliver(Packet("GM", "TEXT", "Tavern", "It rains."));
    EXPECT_EQ((Strings { "Bob: \"Hello\"", "Alice: brb", "* Bob entered the scene",
                  "Bob waves at Alice, twice and slowly now, *50%", "It rains." }),
        bodies());

    const struct
    {
        int line;
        int offset;
        const char* role;
    } cases[] = {
        { 0, -11, "timestamp" },
        { 0, -2, "timestamp" },
        { 0, 0, "name" },
        { 0, 3, "text" },
        { 0, 5, "text" } /* the quote */,
        { 0, 6, "speech" },
        { 1, 0, "ooc" },
        { 1, 7, "ooc" },
        { 2, 0, "event" },
        { 2, 2, "event" },
        { 3, 0, "name" },
        { 3, 4, "text" },
        { 3, 13, "other_name" },
        { 4, 0, "gm" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.line << ":" << c.offset);
        EXPECT_EQ(c.role, role_at(c.line, c.offset));
    }
}

TEST_F(LogViewTest, SpeechColourWinsOverNames)
{
    deliver(Packet("Bob", "TEXT", "Tavern", "$me$: \"hi $Alice$\""));
    ASSERT_EQ(Strings { "Bob: \"hi Alice\"" }, bodies());
    EXPECT_EQ("speech", role_at(0, 9));
}

TEST_F(LogViewTest, AppendsOnlyNewLinesAndRendersAllOnActivation)
{
    deliver(Packet("Alice", "TEXT", "Tavern", "one"));
    deliver(Packet("Alice", "TEXT", "Tavern", "two"));
    // The name of an in-character line shows only where its text says $me$.
    EXPECT_EQ((Strings { "one", "two" }), bodies());
    parlane.set_active_scene(parlane.get_scene("Market"));
    EXPECT_EQ(Strings(), bodies());
    deliver(Packet("Alice", "TEXT", "Tavern", "three"));
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    EXPECT_EQ((Strings { "one", "two", "three" }), bodies());
}

// A name is inserted once; dollar signs inside it are not markers.
TEST_F(LogViewTest, NamesHoldingDollarSignsAreNotResolvedAgain)
{
    deliver(Packet("$me$", "TEXT", "Tavern", "$me$ waves"));
    deliver(Packet("a$b", "TEXT", "Tavern", "$me$ and $c$"));
    EXPECT_EQ((Strings { "$me$ waves", "a$b and c" }), bodies());
    EXPECT_EQ("name", role_at(1, 2));
    EXPECT_EQ("other_name", role_at(1, 8));
}

TEST_F(LogViewTest, ForeignBytesAreShownAsReplacementCharacters)
{
    deliver(Packet("Alice", "TEXT", "Tavern", "caf\xE9 *cr\xE8me*"));
    EXPECT_EQ(Strings { "caf\xEF\xBF\xBD cr\xEF\xBF\xBDme" }, bodies());
}

// Bold, underline and italic at a character of line `line` (counted after
// the stamp), as drawn.
std::string style_at(LogView& view, int line, int offset)
{
    GtkTextAttributes* values = gtk_text_view_get_default_attributes(view.gobj());
    Gtk::TextIter at = view.get_buffer()->get_iter_at_line_offset(line, 11 + offset);
    gtk_text_iter_get_attributes(at.gobj(), values);
    std::string style;
    if (pango_font_description_get_weight(values->font) >= PANGO_WEIGHT_BOLD)
        style += " bold";
    if (values->appearance.underline == PANGO_UNDERLINE_SINGLE)
        style += " underline";
    if (pango_font_description_get_style(values->font) == PANGO_STYLE_ITALIC)
        style += " italic";
    gtk_text_attributes_unref(values);
    return style.empty() ? style : style.substr(1);
}

TEST_F(LogViewTest, EmphasisMarkersBecomeStyles)
{
    deliver(Packet("Alice", "TEXT", "Tavern", "*b* _u_ %i% *_%all%_*"));
    ASSERT_EQ(Strings { "b u i all" }, bodies());
    const struct
    {
        int offset;
        const char* style;
    } cases[] = {
        { 0, "bold" },
        { 1, "" },
        { 2, "underline" },
        { 4, "italic" },
        { 6, "bold underline italic" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.offset);
        EXPECT_EQ(c.style, style_at(view, 0, c.offset));
    }
}

TEST_F(LogViewTest, LinesOfOneTurnAreInsertedTogetherAfterTheShownOnes)
{
    deliver(Packet("Alice", "TEXT", "Tavern", "one"));
    Strings inserted;
    sigc::connection watch = view.get_buffer()->signal_insert().connect(
        [&](const Gtk::TextIter&, const Glib::ustring& text, int) { inserted.push_back(text); });
    // Both lines, and the marker that ends the delivery, arrive in one read.
    server.send(Packet("Alice", "TEXT", "Tavern", "two"));
    deliver(Packet("Alice", "TEXT", "Tavern", "three"));
    watch.disconnect();
    ASSERT_EQ(1u, inserted.size());
    const std::string text = inserted[0];
    ASSERT_EQ(std::string("\n[00:00:00] two\n[00:00:00] three").size(), text.size()) << text;
    EXPECT_EQ("\n[", text.substr(0, 2)) << "a line feed after the line shown before";
    EXPECT_EQ("] two\n[", text.substr(10, 7));
    EXPECT_EQ("] three", text.substr(25));
    EXPECT_EQ((Strings { "one", "two", "three" }), bodies());
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
    deliver(Packet("Alice", "TEXT", "Tavern", "while scrolled up"));
    settle();
    EXPECT_EQ(0, adj.get_value());

    adj.set_value(bottom());
    for (const char* text : { "first at the bottom", "second at the bottom" })
    {
        SCOPED_TRACE(text);
        Kel::Time::TimeStamp sent = Kel::Time::now();
        deliver(Packet("Alice", "TEXT", "Tavern", text));
        // Lines in quick succession are followed at a steady pace.
        GuiTest::run_until(
            [&] { return Kel::Time::now() - sent > 2 * LogView::FOLLOW_INTERVAL && !Gtk::Main::events_pending(); },
            5000);
        EXPECT_EQ(bottom(), adj.get_value());
    }
}

} // namespace
