#include "client/ui/mainwindow.h"
#include "client/ui/npcdialog.h"

#include "client/ui/biographydialog.h"
#include "client/parlane.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/treeview.h>

#include <string>
#include <vector>

using GuiTest::Strings;

namespace
{

class NpcDialogTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        log_in("GM", { ";ADDCHAR;Zed;1", ";ADDCHAR;anna;1", ";ADDCHAR;Alice;0", ";ADDCHAR;Guard;1" });
    }

    void TearDown() override
    {
        dialog.hide();
        window.get_dlg_biography()->hide();
        SessionTest::TearDown();
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
    const struct
    {
        std::vector<int> selected;
        Strings sent;
    } cases[] = {
        { { 0, 1, 2 }, { "GM;REMOVECHAR;Guard", "GM;REMOVECHAR;Zed", "GM;REMOVECHAR;anna" } },
        { { 0, 2 }, { "GM;REMOVECHAR;Guard", "GM;REMOVECHAR;anna" } },
        { {}, {} },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.sent.size());
        server.take_sent();
        select(c.selected);
        click("btn_remove_npcs");
        EXPECT_EQ(c.sent, server.take_sent());
    }
}

TEST_F(NpcDialogTest, AddSendsTheNameAndKeepsIt)
{
    server.take_sent();
    Gtk::Entry& entry = *GuiTest::find_widget<Gtk::Entry>(dialog, "ent_npc_name");
    entry.set_text("Old Tom");
    click("btn_add_npc");
    EXPECT_EQ(Strings { "GM;ADDNPC;Old Tom" }, server.take_sent());
    EXPECT_EQ("Old Tom", entry.get_text());
    // The list changes only when the server announces the character.
    EXPECT_EQ((Strings { "Guard", "Zed", "anna" }), rows());
    ASSERT_TRUE(server.deliver(";ADDCHAR;Old Tom;1"));
    EXPECT_EQ((Strings { "Guard", "Old Tom", "Zed", "anna" }), rows());
}

TEST_F(NpcDialogTest, EditsTheFirstSelectedBiographyWhenConnected)
{
    BiographyDialog& biography = *window.get_dlg_biography();
    server.take_sent();
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

} // namespace
