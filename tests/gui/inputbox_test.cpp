#include "client/inputbox.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtkmm/clipboard.h>
#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using GuiTest::TestServer;

// The box keeps histories and unsent text by scene name for the life of the
// process, so every test uses scene names of its own.
namespace {

typedef std::vector<std::string> Texts;

class InputBoxTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        parlane.set_writing(false);
        window.show();
        GuiTest::run_turns(5);
        GuiTest::MessageBoxes::take();
        input.set_text("");
        input.grab_focus();
        activations = parlane.signal_scene_activated.connect([this] { ++activated; });
    }

    void TearDown() override
    {
        activations.disconnect();
        input.set_text("");
        window.hide();
        GuiTest::run_turns(5);
    }

    // The narrator's lines go out as typed, which keeps the checks plain.
    void login(const std::string& user = "GM")
    {
        parlane.connect(server.get_address(), user);
        ASSERT_TRUE(parlane.is_connected());
        Packet name;
        ASSERT_TRUE(server.wait_for("NAME", name));
        seen = server.received.size();
    }

    void deliver(const Packet& pkt) { EXPECT_TRUE(server.deliver(pkt)) << pkt.str(); }

    void add_scenes(const Texts& names)
    {
        for (const std::string& n: names)
            server.send(Packet("", "ADDSCENE", n, "0"));
        ASSERT_TRUE(server.sync());
    }

    // A key press as the X server delivers it: to the top-level window,
    // which offers it to its accelerators and then to the focused entry. The
    // key code matters: the toolkit looks its key bindings up by it.
    // Returns whether anybody handled the key.
    bool press(guint keyval, guint state = 0)
    {
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
        event->key.send_event = TRUE;
        event->key.time = GDK_CURRENT_TIME;
        event->key.state = state;
        event->key.keyval = keyval;
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(nullptr, keyval, &keys, &count) && count > 0)
        {
            event->key.hardware_keycode = keys[0].keycode;
            event->key.group = keys[0].group;
        }
        g_free(keys);
        bool handled = gtk_widget_event(GTK_WIDGET(window.gobj()), event);
        gdk_event_free(event);
        return handled;
    }

    void type(const std::string& text)
    {
        for (char c: text)
            press(gdk_unicode_to_keyval(static_cast<unsigned char>(c)));
    }

    void set_text(const std::string& text)
    {
        input.set_text(text);
        input.set_position(-1);
    }

    void enter(const std::string& text)
    {
        set_text(text);
        press(GDK_Return);
    }

    // "<command> <first parameter>" of each packet the client sent since
    // the last call, once the server has everything.
    Texts sent()
    {
        EXPECT_TRUE(server.sync());
        Texts result;
        for (; seen < server.received.size(); ++seen)
        {
            const Packet& p = server.received[seen];
            if (p.get_command() == "AFK")
                continue;
            std::string text = p.get_command();
            if (p.get_parameter_count() > 1)
                text += " " + p.get_parameter(1);
            else if (p.get_parameter_count() == 1)
                text += " " + p.get_parameter(0);
            result.push_back(text);
        }
        return result;
    }

    std::string text() const { return input.get_text(); }
    std::string active() const { return parlane.get_active_scene() ? parlane.get_active_scene()->get_name() : "-"; }

    Parlane& parlane = GuiTest::parlane();
    MainWindow& window = *parlane.get_main_window();
    InputBox& input = *GuiTest::find_widget<InputBox>(window, "ent_text");
    TestServer server;
    size_t seen = 0;
    int activated = 0;
    // Lambdas are not trackable: this goes before the fixture does.
    sigc::connection activations;
};

}

TEST_F(InputBoxTest, EnterSendsTheLineAndEndsWriting)
{
    login();
    add_scenes({"Enter Hall"});
    type("hi there");
    EXPECT_EQ("hi there", text());
    EXPECT_EQ((Texts{"WRITING Enter Hall"}), sent());

    EXPECT_TRUE(press(GDK_Return));
    EXPECT_EQ("", text());
    EXPECT_EQ((Texts{"TEXT hi there", "WRITING "}), sent());

    // An empty line sends nothing and is not kept.
    type("x");
    press(GDK_BackSpace);
    EXPECT_EQ("", text());
    press(GDK_Return);
    EXPECT_EQ((Texts{"WRITING Enter Hall", "WRITING "}), sent());
    press(GDK_Up);
    EXPECT_EQ("hi there", text());
}

TEST_F(InputBoxTest, OnlyPrintableKeysMarkWriting)
{
    login();
    add_scenes({"Writing Room"});
    set_text("abc");
    const guint keys[] = {GDK_BackSpace, GDK_eacute, GDK_Left, GDK_Home, GDK_Delete, GDK_F5};
    for (guint key: keys)
        press(key);
    EXPECT_EQ(Texts(), sent());
    press(GDK_asciitilde);
    EXPECT_EQ((Texts{"WRITING Writing Room"}), sent());
}

TEST_F(InputBoxTest, HistoryUpAndDownStopAtBothEnds)
{
    login();
    add_scenes({"History Hall"});
    set_text("draft");
    EXPECT_TRUE(press(GDK_Up));
    EXPECT_EQ("draft", text()) << "empty history";
    EXPECT_TRUE(press(GDK_Down));
    EXPECT_EQ("draft", text()) << "not browsing";

    for (const char* line: {"one", "two", "three"})
        enter(line);
    EXPECT_EQ((Texts{"TEXT one", "TEXT two", "TEXT three"}), sent());

    struct Step
    {
        guint key;
        const char* shown;
    };
    const Step steps[] = {
        {GDK_Up, "three"}, {GDK_Up, "two"},   {GDK_Up, "one"}, {GDK_Up, "one"},
        {GDK_Down, "two"}, {GDK_Down, "three"}, {GDK_Down, ""}, {GDK_Down, ""},
        {GDK_Up, "three"},
    };
    for (const Step& s: steps)
    {
        SCOPED_TRACE(testing::Message() << (s.key == GDK_Up ? "Up to " : "Down to ") << s.shown);
        EXPECT_TRUE(press(s.key));
        EXPECT_EQ(s.shown, text());
    }

    // Entering a line ends browsing; duplicates are kept.
    enter("three");
    press(GDK_Up);
    EXPECT_EQ("three", text());
    press(GDK_Up);
    EXPECT_EQ("three", text());
    press(GDK_Up);
    EXPECT_EQ("two", text());
}

TEST_F(InputBoxTest, EachSceneKeepsItsUnsentTextAndHistory)
{
    login();
    add_scenes({"Hearth", "Hollow"});
    ASSERT_EQ("Hearth", active());
    enter("said at the hearth");
    type("unfinished");

    press(GDK_Page_Down, GDK_CONTROL_MASK);
    ASSERT_EQ("Hollow", active());
    EXPECT_EQ("", text());
    press(GDK_Up);
    EXPECT_EQ("", text()) << "the other scene's history";
    enter("said at the hollow");
    type("half");

    press(GDK_Page_Up, GDK_CONTROL_MASK);
    ASSERT_EQ("Hearth", active());
    EXPECT_EQ("unfinished", text());
    press(GDK_Up);
    EXPECT_EQ("said at the hearth", text());

    // Lines went to the scene that was active when they were entered.
    ASSERT_TRUE(server.sync());
    Texts texts;
    for (const Packet& p: server.received)
        if (p.get_command() == "TEXT")
            texts.push_back(p.get_parameter(0) + ": " + p.get_parameter(1));
    EXPECT_EQ((Texts{"Hearth: said at the hearth", "Hollow: said at the hollow"}), texts);

    // A new connection offering a scene of the same name brings both back.
    TestServer other;
    parlane.connect(other.get_address(), "GM");
    Packet name;
    ASSERT_TRUE(other.wait_for("NAME", name));
    ASSERT_TRUE(other.deliver(Packet("", "ADDSCENE", "Hollow", "0")));
    ASSERT_EQ("Hollow", active());
    EXPECT_EQ("half", text());
    press(GDK_Up);
    EXPECT_EQ("said at the hollow", text());
}

TEST_F(InputBoxTest, PasteWithTwoLineFeedsIsSentAsThreeLines)
{
    login();
    add_scenes({"Paste Room"});
    Gtk::Clipboard::get()->set_text("first\nsecond\n");
    GuiTest::run_turns(5);
    EXPECT_TRUE(press(GDK_v, GDK_CONTROL_MASK));
    ASSERT_TRUE(GuiTest::run_until([this] { return !text().empty(); }, 2000)) << "nothing pasted";
    EXPECT_EQ("first\nsecond\n", text());
    press(GDK_Return);
    EXPECT_EQ((Texts{"WRITING Paste Room", "TEXT first", "TEXT second", "TEXT ", "WRITING "}), sent());

    // One history entry for the three lines.
    press(GDK_Up);
    EXPECT_EQ("first\nsecond\n", text());
    press(GDK_Up);
    EXPECT_EQ("first\nsecond\n", text());
}

TEST_F(InputBoxTest, AltDigitPicksTheSceneAtThatPlace)
{
    login();
    add_scenes({"Alt 03", "Alt 01", "Alt 02"});
    ASSERT_EQ("Alt 03", active());

    struct Step
    {
        guint key;
        const char* active;
        int activations;
    };
    const Step few[] = {
        {GDK_1, "Alt 01", 1}, {GDK_3, "Alt 03", 1}, {GDK_2, "Alt 02", 1},
        {GDK_4, "Alt 02", 0}, {GDK_0, "Alt 02", 0}, {GDK_9, "Alt 02", 0},
    };
    for (const Step& s: few)
    {
        SCOPED_TRACE(gdk_keyval_name(s.key));
        activated = 0;
        EXPECT_TRUE(press(s.key, GDK_MOD1_MASK));
        EXPECT_EQ(s.active, active());
        EXPECT_EQ(s.activations, activated);
    }

    add_scenes({"Alt 04", "Alt 05", "Alt 06", "Alt 07", "Alt 08", "Alt 09", "Alt 10", "Alt 11"});
    const Step many[] = {{GDK_0, "Alt 10", 1}, {GDK_9, "Alt 09", 1}, {GDK_1, "Alt 01", 1}};
    for (const Step& s: many)
    {
        SCOPED_TRACE(gdk_keyval_name(s.key));
        activated = 0;
        EXPECT_TRUE(press(s.key, GDK_MOD1_MASK));
        EXPECT_EQ(s.active, active());
        EXPECT_EQ(s.activations, activated);
    }
    // The digit does not reach the text.
    set_text("typed");
    press(GDK_1, GDK_MOD1_MASK);
    EXPECT_EQ("typed", text());
}

TEST_F(InputBoxTest, ControlPageUpAndDownStopAtTheEnds)
{
    login();
    add_scenes({"Page B", "Page A", "Page C"});
    parlane.set_active_scene(parlane.get_scene("Page A"));

    struct Step
    {
        guint key;
        const char* active;
        int activations;
    };
    // Page Up on the first scene shows it afresh; Page Down on the last does nothing.
    const Step steps[] = {
        {GDK_Page_Up, "Page A", 1},   {GDK_Page_Down, "Page B", 1}, {GDK_Page_Down, "Page C", 1},
        {GDK_Page_Down, "Page C", 0}, {GDK_Page_Up, "Page B", 1},   {GDK_Page_Up, "Page A", 1},
    };
    for (const Step& s: steps)
    {
        SCOPED_TRACE(testing::Message() << gdk_keyval_name(s.key) << " to " << s.active);
        activated = 0;
        EXPECT_TRUE(press(s.key, GDK_CONTROL_MASK));
        EXPECT_EQ(s.active, active());
        EXPECT_EQ(s.activations, activated);
    }

    // Without Control the keys are the entry's.
    activated = 0;
    press(GDK_Page_Down);
    EXPECT_EQ("Page A", active());
    EXPECT_EQ(0, activated);
}

TEST_F(InputBoxTest, TabCyclesTheGameMastersNames)
{
    login();
    add_scenes({"Tab Hall"});
    // Byte order: upper-case names before lower-case ones.
    const Packet setup[] = {
        Packet("", "ADDCHAR", "Zed", "1"),     Packet("", "ADDCHAR", "Anna", "1"),
        Packet("", "ADDCHAR", "bert", "1"),    Packet("", "ADDCHAR", "Bob", "0"),
        Packet("", "ADDCHAR", "Absent", "1"),  Packet("Zed", "ENTER", "Tab Hall"),
        Packet("Bob", "ENTER", "Tab Hall"),    Packet("bert", "ENTER", "Tab Hall"),
        Packet("Anna", "ENTER", "Tab Hall"),
    };
    for (const Packet& p: setup)
        server.send(p);
    ASSERT_TRUE(server.sync());
    ASSERT_EQ("GM", parlane.get_active_name());

    struct Step
    {
        guint key;
        guint state;
        const char* name;
    };
    const Step steps[] = {
        {GDK_Tab, 0, "Anna"}, {GDK_Tab, 0, "Zed"}, {GDK_Tab, 0, "bert"}, {GDK_Tab, 0, "GM"},
        {GDK_ISO_Left_Tab, GDK_SHIFT_MASK, "bert"}, {GDK_ISO_Left_Tab, GDK_SHIFT_MASK, "Zed"},
        {GDK_ISO_Left_Tab, GDK_SHIFT_MASK, "Anna"}, {GDK_ISO_Left_Tab, GDK_SHIFT_MASK, "GM"},
    };
    for (const Step& s: steps)
    {
        SCOPED_TRACE(testing::Message() << gdk_keyval_name(s.key) << " to " << s.name);
        EXPECT_TRUE(press(s.key, s.state));
        EXPECT_EQ(s.name, parlane.get_active_name());
        EXPECT_EQ(static_cast<Gtk::Widget*>(&input), window.get_focus());
    }

    // A name that is not in the list: Tab starts over, Shift+Tab takes the last.
    parlane.set_active_name("Absent");
    press(GDK_Tab);
    EXPECT_EQ("GM", parlane.get_active_name());
    parlane.set_active_name("Absent");
    press(GDK_ISO_Left_Tab, GDK_SHIFT_MASK);
    EXPECT_EQ("bert", parlane.get_active_name());
}

TEST_F(InputBoxTest, TabChangesNothingForAPlayer)
{
    login("Bob");
    add_scenes({"Player Hall"});
    deliver(Packet("", "ADDCHAR", "Anna", "1"));
    deliver(Packet("Anna", "ENTER", "Player Hall"));
    EXPECT_TRUE(press(GDK_Tab));
    EXPECT_TRUE(press(GDK_ISO_Left_Tab, GDK_SHIFT_MASK));
    EXPECT_EQ("Bob", parlane.get_active_name());
}

TEST_F(InputBoxTest, NothingHappensWithoutAnActiveScene)
{
    login();
    set_text("too early");
    press(GDK_Return);
    const guint keys[][2] = {
        {GDK_Page_Up, GDK_CONTROL_MASK}, {GDK_Page_Down, GDK_CONTROL_MASK}, {GDK_1, GDK_MOD1_MASK},
        {GDK_0, GDK_MOD1_MASK}, {GDK_Tab, 0}, {GDK_ISO_Left_Tab, GDK_SHIFT_MASK},
    };
    for (const auto& k: keys)
    {
        SCOPED_TRACE(gdk_keyval_name(k[0]));
        EXPECT_TRUE(press(k[0], k[1]));
    }
    type(" more");
    EXPECT_EQ("too early more", text());
    EXPECT_EQ(0, activated);
    EXPECT_EQ(nullptr, parlane.get_active_scene());
    EXPECT_EQ("GM", parlane.get_active_name());
    EXPECT_EQ(Texts(), sent());

    add_scenes({"Late Hall"});
    EXPECT_EQ("Late Hall", active());
    enter("now");
    EXPECT_EQ((Texts{"TEXT now"}), sent());
}

TEST_F(InputBoxTest, BackgroundFollowsTheConfiguration)
{
    Config& config = parlane.get_config();
    std::string saved = config.get_color("background");
    bool saved_default = config.get_default_bg();
    config.set_color("background", "#203040");
    config.set_default_bg(false);
    parlane.signal_config_changed.emit();
    GtkRcStyle* style = gtk_widget_get_modifier_style(GTK_WIDGET(input.gobj()));
    EXPECT_TRUE(style->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE);
    EXPECT_EQ(0x2020, style->base[GTK_STATE_NORMAL].red);

    config.set_default_bg(true);
    parlane.signal_config_changed.emit();
    style = gtk_widget_get_modifier_style(GTK_WIDGET(input.gobj()));
    EXPECT_FALSE(style->color_flags[GTK_STATE_NORMAL] & GTK_RC_BASE);

    config.set_color("background", saved);
    config.set_default_bg(saved_default);
    parlane.signal_config_changed.emit();
}
