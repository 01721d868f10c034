#include "client/logview.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtkmm/main.h>
#include <gtkmm/scrolledwindow.h>
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <list>
#include <map>
#include <string>
#include <vector>

using GuiTest::TestServer;

namespace {

// Every colour role of the log gets a colour of its own, so that a tag and
// the colour a character is shown in tell which role they stand for.
const std::pair<const char*, const char*> COLORS[] = {
    {"timestamp", "#111111"}, {"text", "#222222"}, {"gm", "#333333"},         {"ooc", "#444444"},
    {"name", "#555555"},      {"other_name", "#666666"}, {"event", "#777777"}, {"speech", "#888888"},
};

const char STAMP[] = "12:34:56";

std::string hex(const Gdk::Color& color)
{
    char text[8];
    snprintf(text, sizeof text, "#%02x%02x%02x", color.get_red() >> 8, color.get_green() >> 8, color.get_blue() >> 8);
    return text;
}

class LogViewTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        parlane.set_writing(false);
        GuiTest::MessageBoxes::take();
        for (const auto& c: COLORS)
        {
            saved[c.first] = config.get_color(c.first);
            config.set_color(c.first, c.second);
            Gdk::Color color(c.second);
            roles[hex(color)] = c.first;
        }
        saved["background"] = config.get_color("background");
        saved_default_bg = config.get_default_bg();
        parlane.signal_config_changed.emit();

        parlane.connect(server.get_address(), "Bob");
        ASSERT_TRUE(parlane.is_connected());
        Packet name;
        ASSERT_TRUE(server.wait_for("NAME", name));
        deliver(Packet("", "ADDSCENE", "Tavern", "0"));
        ASSERT_NE(nullptr, parlane.get_active_scene());
    }

    void TearDown() override
    {
        watch_insert.disconnect();
        for (const auto& entry: saved)
            config.set_color(entry.first, entry.second);
        config.set_default_bg(saved_default_bg);
        parlane.signal_config_changed.emit();
        window.hide();
        GuiTest::run_turns(5);
    }

    // Runs turns until the toolkit has nothing left to do: layout and
    // scrolling are done in idle handlers.
    void settle()
    {
        GuiTest::run_until([] { return !Gtk::Main::events_pending(); }, 1000);
        GuiTest::run_turns(20);
    }

    void deliver(const Packet& pkt) { EXPECT_TRUE(server.deliver(pkt)) << pkt.str(); }

    Scene& scene(const std::string& name) { return *parlane.get_scene(name); }

    void push(const std::string& scene_name, LogLine::Type type, const std::string& who, const std::string& text)
    {
        scene(scene_name).get_backlog().push_back(LogLine(type, STAMP, who, text));
    }

    std::vector<Glib::ustring> lines() const
    {
        std::vector<Glib::ustring> result;
        Glib::ustring text = buffer->get_text();
        Glib::ustring::size_type start = 0, feed;
        while ((feed = text.find('\n', start)) != Glib::ustring::npos)
        {
            result.push_back(text.substr(start, feed - start));
            start = feed + 1;
        }
        result.push_back(text.substr(start));
        return result;
    }

    // What a tag stands for, told by the property that only it sets.
    std::string role_of(const Glib::RefPtr<Gtk::TextTag>& tag) const
    {
        if (tag->property_indent_set().get_value())
            return "line";
        if (tag->property_weight_set().get_value())
            return "bold";
        if (tag->property_underline_set().get_value())
            return "underline";
        if (tag->property_style_set().get_value())
            return "italic";
        if (tag->property_foreground_set().get_value())
        {
            std::map<std::string, std::string>::const_iterator i =
                roles.find(hex(tag->property_foreground_gdk().get_value()));
            if (i != roles.end())
                return i->second;
        }
        return "?";
    }

    // The tags on one character, in the order of their priority.
    std::string tags_at(int line, int offset) const
    {
        Gtk::TextIter iter = buffer->get_iter_at_line_offset(line, offset);
        std::map<int, std::string> by_priority;
        std::vector<Glib::RefPtr<Gtk::TextTag>> tags = iter.get_tags();
        for (const Glib::RefPtr<Gtk::TextTag>& tag: tags)
            by_priority[tag->get_priority()] = role_of(tag);
        std::string result;
        for (const auto& entry: by_priority)
            result += (result.empty() ? "" : " ") + entry.second;
        return result;
    }

    // The role whose colour the character is drawn in, with " bold",
    // " underline" and " italic" for the styles it is drawn with.
    std::string shown_at(int line, int offset) const
    {
        GtkTextAttributes* values = gtk_text_view_get_default_attributes(GTK_TEXT_VIEW(view.gobj()));
        Gtk::TextIter iter = buffer->get_iter_at_line_offset(line, offset);
        gtk_text_iter_get_attributes(iter.gobj(), values);
        std::string result = hex(Gdk::Color(&values->appearance.fg_color, true));
        std::map<std::string, std::string>::const_iterator i = roles.find(result);
        if (i != roles.end())
            result = i->second;
        if (pango_font_description_get_weight(values->font) >= PANGO_WEIGHT_BOLD)
            result += " bold";
        if (values->appearance.underline == PANGO_UNDERLINE_SINGLE)
            result += " underline";
        if (pango_font_description_get_style(values->font) == PANGO_STYLE_ITALIC)
            result += " italic";
        gtk_text_attributes_unref(values);
        return result;
    }

    Parlane& parlane = GuiTest::parlane();
    Config& config = parlane.get_config();
    MainWindow& window = *parlane.get_main_window();
    LogView& view = *GuiTest::find_widget<LogView>(window, "txt_log");
    Glib::RefPtr<Gtk::TextBuffer> buffer = view.get_buffer();
    TestServer server;
    std::map<std::string, std::string> saved;
    bool saved_default_bg = false;
    std::map<std::string, std::string> roles;  // "#rrggbb" -> role
    // Lambdas are not trackable: this goes before the fixture does.
    sigc::connection watch_insert;
};

// One probe: every character of `text` (its `occurrence`-th appearance in
// the display line) carries exactly `tags` and is drawn as `shown`.
struct Probe
{
    const char* text;
    const char* tags;
    const char* shown;
    int occurrence;
};

struct Case
{
    LogLine::Type type;
    const char* who;
    const char* text;
    const char* display;
    std::vector<Probe> probes;
};

const Case CASES[] = {
    {LogLine::NORMAL, "Bob", "$me$: \"Well met\"", "[12:34:56] Bob: \"Well met\"",
     {{"[12:34:56]", "line timestamp", "timestamp", 0},
      {" ", "line", "?", 0},
      {"Bob", "line text name", "name", 0},
      {": \"", "line text", "text", 0},
      {"Well met", "line text speech", "speech", 0},
      {"\"", "line text", "text", 1}}},
    // The narrator's lines take the gm colour as their body colour.
    {LogLine::NORMAL, "GM", "$me$: \"Well met\"", "[12:34:56] GM: \"Well met\"",
     {{"GM", "line gm name", "name", 0}, {": \"", "line gm", "gm", 0}, {"Well met", "line gm speech", "speech", 0}}},
    {LogLine::NORMAL, "Bob", "$me$ bows to $Alice$.", "[12:34:56] Bob bows to Alice.",
     {{"Bob", "line text name", "name", 0}, {" bows to ", "line text", "text", 0},
      {"Alice", "line text other_name", "other_name", 0}, {".", "line text", "text", 0}}},
    // Speech outranks names.
    {LogLine::NORMAL, "Bob", "$me$: \"Hello, $Alice$!\"", "[12:34:56] Bob: \"Hello, Alice!\"",
     {{"Alice", "line text other_name speech", "speech", 0}, {"Hello, ", "line text speech", "speech", 0}}},
    // Dollar signs pair up wherever they are; a single one stays.
    {LogLine::NORMAL, "Bob", "costs $5 or $6", "[12:34:56] costs 5 or 6",
     {{"5 or ", "line text other_name", "other_name", 0}, {"6", "line text", "text", 1}}},
    {LogLine::NORMAL, "Bob", "costs $5", "[12:34:56] costs $5", {{"costs $5", "line text", "text", 0}}},
    {LogLine::NORMAL, "Bob", "a$$b", "[12:34:56] ab", {{"ab", "line text", "text", 0}}},
    {LogLine::NORMAL, "Bob", "*bold* _under_ %italic%", "[12:34:56] bold under italic",
     {{"bold", "line text bold", "text bold", 0},
      {"under", "line text underline", "text underline", 0},
      {"italic", "line text italic", "text italic", 0},
      {" ", "line text", "text", 1}}},
    {LogLine::NORMAL, "Bob", "2 ** 3 __ 4 %% 5 \"\" 6", "[12:34:56] 2 * 3 _ 4 % 5 \" 6",
     {{"2 * 3 _ 4 % 5 \" 6", "line text", "text", 0}}},
    {LogLine::NORMAL, "Bob", "a * b _ c % d \" e", "[12:34:56] a * b _ c % d \" e",
     {{"a * b _ c % d \" e", "line text", "text", 0}}},
    // Removing markers keeps earlier spans on their characters.
    {LogLine::NORMAL, "Bob", "*$me$* says *\"stop\"* _now %or% never_",
     "[12:34:56] Bob says \"stop\" now or never",
     {{"Bob", "line text name bold", "name bold", 0},
      {" says ", "line text", "text", 0},
      {"\"", "line text bold", "text bold", 0},
      {"stop", "line text speech bold", "speech bold", 0},
      {"now ", "line text underline", "text underline", 0},
      {"or", "line text underline italic", "text underline italic", 0},
      {" never", "line text underline", "text underline", 0}}},
    // Out of character: no names, no speech, but emphasis.
    {LogLine::OOC, "Bob", "\"quoted\" $Alice$ *loud*", "[12:34:56] Bob: \"quoted\" $Alice$ loud",
     {{"Bob: \"quoted\" $Alice$ ", "line ooc", "ooc", 0}, {"loud", "line ooc bold", "ooc bold", 0}}},
    {LogLine::OOC, "GM", "brb", "[12:34:56] GM: brb", {{"GM: brb", "line ooc", "ooc", 0}}},
    {LogLine::EVENT, "*", "Alice entered the scene", "[12:34:56] * Alice entered the scene",
     {{"* Alice entered the scene", "line event", "event", 0}}},
    {LogLine::EVENT, "GM", "logged in", "[12:34:56] GM logged in", {{"GM logged in", "line gm", "gm", 0}}},
    // Bytes that are not UTF-8 each become U+FFFD; the line stays.
    {LogLine::NORMAL, "Jos\xE9", "$me$: \"caf\xE9\"", "[12:34:56] Jos\xEF\xBF\xBD: \"caf\xEF\xBF\xBD\"",
     {{"Jos\xEF\xBF\xBD", "line text name", "name", 0}, {"caf\xEF\xBF\xBD", "line text speech", "speech", 0}}},
    {LogLine::NORMAL, "Bob", "\xFF\xFE*x*", "[12:34:56] \xEF\xBF\xBD\xEF\xBF\xBDx",
     {{"\xEF\xBF\xBD\xEF\xBF\xBD", "line text", "text", 0}, {"x", "line text bold", "text bold", 0}}},
};

}

TEST_F(LogViewTest, RendersEachLineWithItsTags)
{
    for (const Case& c: CASES)
        push("Tavern", c.type, c.who, c.text);
    push("Tavern", LogLine::NORMAL, "Bob", std::string("a\0b", 3));
    testing::internal::CaptureStderr();
    parlane.set_active_scene(&scene("Tavern"));
    EXPECT_EQ("", testing::internal::GetCapturedStderr()) << "the toolkit complained";

    std::vector<Glib::ustring> shown = lines();
    const size_t count = sizeof CASES / sizeof CASES[0];
    ASSERT_EQ(count + 1, shown.size());
    for (size_t i = 0; i < count; ++i)
    {
        const Case& c = CASES[i];
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.display, shown[i]);
        for (const Probe& p: c.probes)
        {
            SCOPED_TRACE(p.text);
            Glib::ustring::size_type at = shown[i].find(p.text);
            for (int n = 0; n < p.occurrence && at != Glib::ustring::npos; ++n)
                at = shown[i].find(p.text, at + 1);
            ASSERT_TRUE(at != Glib::ustring::npos) << "not shown";
            for (Glib::ustring::size_type k = at; k < at + Glib::ustring(p.text).size(); ++k)
            {
                SCOPED_TRACE(k);
                EXPECT_EQ(p.tags, tags_at(i, k));
                if (std::string(p.shown) != "?")
                {
                    EXPECT_EQ(p.shown, shown_at(i, k));
                }
            }
        }
    }
    // An embedded NUL byte is replaced like any other bad byte.
    EXPECT_EQ("[12:34:56] a\xEF\xBF\xBD" "b", shown[count]);
}

TEST_F(LogViewTest, FirstLineHasNoLineFeedAndActivityAppendsOnlyNewLines)
{
    std::vector<Glib::ustring> inserted;
    watch_insert = buffer->signal_insert().connect(
        [&](const Gtk::TextIter&, const Glib::ustring& text, int) { inserted.push_back(text); });

    // The scene was activated empty; the first line arrives as activity.
    deliver(Packet("Alice", "TEXT", "Tavern", "$me$ waves."));
    EXPECT_EQ("[", buffer->get_text().substr(0, 1));
    EXPECT_EQ(1u, inserted.size());
    EXPECT_TRUE(buffer->get_text().find("\n") == Glib::ustring::npos);

    inserted.clear();
    push("Tavern", LogLine::NORMAL, "Bob", "two");
    push("Tavern", LogLine::OOC, "Bob", "three");
    parlane.signal_activity.emit();
    EXPECT_EQ((std::vector<Glib::ustring>{"\n", "[12:34:56] two", "\n", "[12:34:56] Bob: three"}), inserted);
    EXPECT_TRUE(scene("Tavern").get_backlog().next() == scene("Tavern").get_backlog().end());

    // Nothing new: nothing rendered.
    inserted.clear();
    parlane.signal_activity.emit();
    EXPECT_TRUE(inserted.empty());

    std::vector<Glib::ustring> shown = lines();
    ASSERT_EQ(3u, shown.size());
    EXPECT_EQ(" Alice waves.", shown[0].substr(10));
    EXPECT_EQ("line text name", tags_at(0, 11));
}

TEST_F(LogViewTest, SceneActivationRendersTheWholeBacklogAfresh)
{
    deliver(Packet("", "ADDSCENE", "Market", "0"));
    push("Tavern", LogLine::NORMAL, "Bob", "in the tavern");
    push("Market", LogLine::NORMAL, "Bob", "in the market");
    parlane.signal_activity.emit();
    EXPECT_EQ((std::vector<Glib::ustring>{"[12:34:56] in the tavern"}), lines());

    parlane.set_active_scene(&scene("Market"));
    EXPECT_EQ((std::vector<Glib::ustring>{"[12:34:56] in the market"}), lines());
    parlane.set_active_scene(&scene("Tavern"));
    EXPECT_EQ((std::vector<Glib::ustring>{"[12:34:56] in the tavern"}), lines());

    // Dropping the model leaves the text until the next scene is shown.
    TestServer other;
    parlane.connect(other.get_address(), "Bob");
    EXPECT_EQ((std::vector<Glib::ustring>{"[12:34:56] in the tavern"}), lines());
}

// FIXME: fails while the log in parlane.glade has pixels_below_lines 1.
// Scrolling to the end mark leaves the view one pixel above the bottom of
// the last line's extra space, and the exact at-the-end check then counts
// the view as scrolled up, so no later line is followed.
TEST_F(LogViewTest, FollowsNewLinesOnlyWhenAtTheBottom)
{
    window.show();
    window.resize(700, 400);
    settle();
    for (int i = 0; i < 200; ++i)
        push("Tavern", LogLine::NORMAL, "Bob", "line " + std::to_string(i));
    parlane.set_active_scene(&scene("Tavern"));

    Gtk::ScrolledWindow* scroller = dynamic_cast<Gtk::ScrolledWindow*>(view.get_parent());
    ASSERT_NE(nullptr, scroller);
    Gtk::Adjustment& adj = *scroller->get_vadjustment();
    auto at_bottom = [&] { return adj.get_value() == adj.get_upper() - adj.get_page_size(); };
    auto last_line_shown = [&] {
        Gdk::Rectangle visible, last;
        view.get_visible_rect(visible);
        view.get_iter_location(buffer->end(), last);
        return last.get_y() >= visible.get_y() &&
               last.get_y() + last.get_height() <= visible.get_y() + visible.get_height();
    };
    settle();
    ASSERT_GT(adj.get_upper(), adj.get_page_size());
    EXPECT_GT(adj.get_value(), 0);
    EXPECT_TRUE(last_line_shown());
    EXPECT_TRUE(at_bottom()) << adj.get_value() << " of " << adj.get_upper() - adj.get_page_size();

    adj.set_value(0);
    deliver(Packet("Alice", "TEXT", "Tavern", "while scrolled up"));
    settle();
    EXPECT_EQ(0, adj.get_value());

    // Every line that arrives at the bottom is followed, and so the next one is, too.
    adj.set_value(adj.get_upper() - adj.get_page_size());
    for (int i = 0; i < 3; ++i)
    {
        SCOPED_TRACE(i);
        double upper = adj.get_upper();
        deliver(Packet("Alice", "TEXT", "Tavern", "at the bottom " + std::to_string(i)));
        settle();
        EXPECT_GT(adj.get_upper(), upper);
        EXPECT_TRUE(last_line_shown());
        EXPECT_TRUE(at_bottom()) << adj.get_value() << " of " << adj.get_upper() - adj.get_page_size();
    }
}

TEST_F(LogViewTest, ColoursFollowTheConfiguration)
{
    push("Tavern", LogLine::NORMAL, "Bob", "$me$ waves");
    parlane.signal_activity.emit();
    EXPECT_EQ("name", shown_at(0, 11));

    config.set_color("name", "#ABCDEF");
    config.set_color("background", "#102030");
    config.set_default_bg(false);
    parlane.signal_config_changed.emit();
    EXPECT_EQ("#abcdef", shown_at(0, 11));
    GtkRcStyle* style = gtk_widget_get_modifier_style(GTK_WIDGET(view.gobj()));
    EXPECT_TRUE(style->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE);
    EXPECT_EQ("#102030", hex(Gdk::Color(&style->base[GTK_STATE_NORMAL], true)));

    // The theme's background comes back.
    config.set_default_bg(true);
    parlane.signal_config_changed.emit();
    style = gtk_widget_get_modifier_style(GTK_WIDGET(view.gobj()));
    EXPECT_FALSE(style->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE);
}

TEST(LogView, FindSpansTable)
{
    Glib::RefPtr<Gtk::TextTag> tag = Gtk::TextTag::create();
    struct Row
    {
        const char* in;
        bool rm_markers;
        const char* out;
        std::vector<std::pair<unsigned, unsigned>> spans;
    };
    const Row rows[] = {
        {"a *b* c", true, "a b c", {{2, 3}}},
        {"a *b* c", false, "a *b* c", {{3, 4}}},
        {"**", true, "*", {}},
        {"***", true, "**", {}},
        {"*a**b*", true, "ab", {{0, 1}, {1, 2}}},
        {"*a* *b*", true, "a b", {{0, 1}, {2, 3}}},
        {"*", true, "*", {}},
        {"*a", true, "*a", {}},
        {"**a*", true, "*a*", {}},
        {"\xC3\xA9*\xC3\xA9*", true, "\xC3\xA9\xC3\xA9", {{1, 2}}},
    };
    for (const Row& r: rows)
    {
        SCOPED_TRACE(r.in);
        Glib::ustring line = r.in;
        std::list<LogView::Span> spans;
        LogView::find_spans(line, '*', r.rm_markers, spans, tag);
        EXPECT_EQ(r.out, line);
        std::vector<std::pair<unsigned, unsigned>> got;
        for (const LogView::Span& s: spans)
            got.push_back({s.begin, s.end});
        EXPECT_EQ(r.spans, got);
    }

    // A span from an earlier pass keeps covering "ab" as markers go.
    Glib::ustring line = "*xab*";
    std::list<LogView::Span> spans{LogView::Span(2, 4, tag)};
    LogView::find_spans(line, '*', true, spans, tag);
    EXPECT_EQ("xab", line);
    EXPECT_EQ(1u, spans.front().begin);
    EXPECT_EQ(3u, spans.front().end);
}
