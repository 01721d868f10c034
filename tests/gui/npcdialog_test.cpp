#include "client/npcdialog.h"

#include "client/biographydialog.h"
#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/treeview.h>

#include <string>
#include <vector>

using GuiTest::TestServer;

namespace
{

typedef std::vector<std::string> Strings;

class NpcDialogTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        GuiTest::MessageBoxes::take();
        ASSERT_TRUE(server.log_in("GM"));
        const Packet characters[] = {
            Packet("", "ADDCHAR", "Zed", "1"),
            Packet("", "ADDCHAR", "anna", "1"),
            Packet("", "ADDCHAR", "Alice", "0"),
            Packet("", "ADDCHAR", "Guard", "1"),
        };
        for (const Packet& pkt : characters)
            server.send(pkt);
        ASSERT_TRUE(server.sync());
        server.received.clear();
    }

    void TearDown() override
    {
        dialog.hide();
        parlane.get_dlg_biography()->hide();
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

    void select(const std::vector<int>& indices)
    {
        list().get_selection()->unselect_all();
        for (int i : indices)
        {
            Gtk::TreeModel::Path path;
            path.push_back(i);
            list().get_selection()->select(path);
        }
    }

    // Requests that reached the server, as "COMMAND param".
    Strings requests()
    {
        EXPECT_TRUE(server.sync());
        Strings lines;
        for (const Packet& pkt : server.received)
            lines.push_back(
                pkt.get_command() + " " + (pkt.get_parameter_count() ? pkt.get_parameter(0) : ""));
        server.received.clear();
        return lines;
    }

    Parlane& parlane = GuiTest::parlane();
    NpcDialog& dialog = *parlane.get_dlg_npcs();
    TestServer server;
};

TEST_F(NpcDialogTest, ListsTheNpcsInByteOrder)
{
    EXPECT_EQ((Strings { "Guard", "Zed", "anna" }), rows());
    EXPECT_EQ(Gtk::SELECTION_MULTIPLE, list().get_selection()->get_mode());
}

TEST_F(NpcDialogTest, RemovesEverySelectedRow)
{
    struct Case
    {
        std::vector<int> selected;
        Strings sent;
    } cases[] = {
        { { 0, 1, 2 }, { "REMOVECHAR Guard", "REMOVECHAR Zed", "REMOVECHAR anna" } },
        { { 0, 2 }, { "REMOVECHAR Guard", "REMOVECHAR anna" } },
        { {}, {} },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.sent.size());
        select(c.selected);
        click("btn_remove_npcs");
        EXPECT_EQ(c.sent, requests());
    }
}

TEST_F(NpcDialogTest, AddSendsTheNameAndKeepsIt)
{
    Gtk::Entry& entry = *GuiTest::find_widget<Gtk::Entry>(dialog, "ent_npc_name");
    entry.set_text("Old Tom");
    click("btn_add_npc");
    EXPECT_EQ(Strings { "ADDNPC Old Tom" }, requests());
    EXPECT_EQ("Old Tom", entry.get_text());
    // The list changes only when the server announces the character.
    EXPECT_EQ((Strings { "Guard", "Zed", "anna" }), rows());
    server.send(Packet("", "ADDCHAR", "Old Tom", "1"));
    ASSERT_TRUE(server.sync());
    EXPECT_EQ((Strings { "Guard", "Old Tom", "Zed", "anna" }), rows());
}

TEST_F(NpcDialogTest, EditsTheFirstSelectedBiography)
{
    BiographyDialog& biography = *parlane.get_dlg_biography();
    select({ 1, 2 });
    click("btn_edit_biography");
    EXPECT_TRUE(biography.get_visible());
    EXPECT_EQ("Zed", biography.get_character());
    EXPECT_EQ(Strings { "GETBIOGRAPHY Zed" }, requests());
}

TEST_F(NpcDialogTest, EditingNeedsAConnectionAndASelection)
{
    BiographyDialog& biography = *parlane.get_dlg_biography();
    select({});
    click("btn_edit_biography");
    EXPECT_FALSE(biography.get_visible());

    parlane.disconnect();
    select({ 0 });
    click("btn_edit_biography");
    EXPECT_FALSE(biography.get_visible());
}

TEST_F(NpcDialogTest, AnyResponseHides)
{
    for (int response : { Gtk::RESPONSE_CLOSE, Gtk::RESPONSE_DELETE_EVENT })
    {
        SCOPED_TRACE(response);
        dialog.show();
        dialog.response(response);
        EXPECT_FALSE(dialog.get_visible());
    }
}

} // namespace
