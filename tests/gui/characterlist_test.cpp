#include "client/characterlist.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using GuiTest::Strings;

namespace
{

class CharacterListTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        GuiTest::MessageBoxes::take();
        ASSERT_TRUE(server.log_in("Bob"));
        std::vector<Packet> setup = { Packet("", "ADDSCENE", "Tavern", "0"), Packet("", "ADDSCENE", "Market", "0") };
        for (const char* who : { "zoe", "Guard", "Bob", "GM", "anna", "Alice" })
        {
            bool npc = who == std::string("Guard") || who == std::string("anna");
            setup.insert(setup.begin(), Packet("", "ADDCHAR", who, npc ? "1" : "0"));
            setup.push_back(Packet(who, "ENTER", "Tavern"));
        }
        ASSERT_TRUE(server.deliver_all(setup));
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

    Parlane& parlane = GuiTest::parlane();
    CharacterList& list = *GuiTest::find_widget<CharacterList>(*parlane.get_main_window(), "lst_characters");
    CharacterList::Columns columns;
    GuiTest::TestServer server;
    // The list's own pictures by file stem, learnt from rows in known states.
    std::map<std::string, Glib::RefPtr<Gdk::Pixbuf>> known;
};

TEST_F(CharacterListTest, SortedRowsShowOnlineWritingHereAndAway)
{
    // Learn which picture is which from states that allow only one answer.
    ASSERT_TRUE(server.deliver(Packet("Alice", "ONLINE", "1")));
    known["online"] = picture("Alice", true);
    known["offline"] = picture("Bob", true);
    ASSERT_TRUE(server.deliver(Packet("Bob", "WRITING", "Tavern")));
    known["writing"] = picture("Bob", false);
    ASSERT_TRUE(server.deliver(Packet("zoe", "AFK", "tea")));
    known["afk"] = picture("zoe", false);
    for (const auto& k : known)
        ASSERT_TRUE(k.second) << k.first;
    EXPECT_NE(known["online"]->gobj(), known["offline"]->gobj());
    EXPECT_NE(known["writing"]->gobj(), known["afk"]->gobj());

    // Writing elsewhere shows nothing here; away wins over writing.
    ASSERT_TRUE(server.deliver_all({ Packet("Alice", "WRITING", "Market"), Packet("Bob", "AFK", "away") }));
    EXPECT_EQ((Strings { "GM offline -", "Alice online -", "Bob offline writing", "zoe offline afk", "anna - -",
                  "Guard - -" }),
        rows());
}

TEST_F(CharacterListTest, FollowsTheActiveScene)
{
    parlane.set_active_scene(parlane.get_scene("Market"));
    EXPECT_EQ(Strings(), rows());
    ASSERT_TRUE(server.deliver(Packet("Guard", "ENTER", "Market")));
    EXPECT_EQ(Strings { "Guard - -" }, rows());
    parlane.connect(server.get_address(), "Bob");
    EXPECT_EQ(Strings(), rows());
}

TEST_F(CharacterListTest, CompareOrdersGameMasterPlayersNpcs)
{
    Character gm("GM", false), alice("alice", false), bob("Bob", false), guard("Guard", true), anna("anna", true);
    const struct
    {
        const Character *a, *b;
        bool before;
    } cases[] = {
        { &gm, &alice, true },
        { &alice, &gm, false },
        { &gm, &gm, false },
        { &alice, &bob, true },
        { &bob, &alice, false },
        { &bob, &anna, true },
        { &anna, &bob, false },
        { &anna, &guard, true },
        { &guard, &anna, false },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.a->get_name() + " vs " + c.b->get_name());
        EXPECT_EQ(c.before, CharacterList::character_compare(c.a, c.b));
    }
}

} // namespace
