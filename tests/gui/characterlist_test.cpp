#include "client/characterlist.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using GuiTest::TestServer;

namespace
{

typedef std::vector<std::string> Strings;

class CharacterListTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        GuiTest::MessageBoxes::take();
        ASSERT_TRUE(server.log_in("Bob"));
        const Packet setup[] = {
            Packet("", "ADDCHAR", "zoe", "0"),
            Packet("", "ADDCHAR", "Guard", "1"),
            Packet("", "ADDCHAR", "Bob", "0"),
            Packet("", "ADDCHAR", "GM", "0"),
            Packet("", "ADDCHAR", "anna", "1"),
            Packet("", "ADDCHAR", "Alice", "0"),
            Packet("", "ADDSCENE", "Tavern", "0"),
            Packet("", "ADDSCENE", "Market", "0"),
        };
        for (const Packet& pkt : setup)
            server.send(pkt);
        for (const char* who : { "zoe", "Guard", "Bob", "GM", "anna", "Alice" })
            server.send(Packet(who, "ENTER", "Tavern"));
        ASSERT_TRUE(server.sync());
    }

    // Each row as "name online-icon writing-icon", icons by file stem or "-".
    Strings rows()
    {
        Strings out;
        CharacterList::Columns columns;
        for (const Gtk::TreeModel::Row& row : list.get_model()->children())
            out.push_back(Glib::ustring(row[columns.name]).raw() + " " + icon(row[columns.online]) + " "
                + icon(row[columns.writing]));
        return out;
    }

    std::string icon(const Glib::RefPtr<Gdk::Pixbuf>& image)
    {
        if (!image)
            return "-";
        for (const auto& k : known)
            if (k.second && image->gobj() == k.second->gobj())
                return k.first;
        return "?";
    }

    Parlane& parlane = GuiTest::parlane();
    MainWindow& window = *parlane.get_main_window();
    CharacterList& list = *GuiTest::find_widget<CharacterList>(window, "lst_characters");
    TestServer server;
    // The list's own pictures by file stem, learnt from rows in known states.
    std::map<std::string, Glib::RefPtr<Gdk::Pixbuf>> known;
};

TEST_F(CharacterListTest, GameMasterFirstThenPlayersThenNpcs)
{
    Strings names;
    for (const std::string& row : rows())
        names.push_back(row.substr(0, row.find(' ')));
    EXPECT_EQ((Strings { "GM", "Alice", "Bob", "zoe", "anna", "Guard" }), names);
}

TEST_F(CharacterListTest, IconsShowOnlineWritingHereAndAway)
{
    ASSERT_TRUE(server.deliver(Packet("Alice", "ONLINE", "1")));
    CharacterList::Columns columns;
    // Learn which picture is which from states that allow only one answer.
    auto row_of = [&](const std::string& name)
    {
        for (const Gtk::TreeModel::Row& row : list.get_model()->children())
            if (Glib::ustring(row[columns.name]).raw() == name)
                return row;
        return *list.get_model()->children().end();
    };
    known["online"] = row_of("Alice")[columns.online];
    known["offline"] = row_of("Bob")[columns.online];
    ASSERT_TRUE(server.deliver(Packet("Bob", "WRITING", "Tavern")));
    known["writing"] = row_of("Bob")[columns.writing];
    ASSERT_TRUE(server.deliver(Packet("zoe", "AFK", "tea")));
    known["afk"] = row_of("zoe")[columns.writing];
    for (const auto& k : known)
        ASSERT_TRUE(k.second) << k.first;
    EXPECT_NE(known["online"]->gobj(), known["offline"]->gobj());
    EXPECT_NE(known["writing"]->gobj(), known["afk"]->gobj());

    ASSERT_TRUE(server.deliver(Packet("Alice", "WRITING", "Market")));
    ASSERT_TRUE(server.deliver(Packet("Bob", "AFK", "away")));
    EXPECT_EQ((Strings { "GM offline -", "Alice online -", "Bob offline writing", "zoe offline afk",
                  "anna - -", "Guard - -" }),
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
    Character gm("GM", false), alice("alice", false), bob("Bob", false), guard("Guard", true),
        anna("anna", true);
    const struct
    {
        const Character* a;
        const Character* b;
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
