#include "client/scenelist.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtkmm/main.h>
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using GuiTest::TestServer;

namespace {

typedef std::vector<std::string> Texts;

const char BLACK[] = "#000000";
const char DARK_RED[] = "#A00000";
const char GREEN[] = "#00C000";
const char RED[] = "#FF0000";

class SceneListTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        parlane.set_writing(false);
        GuiTest::MessageBoxes::take();
        parlane.connect(server.get_address(), "Bob");
        ASSERT_TRUE(parlane.is_connected());
        Packet name;
        ASSERT_TRUE(server.wait_for("NAME", name));
        activations = parlane.signal_scene_activated.connect([this] { ++activated; });
    }

    void TearDown() override
    {
        activations.disconnect();
        window.hide();
        GuiTest::run_turns(5);
    }

    void send(const std::vector<Packet>& packets)
    {
        for (const Packet& p: packets)
            server.send(p);
        ASSERT_TRUE(server.sync());
    }

    Glib::RefPtr<Gtk::TreeModel> model() { return list.get_model(); }

    // The rows as shown: children indented by two blanks; "+" after an
    // expanded row.
    Texts rows()
    {
        Texts result;
        model()->foreach_path([&](const Gtk::TreeModel::Path& path) {
            Gtk::TreeModel::Row row = *model()->get_iter(path);
            Glib::ustring name = row[columns.name];
            std::string text = std::string(2 * (path.size() - 1), ' ') + name.raw();
            if (list.row_expanded(path))
                text += " +";
            result.push_back(text);
            return false;
        });
        return result;
    }

    // The first row whose text is `name` (parentheses included).
    Gtk::TreeModel::Path path_of(const std::string& name)
    {
        Gtk::TreeModel::Path found;
        model()->foreach_path([&](const Gtk::TreeModel::Path& path) {
            Gtk::TreeModel::Row row = *model()->get_iter(path);
            if (Glib::ustring(row[columns.name]).raw() != name)
                return false;
            found = path;
            return true;
        });
        EXPECT_FALSE(found.empty()) << "no row " << name;
        return found;
    }

    // The colour of the row of the scene named `name`, or of the group row
    // of that name.
    std::string color_of(const std::string& name)
    {
        std::string color = "<no row " + name + ">";
        model()->foreach_iter([&](const Gtk::TreeModel::iterator& i) {
            Scene* scene = (*i)[columns.scene];
            Glib::ustring text = (*i)[columns.name];
            if (scene ? scene->get_name() != name : text.raw() != name)
                return false;
            color = Glib::ustring((*i)[columns.color]).uppercase().raw();
            return true;
        });
        return color;
    }

    // A press and release of a mouse button over a row, as the X server
    // delivers them to the view's row window.
    void click(const std::string& name)
    {
        Gtk::TreeModel::Path path = path_of(name);
        ASSERT_FALSE(path.empty());
        Gdk::Rectangle area;
        list.get_cell_area(path, *list.get_column(0), area);
        for (GdkEventType type: {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE})
        {
            GdkEvent* event = gdk_event_new(type);
            event->button.window = GDK_WINDOW(g_object_ref(list.get_bin_window()->gobj()));
            event->button.send_event = TRUE;
            event->button.time = GDK_CURRENT_TIME;
            event->button.x = area.get_x() + 4;
            event->button.y = area.get_y() + area.get_height() / 2;
            event->button.button = 1;
            event->button.device = gdk_device_get_core_pointer();
            gtk_widget_event(GTK_WIDGET(list.gobj()), event);
            gdk_event_free(event);
        }
    }

    // Layout of the rows happens in idle handlers.
    void settle()
    {
        GuiTest::run_until([] { return !Gtk::Main::events_pending(); }, 1000);
        GuiTest::run_turns(10);
    }

    std::string active() const { return parlane.get_active_scene() ? parlane.get_active_scene()->get_name() : "-"; }

    std::string selected()
    {
        Gtk::TreeModel::iterator row = list.get_selection()->get_selected();
        return row ? Glib::ustring((*row)[columns.name]).raw() : "-";
    }

    Parlane& parlane = GuiTest::parlane();
    MainWindow& window = *parlane.get_main_window();
    SceneList& list = *GuiTest::find_widget<SceneList>(window, "lst_scenes");
    SceneList::Columns columns;
    TestServer server;
    int activated = 0;
    // Lambdas are not trackable: this goes before the fixture does.
    sigc::connection activations;
};

}

TEST_F(SceneListTest, GroupsScenesAndKeepsExpandedGroupsOpen)
{
    send({Packet("", "ADDSCENE", "s1", "0"), Packet("", "ADDSCENE", "s2", "0"), Packet("", "ADDSCENE", "s3", "0"),
          Packet("", "ADDSCENE", "s4", "0"), Packet("", "SCENEGROUP", "s2", "g"), Packet("", "SCENEGROUP", "s3", "g"),
          Packet("", "SCENEGROUP", "s4", "h")});
    EXPECT_EQ((Texts{"(s1)", "g", "  (s2)", "  (s3)", "h", "  (s4)"}), rows());
    EXPECT_EQ("(s1)", selected());

    list.expand_row(path_of("g"), false);
    send({Packet("", "ADDSCENE", "s5", "0"), Packet("", "SCENEGROUP", "s5", "k"), Packet("", "ADDSCENE", "s0", "0"),
          Packet("", "SCENEGROUP", "s0", "g")});
    EXPECT_EQ((Texts{"(s1)", "g +", "  (s0)", "  (s2)", "  (s3)", "h", "  (s4)", "k", "  (s5)"}), rows());

    // A group that went away comes back closed.
    send({Packet("", "SCENEGROUP", "s0", ""), Packet("", "SCENEGROUP", "s2", ""), Packet("", "SCENEGROUP", "s3", "")});
    EXPECT_EQ((Texts{"(s0)", "(s1)", "(s2)", "(s3)", "h", "  (s4)", "k", "  (s5)"}), rows());
    send({Packet("", "SCENEGROUP", "s2", "g")});
    EXPECT_EQ((Texts{"(s0)", "(s1)", "(s3)", "g", "  (s2)", "h", "  (s4)", "k", "  (s5)"}), rows());
    // The active scene stays selected through the rebuilds.
    EXPECT_EQ("(s1)", selected());
}

TEST_F(SceneListTest, EmptyScenesShowTheirNameInParentheses)
{
    send({Packet("", "ADDCHAR", "Alice", "0"), Packet("", "ADDSCENE", "Hall", "0"),
          Packet("", "ADDSCENE", "Caf\xE9", "0"), Packet("", "SCENEGROUP", "Caf\xE9", "Gr\xFCn")});
    EXPECT_EQ((Texts{"(Hall)", "Gr\xEF\xBF\xBDn", "  (Caf\xEF\xBF\xBD)"}), rows());

    send({Packet("Alice", "ENTER", "Hall"), Packet("Alice", "ENTER", "Caf\xE9")});
    EXPECT_EQ((Texts{"Hall", "Gr\xEF\xBF\xBDn", "  Caf\xEF\xBF\xBD"}), rows());

    // A group whose name is not UTF-8 stays open, too.
    list.expand_row(path_of("Gr\xEF\xBF\xBDn"), false);
    send({Packet("", "ADDSCENE", "Annex", "0")});
    EXPECT_EQ((Texts{"(Annex)", "Hall", "Gr\xEF\xBF\xBDn +", "  Caf\xEF\xBF\xBD"}), rows());
}

// FIXME: fails while the controller announces a scene that becomes empty
// only when the user's own character leaves it (or when its activity rises):
// the last other character leaving the active scene, or a scene whose
// activity is already 1 or more, leaves the row without its parentheses.
TEST_F(SceneListTest, SceneEmptiedByALeaveShowsParenthesesAgain)
{
    send({Packet("", "ADDCHAR", "Alice", "0"), Packet("", "ADDCHAR", "Carl", "0"), Packet("", "ADDSCENE", "Hall", "0"),
          Packet("", "ADDSCENE", "Yard", "0"), Packet("Alice", "ENTER", "Hall"), Packet("Carl", "ENTER", "Yard"),
          Packet("Carl", "TEXT", "Yard", "hello")});
    ASSERT_EQ("Hall", active());
    EXPECT_EQ((Texts{"Hall", "Yard"}), rows());

    send({Packet("Alice", "LEAVE", "Hall")});
    EXPECT_EQ((Texts{"(Hall)", "Yard"}), rows()) << "the active scene";
    send({Packet("Carl", "LEAVE", "Yard")});
    EXPECT_EQ((Texts{"(Hall)", "(Yard)"}), rows()) << "a scene with unseen lines";
}

TEST_F(SceneListTest, ColoursFollowActivityAndGroupsTheirMostActiveScene)
{
    send({Packet("", "ADDCHAR", "Alice", "0"), Packet("", "ADDSCENE", "Square", "0"),
          Packet("", "ADDSCENE", "Well", "0"), Packet("", "ADDSCENE", "Mill", "0"),
          Packet("", "SCENEGROUP", "Well", "Town"), Packet("", "SCENEGROUP", "Mill", "Town")});
    auto expect = [this](const char* step, const char* square, const char* well, const char* mill, const char* town) {
        SCOPED_TRACE(step);
        EXPECT_EQ(square, color_of("Square"));
        EXPECT_EQ(well, color_of("Well"));
        EXPECT_EQ(mill, color_of("Mill"));
        EXPECT_EQ(town, color_of("Town"));
    };
    // Announced and not shown: 2. A line: 3. Shown: 0. Someone entering: 1.
    expect("announced", BLACK, GREEN, GREEN, GREEN);
    send({Packet("Alice", "TEXT", "Mill", "hi")});
    expect("a line in Mill", BLACK, GREEN, RED, RED);
    parlane.set_active_scene(parlane.get_scene("Mill"));
    expect("Mill shown", BLACK, GREEN, BLACK, GREEN);
    parlane.set_active_scene(parlane.get_scene("Well"));
    expect("Well shown", BLACK, BLACK, BLACK, BLACK);
    send({Packet("Alice", "ENTER", "Mill")});
    expect("Alice entered Mill", BLACK, BLACK, DARK_RED, DARK_RED);
    send({Packet("Alice", "OOC", "Mill", "brb")});
    expect("remark in Mill", BLACK, BLACK, RED, RED);
    send({Packet("Alice", "TEXT", "Well", "here")});
    expect("a line in the shown scene", BLACK, BLACK, RED, RED);
}

TEST_F(SceneListTest, ClickingAnotherSceneShowsItAndTheActiveOneNothing)
{
    window.show();
    window.resize(700, 400);
    send({Packet("", "ADDSCENE", "Alder", "0"), Packet("", "ADDSCENE", "Birch", "0"), Packet("", "ADDSCENE", "Cedar", "0"),
          Packet("", "SCENEGROUP", "Cedar", "Grove")});
    settle();
    ASSERT_EQ("Alder", active());

    struct Step
    {
        const char* row;
        const char* active;
        int activations;
        const char* selected;
    };
    // A group row is selected, but nothing else happens.
    const Step steps[] = {
        {"(Alder)", "Alder", 0, "(Alder)"}, {"(Birch)", "Birch", 1, "(Birch)"}, {"(Birch)", "Birch", 0, "(Birch)"},
        {"Grove", "Birch", 0, "Grove"},     {"(Alder)", "Alder", 1, "(Alder)"},
    };
    for (const Step& s: steps)
    {
        SCOPED_TRACE(s.row);
        activated = 0;
        click(s.row);
        settle();
        EXPECT_EQ(s.active, active());
        EXPECT_EQ(s.activations, activated);
        EXPECT_EQ(s.selected, selected());
    }

    list.expand_row(path_of("Grove"), false);
    settle();
    click("(Cedar)");
    EXPECT_EQ("Cedar", active());
}

TEST_F(SceneListTest, DroppedDataEmptiesTheList)
{
    send({Packet("", "ADDSCENE", "Gone", "0")});
    EXPECT_EQ((Texts{"(Gone)"}), rows());
    TestServer other;
    parlane.connect(other.get_address(), "Bob");
    EXPECT_EQ(Texts(), rows());
}

TEST_F(SceneListTest, BackgroundFollowsTheConfiguration)
{
    Config& config = parlane.get_config();
    std::string saved = config.get_color("background");
    bool saved_default = config.get_default_bg();
    config.set_color("background", "#203040");
    config.set_default_bg(false);
    parlane.signal_config_changed.emit();
    GtkRcStyle* style = gtk_widget_get_modifier_style(GTK_WIDGET(list.gobj()));
    EXPECT_TRUE(style->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE);
    EXPECT_EQ(0x3030, style->base[GTK_STATE_NORMAL].green);

    config.set_default_bg(true);
    parlane.signal_config_changed.emit();
    style = gtk_widget_get_modifier_style(GTK_WIDGET(list.gobj()));
    EXPECT_FALSE(style->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE);

    config.set_color("background", saved);
    config.set_default_bg(saved_default);
    parlane.signal_config_changed.emit();
}
