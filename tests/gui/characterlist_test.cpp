#include "client/characterlist.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtkmm/main.h>
#include <gtkmm/menu.h>
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using GuiTest::TestServer;

namespace {

typedef std::vector<std::string> Texts;

const char* const ICONS[] = {"online", "offline", "writing", "afk"};

class CharacterListTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        parlane.set_writing(false);
        GuiTest::MessageBoxes::take();
        for (const char* icon: ICONS)
            icons.push_back(Gdk::Pixbuf::create_from_file(std::string(icon) + ".png"));
    }

    void TearDown() override
    {
        window.hide();
        GuiTest::run_turns(5);
    }

    void login(const std::string& user)
    {
        parlane.connect(server.get_address(), user);
        ASSERT_TRUE(parlane.is_connected());
        Packet name;
        ASSERT_TRUE(server.wait_for("NAME", name));
        seen = server.received.size();
    }

    void send(const std::vector<Packet>& packets)
    {
        for (const Packet& p: packets)
            server.send(p);
        ASSERT_TRUE(server.sync());
    }

    // The name of the icon file whose picture this is; "" for none.
    std::string icon_name(const Glib::RefPtr<Gdk::Pixbuf>& shown) const
    {
        if (!shown)
            return "";
        for (size_t i = 0; i < icons.size(); ++i)
        {
            const Glib::RefPtr<Gdk::Pixbuf>& icon = icons[i];
            if (shown->get_width() == icon->get_width() && shown->get_height() == icon->get_height() &&
                shown->get_rowstride() == icon->get_rowstride() &&
                std::memcmp(shown->get_pixels(), icon->get_pixels(), icon->get_rowstride() * icon->get_height()) == 0)
                return ICONS[i];
        }
        return "?";
    }

    // Each row as "name online-icon writing-icon".
    Texts rows() const
    {
        Texts result;
        for (const Gtk::TreeModel::Row& row: list.get_model()->children())
        {
            Glib::ustring name = row[columns.name];
            result.push_back(name.raw() + " " + icon_name(row[columns.online]) + " " + icon_name(row[columns.writing]));
        }
        return result;
    }

    Gtk::TreeModel::Path path_of(const std::string& name) const
    {
        for (const Gtk::TreeModel::Row& row: list.get_model()->children())
            if (Glib::ustring(row[columns.name]).raw() == name)
                return list.get_model()->get_path(row);
        ADD_FAILURE() << "no row " << name;
        return Gtk::TreeModel::Path();
    }

    // A button press over a row, as the X server delivers it to the view's
    // row window, then the release.
    void click(const std::string& name, guint button)
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
            event->button.button = button;
            event->button.device = gdk_device_get_core_pointer();
            gtk_widget_event(GTK_WIDGET(list.gobj()), event);
            gdk_event_free(event);
        }
    }

    void settle()
    {
        GuiTest::run_until([] { return !Gtk::Main::events_pending(); }, 1000);
        GuiTest::run_turns(10);
    }

    std::string selected() const
    {
        Gtk::TreeModel::iterator row = list.get_selection()->get_selected();
        return row ? Glib::ustring((*row)[columns.name]).raw() : "-";
    }

    // The visible pop-up menu item named `name`, from the toolkit's list of
    // windows; null if the menu is not up.
    static GtkWidget* popup_item(const std::string& name)
    {
        GtkWidget* found = nullptr;
        GList* windows = gtk_window_list_toplevels();
        for (GList* i = windows; i && !found; i = i->next)
            if (GTK_WIDGET_VISIBLE(GTK_WIDGET(i->data)))
                found = GuiTest::find_gtk_widget(GTK_WIDGET(i->data), name);
        g_list_free(windows);
        return found;
    }

    // As a click on the item does: the menu goes away, then the item acts.
    static void choose(GtkWidget* item)
    {
        gtk_menu_shell_activate_item(GTK_MENU_SHELL(gtk_widget_get_parent(item)), item, TRUE);
    }

    Parlane& parlane = GuiTest::parlane();
    MainWindow& window = *parlane.get_main_window();
    CharacterList& list = *GuiTest::find_widget<CharacterList>(window, "lst_characters");
    CharacterList::Columns columns;
    std::vector<Glib::RefPtr<Gdk::Pixbuf>> icons;
    TestServer server;
    size_t seen = 0;
};

}

TEST(CharacterList, CharacterCompare)
{
    struct Case
    {
        const char* a;
        bool a_npc;
        const char* b;
        bool b_npc;
        bool before;
    };
    const Case cases[] = {
        {"GM", false, "Alice", false, true},   {"Alice", false, "GM", false, false},
        {"GM", true, "Alice", false, true},    {"GM", false, "GM", false, false},
        {"gm", false, "Alice", false, false},  {"alice", false, "Bob", false, true},
        {"Bob", false, "alice", false, false}, {"Zed", false, "Anna", true, true},
        {"Anna", true, "Zed", false, false},   {"anna", true, "Bert", true, true},
        {"Same", true, "same", true, false},
    };
    for (const Case& c: cases)
    {
        SCOPED_TRACE(testing::Message() << c.a << " / " << c.b);
        Character a(c.a, c.a_npc);
        Character b(c.b, c.b_npc);
        EXPECT_EQ(c.before, CharacterList::character_compare(&a, &b));
    }
}

TEST_F(CharacterListTest, ListsTheGameMasterThenPlayersThenNpcs)
{
    login("Bob");
    send({Packet("", "ADDSCENE", "Roll Call", "0"), Packet("", "ADDCHAR", "zed", "1"),
          Packet("", "ADDCHAR", "bob", "0"), Packet("", "ADDCHAR", "GM", "0"), Packet("", "ADDCHAR", "Anna", "1"),
          Packet("", "ADDCHAR", "alice", "0"), Packet("", "ADDCHAR", "Carl", "0"),
          Packet("", "ADDCHAR", "Caf\xE9", "0")});
    EXPECT_EQ(Texts(), rows());
    for (const char* n: {"zed", "bob", "GM", "Anna", "alice", "Caf\xE9", "Carl"})
        server.send(Packet(n, "ENTER", "Roll Call"));
    ASSERT_TRUE(server.sync());
    EXPECT_EQ((Texts{"GM offline ", "alice offline ", "bob offline ", "Caf\xEF\xBF\xBD offline ", "Carl offline ",
                     "Anna  ", "zed  "}),
              rows());

    send({Packet("bob", "LEAVE", "Roll Call")});
    EXPECT_EQ((Texts{"GM offline ", "alice offline ", "Caf\xEF\xBF\xBD offline ", "Carl offline ", "Anna  ", "zed  "}),
              rows());

    // Another scene shows its own people; dropping the data empties the list.
    send({Packet("", "ADDSCENE", "Empty Room", "0")});
    parlane.set_active_scene(parlane.get_scene("Empty Room"));
    EXPECT_EQ(Texts(), rows());
    parlane.set_active_scene(parlane.get_scene("Roll Call"));
    EXPECT_EQ(6u, rows().size());
    TestServer other;
    parlane.connect(other.get_address(), "Bob");
    EXPECT_EQ(Texts(), rows());
}

TEST_F(CharacterListTest, StatusIcons)
{
    login("Bob");
    send({Packet("", "ADDSCENE", "Inn", "0"), Packet("", "ADDSCENE", "Yard", "0"),
          Packet("", "ADDCHAR", "Alice", "0"), Packet("", "ADDCHAR", "Bert", "0"), Packet("", "ADDCHAR", "Cora", "0"),
          Packet("", "ADDCHAR", "Guard", "1"), Packet("Alice", "ENTER", "Inn"), Packet("Bert", "ENTER", "Inn"),
          Packet("Cora", "ENTER", "Inn"), Packet("Guard", "ENTER", "Inn")});
    EXPECT_EQ((Texts{"Alice offline ", "Bert offline ", "Cora offline ", "Guard  "}), rows());

    struct Step
    {
        Packet pkt;
        Texts rows;
    };
    const Step steps[] = {
        {Packet("Alice", "ONLINE", "1"), {"Alice online ", "Bert offline ", "Cora offline ", "Guard  "}},
        // Writing elsewhere does not show here.
        {Packet("Alice", "WRITING", "Yard"), {"Alice online ", "Bert offline ", "Cora offline ", "Guard  "}},
        {Packet("Alice", "WRITING", "Inn"), {"Alice online writing", "Bert offline ", "Cora offline ", "Guard  "}},
        // Away and not writing here: the away icon; writing here beats away.
        {Packet("Bert", "AFK", "lunch"), {"Alice online writing", "Bert offline afk", "Cora offline ", "Guard  "}},
        {Packet("Bert", "WRITING", "Yard"), {"Alice online writing", "Bert offline afk", "Cora offline ", "Guard  "}},
        {Packet("Alice", "AFK", "tea"), {"Alice online writing", "Bert offline afk", "Cora offline ", "Guard  "}},
        {Packet("Alice", "WRITING", ""), {"Alice online afk", "Bert offline afk", "Cora offline ", "Guard  "}},
        {Packet("Guard", "WRITING", "Inn"), {"Alice online afk", "Bert offline afk", "Cora offline ", "Guard  writing"}},
        {Packet("Guard", "ONLINE", "1"), {"Alice online afk", "Bert offline afk", "Cora offline ", "Guard  writing"}},
        {Packet("Alice", "ONLINE", "0"), {"Alice offline afk", "Bert offline afk", "Cora offline ", "Guard  writing"}},
        {Packet("Bert", "AFK", ""), {"Alice offline afk", "Bert offline ", "Cora offline ", "Guard  writing"}},
    };
    for (const Step& s: steps)
    {
        SCOPED_TRACE(s.pkt.str());
        send({s.pkt});
        EXPECT_EQ(s.rows, rows());
    }

    // The writing icon belongs to the scene shown: in the Yard, Bert writes.
    send({Packet("Bert", "ENTER", "Yard")});
    parlane.set_active_scene(parlane.get_scene("Yard"));
    EXPECT_EQ((Texts{"Bert offline writing"}), rows());
}

TEST_F(CharacterListTest, ClickChoosesTheSpeakingNameAndRightClickOffersItsMenu)
{
    login("GM");
    window.show();
    window.resize(700, 400);
    send({Packet("", "ADDSCENE", "Gate", "0"), Packet("", "ADDCHAR", "Alice", "0"), Packet("", "ADDCHAR", "Guard", "1"),
          Packet("Alice", "ENTER", "Gate"), Packet("Guard", "ENTER", "Gate")});
    settle();

    click("Guard", 1);
    EXPECT_EQ("Guard", parlane.get_active_name());
    EXPECT_EQ("Guard", selected());

    click("Alice", 3);
    EXPECT_EQ("Alice", selected());
    settle();
    GtkWidget* query = popup_item("mni_query");
    ASSERT_NE(nullptr, query) << "no pop-up menu";
    EXPECT_TRUE(GTK_WIDGET_VISIBLE(query));
    EXPECT_EQ("Guard", parlane.get_active_name());

    // The menu acts on the row that was right-clicked, whatever is selected now.
    list.get_selection()->select(path_of("Guard"));
    choose(query);
    Packet pkt;
    ASSERT_TRUE(server.wait_for("QUERY", pkt));
    EXPECT_EQ("Alice", pkt.get_parameter(0));

    click("Guard", 3);
    settle();
    GtkWidget* biography = popup_item("mni_biography");
    ASSERT_NE(nullptr, biography);
    choose(biography);
    ASSERT_TRUE(server.wait_for("GETBIOGRAPHY", pkt));
    EXPECT_EQ("Guard", pkt.get_parameter(0));
    settle();
}

TEST_F(CharacterListTest, BackgroundFollowsTheConfiguration)
{
    Config& config = parlane.get_config();
    std::string saved = config.get_color("background");
    bool saved_default = config.get_default_bg();
    config.set_color("background", "#203040");
    config.set_default_bg(false);
    parlane.signal_config_changed.emit();
    GtkRcStyle* style = gtk_widget_get_modifier_style(GTK_WIDGET(list.gobj()));
    EXPECT_TRUE(style->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE);
    EXPECT_EQ(0x4040, style->base[GTK_STATE_NORMAL].blue);

    config.set_default_bg(true);
    parlane.signal_config_changed.emit();
    style = gtk_widget_get_modifier_style(GTK_WIDGET(list.gobj()));
    EXPECT_FALSE(style->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE);

    config.set_color("background", saved);
    config.set_default_bg(saved_default);
    parlane.signal_config_changed.emit();
}
