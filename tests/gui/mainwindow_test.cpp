#include "client/mainwindow.h"

#include "client/connectdialog.h"
#include "client/npcdialog.h"
#include "client/parlane.h"
#include "client/startsessiondialog.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/messagedialog.h>
#include <gtkmm/textview.h>

#include <cstdlib>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// From <gdk/gdkx.h>, whose X11 headers define None and break GoogleTest.
extern "C" unsigned long gdk_x11_drawable_get_xid(GdkDrawable* drawable);

namespace fs = std::filesystem;
using GuiTest::TestServer;

namespace
{

typedef std::vector<std::string> Texts;

class MainWindowTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        parlane.set_writing(false);
        window.show();
        GuiTest::run_turns(5);
        GuiTest::MessageBoxes::take();
    }

    // Leaves the window as the controller makes it: hidden and unfocused.
    void TearDown() override
    {
        send_focus(false);
        window.hide();
        GuiTest::run_turns(5);
    }

    void login(const std::string& user) { ASSERT_TRUE(server.log_in(user)); }

    void deliver(const Packet& pkt) { EXPECT_TRUE(server.deliver(pkt)) << pkt.str(); }

    void activate(const std::string& item)
    {
        Gtk::MenuItem* menu_item = GuiTest::find_widget<Gtk::MenuItem>(window, item);
        ASSERT_NE(nullptr, menu_item) << item;
        menu_item->activate();
    }

    std::string label(const std::string& name)
    {
        Gtk::Label* lbl = GuiTest::find_widget<Gtk::Label>(window, name);
        return lbl ? std::string(lbl->get_text()) : "<no " + name + ">";
    }

    // Commands the client sent after the server has handled all before.
    std::vector<std::string> commands_sent()
    {
        EXPECT_TRUE(server.sync());
        std::vector<std::string> cmds;
        for (const Packet& pkt : server.received)
            if (pkt.get_command() != "NAME")
                cmds.push_back(pkt.get_command());
        return cmds;
    }

    // Runs the application's own loop; `action` runs inside it. Returns the
    // loop's exit code, or 7 if nothing ended it within two seconds.
    int run_loop_with(const std::function<void()>& action)
    {
        sigc::connection act = Glib::signal_timeout().connect(
            [&]
            {
                action();
                return false;
            },
            20);
        sigc::connection stop = Glib::signal_timeout().connect(
            [this]
            {
                parlane.exit(7);
                return false;
            },
            2000);
        int code = parlane.Kel::Application::main();
        act.disconnect();
        stop.disconnect();
        return code;
    }

    void send_event(GdkEvent* event)
    {
        event->any.window = GDK_WINDOW(g_object_ref(window.get_window()->gobj()));
        event->any.send_event = TRUE;
        last_event_handled = gtk_widget_event(GTK_WIDGET(window.gobj()), event);
        gdk_event_free(event);
    }

    void send_delete() { send_event(gdk_event_new(GDK_DELETE)); }

    void send_focus(bool in)
    {
        GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
        event->focus_change.in = in;
        send_event(event);
    }

    Parlane& parlane = GuiTest::parlane();
    MainWindow& window = *parlane.get_main_window();
    TestServer server;
    bool last_event_handled = false;
};

TEST_F(MainWindowTest, QuitEndsTheLoopOnlyOnYes)
{
    struct Case
    {
        int answer;
        int exit_code;
    } cases[] = {
        { Gtk::RESPONSE_NO, 7 },
        { Gtk::RESPONSE_YES, 0 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.answer);
        GuiTest::MessageBoxes::queue_answer(c.answer);
        EXPECT_EQ(c.exit_code, run_loop_with([this] { activate("mni_quit"); }));
        EXPECT_EQ(Texts { "Really quit?" }, GuiTest::MessageBoxes::take());
    }
}

TEST_F(MainWindowTest, ClosingTheWindowOnlyAsksToQuit)
{
    struct Case
    {
        int answer;
        int exit_code;
    } cases[] = {
        { Gtk::RESPONSE_NO, 7 },
        { Gtk::RESPONSE_YES, 0 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.answer);
        GuiTest::MessageBoxes::queue_answer(c.answer);
        EXPECT_EQ(c.exit_code, run_loop_with([this] { send_delete(); }));
        EXPECT_EQ(Texts { "Really quit?" }, GuiTest::MessageBoxes::take());
        // Handled: the toolkit does not destroy the window itself.
        EXPECT_TRUE(last_event_handled);
        EXPECT_TRUE(window.get_visible());
    }
}

// Real key presses through the X server, as a user would type them.
TEST_F(MainWindowTest, KeyboardShortcutsReachTheMenu)
{
    if (std::system("command -v xdotool >/dev/null") != 0)
        GTEST_SKIP() << "xdotool is not installed";
    unsigned long xid = gdk_x11_drawable_get_xid(GDK_DRAWABLE(window.get_window()->gobj()));
    ASSERT_EQ(0, std::system(("xdotool windowfocus --sync " + std::to_string(xid)).c_str()));

    GuiTest::MessageBoxes::queue_answer(Gtk::RESPONSE_NO);
    ASSERT_EQ(0, std::system("xdotool key ctrl+q"));
    EXPECT_TRUE(GuiTest::MessageBoxes::wait_for("Really quit?", 3000));

    Gtk::Dialog& help = *parlane.get_dlg_help();
    ASSERT_EQ(0, std::system("xdotool key F1"));
    EXPECT_TRUE(GuiTest::run_until([&] { return help.get_visible(); }, 3000));
    help.response(Gtk::RESPONSE_CLOSE);
}

TEST_F(MainWindowTest, DisconnectAsksFirst)
{
    login("Bob");
    GuiTest::MessageBoxes::queue_answer(Gtk::RESPONSE_NO);
    activate("mni_disconnect");
    EXPECT_EQ(Texts { "Really disconnect?" }, GuiTest::MessageBoxes::take());
    EXPECT_TRUE(parlane.is_connected());

    GuiTest::MessageBoxes::queue_answer(Gtk::RESPONSE_YES);
    activate("mni_disconnect");
    EXPECT_EQ(Texts { "Really disconnect?" }, GuiTest::MessageBoxes::take());
    EXPECT_FALSE(parlane.is_connected());
}

TEST_F(MainWindowTest, EndSessionAsksFirst)
{
    login("GM");
    GuiTest::MessageBoxes::queue_answer(Gtk::RESPONSE_NO);
    activate("mni_end_session");
    EXPECT_EQ(std::vector<std::string>(), commands_sent());
    EXPECT_EQ((Texts { "Really end this session?" }), GuiTest::MessageBoxes::take());

    GuiTest::MessageBoxes::queue_answer(Gtk::RESPONSE_YES);
    activate("mni_end_session");
    EXPECT_EQ(std::vector<std::string> { "ENDSESSION" }, commands_sent());
    EXPECT_EQ((Texts { "Really end this session?" }), GuiTest::MessageBoxes::take());
}

TEST_F(MainWindowTest, ConnectLogsInWithTheTypedNameAndShowsIt)
{
    parlane.get_config().set_connect_host(server.get_address());
    parlane.get_config().set_connect_name("Carol");
    ConnectDialog& dialog = *parlane.get_dlg_connect();
    GuiTest::respond_when_shown(dialog, Gtk::RESPONSE_OK,
        [&] { GuiTest::find_widget<Gtk::Entry>(dialog, "ent_connect_name")->set_text("Dave"); });
    activate("mni_connect");

    EXPECT_FALSE(dialog.get_visible());
    ASSERT_TRUE(parlane.is_connected());
    Packet name;
    ASSERT_TRUE(server.wait_for("NAME", name));
    EXPECT_EQ("Dave", name.get_parameter(0));
    EXPECT_EQ("Dave", label("lbl_name"));
}

TEST_F(MainWindowTest, CancelledConnectChangesNothing)
{
    parlane.get_config().set_connect_host(server.get_address());
    parlane.get_config().set_connect_name("Carol");
    std::string shown = label("lbl_name");
    ConnectDialog& dialog = *parlane.get_dlg_connect();
    GuiTest::respond_when_shown(dialog, Gtk::RESPONSE_CANCEL,
        [&] { GuiTest::find_widget<Gtk::Entry>(dialog, "ent_connect_name")->set_text("Mallory"); });
    activate("mni_connect");

    EXPECT_FALSE(dialog.get_visible());
    EXPECT_FALSE(parlane.is_connected());
    EXPECT_EQ(shown, label("lbl_name"));
    GuiTest::run_turns(20);
    EXPECT_FALSE(server.has_client());
}

TEST_F(MainWindowTest, BeginSessionSendsTheNameOnlyOnOk)
{
    login("GM");
    StartSessionDialog& dialog = *parlane.get_dlg_start_session();
    GuiTest::respond_when_shown(dialog, Gtk::RESPONSE_CANCEL,
        [&] { GuiTest::find_widget<Gtk::Entry>(dialog, "ent_session_name")->set_text("Never"); });
    activate("mni_begin_session");
    EXPECT_FALSE(dialog.get_visible());
    EXPECT_EQ(std::vector<std::string>(), commands_sent());

    GuiTest::respond_when_shown(dialog, Gtk::RESPONSE_OK,
        [&]
        {
            // The entry keeps the last text.
            Gtk::Entry* entry = GuiTest::find_widget<Gtk::Entry>(dialog, "ent_session_name");
            EXPECT_EQ("Never", entry->get_text());
            entry->set_text("First Night");
        });
    activate("mni_begin_session");
    EXPECT_FALSE(dialog.get_visible());
    ASSERT_EQ(std::vector<std::string> { "STARTSESSION" }, commands_sent());
    EXPECT_EQ("First Night", server.received.back().get_parameter(0));
    EXPECT_EQ("GM", server.received.back().get_origin());
}

TEST_F(MainWindowTest, NpcAndHelpWindowsOpenWithoutWaiting)
{
    const struct
    {
        const char* item;
        Gtk::Dialog* dialog;
    } cases[] = {
        { "mni_npcs", parlane.get_dlg_npcs() },
        { "mni_help", parlane.get_dlg_help() },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.item);
        activate(c.item);
        EXPECT_TRUE(c.dialog->get_visible());
        c.dialog->response(Gtk::RESPONSE_CLOSE);
        EXPECT_FALSE(c.dialog->get_visible());
    }
}

TEST_F(MainWindowTest, AboutRunsModallyAndHides)
{
    Gtk::Dialog& about = *parlane.get_dlg_about();
    bool shown = false;
    GuiTest::respond_when_shown(about, Gtk::RESPONSE_CLOSE, [&] { shown = true; });
    activate("mni_about");
    EXPECT_TRUE(shown);
    EXPECT_FALSE(about.get_visible());
}

TEST_F(MainWindowTest, LabelsFollowTheSceneAndTheSpeakingName)
{
    login("GM");
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    deliver(Packet("", "ADDSCENE", "Caf\xE9", "0"));
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    EXPECT_EQ("Tavern", label("lbl_scene"));

    parlane.set_active_name("Guard");
    EXPECT_EQ("Guard", label("lbl_name"));

    // A name in another encoding is shown with a replacement character.
    parlane.set_active_scene(parlane.get_scene("Caf\xE9"));
    EXPECT_EQ("Caf\xEF\xBF\xBD", label("lbl_scene"));
}

TEST_F(MainWindowTest, FlashIsSetOnlyWithoutFocusAndShownAsUrgency)
{
    send_focus(true);
    EXPECT_FALSE(window.get_flash());

    window.set_flash(true);
    EXPECT_FALSE(window.get_flash()) << "the window has the focus";

    send_focus(false);
    window.set_flash(true);
    EXPECT_TRUE(window.get_flash());
    EXPECT_TRUE(window.get_urgency_hint());

    send_focus(true);
    EXPECT_FALSE(window.get_flash());
    EXPECT_FALSE(window.get_urgency_hint());
}

TEST_F(MainWindowTest, TextArrivingWithoutFocusSetsFlash)
{
    login("Bob");
    deliver(Packet("", "ADDSCENE", "Tavern", "0"));
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    send_focus(false);
    deliver(Packet("Alice", "TEXT", "Tavern", "hello"));
    EXPECT_TRUE(window.get_flash());
    send_focus(true);
    EXPECT_FALSE(window.get_flash());
}

TEST_F(MainWindowTest, InputLineHasTheKeyboardFocus)
{
    Gtk::Entry* input = GuiTest::find_widget<Gtk::Entry>(window, "ent_text");
    ASSERT_NE(nullptr, input);
    EXPECT_EQ(input, window.get_focus());
}

// Not a check: leaves a picture of a session for people to look at, in
// <build>/screenshots/mainwindow.png.
TEST_F(MainWindowTest, Screenshot)
{
    login("Bob");
    deliver(Packet("", "GAME", "Saga"));
    const Packet setup[] = {
        Packet("", "ADDCHAR", "Bob", "0"),
        Packet("", "ADDCHAR", "Alice", "0"),
        Packet("", "ADDCHAR", "Carl", "0"),
        Packet("", "ADDCHAR", "GM", "0"),
        Packet("", "ADDCHAR", "Innkeeper", "1"),
        Packet("", "ADDCHAR", "Guard", "1"),
        Packet("", "ADDSCENE", "Tavern", "0"),
        Packet("", "ADDSCENE", "OOC", "0"),
        Packet("", "ADDSCENE", "Market", "0"),
        Packet("", "ADDSCENE", "Gate", "1"),
        Packet("", "ADDSCENE", "Cellar", "1"),
        Packet("", "SCENEGROUP", "Market", "Town"),
        Packet("", "SCENEGROUP", "Gate", "Town"),
        Packet("", "SCENEGROUP", "Cellar", "Inn"),
        Packet("Bob", "ONLINE", "1"),
        Packet("Alice", "ONLINE", "1"),
        Packet("GM", "ONLINE", "1"),
        Packet("Carl", "ONLINE", "1"),
        Packet("GM", "ENTER", "Tavern"),
        Packet("Bob", "ENTER", "Tavern"),
        Packet("Alice", "ENTER", "Tavern"),
        Packet("Carl", "ENTER", "Tavern"),
        Packet("Innkeeper", "ENTER", "Tavern"),
        Packet("Guard", "ENTER", "Market"),
        Packet("GM", "TEXT", "Tavern", "Rain drums on the shutters of the *Prancing Pony*. A fire crackles."),
        Packet("Innkeeper", "TEXT", "Tavern", "$me$ wipes a mug and nods at $Bob$."),
        Packet("Bob", "TEXT", "Tavern", "$me$: \"A room for the night, and _something hot_ to drink.\""),
        Packet("Alice", "OOC", "Tavern", "brb, kettle"),
        Packet("Innkeeper", "TEXT", "Tavern", "$me$: \"That'll be %two silver%.\" $me$ holds out a hand."),
        Packet("Carl", "AFK", "making tea"),
        Packet("Alice", "WRITING", "Tavern"),
        Packet("Guard", "TEXT", "Market", "$me$ yawns."),
    };
    for (const Packet& pkt : setup)
        server.send(pkt);
    ASSERT_TRUE(server.sync());
    parlane.set_active_scene(parlane.get_scene("Tavern"));
    GuiTest::find_widget<Gtk::Entry>(window, "ent_text")->set_text("#me counts out two silver coins");
    window.resize(900, 600);
    GuiTest::run_turns(200);

    int width = 0, height = 0;
    window.get_window()->get_size(width, height);
    Glib::RefPtr<Gdk::Pixbuf> shot
        = Gdk::Pixbuf::create(Glib::RefPtr<Gdk::Drawable>(window.get_window()), 0, 0, width, height);
    fs::path folder = fs::path(PARLANE_BINARY_DIR) / "screenshots";
    fs::create_directories(folder);
    shot->save((folder / "mainwindow.png").string(), "png");
    EXPECT_TRUE(fs::exists(folder / "mainwindow.png"));
}

} // namespace
