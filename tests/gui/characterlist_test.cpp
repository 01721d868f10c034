#include "client/ui/characterlist.h"

#include "client/parlane.h"
#include "client/ui/mainwindow.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using GuiTest::Strings;

namespace
{

class CharacterListTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        log_in("Bob",
            { ";ADDCHAR;zoe;0", ";ADDCHAR;Guard;1", ";ADDCHAR;Bob;0", ";ADDCHAR;GM;0", ";ADDCHAR;anna;1",
                ";ADDCHAR;alice;0", ";ADDSCENE;Tavern;0", ";ADDSCENE;Market;0", "zoe;ENTER;Tavern",
                "Guard;ENTER;Tavern", "Bob;ENTER;Tavern", "GM;ENTER;Tavern", "anna;ENTER;Tavern",
                "alice;ENTER;Tavern" });
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

    // The list follows the active scene, and goes with the model.
    parlane.set_active_scene(parlane.get_scene("Market"));
    EXPECT_EQ(Strings(), rows());
    ASSERT_TRUE(server.deliver("Guard;ENTER;Market"));
    EXPECT_EQ(Strings { "Guard - -" }, rows());
    parlane.connect(server.get_address(), "Bob");
    EXPECT_EQ(Strings(), rows());
}

} // namespace
