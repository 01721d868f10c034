#include "client/inputbox.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/clipboard.h>

#include <string>
#include <vector>

using GuiTest::TestServer;

namespace
{

typedef std::vector<std::string> Strings;

class InputBoxTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        parlane.set_writing(false);
        GuiTest::MessageBoxes::take();
        window.show();
        GuiTest::run_turns(5);
        box.set_text("");
    }

    void TearDown() override
    {
        box.set_text("");
        window.hide();
        GuiTest::run_turns(5);
    }

    void login(const std::string& user, const std::vector<Packet>& setup)
    {
        ASSERT_TRUE(server.log_in(user));
        for (const Packet& pkt : setup)
            server.send(pkt);
        ASSERT_TRUE(server.sync());
        server.received.clear();
    }

    // A key press as the toolkit delivers it to the entry.
    bool press(guint keyval, guint state = 0)
    {
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(box.get_window()->gobj()));
        event->key.send_event = TRUE;
        event->key.keyval = keyval;
        event->key.state = state;
        bool handled = gtk_widget_event(GTK_WIDGET(box.gobj()), event);
        gdk_event_free(event);
        return handled;
    }

    void enter(const std::string& text)
    {
        box.set_text(text);
        box.activate();
    }

    // Packets of one command that reached the server, as "origin param1 param2".
    Strings sent(const std::string& cmd)
    {
        EXPECT_TRUE(server.sync());
        Strings lines;
        for (const Packet& pkt : server.received)
            if (pkt.get_command() == cmd)
            {
                std::string line = pkt.get_origin();
                for (unsigned i = 0; i < pkt.get_parameter_count(); ++i)
                    line += "|" + pkt.get_parameter(i);
                lines.push_back(line);
            }
        server.received.clear();
        return lines;
    }

    std::string active_scene() const
    {
        return parlane.get_active_scene() ? parlane.get_active_scene()->get_name() : "<none>";
    }

    static std::vector<Packet> scenes_with_npcs()
    {
        return {
            Packet("", "ADDCHAR", "GM", "0"),
            Packet("", "ADDCHAR", "Zed", "1"),
            Packet("", "ADDCHAR", "Anna", "1"),
            Packet("", "ADDSCENE", "Tavern", "0"),
            Packet("", "ADDSCENE", "Market", "0"),
            Packet("", "ADDSCENE", "Gate", "0"),
            Packet("GM", "ENTER", "Tavern"),
            Packet("Zed", "ENTER", "Tavern"),
            Packet("Anna", "ENTER", "Tavern"),
        };
    }

    Parlane& parlane = GuiTest::parlane();
    MainWindow& window = *parlane.get_main_window();
    InputBox& box = *GuiTest::find_widget<InputBox>(window, "ent_text");
    TestServer server;
};

TEST_F(InputBoxTest, EnterSendsEachLineOfAPasteAndClears)
{
    login("Bob", { Packet("", "ADDSCENE", "Tavern", "0") });
    ASSERT_EQ("Tavern", active_scene());
    enter("hello");
    EXPECT_EQ(Strings { "Bob|Tavern|$me$: \"hello\"" }, sent("TEXT"));
    EXPECT_EQ("", box.get_text());

    enter("#me sits\n#me drinks\n");
    EXPECT_EQ(3u, sent("TEXT").size()) << "two line feeds make three lines";
}

TEST_F(InputBoxTest, PrintableKeysMarkTheUserAsWriting)
{
    login("Bob", { Packet("", "ADDSCENE", "Tavern", "0") });
    press(GDK_BackSpace);
    EXPECT_EQ(Strings(), sent("WRITING")) << "not a printable key";
    press(GDK_h);
    press(GDK_i);
    EXPECT_EQ(Strings { "Bob|Tavern" }, sent("WRITING"));
    EXPECT_EQ("hi", box.get_text());
    box.activate();
    EXPECT_EQ(Strings { "Bob|" }, sent("WRITING"));
}

// Histories are kept by scene name for the whole run, so each test that
// looks at one uses scenes of its own.
TEST_F(InputBoxTest, HistoryIsBrowsedWithUpAndDown)
{
    login("Bob", { Packet("", "ADDSCENE", "Attic", "0") });
    EXPECT_TRUE(press(GDK_Up));
    EXPECT_EQ("", box.get_text()) << "empty history";
    enter("one");
    enter("two");
    box.set_text("draft");
    const struct
    {
        guint key;
        const char* text;
    } steps[] = {
        { GDK_Down, "draft" }, // not browsing
        { GDK_Up, "two" },
        { GDK_Up, "one" },
        { GDK_Up, "one" }, // oldest stays
        { GDK_Down, "two" },
        { GDK_Down, "" },
        { GDK_Down, "" },
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.text);
        EXPECT_TRUE(press(step.key));
        EXPECT_EQ(step.text, box.get_text());
    }
}

TEST_F(InputBoxTest, EachSceneKeepsItsUnsentText)
{
    login("GM", { Packet("", "ADDSCENE", "Hall", "0"), Packet("", "ADDSCENE", "Yard", "0") });
    ASSERT_EQ("Hall", active_scene());
    box.set_text("half a thought");
    parlane.set_active_scene(parlane.get_scene("Yard"));
    EXPECT_EQ("", box.get_text());
    enter("yard line");
    parlane.set_active_scene(parlane.get_scene("Hall"));
    EXPECT_EQ("half a thought", box.get_text());
    press(GDK_Up);
    EXPECT_EQ("half a thought", box.get_text()) << "Hall has no history";
    parlane.set_active_scene(parlane.get_scene("Yard"));
    press(GDK_Up);
    EXPECT_EQ("yard line", box.get_text());
}

TEST_F(InputBoxTest, SceneKeys)
{
    login("GM", scenes_with_npcs());
    // Scene order: Gate, Market, Tavern.
    const struct
    {
        guint key;
        guint state;
        const char* scene;
    } steps[] = {
        { GDK_1, GDK_MOD1_MASK, "Gate" },
        { GDK_Page_Up, GDK_CONTROL_MASK, "Gate" },
        { GDK_Page_Down, GDK_CONTROL_MASK, "Market" },
        { GDK_Page_Down, GDK_CONTROL_MASK, "Tavern" },
        { GDK_Page_Down, GDK_CONTROL_MASK, "Tavern" },
        { GDK_0, GDK_MOD1_MASK, "Tavern" }, // no tenth scene
        { GDK_2, GDK_MOD1_MASK, "Market" },
        { GDK_Page_Up, GDK_CONTROL_MASK, "Gate" },
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.scene);
        EXPECT_TRUE(press(step.key, step.state));
        EXPECT_EQ(step.scene, active_scene());
    }
}

TEST_F(InputBoxTest, TabCyclesTheGameMastersSpeakingName)
{
    login("GM", scenes_with_npcs());
    parlane.set_active_name("GM");
    const struct
    {
        guint key;
        const char* name;
    } steps[] = {
        { GDK_Tab, "Anna" },
        { GDK_Tab, "Zed" },
        { GDK_Tab, "GM" },
        { GDK_ISO_Left_Tab, "Zed" },
        { GDK_ISO_Left_Tab, "Anna" },
        { GDK_ISO_Left_Tab, "GM" },
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.name);
        EXPECT_TRUE(press(step.key));
        EXPECT_EQ(step.name, parlane.get_active_name());
    }
}

TEST_F(InputBoxTest, NothingHappensWithoutAnActiveScene)
{
    login("Bob", {});
    box.set_text("kept");
    box.activate();
    EXPECT_EQ("kept", box.get_text());
    for (guint key : { GDK_Tab, GDK_Up })
        EXPECT_TRUE(press(key));
    EXPECT_TRUE(press(GDK_Page_Down, GDK_CONTROL_MASK));
    EXPECT_TRUE(press(GDK_1, GDK_MOD1_MASK));
    EXPECT_EQ("<none>", active_scene());
    EXPECT_EQ(Strings(), sent("TEXT"));
}

// Through the clipboard, as the user pastes: the entry keeps the line feeds,
// each line goes out on its own, and the history keeps the paste whole.
TEST_F(InputBoxTest, PastedLinesAreSentOneByOne)
{
    login("GM", { Packet("", "ADDSCENE", "Pantry", "0") });
    Gtk::Clipboard::get()->set_text("first\nsecond\n");
    box.paste_clipboard();
    ASSERT_TRUE(GuiTest::run_until([this] { return !box.get_text().empty(); }, 2000)) << "nothing pasted";
    EXPECT_EQ("first\nsecond\n", box.get_text());
    box.activate();
    EXPECT_EQ((Strings { "GM|Pantry|first", "GM|Pantry|second", "GM|Pantry|" }), sent("TEXT"));
    press(GDK_Up);
    EXPECT_EQ("first\nsecond\n", box.get_text());
    press(GDK_Up);
    EXPECT_EQ("first\nsecond\n", box.get_text()) << "one history entry";
}

} // namespace
