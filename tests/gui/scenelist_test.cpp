#include "client/ui/scenelist.h"

#include "client/parlane.h"
#include "client/ui/mainwindow.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>

#include <string>

using GuiTest::Strings;

namespace
{

class SceneListTest: public GuiTest::SessionTest
{
protected:
    SceneListTest(): SessionTest(true) { }

    void SetUp() override
    {
        SessionTest::SetUp();
        log_in("Bob",
            { ";ADDCHAR;Bob;0", ";ADDSCENE;s1;0", ";ADDSCENE;s2;0", ";ADDSCENE;s3;0", ";ADDSCENE;s4;0",
                ";SCENEGROUP;s2;g", ";SCENEGROUP;s3;g", ";SCENEGROUP;s4;h", "Bob;ENTER;s1" });
        GuiTest::run_turns(5);
    }

    // Each row as its indented name and colour: "s1 #000000", "  (s2) #00C000".
    Strings rows()
    {
        Strings out;
        SceneList::Columns columns;
        list.get_model()->foreach_iter(
            [&](const Gtk::TreeModel::iterator& row)
            {
                out.push_back(std::string(2 * (list.get_model()->get_path(row).size() - 1), ' ')
                    + Glib::ustring((*row)[columns.name]).raw() + " "
                    + Glib::ustring((*row)[columns.color]).raw());
                return false;
            });
        return out;
    }

    Gtk::TreeModel::Path path_of(const std::string& name)
    {
        Gtk::TreeModel::Path found;
        SceneList::Columns columns;
        list.get_model()->foreach_iter(
            [&](const Gtk::TreeModel::iterator& row)
            {
                Scene* s = (*row)[columns.scene];
                if (Glib::ustring((*row)[columns.name]).raw() == name || (s && s->get_name() == name))
                    found = list.get_model()->get_path(row);
                return !found.empty();
            });
        return found;
    }

    // A single left click in the middle of the row.
    void click(const std::string& name)
    {
        Gdk::Rectangle cell;
        list.get_cell_area(path_of(name), *list.get_column(0), cell);
        ASSERT_GT(cell.get_height(), 0) << name;
        for (GdkEventType type : { GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE })
        {
            GdkEvent* event = gdk_event_new(type);
            event->button.button = 1;
            event->button.x = cell.get_x() + cell.get_width() / 2;
            event->button.y = cell.get_y() + cell.get_height() / 2;
            GuiTest::send_event(list, event, list.get_bin_window()->gobj());
        }
    }

    SceneList& list = *GuiTest::find_widget<SceneList>(window, "lst_scenes");
};

TEST_F(SceneListTest, GroupsScenesAndMarksEmptyAndActiveOnes)
{
    // s1 became active when announced; the rest wait with activity 2.
    EXPECT_EQ((Strings { "s1 #000000", "g #00C000", "  (s2) #00C000", "  (s3) #00C000", "h #00C000",
                  "  (s4) #00C000" }),
        rows());
    parlane.set_active_scene(parlane.get_scene("s2"));
    ASSERT_TRUE(server.deliver(";TEXT;s3;hello"));
    EXPECT_EQ((Strings { "s1 #000000", "g #FF0000", "  (s2) #000000", "  (s3) #FF0000", "h #00C000",
                  "  (s4) #00C000" }),
        rows());
    ASSERT_TRUE(server.deliver(";ADDSCENE;Caf\xE9;0"));
    EXPECT_EQ("(Caf\xEF\xBF\xBD) #00C000", rows().at(0))
        << "bytes that are not UTF-8 are replaced; a new scene waits with activity 2";

    parlane.connect(server.get_address(), "Bob");
    EXPECT_EQ(Strings(), rows()) << "dropped with the model";
}

TEST_F(SceneListTest, ExpandedGroupsStayExpanded)
{
    list.expand_row(path_of("g"), false);
    ASSERT_TRUE(server.deliver_all({ ";ADDSCENE;s5;0", ";SCENEGROUP;s5;k" }));
    EXPECT_TRUE(list.row_expanded(path_of("g")));
    EXPECT_FALSE(list.row_expanded(path_of("h")));
    EXPECT_FALSE(list.row_expanded(path_of("k")));
}

TEST_F(SceneListTest, ClickingASceneActivatesIt)
{
    list.expand_all();
    GuiTest::run_turns(20);
    int activations = 0;
    sigc::connection watch = parlane.signal_scene_activated.connect([&] { ++activations; });
    click("s3");
    EXPECT_EQ("s3", parlane.get_active_scene()->get_name());
    EXPECT_EQ(1, activations);
    click("s3");
    click("g");
    EXPECT_EQ(1, activations) << "neither the active scene nor a group row activates";
    EXPECT_EQ("s3", parlane.get_active_scene()->get_name());
    watch.disconnect();
}

} // namespace
