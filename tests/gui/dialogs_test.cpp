#include "client/parlane.h"
#include "client/ui/addscenedialog.h"
#include "client/ui/biographydialog.h"
#include "client/ui/characterlist.h"
#include "client/ui/colordialog.h"
#include "client/ui/connectdialog.h"
#include "client/ui/mainwindow.h"
#include "client/ui/npcdialog.h"
#include "client/ui/scenelist.h"
#include "tests/gui/fixture.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/colorbutton.h>
#include <gtkmm/comboboxentry.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/textview.h>
#include <gtkmm/treeview.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

using GuiTest::Strings;

namespace
{

class AddSceneDialogTest: public GuiTest::SessionTest
{
protected:
    AddSceneDialogTest(): SessionTest(false, "GM") { }

    AddSceneDialog& dialog = *window.get_dlg_add_scene();
    Gtk::ComboBoxEntry& groups = *GuiTest::find_widget<Gtk::ComboBoxEntry>(dialog, "cmb_scene_group");
    Gtk::Entry& name = *GuiTest::find_widget<Gtk::Entry>(dialog, "ent_scene_name");
    Gtk::Entry& group = *groups.get_entry();
    Gtk::CheckButton& permanent = *GuiTest::find_widget<Gtk::CheckButton>(dialog, "chk_scene_permanent");
};

TEST_F(AddSceneDialogTest, OffersNoGroupThenEachGroupOnceInSceneOrderWithClearedFields)
{
    ASSERT_TRUE(server.deliver_all({ ";ADDSCENE;s1;0", ";ADDSCENE;s2;0", ";ADDSCENE;s3;0", ";ADDSCENE;s4;0",
        ";SCENEGROUP;s2;b", ";SCENEGROUP;s3;a", ";SCENEGROUP;s4;b" }));
    name.set_text("old");
    group.set_text("old");
    permanent.set_active(true);
    Strings offered;
    GuiTest::respond_when_shown(dialog, Gtk::RESPONSE_CANCEL,
        [&]
        {
            AddSceneDialog::Columns columns;
            for (const Gtk::TreeModel::Row& row : groups.get_model()->children())
                offered.push_back(Glib::ustring(row[columns.group]));
            offered.push_back(
                name.get_text() + "|" + group.get_text() + "|" + (permanent.get_active() ? "1" : "0"));
        });
    dialog.run();
    dialog.hide();
    EXPECT_EQ((Strings { "", "a", "b", "||0" }), offered);
}

TEST_F(AddSceneDialogTest, RequestsFollowTheFieldsInOrder)
{
    const struct
    {
        int response;
        const char *name, *group;
        bool keep, connected;
        Strings sent;
    } cases[] = {
        { Gtk::RESPONSE_OK, "Cellar", "Inn", false, true,
            { "GM;ADDSCENE;Cellar;1", "GM;SETSCENEGROUP;Cellar;Inn" } },
        { Gtk::RESPONSE_OK, "Keep", "", true, true, { "GM;ADDSCENE;Keep;0" } },
        { Gtk::RESPONSE_CANCEL, "Moat", "Castle", true, true, {} },
        { Gtk::RESPONSE_OK, "Cellar", "Inn", false, false, {} },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        if (!c.connected)
            parlane.disconnect();
        GuiTest::respond_when_shown(dialog, c.response,
            [&]
            {
                name.set_text(c.name);
                group.set_text(c.group);
                permanent.set_active(c.keep);
            });
        window.add_scene();
        EXPECT_FALSE(dialog.get_visible());
        if (c.connected)
            EXPECT_EQ(c.sent, server.take_sent());
        else
        {
            GuiTest::run_turns(50);
            EXPECT_TRUE(server.received.empty());
        }
    }
}

class BiographyDialogTest: public GuiTest::SessionTest
{
protected:
    BiographyDialogTest(): SessionTest(false, "Bob") { }

    Glib::RefPtr<Gtk::TextBuffer> buffer()
    {
        return GuiTest::find_widget<Gtk::TextView>(dialog, "txt_edit_biography")->get_buffer();
    }

    BiographyDialog& dialog = *window.get_dlg_biography();
};

// Only the answer for the dialog's character is shown; OK sends the text and
// every response hides the dialog.
TEST_F(BiographyDialogTest, ShowsTheAnswerForItsCharacterAndOkSendsTheText)
{
    dialog.set_character("Alice");
    EXPECT_EQ(
        "Biography of Alice", GuiTest::find_widget<Gtk::Label>(dialog, "lbl_edit_bio_title")->get_text());
    EXPECT_EQ("[Retrieving biography]", buffer()->get_text());
    EXPECT_EQ(Strings { "Bob;GETBIOGRAPHY;Alice" }, server.take_sent());
    // The name must match exactly; bytes that are not UTF-8 are replaced.
    const struct
    {
        const char *line, *shown;
    } cases[] = {
        { "alice;BIOGRAPHY;Wrong.", "[Retrieving biography]" },
        { "Alice;BIOGRAPHY;Tall.\aFrom the north.", "Tall.\nFrom the north." },
        { "Alice;BIOGRAPHY;Caf\xE9 owner", "Caf\xEF\xBF\xBD owner" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(server.deliver(c.line));
        EXPECT_EQ(c.shown, buffer()->get_text());
    }
    for (int response : { Gtk::RESPONSE_CANCEL, Gtk::RESPONSE_OK })
    {
        SCOPED_TRACE(response);
        dialog.set_character("Bob");
        dialog.show();
        buffer()->set_text("Born in a barn.");
        server.take_sent();
        dialog.response(response);
        EXPECT_FALSE(dialog.get_visible());
        EXPECT_EQ(response == Gtk::RESPONSE_OK ? Strings { "Bob;SETBIOGRAPHY;Born in a barn." } : Strings(),
            server.take_sent());
    }
}

class CharacterListTest: public GuiTest::SessionTest
{
protected:
    CharacterListTest():
        SessionTest(false, "Bob",
            { ";ADDCHAR;zoe;0", ";ADDCHAR;Guard;1", ";ADDCHAR;Bob;0", ";ADDCHAR;GM;0", ";ADDCHAR;anna;1",
                ";ADDCHAR;alice;0", ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0", "zoe;ENTER;Tavern",
                "Guard;ENTER;Tavern", "Bob;ENTER;Tavern", "GM;ENTER;Tavern", "anna;ENTER;Tavern",
                "alice;ENTER;Tavern" })
    {
    }

    // Each row as "name online-icon writing-icon", icons by file stem or "-".
    Strings rows()
    {
        Strings out;
        for (const Gtk::TreeModel::Row& row : list.get_model()->children())
            out.push_back(Glib::ustring(row[columns.name]).raw() + " " + icon(row[columns.online]) + " "
                + icon(row[columns.writing]));
        return out;
    }

    std::string icon(const Glib::RefPtr<Gdk::Pixbuf>& image)
    {
        for (const auto& k : known)
            if (image && image->gobj() == k.second->gobj())
                return k.first;
        return image ? "?" : "-";
    }

    Glib::RefPtr<Gdk::Pixbuf> picture(const std::string& name, bool online)
    {
        for (const Gtk::TreeModel::Row& row : list.get_model()->children())
            if (Glib::ustring(row[columns.name]).raw() == name)
                return online ? row[columns.online] : row[columns.writing];
        return {};
    }

    CharacterList& list = *GuiTest::find_widget<CharacterList>(window, "lst_characters");
    CharacterList::Columns columns;
    // The list's own pictures by file stem, learnt from rows in known states.
    std::map<std::string, Glib::RefPtr<Gdk::Pixbuf>> known;
};

TEST_F(CharacterListTest, SortedRowsShowOnlineWritingHereAndAway)
{
    // Learn which picture is which from states that allow only one answer.
    ASSERT_TRUE(server.deliver("alice;ONLINE;1"));
    known["online"] = picture("alice", true);
    known["offline"] = picture("Bob", true);
    ASSERT_TRUE(server.deliver("Bob;WRITING;Tavern"));
    known["writing"] = picture("Bob", false);
    ASSERT_TRUE(server.deliver("zoe;AFK;tea"));
    known["afk"] = picture("zoe", false);
    for (const auto& k : known)
        ASSERT_TRUE(k.second) << k.first;
    EXPECT_NE(known["online"]->gobj(), known["offline"]->gobj());
    EXPECT_NE(known["writing"]->gobj(), known["afk"]->gobj());

    // Writing elsewhere shows nothing here; away wins over writing. Players
    // and NPCs each sort ignoring case: alice before Bob, anna before Guard.
    ASSERT_TRUE(server.deliver_all({ "alice;WRITING;Market", "Bob;AFK;away" }));
    EXPECT_EQ((Strings { "GM offline -", "alice online -", "Bob offline writing", "zoe offline afk",
                  "anna - -", "Guard - -" }),
        rows());

    // The list follows the active scene, and goes with the model once a
    // login under another name is accepted, not before.
    parlane.set_active_scene(parlane.get_scene("Market"));
    EXPECT_EQ(Strings(), rows());
    ASSERT_TRUE(server.deliver("Guard;ENTER;Market"));
    EXPECT_EQ(Strings { "Guard - -" }, rows());
    parlane.connect(server.get_address(), "zoe");
    ASSERT_TRUE(server.wait_for("NAME"));
    EXPECT_EQ(Strings { "Guard - -" }, rows());
    ASSERT_TRUE(server.deliver("zoe;BIOGRAPHY;"));
    EXPECT_EQ(Strings(), rows());
}

const char* const ROLES[]
    = { "text", "name", "other_name", "speech", "gm", "ooc", "event", "timestamp", "background" };

class ColorDialogTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        // Lambdas are not trackable: this must go before the fixture does.
        watch_config = parlane.signal_config_changed.connect([this] { ++announcements; });
    }

    void TearDown() override
    {
        watch_config.disconnect();
        SessionTest::TearDown();
    }

    Gtk::ColorButton& button(const std::string& role)
    {
        return *GuiTest::find_widget<Gtk::ColorButton>(dialog, "cbt_" + role);
    }

    std::string shown(const std::string& role)
    {
        Gdk::Color c = button(role).get_color();
        char text[8];
        std::snprintf(
            text, sizeof text, "#%02X%02X%02X", c.get_red() >> 8, c.get_green() >> 8, c.get_blue() >> 8);
        return text;
    }

    void set(const std::string& role, unsigned short r, unsigned short g, unsigned short b)
    {
        Gdk::Color color;
        color.set_rgb(r, g, b);
        button(role).set_color(color);
    }

    typedef std::vector<std::pair<int, std::function<void()>>> Steps;

    // Runs the colour menu action, answering each run of the dialog after
    // its step.
    void run_colors(const Steps& steps)
    {
        chain(steps, 0);
        window.colors();
    }

    void chain(const Steps& steps, size_t i)
    {
        if (i < steps.size())
            GuiTest::respond_when_shown(dialog, steps[i].first,
                [=]
                {
                    steps[i].second();
                    chain(steps, i + 1);
                });
    }

    Config& config = parlane.get_config();
    ColorDialog& dialog = *window.get_dlg_colors();
    Gtk::CheckButton& default_bg = *GuiTest::find_widget<Gtk::CheckButton>(dialog, "chk_default_bg");
    int announcements = 0;
    sigc::connection watch_config;
};

TEST_F(ColorDialogTest, EveryButtonFollowsEachAnnouncedConfiguration)
{
    GuiTest::Strings colors, buttons;
    for (const char* role : ROLES)
    {
        colors.push_back("#" + std::to_string(10 + colors.size()) + "2233");
        config.set_color(role, colors.back());
    }
    config.set_default_bg(false);
    parlane.signal_config_changed.emit();
    for (const char* role : ROLES)
        buttons.push_back(shown(role));
    EXPECT_EQ(colors, buttons);
    EXPECT_FALSE(default_bg.get_active());
}

// Apply stores and stays open; closing the window applies and shows it again;
// Cancel stores nothing but the buttons keep the choice.
TEST_F(ColorDialogTest, ApplyAndCloseStoreButCancelDoesNot)
{
    std::string applied;
    run_colors({
        { Gtk::RESPONSE_APPLY,
            [&]
            {
                set("text", 0xFFFF, 0xFFFF, 0xFFFF);
                set("name", 0x00FF, 0xA0FF, 0x8012); // only the high byte of each channel counts
                default_bg.set_active(false);
            } },
        { Gtk::RESPONSE_DELETE_EVENT,
            [&]
            {
                applied = config.get_color("text");
                set("gm", 0x0A00, 0x0B00, 0xC000);
            } },
        { Gtk::RESPONSE_CANCEL, [&] { set("ooc", 0xFFFF, 0, 0); } },
    });
    EXPECT_EQ("#FFFFFF", applied);
    EXPECT_FALSE(dialog.get_visible());
    EXPECT_EQ("#00A080", config.get_color("name"));
    EXPECT_EQ("#0A0BC0", config.get_color("gm"));
    EXPECT_NE("#FF0000", config.get_color("ooc"));
    EXPECT_EQ("#FF0000", shown("ooc"));
    EXPECT_FALSE(config.get_default_bg());
    EXPECT_EQ(2, announcements);

    run_colors({ { Gtk::RESPONSE_OK, [&] { set("event", 0x1200, 0x3400, 0x5600); } } });
    EXPECT_EQ("#123456", config.get_color("event"));
    EXPECT_EQ(3, announcements);
}

class ConnectDialogTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        config.set_connect_host("chat.example.org:7000");
        config.set_connect_name("Car\xE9l"); // not UTF-8: shown with U+FFFD, kept as it is
    }

    Gtk::Entry& entry(const std::string& name) { return *GuiTest::find_widget<Gtk::Entry>(dialog, name); }

    // Answers the dialog after noting what it opened with and typing address
    // and name.
    void answer_with(int response, const std::string& address, const std::string& name)
    {
        GuiTest::respond_when_shown(dialog, response,
            [=]
            {
                shown = entry("ent_connect_address").get_text() + " " + entry("ent_connect_name").get_text();
                entry("ent_connect_address").set_text(address);
                entry("ent_connect_name").set_text(name);
            });
    }

    Config& config = parlane.get_config();
    ConnectDialog& dialog = *window.get_dlg_connect();
    std::string shown;
};

// Cancel keeps the stored settings; OK stores the typed ones even when the
// connection is refused (port 1 on the loopback interface), then connects.
TEST_F(ConnectDialogTest, OpensWithTheStoredSettingsAndOkStoresTheTypedOnesAndConnects)
{
    const std::string address = server.get_address();
    const struct
    {
        int response;
        std::string address, name, shown, box;
    } cases[] = {
        { Gtk::RESPONSE_CANCEL, address, "Dave", "chat.example.org:7000 Car\xEF\xBF\xBDl", "" },
        { Gtk::RESPONSE_OK, "127.0.0.1:1", "Erin", "chat.example.org:7000 Car\xEF\xBF\xBDl", "refused" },
        { Gtk::RESPONSE_OK, address, "Dave Stone", "127.0.0.1:1 Erin", "" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        entry("ent_connect_address").set_text("left over");
        answer_with(c.response, c.address, c.name);
        window.connect();
        EXPECT_FALSE(dialog.get_visible());
        EXPECT_EQ(c.shown, shown);
        bool ok = c.response == Gtk::RESPONSE_OK;
        EXPECT_EQ(ok ? c.address : "chat.example.org:7000", config.get_connect_host());
        EXPECT_EQ(ok ? c.name : "Car\xE9l", config.get_connect_name());
        EXPECT_FALSE(parlane.is_connected()) << "not before the server takes the login";
        GuiTest::Strings boxes = GuiTest::MessageBoxes::take();
        EXPECT_EQ(c.box.empty() ? 0u : 1u, boxes.size());
        for (const std::string& box : boxes)
            EXPECT_NE(std::string::npos, box.find(c.box)) << box;
    }
    Packet name;
    ASSERT_TRUE(server.wait_for("NAME", &name));
    EXPECT_EQ(";NAME;Dave Stone", name.str());
    ASSERT_TRUE(server.deliver("Dave Stone;BIOGRAPHY;"));
    EXPECT_TRUE(parlane.is_connected());
    EXPECT_EQ("Dave Stone", GuiTest::find_widget<Gtk::Label>(window, "lbl_name")->get_text());
}

class NpcDialogTest: public GuiTest::SessionTest
{
protected:
    NpcDialogTest():
        SessionTest(
            false, "GM", { ";ADDCHAR;Zed;1", ";ADDCHAR;anna;1", ";ADDCHAR;Alice;0", ";ADDCHAR;Guard;1" })
    {
    }

    Gtk::TreeView& list() { return *GuiTest::find_widget<Gtk::TreeView>(dialog, "lst_npcs"); }
    void click(const std::string& button) { GuiTest::find_widget<Gtk::Button>(dialog, button)->clicked(); }

    Strings rows()
    {
        Strings names;
        NpcDialog::Columns columns;
        for (const Gtk::TreeModel::Row& row : list().get_model()->children())
            names.push_back(row[columns.name]);
        return names;
    }

    void select(const std::vector<int>& rows)
    {
        list().get_selection()->unselect_all();
        for (int i : rows)
            list().get_selection()->select(Gtk::TreeModel::Path(Gtk::TreeModel::Path::size_type(1), i));
    }

    NpcDialog& dialog = *window.get_dlg_npcs();
};

TEST_F(NpcDialogTest, RemovesEverySelectedRow)
{
    EXPECT_EQ((Strings { "Guard", "Zed", "anna" }), rows()) << "NPCs only, in byte order";
    EXPECT_EQ(Gtk::SELECTION_MULTIPLE, list().get_selection()->get_mode());
    select({ 0, 2 });
    click("btn_remove_npcs");
    EXPECT_EQ((Strings { "GM;REMOVECHAR;Guard", "GM;REMOVECHAR;anna" }), server.take_sent());
    select({});
    click("btn_remove_npcs");
    EXPECT_EQ(Strings(), server.take_sent()) << "nothing selected";
}

TEST_F(NpcDialogTest, AddSendsTheNameAndTheListFollowsTheServer)
{
    GuiTest::find_widget<Gtk::Entry>(dialog, "ent_npc_name")->set_text("Old Tom");
    click("btn_add_npc");
    EXPECT_EQ(Strings { "GM;ADDNPC;Old Tom" }, server.take_sent());
    EXPECT_EQ((Strings { "Guard", "Zed", "anna" }), rows());
    ASSERT_TRUE(server.deliver(";ADDCHAR;Old Tom;1"));
    EXPECT_EQ((Strings { "Guard", "Old Tom", "Zed", "anna" }), rows());
}

TEST_F(NpcDialogTest, EditsTheFirstSelectedBiographyWhenConnected)
{
    BiographyDialog& biography = *window.get_dlg_biography();
    select({});
    click("btn_edit_biography");
    EXPECT_FALSE(biography.get_visible()) << "nothing selected";

    select({ 1, 2 });
    click("btn_edit_biography");
    EXPECT_TRUE(biography.get_visible());
    EXPECT_EQ("Zed", biography.get_character());
    EXPECT_EQ(Strings { "GM;GETBIOGRAPHY;Zed" }, server.take_sent());

    biography.hide();
    parlane.disconnect();
    click("btn_edit_biography");
    EXPECT_FALSE(biography.get_visible()) << "not connected";
}

class SceneListTest: public GuiTest::SessionTest
{
protected:
    SceneListTest():
        SessionTest(true, "Bob",
            { ";ADDCHAR;Bob;0", ";ADDSCENE;s1;0", ";ADDSCENE;s2;0", ";ADDSCENE;s3;0", ";ADDSCENE;s4;0",
                ";SCENEGROUP;s2;g", ";SCENEGROUP;s3;g", ";SCENEGROUP;s4;h", "Bob;ENTER;s1" })
    {
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

    // Logging in again under the same name keeps the scenes, and the same
    // announcements raise nothing; another name drops them with the model.
    Strings before = rows();
    parlane.connect(server.get_address(), "Bob");
    ASSERT_TRUE(server.wait_for("NAME"));
    ASSERT_TRUE(server.deliver_all({ "Bob;ENTER;s1", "Bob;BIOGRAPHY;" }));
    EXPECT_EQ(before, rows());
    ASSERT_TRUE(server.log_in("Carol"));
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

// Ctrl+Page Down in the input line into a scene of a collapsed group: the
// group opens and the new scene's row is the one selected.
TEST_F(SceneListTest, TheActiveSceneIsSelectedInsideACollapsedGroup)
{
    Gtk::Widget& input = *GuiTest::find_widget<Gtk::Widget>(window, "ent_text");
    GdkEvent* key = gdk_event_new(GDK_KEY_PRESS);
    key->key.keyval = GDK_Page_Down;
    key->key.state = GDK_CONTROL_MASK;
    GuiTest::send_event(input, key);
    GuiTest::run_turns(5);
    ASSERT_EQ("s2", parlane.get_active_scene()->get_name());
    EXPECT_TRUE(list.row_expanded(path_of("g")));
    std::vector<Gtk::TreeModel::Path> selected = list.get_selection()->get_selected_rows();
    ASSERT_EQ(1u, selected.size());
    EXPECT_EQ(path_of("s2"), selected.front());
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
