#include "tests/gui/fixture.h"

#include "client/parlane.h"
#include "client/ui/logview.h"
#include "client/ui/mainwindow.h"

#include <gdk/gdkkeysyms.h>
#include <gtkmm/button.h>
#include <gtkmm/scrolledwindow.h>

#include <string>

namespace
{

// A scene's view through a flood from the server: where it stays, and what
// the reader sees when it scrolled up.
class FollowTest: public GuiTest::SessionTest
{
protected:
    FollowTest(): SessionTest(true) { }

    void SetUp() override
    {
        SessionTest::SetUp();
        log_in("Bob", { ";ADDCHAR;Bob;0", ";ADDCHAR;Alice;0", ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0" });
        ASSERT_EQ("Tavern", parlane.get_active_scene()->get_name());
        window.resize(600, 400);
        adj = dynamic_cast<Gtk::ScrolledWindow&>(*view.get_parent()).get_vadjustment();
    }

    void flood(int from, int count)
    {
        for (int i = from; i < from + count; ++i)
            server.send(Packet("Alice", "TEXT", "Tavern", "line " + std::to_string(i) + " of the flood"));
        const BackLog& log = parlane.get_scene("Tavern")->get_backlog();
        ASSERT_TRUE(GuiTest::run_until([&] { return log.size() >= static_cast<size_t>(from + count); }, 20000));
        GuiTest::settle();
    }

    double bottom() const { return adj->get_upper() - adj->get_page_size(); }

    // The buffer line at the top of the view.
    int top_line()
    {
        Gtk::TextIter top;
        int y = 0;
        view.get_line_at_y(top, static_cast<int>(adj->get_value()), y);
        return top.get_line();
    }

    void press(guint key)
    {
        GuiTest::press(view, key);
        GuiTest::settle();
    }

    void scroll_up(int times)
    {
        Gtk::Widget& scroller = *view.get_parent();
        for (int i = 0; i < times; ++i)
        {
            GdkEvent* event = gdk_event_new(GDK_SCROLL);
            event->scroll.direction = GDK_SCROLL_UP;
            GuiTest::send_event(scroller, event);
        }
        GuiTest::settle();
    }

    // The number in the buffer's first line, "[hh:mm:ss] line N of the flood".
    int first_number()
    {
        std::string line = GuiTest::lines(view).at(0);
        return std::stoi(line.substr(line.find("line ") + 5));
    }

    LogView& view = *GuiTest::find_widget<LogView>(window, "txt_log");
    Gtk::Adjustment* adj = nullptr;
};

TEST_F(FollowTest, ViewAtTheBottomStaysThroughFloodSwitchAndResize)
{
    flood(0, 10000);
    GuiTest::screenshot(window, "follow-after-flood.png");
    EXPECT_TRUE(view.is_following());
    EXPECT_NEAR(bottom(), adj->get_value(), 1) << "the newest line shows after the flood";
    EXPECT_FALSE(view.has_new_below());

    parlane.set_active_scene(parlane.get_scene("Market"));
    GuiTest::settle();
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    GuiTest::settle();
    EXPECT_NEAR(bottom(), adj->get_value(), 1) << "a scene comes back at its end";

    window.resize(500, 300);
    GuiTest::settle();
    EXPECT_NEAR(bottom(), adj->get_value(), 1) << "a smaller window keeps the end in view";
    flood(10000, 500);
    EXPECT_NEAR(bottom(), adj->get_value(), 1);
}

TEST_F(FollowTest, ScrolledUpViewStaysAndOffersTheNewLines)
{
    flood(0, 2000);
    scroll_up(10);
    ASSERT_LT(adj->get_value(), bottom() - 1);
    EXPECT_FALSE(view.is_following());
    int kept = top_line();

    flood(2000, 3000);
    GuiTest::screenshot(window, "follow-scrolled-up.png");
    // The toolkit may move the view by pixels as it measures lines above, but
    // not off the line the reader was at.
    EXPECT_EQ(kept, top_line()) << "the reader's place is kept through the flood";
    EXPECT_TRUE(view.has_new_below());

    press(GDK_End);
    EXPECT_NEAR(bottom(), adj->get_value(), 1);
    EXPECT_FALSE(view.has_new_below());
    flood(5000, 100);
    EXPECT_NEAR(bottom(), adj->get_value(), 1) << "End follows the newest lines again";

    scroll_up(3);
    flood(5100, 10);
    ASSERT_TRUE(view.has_new_below());
    GuiTest::find_widget<Gtk::Button>(view, "btn_new_below")->clicked();
    GuiTest::settle();
    EXPECT_NEAR(bottom(), adj->get_value(), 1);
    EXPECT_FALSE(view.has_new_below());
}

// The view holds the newest lines; Home at the top brings in earlier ones
// in steps, each joined to the next without a gap or a repeat.
TEST_F(FollowTest, TopOfTheViewBringsInEarlierLines)
{
    flood(0, 3000);
    int first = first_number();
    ASSERT_GT(first, 0) << "a long scene is not drawn whole";
    for (int step = 0; step < 20 && first > 0; ++step)
    {
        press(GDK_Home);
        int earlier = first_number();
        ASSERT_LT(earlier, first);
        first = earlier;
    }
    EXPECT_EQ(0, first);
    GuiTest::Strings shown = GuiTest::lines(view);
    ASSERT_EQ(3000u, shown.size());
    for (int line : { 0, 1, 1499, 1500, 2999 })
        EXPECT_NE(std::string::npos, shown[line].find("line " + std::to_string(line) + " ")) << shown[line];
}

} // namespace
