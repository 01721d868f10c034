#include "client/addscenedialog.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/comboboxentry.h>
#include <gtkmm/entry.h>

#include <string>
#include <vector>

using GuiTest::TestServer;

namespace
{

typedef std::vector<std::string> Strings;

class AddSceneDialogTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        GuiTest::MessageBoxes::take();
        ASSERT_TRUE(server.log_in("GM"));
    }

    Gtk::Entry& name_entry() { return *GuiTest::find_widget<Gtk::Entry>(dialog, "ent_scene_name"); }
    Gtk::ComboBoxEntry& group_combo()
    {
        return *GuiTest::find_widget<Gtk::ComboBoxEntry>(dialog, "cmb_scene_group");
    }
    Gtk::CheckButton& permanent()
    {
        return *GuiTest::find_widget<Gtk::CheckButton>(dialog, "chk_scene_permanent");
    }

    Strings offered_groups()
    {
        Strings groups;
        AddSceneDialog::Columns columns;
        for (const Gtk::TreeModel::Row& row : group_combo().get_model()->children())
            groups.push_back(Glib::ustring(row[columns.group]));
        return groups;
    }

    // The requests that reached the server, as "COMMAND param param".
    Strings requests()
    {
        EXPECT_TRUE(server.sync());
        Strings lines;
        for (const Packet& pkt : server.received)
        {
            if (pkt.get_command() == "NAME")
                continue;
            std::string line = pkt.get_command();
            for (unsigned i = 0; i < pkt.get_parameter_count(); ++i)
                line += " " + pkt.get_parameter(i);
            lines.push_back(line);
        }
        return lines;
    }

    // Runs the menu action, filling the dialog before answering it.
    void add_scene(int response, const std::string& name, const std::string& group, bool keep)
    {
        GuiTest::respond_when_shown(dialog, response,
            [=]
            {
                name_entry().set_text(name);
                group_combo().get_entry()->set_text(group);
                permanent().set_active(keep);
            });
        parlane.get_main_window()->add_scene();
        EXPECT_FALSE(dialog.get_visible());
    }

    Parlane& parlane = GuiTest::parlane();
    AddSceneDialog& dialog = *parlane.get_dlg_add_scene();
    TestServer server;
};

TEST_F(AddSceneDialogTest, OffersNoGroupThenEachGroupOnceInSceneOrder)
{
    const Packet scenes[] = {
        Packet("", "ADDSCENE", "s1", "0"),
        Packet("", "ADDSCENE", "s2", "0"),
        Packet("", "ADDSCENE", "s3", "0"),
        Packet("", "ADDSCENE", "s4", "0"),
        Packet("", "SCENEGROUP", "s2", "b"),
        Packet("", "SCENEGROUP", "s3", "a"),
        Packet("", "SCENEGROUP", "s4", "b"),
    };
    for (const Packet& pkt : scenes)
        server.send(pkt);
    ASSERT_TRUE(server.sync());

    // Left-overs of an earlier use are cleared.
    name_entry().set_text("old");
    group_combo().get_entry()->set_text("old");
    permanent().set_active(true);
    Strings groups;
    std::string name, group;
    bool keep = true;
    GuiTest::respond_when_shown(dialog, Gtk::RESPONSE_CANCEL,
        [&]
        {
            groups = offered_groups();
            name = name_entry().get_text();
            group = group_combo().get_entry()->get_text();
            keep = permanent().get_active();
        });
    dialog.run();
    dialog.hide();

    EXPECT_EQ((Strings { "", "a", "b" }), groups);
    EXPECT_EQ("", name);
    EXPECT_EQ("", group);
    EXPECT_FALSE(keep);
}

TEST_F(AddSceneDialogTest, AddsTheSceneThenSetsItsGroup)
{
    add_scene(Gtk::RESPONSE_OK, "Cellar", "Inn", false);
    EXPECT_EQ((Strings { "ADDSCENE Cellar 1", "SETSCENEGROUP Cellar Inn" }), requests());
}

TEST_F(AddSceneDialogTest, RequestsFollowTheFields)
{
    struct Case
    {
        int response;
        const char* name;
        const char* group;
        bool keep;
        Strings sent;
    } cases[] = {
        { Gtk::RESPONSE_OK, "Gate", "", false, { "ADDSCENE Gate 1" } },
        { Gtk::RESPONSE_OK, "Keep", "", true, { "ADDSCENE Keep 0" } },
        { Gtk::RESPONSE_CANCEL, "Moat", "Castle", true, {} },
        { Gtk::RESPONSE_DELETE_EVENT, "Moat", "Castle", true, {} },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        server.received.clear();
        add_scene(c.response, c.name, c.group, c.keep);
        EXPECT_EQ(c.sent, requests());
    }
}

TEST_F(AddSceneDialogTest, NoRequestWithoutConnection)
{
    parlane.disconnect();
    add_scene(Gtk::RESPONSE_OK, "Cellar", "Inn", false);
    GuiTest::run_turns(50);
    for (const Packet& pkt : server.received)
        EXPECT_EQ("NAME", pkt.get_command());
}

} // namespace
