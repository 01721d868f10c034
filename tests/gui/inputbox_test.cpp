#include "client/ui/inputbox.h"

#include "client/parlane.h"
#include "client/ui/mainwindow.h"
#include "tests/gui/fixture.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <gtkmm/clipboard.h>

#include <string>
#include <vector>

using GuiTest::Strings;

namespace
{

struct Key
{
    guint keyval, state;
    const char* result; // the text, scene or name expected afterwards
};

class InputBoxTest: public GuiTest::SessionTest
{
protected:
    InputBoxTest(): SessionTest(true) { }

    void SetUp() override
    {
        SessionTest::SetUp();
        box.set_text("");
    }

    void TearDown() override
    {
        box.set_text("");
        SessionTest::TearDown();
    }

    // A key press as the toolkit delivers it to the entry; true if handled.
    bool press(guint keyval, guint state = 0)
    {
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.keyval = keyval;
        event->key.state = state;
        return GuiTest::send_event(box, event);
    }

    // Presses each key and checks what `now` says afterwards.
    void expect_keys(const std::vector<Key>& keys, const std::function<std::string()>& now)
    {
        for (const Key& k : keys)
        {
            SCOPED_TRACE(testing::Message() << "key " << k.keyval << " then " << k.result);
            EXPECT_TRUE(press(k.keyval, k.state));
            EXPECT_EQ(k.result, now());
        }
    }

    void enter(const std::string& text)
    {
        box.set_text(text);
        box.activate();
    }

    std::string text() const { return box.get_text(); }

    std::string active_scene() const
    {
        return parlane.get_active_scene() ? parlane.get_active_scene()->get_name() : "<none>";
    }

    InputBox& box = *GuiTest::find_widget<InputBox>(window, "ent_text");
};

const Strings SCENES_WITH_NPCS = {
    ";ADDCHAR;GM;0",
    ";ADDCHAR;Zed;1",
    ";ADDCHAR;Anna;1",
    ";ADDSCENE;Tavern;0",
    ";ADDSCENE;Market;0",
    ";ADDSCENE;Gate;0",
    "GM;ENTER;Tavern",
    "Zed;ENTER;Tavern",
    "Anna;ENTER;Tavern",
};

TEST_F(InputBoxTest, PrintableKeysMarkTheUserAsWritingAndEnterSends)
{
    log_in("Bob", { ";ADDSCENE;Tavern;0" });
    press(GDK_BackSpace);
    EXPECT_EQ(Strings(), server.take_sent()) << "not a printable key";
    press(GDK_h);
    press(GDK_i);
    EXPECT_EQ((Strings { "Bob;WRITING;Tavern", "Bob;AFK;" }), server.take_sent());
    EXPECT_EQ("hi", text());
    box.activate();
    EXPECT_EQ((Strings { "Bob;TEXT;Tavern;$me$: \"hi\"", "Bob;WRITING;" }), server.take_sent());
    EXPECT_EQ("", text());
}

// Histories are kept by scene name for the whole run, so each test that
// looks at one uses scenes of its own.
TEST_F(InputBoxTest, HistoryIsBrowsedWithUpAndDown)
{
    log_in("Bob", { ";ADDSCENE;Attic;0" });
    EXPECT_TRUE(press(GDK_Up));
    EXPECT_EQ("", text()) << "empty history";
    enter("one");
    enter("two");
    box.set_text("draft");
    expect_keys(
        {
            { GDK_Down, 0, "draft" }, // not browsing
            { GDK_Up, 0, "two" },
            { GDK_Up, 0, "one" },
            { GDK_Up, 0, "one" }, // the oldest stays
            { GDK_Down, 0, "two" },
            { GDK_Down, 0, "" },
            { GDK_Down, 0, "" },
        },
        [this] { return text(); });
}

TEST_F(InputBoxTest, EachSceneKeepsItsUnsentTextAndHistory)
{
    log_in("GM", { ";ADDSCENE;Hall;0", ";ADDSCENE;Yard;0" });
    ASSERT_EQ("Hall", active_scene());
    box.set_text("half a thought");
    parlane.set_active_scene(parlane.get_scene("Yard"));
    EXPECT_EQ("", text());
    enter("yard line");
    parlane.set_active_scene(parlane.get_scene("Hall"));
    EXPECT_EQ("half a thought", text());
    press(GDK_Up);
    EXPECT_EQ("half a thought", text()) << "Hall has no history";
    parlane.set_active_scene(parlane.get_scene("Yard"));
    press(GDK_Up);
    EXPECT_EQ("yard line", text());
}

TEST_F(InputBoxTest, SceneKeysAndTabCycling)
{
    log_in("GM", SCENES_WITH_NPCS);
    // Scene order: Gate, Market, Tavern.
    expect_keys(
        {
            { GDK_1, GDK_MOD1_MASK, "Gate" },
            { GDK_Page_Up, GDK_CONTROL_MASK, "Gate" },
            { GDK_Page_Down, GDK_CONTROL_MASK, "Market" },
            { GDK_Page_Down, GDK_CONTROL_MASK, "Tavern" },
            { GDK_Page_Down, GDK_CONTROL_MASK, "Tavern" },
            { GDK_0, GDK_MOD1_MASK, "Tavern" }, // no tenth scene
            { GDK_2, GDK_MOD1_MASK, "Market" },
            { GDK_Page_Up, GDK_CONTROL_MASK, "Gate" },
        },
        [this] { return active_scene(); });

    parlane.set_active_scene(parlane.get_scene("Tavern"));
    parlane.set_active_name("GM");
    expect_keys(
        {
            { GDK_Tab, 0, "Anna" },
            { GDK_Tab, 0, "Zed" },
            { GDK_Tab, 0, "GM" },
            { GDK_ISO_Left_Tab, 0, "Zed" },
            { GDK_ISO_Left_Tab, 0, "Anna" },
            { GDK_ISO_Left_Tab, 0, "GM" },
        },
        [this] { return parlane.get_active_name(); });
}

TEST_F(InputBoxTest, NothingHappensWithoutAnActiveScene)
{
    log_in("Bob", {});
    press(GDK_k);
    enter("kept");
    EXPECT_EQ("kept", text());
    expect_keys({ { GDK_Tab, 0, "<none>" }, { GDK_Up, 0, "<none>" },
                    { GDK_Page_Down, GDK_CONTROL_MASK, "<none>" }, { GDK_1, GDK_MOD1_MASK, "<none>" } },
        [this] { return active_scene(); });
    EXPECT_EQ(Strings(), server.take_sent());
}

// Through the clipboard, as the user pastes: the entry keeps the line feeds,
// each line goes out on its own, and the history keeps the paste whole.
TEST_F(InputBoxTest, PastedLinesAreSentOneByOne)
{
    log_in("GM", { ";ADDSCENE;Pantry;0" });
    Gtk::Clipboard::get()->set_text("first\nsecond\n");
    box.paste_clipboard();
    ASSERT_TRUE(GuiTest::run_until([this] { return !text().empty(); }, 2000)) << "nothing pasted";
    EXPECT_EQ("first\nsecond\n", text());
    box.activate();
    EXPECT_EQ(
        (Strings { "GM;TEXT;Pantry;first", "GM;TEXT;Pantry;second", "GM;TEXT;Pantry;" }), server.take_sent());
    press(GDK_Up);
    EXPECT_EQ("first\nsecond\n", text());
    press(GDK_Up);
    EXPECT_EQ("first\nsecond\n", text()) << "one history entry";
}

} // namespace
