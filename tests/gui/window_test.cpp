#include "client/parlane.h"
#include "client/ui/inputbox.h"
#include "client/ui/logview.h"
#include "client/ui/mainwindow.h"
#include "client/ui/npcdialog.h"
#include "client/ui/startsessiondialog.h"
#include "client/ui/toolkitpump.h"
#include "libs/core/source/core/except.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "tests/gui/fixture.h"

#include <gdk/gdkkeysyms.h>
#include <glibmm/main.h>
#include <gtest/gtest.h>
#include <gtkmm/clipboard.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/main.h>
#include <gtkmm/menuitem.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;
using GuiTest::Strings;

namespace
{

class MainWindowTest: public GuiTest::SessionTest
{
protected:
    MainWindowTest(): SessionTest(true) { }

    void TearDown() override
    {
        send_focus(false);
        SessionTest::TearDown();
    }

    void activate(const std::string& item)
    {
        Gtk::MenuItem* menu_item = GuiTest::find_widget<Gtk::MenuItem>(window, item);
        ASSERT_NE(nullptr, menu_item) << item;
        menu_item->activate();
    }

    std::string label(const std::string& name)
    {
        return GuiTest::find_widget<Gtk::Label>(window, name)->get_text();
    }

    // The application's own loop with `action` inside it: its exit code, or 7.
    int run_loop_with(const std::function<void()>& action)
    {
        sigc::connection act = Glib::signal_timeout().connect([&] { return action(), false; }, 20);
        sigc::connection stop
            = Glib::signal_timeout().connect([this] { return parlane.exit(7), false; }, 2000);
        int code = parlane.Kel::Application::main();
        act.disconnect();
        stop.disconnect();
        return code;
    }

    bool send_event(GdkEvent* event) { return GuiTest::send_event(window, event); }

    void send_focus(bool in)
    {
        GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
        event->focus_change.in = in;
        send_event(event);
    }

    void fill_in(const std::string& item, Gtk::Dialog& dialog, const std::string& entry,
        const std::string& text, int response)
    {
        GuiTest::respond_when_shown(
            dialog, response, [&] { GuiTest::find_widget<Gtk::Entry>(dialog, entry)->set_text(text); });
        activate(item);
        EXPECT_FALSE(dialog.get_visible());
    }
};

TEST_F(MainWindowTest, QuitAndClosingTheWindowEndTheLoopOnlyOnYes)
{
    bool handled = false;
    const struct
    {
        std::function<void()> action;
        int answer;
        int exit_code;
    } cases[] = {
        { [this] { activate("mni_quit"); }, Gtk::RESPONSE_NO, 7 },
        { [&] { handled = send_event(gdk_event_new(GDK_DELETE)); }, Gtk::RESPONSE_NO, 7 },
        { [&] { handled = send_event(gdk_event_new(GDK_DELETE)); }, Gtk::RESPONSE_YES, 0 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(&c - cases);
        GuiTest::MessageBoxes::queue_answer(c.answer);
        EXPECT_EQ(c.exit_code, run_loop_with(c.action));
        EXPECT_EQ(Strings { "Really quit?" }, GuiTest::MessageBoxes::take());
        EXPECT_TRUE(window.get_visible());
    }
    EXPECT_TRUE(handled) << "the toolkit must not destroy the window itself";
}

TEST_F(MainWindowTest, DisconnectAndEndSessionAskFirst)
{
    const struct
    {
        const char* item;
        const char* question;
        int answer;
        bool connected;
        Strings sent;
    } cases[] = {
        { "mni_end_session", "Really end this session?", Gtk::RESPONSE_NO, true, {} },
        { "mni_end_session", "Really end this session?", Gtk::RESPONSE_YES, true, { "GM;ENDSESSION" } },
        { "mni_disconnect", "Really disconnect?", Gtk::RESPONSE_NO, true, {} },
        { "mni_disconnect", "Really disconnect?", Gtk::RESPONSE_YES, false, {} },
    };
    log_in("GM");
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.item);
        GuiTest::MessageBoxes::queue_answer(c.answer);
        activate(c.item);
        EXPECT_EQ(Strings { c.question }, GuiTest::MessageBoxes::take());
        EXPECT_EQ(c.connected, parlane.is_connected());
        if (c.connected)
        {
            EXPECT_EQ(c.sent, server.take_sent());
        }
    }
}

TEST_F(MainWindowTest, BeginSessionSendsTheNameOnlyOnOk)
{
    ASSERT_TRUE(server.log_in("GM"));
    EXPECT_EQ(Strings { "GM;GETBIOGRAPHY;GM" }, server.take_sent()) << "the question that ends the login";
    StartSessionDialog& dialog = *window.get_dlg_start_session();
    fill_in("mni_begin_session", dialog, "ent_session_name", "Never", Gtk::RESPONSE_CANCEL);
    EXPECT_EQ(Strings(), server.take_sent());
    fill_in("mni_begin_session", dialog, "ent_session_name", "First Night", Gtk::RESPONSE_OK);
    EXPECT_EQ(Strings { "GM;STARTSESSION;First Night" }, server.take_sent());
}

// A server that comes back but turns the name away, with an ERROR or by
// closing at once, is not asked again: one box, and the title stops saying
// that the client reconnects.
TEST_F(MainWindowTest, ARefusalWhileReconnectingEndsTheTriesWithOneBox)
{
    const std::string silent = server.get_address() + " did not answer as a Parlane server";
    const struct
    {
        const char* answer; // null: the link is closed at once
        std::string box;
    } cases[] = {
        { ";ERROR;The name Bob is already in use", "The name Bob is already in use" },
        { nullptr, silent },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.box);
        ASSERT_TRUE(server.log_in("Bob"));
        ASSERT_TRUE(server.deliver(";ADDSCENE;Tavern;0"));
        GuiTest::MessageBoxes::take();
        server.drop_client();
        ASSERT_TRUE(GuiTest::run_until([this] { return parlane.get_reconnecting(); }));
        EXPECT_NE(std::string::npos, window.get_title().find("(reconnecting)")) << window.get_title();
        ASSERT_TRUE(server.wait_for("NAME")) << "no try to connect again";
        if (c.answer)
            server.send(Packet(c.answer));
        else
            server.drop_client();
        EXPECT_TRUE(GuiTest::run_until([this] { return !parlane.get_reconnecting(); }));
        GuiTest::run_turns(20);
        EXPECT_EQ(Strings { c.box }, GuiTest::MessageBoxes::take());
        EXPECT_EQ(std::string::npos, window.get_title().find("(reconnecting)")) << window.get_title();
        EXPECT_FALSE(parlane.is_connected());
        EXPECT_NE(nullptr, parlane.get_scene("Tavern")) << "the scenes stay";
    }
}

TEST_F(MainWindowTest, NpcAndAboutWindowsOpen)
{
    activate("mni_npcs");
    EXPECT_TRUE(window.get_dlg_npcs()->get_visible()) << "shown without waiting";
    window.get_dlg_npcs()->response(Gtk::RESPONSE_CLOSE);
    EXPECT_FALSE(window.get_dlg_npcs()->get_visible());
    bool shown = false;
    GuiTest::respond_when_shown(*window.get_dlg_about(), Gtk::RESPONSE_CLOSE, [&] { shown = true; });
    activate("mni_about");
    EXPECT_TRUE(shown) << "run modally";
    EXPECT_FALSE(window.get_dlg_about()->get_visible());
}

TEST_F(MainWindowTest, LabelsFollowTheSceneAndTheSpeakingName)
{
    EXPECT_EQ(GuiTest::find_widget<Gtk::Entry>(window, "ent_text"), window.get_focus())
        << "input line has focus";
    ASSERT_TRUE(server.log_in("GM"));
    ASSERT_TRUE(server.deliver_all({ ";ADDSCENE;Tavern;0", ";ADDSCENE;Caf\xE9;0" }));
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    EXPECT_EQ("Tavern", label("lbl_scene"));
    parlane.set_active_name("Guard");
    EXPECT_EQ("Guard", label("lbl_name"));
    parlane.set_active_scene(parlane.get_scene("Caf\xE9"));
    EXPECT_EQ("Caf\xEF\xBF\xBD", label("lbl_scene"));
}

TEST_F(MainWindowTest, TextArrivingWithoutFocusFlashesUntilFocused)
{
    ASSERT_TRUE(server.log_in("Bob"));
    ASSERT_TRUE(server.deliver(";ADDSCENE;Tavern;0"));
    send_focus(true);
    window.set_flash(true);
    EXPECT_FALSE(window.get_flash()) << "the window has the focus";
    send_focus(false);
    ASSERT_TRUE(server.deliver("Alice;TEXT;Tavern;hello"));
    EXPECT_TRUE(window.get_flash() && window.get_urgency_hint());
    send_focus(true);
    EXPECT_FALSE(window.get_flash() || window.get_urgency_hint());
}

struct Key
{
    guint keyval, state;
    const char* result;
};

class InputBoxTest: public GuiTest::SessionTest
{
protected:
    InputBoxTest(): SessionTest(true) { }

    void TearDown() override
    {
        box.set_text("");
        SessionTest::TearDown();
    }

    bool press(guint keyval, guint state = 0) { return GuiTest::press(box, keyval, state); }

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

TEST_F(InputBoxTest, PrintableKeysMarkTheUserAsWritingAndEnterSends)
{
    log_in("Bob", { ";ADDSCENE;Tavern;0" });
    press(GDK_BackSpace);
    EXPECT_EQ(Strings(), server.take_sent()) << "not a printable key";
    press(GDK_h);
    press(GDK_i);
    EXPECT_EQ((Strings { "Bob;WRITING;Tavern", "Bob;AFK;" }), server.take_sent());
    box.activate();
    EXPECT_EQ((Strings { "Bob;TEXT;Tavern;$me$: \"hi\"", "Bob;WRITING;" }), server.take_sent());
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
    // Down before browsing keeps the draft; the oldest entry stays at the top.
    expect_keys({ { GDK_Down, 0, "draft" }, { GDK_Up, 0, "two" }, { GDK_Up, 0, "one" }, { GDK_Up, 0, "one" },
                    { GDK_Down, 0, "two" }, { GDK_Down, 0, "" }, { GDK_Down, 0, "" } },
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

// Tab cycling through NPCs is left to the end-to-end session.
TEST_F(InputBoxTest, SceneKeysNeedAScene)
{
    log_in("GM");
    press(GDK_k);
    enter("kept");
    EXPECT_EQ("kept", text()) << "nothing is sent without an active scene";
    expect_keys({ { GDK_Tab, 0, "<none>" }, { GDK_Up, 0, "<none>" }, { GDK_Page_Down, GDK_CONTROL_MASK, "<none>" },
                    { GDK_1, GDK_MOD1_MASK, "<none>" } },
        [this] { return active_scene(); });
    EXPECT_EQ(Strings(), server.take_sent());
    EXPECT_TRUE(server.deliver_all({ ";ADDSCENE;Gate;0", ";ADDSCENE;Market;0", ";ADDSCENE;Tavern;0" }));
    // Scene order: Gate, Market, Tavern; Alt+0 would be a tenth scene.
    expect_keys(
        { { GDK_Page_Up, GDK_CONTROL_MASK, "Gate" }, { GDK_Page_Down, GDK_CONTROL_MASK, "Market" },
            { GDK_Page_Down, GDK_CONTROL_MASK, "Tavern" }, { GDK_Page_Down, GDK_CONTROL_MASK, "Tavern" },
            { GDK_0, GDK_MOD1_MASK, "Tavern" }, { GDK_1, GDK_MOD1_MASK, "Gate" } },
        [this] { return active_scene(); });
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
    expect_keys(
        { { GDK_Up, 0, "first\nsecond\n" }, { GDK_Up, 0, "first\nsecond\n" } }, [this] { return text(); });
}

class LogViewTest: public GuiTest::SessionTest
{
protected:
    LogViewTest():
        SessionTest(true, "Bob",
            { ";ADDCHAR;Bob;0", ";ADDCHAR;Alice;0", ";ADDCHAR;GM;0", ";ADDSCENE;Tavern;0",
                ";ADDSCENE;Market;0" })
    {
    }

    // The lines of the view without their "[hh:mm:ss] " stamps.
    Strings bodies()
    {
        Strings lines = GuiTest::lines(view);
        for (std::string& line : lines)
        {
            EXPECT_EQ("] ", line.substr(9, 2)) << line;
            line.erase(0, 11);
        }
        return lines;
    }

    // The colour role of the character at `offset` after the stamp of `line`,
    // then "bold", "underline" and "italic" where they apply.
    std::string look_at(int line, int offset)
    {
        std::string look = GuiTest::look_at(view, line, 11 + offset);
        for (const char* role : { "timestamp", "text", "gm", "ooc", "name", "other_name", "event", "speech" })
            if (look.compare(0, 7, parlane.get_config().get_color(role)) == 0)
                return role + look.substr(7);
        return "?" + look.substr(7);
    }

    void deliver(const std::string& line) { EXPECT_TRUE(server.deliver(line)) << line; }

    LogView& view = *GuiTest::find_widget<LogView>(window, "txt_log");
};

TEST_F(LogViewTest, RendersEachKindOfLine)
{
    const struct
    {
        const char *line, *body;
        std::vector<std::pair<int, const char*>> looks; // offset, look
    } lines[] = {
        { "Bob;TEXT;Tavern;$me$: \"Hello\"", "Bob: \"Hello\"",
            { { -11, "timestamp" }, { 0, "name" }, { 3, "text" }, { 6, "speech" } } },
        { "Alice;OOC;Tavern;brb", "Alice: brb", { { 7, "ooc" } } },
        { "Bob;ENTER;Tavern", "* Bob entered the scene", { { 2, "event" } } },
        { "Bob;TEXT;Tavern;$me$ waves at $Alice$, *twice* and _slowly_ %now% *_%all%_*",
            "Bob waves at Alice, twice and slowly now all",
            { { 13, "other_name" }, { 20, "text bold" }, { 30, "text underline" }, { 37, "text italic" },
                { 41, "text bold underline italic" } } },
        { "GM;TEXT;Tavern;It rains.", "It rains.", { { 0, "gm" } } },
        { "Bob;TEXT;Tavern;$me$: \"hi $Alice$\"", "Bob: \"hi Alice\"", { { 9, "speech" } } },
        { "Alice;TEXT;Tavern;caf\xE9 *cr\xE8me*", "caf\xEF\xBF\xBD cr\xEF\xBF\xBDme",
            { { 5, "text bold" } } },
    };
    Strings bodies_so_far;
    for (const auto& l : lines)
    {
        SCOPED_TRACE(l.line);
        deliver(l.line);
        bodies_so_far.push_back(l.body);
        ASSERT_EQ(bodies_so_far, bodies());
        for (const auto& look : l.looks)
            EXPECT_EQ(look.second, look_at(bodies_so_far.size() - 1, look.first)) << "at " << look.first;
    }

    parlane.set_active_scene(parlane.get_scene("Market"));
    EXPECT_EQ(Strings(), bodies());
    deliver("Alice;TEXT;Tavern;while away");
    bodies_so_far.push_back("while away");
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    EXPECT_EQ(bodies_so_far, bodies()) << "the whole scene is rendered again";
    for (size_t i = 0; i < std::size(lines); ++i)
        for (const auto& look : lines[i].looks)
            EXPECT_EQ(look.second, look_at(i, look.first)) << lines[i].line << " at " << look.first;
}

TEST_F(LogViewTest, LinesOfOneTurnAreInsertedTogetherAfterTheShownOnes)
{
    deliver("Alice;TEXT;Tavern;one");
    int inserts = 0;
    sigc::connection watch
        = view.get_buffer()->signal_insert().connect([&](const Gtk::TextIter&, const Glib::ustring&, int) { ++inserts; });
    // Both lines, and the marker that ends the delivery, arrive in one read.
    server.send(Packet("Alice", "TEXT", "Tavern", "two"));
    deliver("Alice;TEXT;Tavern;three");
    watch.disconnect();
    EXPECT_EQ(1, inserts);
    EXPECT_EQ((Strings { "one", "two", "three" }), bodies());
}

// New lines get their colours while the view holds back its answer to each
// colour change: what it draws afterwards must still carry them.
TEST_F(LogViewTest, LinesArrivingInViewAreDrawnInTheirColours)
{
    window.resize(600, 300);
    GdkColor name;
    ASSERT_TRUE(gdk_color_parse(parlane.get_config().get_color("name").c_str(), &name));
    auto name_pixels = [&]
    {
        GuiTest::settle(1000);
        GdkWindow* text = gtk_text_view_get_window(view.gobj(), GTK_TEXT_WINDOW_TEXT);
        int width = 0, height = 0;
        gdk_drawable_get_size(text, &width, &height);
        GdkPixbuf* shot = gdk_pixbuf_get_from_drawable(nullptr, text, nullptr, 0, 0, 0, 0, width, height);
        if (!shot)
            return -1;
        const guchar* pixels = gdk_pixbuf_get_pixels(shot);
        int count = 0, stride = gdk_pixbuf_get_rowstride(shot), channels = gdk_pixbuf_get_n_channels(shot);
        for (int y = 0; y < height; ++y)
            for (const guchar* p = pixels + y * stride; p < pixels + y * stride + width * channels;
                 p += channels)
                count += p[0] == name.red >> 8 && p[1] == name.green >> 8 && p[2] == name.blue >> 8;
        g_object_unref(shot);
        return count;
    };
    EXPECT_EQ(0, name_pixels());
    deliver("Alice;TEXT;Tavern;$me$ waves");
    EXPECT_GT(name_pixels(), 10) << "the speaker's name is drawn in the name colour";
}

class ParlaneTest: public GuiTest::SessionTest
{
protected:
    ParlaneTest(): SessionTest(false, "Bob") { }
};

TEST_F(ParlaneTest, TitleFollowsGameAndSession)
{
    const struct
    {
        const char *line, *title;
    } steps[] = {
        { ";GAME;Saga", "Parlane - Saga" },
        { ";SESSION;First", "Parlane - Saga - First" },
        { ";SESSION;", "Parlane - Saga" },
        { ";GAME;caf\xE9", "Parlane - caf\xEF\xBF\xBD" },
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.line);
        EXPECT_TRUE(server.deliver(step.line));
        EXPECT_EQ(step.title, window.get_title());
    }
    server.deliver(";ERROR;caf\xE9");
    EXPECT_EQ(Strings { "caf\xEF\xBF\xBD" }, GuiTest::MessageBoxes::take());
    parlane.disconnect();
    EXPECT_EQ("Parlane", window.get_title());
}

TEST_F(ParlaneTest, AskedForBiographyIsShownInABox)
{
    parlane.show_character_biography("alice");
    EXPECT_TRUE(server.deliver("Alice;BIOGRAPHY;A knight.\aOf old."));
    EXPECT_EQ((Strings { "Biography for Alice:\nA knight.\nOf old." }), GuiTest::MessageBoxes::take());
}

// In a child process that has no controller yet: start-up in a folder holding
// the given "parlane.glade" (none if null) must fail with an error box whose
// text is the exception's.
void start_up_in(const char* ui_file)
{
    char pattern[] = "/tmp/parlane-startup-XXXXXX";
    if (!mkdtemp(pattern))
        std::exit(2);
    fs::current_path(pattern);
    if (ui_file)
        std::ofstream("parlane.glade") << ui_file;
    GuiTest::MessageBoxes::start();
    static char program[] = "gui_tests";
    static char* argv[] = { program, nullptr };
    try
    {
        Parlane p(1, argv);
    }
    catch (const Kel::Exception& e)
    {
        Strings boxes = GuiTest::MessageBoxes::take();
        std::cerr << e.what() << std::endl;
        fs::current_path("/");
        fs::remove_all(pattern);
        std::exit(boxes == Strings { e.what() } ? 0 : 3);
    }
    std::exit(4);
}

TEST(ParlaneStartup, MissingOrDamagedUiFileIsShownAndThrown)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct
    {
        const char *file, *reason;
    } cases[] = {
        { nullptr, "Can't find file parlane.glade" },
        { "this is not a user interface", "" },
        { "<?xml version=\"1.0\"?>\n<glade-interface></glade-interface>\n", ".*wnd_main" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.reason);
        EXPECT_EXIT(start_up_in(c.file), testing::ExitedWithCode(0),
            std::string("Cannot load the user interface from \"parlane.glade\": ") + c.reason);
    }
}

class ToolkitPumpTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiTest::parlane(); // the toolkit, initialised once per process
        while (Gtk::Main::events_pending())
            Gtk::Main::iteration(false);
    }

    void TearDown() override
    {
        for (sigc::connection& c : sources)
            c.disconnect();
    }

    void idle(const std::string& name, int priority)
    {
        sources.push_back(Glib::signal_idle().connect([this, name] { ran.push_back(name); return false; }, priority));
    }

    ToolkitPump pump;
    Strings ran;
    std::vector<sigc::connection> sources;
};

TEST_F(ToolkitPumpTest, ForegroundDrainLeavesBackgroundWorkQueued)
{
    idle("background", G_PRIORITY_DEFAULT_IDLE);
    idle("layout", GDK_PRIORITY_REDRAW + 5);
    idle("redraw", GDK_PRIORITY_REDRAW);
    idle("resize", G_PRIORITY_HIGH_IDLE + 10);
    sources.push_back(Glib::signal_timeout().connect([this] { ran.push_back("timer"); return false; }, 0));

    EXPECT_TRUE(pump.drain_foreground());
    EXPECT_EQ((Strings { "timer", "resize", "redraw" }), ran);
    EXPECT_FALSE(pump.drain_foreground()) << "nothing in the foreground is left";
    EXPECT_TRUE(pump.drain(Kel::Time::sec));
    EXPECT_EQ((Strings { "timer", "resize", "redraw", "layout", "background" }), ran);
    EXPECT_FALSE(Gtk::Main::events_pending());

    int rounds = 0;
    sources.push_back(Glib::signal_idle().connect([&] { ++rounds; return true; }));
    EXPECT_TRUE(pump.drain(Kel::Time::zero));
    EXPECT_EQ(1, rounds) << "one round at least, and no more";
}

// A handler that runs a dialog's loop must neither spin in it nor starve it.
TEST_F(ToolkitPumpTest, NestedLoopInTheForegroundEnds)
{
    bool quit_by_idle = false;
    sources.push_back(Glib::signal_timeout().connect(
        [&]
        {
            Glib::RefPtr<Glib::MainLoop> loop = Glib::MainLoop::create();
            sigc::connection idle = Glib::signal_idle().connect([&] { quit_by_idle = true; loop->quit(); return false; });
            sigc::connection guard = Glib::signal_timeout().connect([&] { loop->quit(); return false; }, 5000);
            loop->run();
            idle.disconnect();
            guard.disconnect();
            return false;
        },
        0));
    pump.drain_foreground();
    EXPECT_TRUE(quit_by_idle) << "background work runs inside the dialog's loop";
}

} // namespace
