#include "client/ui/addscenedialog.h"

#include "client/ui/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/comboboxentry.h>
#include <gtkmm/entry.h>

#include <string>

using GuiTest::Strings;

namespace
{

class AddSceneDialogTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        log_in("GM");
    }

    Gtk::Entry& name() { return *GuiTest::find_widget<Gtk::Entry>(dialog, "ent_scene_name"); }
    Gtk::Entry& group()
    {
        return *GuiTest::find_widget<Gtk::ComboBoxEntry>(dialog, "cmb_scene_group")->get_entry();
    }
    Gtk::CheckButton& permanent()
    {
        return *GuiTest::find_widget<Gtk::CheckButton>(dialog, "chk_scene_permanent");
    }

    AddSceneDialog& dialog = *window.get_dlg_add_scene();
};

TEST_F(AddSceneDialogTest, OffersNoGroupThenEachGroupOnceInSceneOrderWithClearedFields)
{
    ASSERT_TRUE(server.deliver_all({ ";ADDSCENE;s1;0", ";ADDSCENE;s2;0", ";ADDSCENE;s3;0", ";ADDSCENE;s4;0",
        ";SCENEGROUP;s2;b", ";SCENEGROUP;s3;a", ";SCENEGROUP;s4;b" }));
    // Left-overs of an earlier use.
    name().set_text("old");
    group().set_text("old");
    permanent().set_active(true);
    Strings offered;
    GuiTest::respond_when_shown(dialog, Gtk::RESPONSE_CANCEL,
        [&]
        {
            AddSceneDialog::Columns columns;
            auto model = GuiTest::find_widget<Gtk::ComboBoxEntry>(dialog, "cmb_scene_group")->get_model();
            for (const Gtk::TreeModel::Row& row : model->children())
                offered.push_back(Glib::ustring(row[columns.group]));
            offered.push_back(
                name().get_text() + "|" + group().get_text() + "|" + (permanent().get_active() ? "1" : "0"));
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
        { Gtk::RESPONSE_OK, "Gate", "", false, true, { "GM;ADDSCENE;Gate;1" } },
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
                name().set_text(c.name);
                group().set_text(c.group);
                permanent().set_active(c.keep);
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

} // namespace
