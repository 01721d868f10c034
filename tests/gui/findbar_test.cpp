#include "tests/gui/fixture.h"

#include "client/parlane.h"
#include "client/ui/logview.h"
#include "client/ui/mainwindow.h"

#include <gdk/gdkkeysyms.h>
#include <gtkmm/box.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>

#include <string>

namespace
{

// Finding in a live scene with the keys a reader presses.
class FindBarTest: public GuiTest::SessionTest
{
protected:
    FindBarTest(): SessionTest(true) { }

    void press(guint keyval, guint state = 0)
    {
        GuiTest::press(window, keyval, state);
        GuiTest::settle();
    }

    // The text of each range of the buffer that carries the tag.
    GuiTest::Strings tagged(const char* name)
    {
        Glib::RefPtr<Gtk::TextBuffer> buffer = view.get_buffer();
        Glib::RefPtr<Gtk::TextTag> tag = buffer->get_tag_table()->lookup(name);
        GuiTest::Strings out;
        Gtk::TextIter at = buffer->begin();
        while (at.begins_tag(tag) || at.forward_to_tag_toggle(tag))
        {
            Gtk::TextIter end = at;
            end.forward_to_tag_toggle(tag);
            Gtk::TextIter line = buffer->get_iter_at_line(at.get_line()), line_end = line;
            line_end.forward_to_line_end();
            // "match|whole line", to tell which line it is in.
            out.push_back(buffer->get_text(at, end) + "|" + buffer->get_text(line, line_end).substr(11));
            at = end;
        }
        return out;
    }

    // Whether the current match's line is wholly inside the visible part.
    bool current_on_screen()
    {
        Glib::RefPtr<Gtk::TextBuffer> buffer = view.get_buffer();
        Gtk::TextIter at = buffer->begin();
        Glib::RefPtr<Gtk::TextTag> tag = buffer->get_tag_table()->lookup("current-match");
        if (!at.begins_tag(tag) && !at.forward_to_tag_toggle(tag))
            return false;
        Gdk::Rectangle visible, place;
        view.get_visible_rect(visible);
        view.get_iter_location(at, place);
        return place.get_y() >= visible.get_y()
            && place.get_y() + place.get_height() <= visible.get_y() + visible.get_height();
    }

    LogView& view = *GuiTest::find_widget<LogView>(window, "txt_log");
    Gtk::HBox& bar = *GuiTest::find_widget<Gtk::HBox>(window, "box_find");
    Gtk::Entry& field = *GuiTest::find_widget<Gtk::Entry>(window, "ent_find");
    Gtk::Label& count = *GuiTest::find_widget<Gtk::Label>(window, "lbl_find_count");
    Gtk::Entry& input = *GuiTest::find_widget<Gtk::Entry>(window, "ent_text");
};

} // namespace

TEST_F(FindBarTest, MarksCountsAndStepsThroughMatchesOfTheWholeScene)
{
    log_in("Bob", { ";ADDCHAR;Bob;0", ";ADDCHAR;Alice;0", ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0" });
    window.resize(600, 400);
    // Ten owls, the oldest before the lines the view holds.
    auto owl = [](int i) { return "Alice: \"The OWL hoots " + std::to_string(i) + ", an owl.\""; };
    for (int i = 0; i < 2000; ++i)
        server.send(Packet("Alice", "TEXT", "Tavern",
            i % 200 == 100 ? "$me$: \"The *OWL* hoots " + std::to_string(i) + ", an owl.\"" : "line " + std::to_string(i)));
    const BackLog& log = parlane.get_scene("Tavern")->get_backlog();
    ASSERT_TRUE(GuiTest::run_until([&] { return log.size() >= 2000; }, 20000));
    GuiTest::settle();
    ASSERT_FALSE(bar.get_visible());
    int first_held = 2000 - view.get_buffer()->get_line_count();
    ASSERT_GT(first_held, 100);

    press(GDK_f, GDK_CONTROL_MASK);
    ASSERT_TRUE(bar.get_visible());
    EXPECT_TRUE(field.has_focus());
    for (guint key : { GDK_o, GDK_w, GDK_l })
        press(key);
    EXPECT_EQ("20 of 20", count.get_text());
    GuiTest::Strings held;
    for (int i = 100; i < 2000; i += 200)
        if (i >= first_held)
            held.insert(held.end(), { "OWL|" + owl(i), "owl|" + owl(i) });
    EXPECT_EQ(held, tagged("match"));
    EXPECT_EQ((GuiTest::Strings { "owl|" + owl(1900) }), tagged("current-match"));
    EXPECT_TRUE(current_on_screen());

    // Around the end to the oldest line, which the view brings in.
    press(GDK_Return);
    EXPECT_EQ("1 of 20", count.get_text());
    EXPECT_EQ((GuiTest::Strings { "OWL|" + owl(100) }), tagged("current-match"));
    EXPECT_EQ(20u, tagged("match").size());
    EXPECT_TRUE(current_on_screen());
    press(GDK_Return);
    EXPECT_EQ((GuiTest::Strings { "owl|" + owl(100) }), tagged("current-match"));
    press(GDK_Return, GDK_SHIFT_MASK);
    press(GDK_Return, GDK_SHIFT_MASK);
    EXPECT_EQ("20 of 20", count.get_text());
    EXPECT_TRUE(current_on_screen());

    // A new line is marked as it arrives; the other scene is searched too.
    ASSERT_TRUE(server.deliver("Alice;TEXT;Tavern;an Owlet"));
    GuiTest::settle();
    EXPECT_EQ("20 of 21", count.get_text());
    EXPECT_EQ("Owl|an Owlet", tagged("match").back());
    GuiTest::screenshot(window, "findbar.png");
    ASSERT_TRUE(server.deliver("Alice;TEXT;Market;no birds here"));
    parlane.set_active_scene(parlane.get_scene("Market"));
    GuiTest::settle();
    EXPECT_EQ("No match in this scene", count.get_text());
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    GuiTest::settle();
    EXPECT_EQ("21 of 21", count.get_text());
    EXPECT_EQ((GuiTest::Strings { "OWL|" + owl(1900), "owl|" + owl(1900), "Owl|an Owlet" }), tagged("match"));

    press(GDK_Escape);
    EXPECT_FALSE(bar.get_visible());
    EXPECT_TRUE(tagged("match").empty());
    EXPECT_TRUE(tagged("current-match").empty());
    EXPECT_TRUE(input.has_focus());
    // Opened again, it finds what was left in the field.
    press(GDK_f, GDK_CONTROL_MASK);
    EXPECT_EQ("21 of 21", count.get_text());
    press(GDK_Escape);
}
