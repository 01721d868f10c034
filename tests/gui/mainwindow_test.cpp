#include "client/ui/mainwindow.h"

#include "client/parlane.h"
#include "client/ui/npcdialog.h"
#include "client/ui/startsessiondialog.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/menuitem.h>

#include <functional>
#include <string>

using GuiTest::Strings;

namespace
{

class MainWindowTest: public GuiTest::SessionTest
{
protected:
    MainWindowTest(): SessionTest(true) { }

    // Leaves the window unfocused, as the controller makes it.
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

    // Runs the application's own loop with `action` inside it. Returns the
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

    bool send_event(GdkEvent* event) { return GuiTest::send_event(window, event); }

    void send_focus(bool in)
    {
        GdkEvent* event = gdk_event_new(GDK_FOCUS_CHANGE);
        event->focus_change.in = in;
        send_event(event);
    }

    // Opens the dialog through the menu item and answers it after typing
    // text into its entry.
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
        { [this] { activate("mni_quit"); }, Gtk::RESPONSE_YES, 0 },
        { [&] { handled = send_event(gdk_event_new(GDK_DELETE)); }, Gtk::RESPONSE_NO, 7 },
        { [&] { handled = send_event(gdk_event_new(GDK_DELETE)); }, Gtk::RESPONSE_YES, 0 },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << &c - cases);
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
    ASSERT_TRUE(server.log_in("GM"));
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.item << " " << c.answer);
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
    StartSessionDialog& dialog = *window.get_dlg_start_session();
    fill_in("mni_begin_session", dialog, "ent_session_name", "Never", Gtk::RESPONSE_CANCEL);
    EXPECT_EQ(Strings(), server.take_sent());
    // The entry keeps the last text.
    EXPECT_EQ("Never", GuiTest::find_widget<Gtk::Entry>(dialog, "ent_session_name")->get_text());
    fill_in("mni_begin_session", dialog, "ent_session_name", "First Night", Gtk::RESPONSE_OK);
    EXPECT_EQ(Strings { "GM;STARTSESSION;First Night" }, server.take_sent());
}

TEST_F(MainWindowTest, NpcHelpAndAboutWindowsOpen)
{
    const std::pair<const char*, Gtk::Dialog*> windows[]
        = { { "mni_npcs", window.get_dlg_npcs() }, { "mni_help", window.get_dlg_help() } };
    for (const auto& w : windows)
    {
        SCOPED_TRACE(w.first);
        activate(w.first);
        EXPECT_TRUE(w.second->get_visible()) << "shown without waiting";
        w.second->response(Gtk::RESPONSE_CLOSE);
        EXPECT_FALSE(w.second->get_visible());
    }
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

TEST_F(MainWindowTest, FlashIsSetOnlyWithoutFocusAndShownAsUrgency)
{
    send_focus(true);
    window.set_flash(true);
    EXPECT_FALSE(window.get_flash()) << "the window has the focus";

    send_focus(false);
    window.set_flash(true);
    EXPECT_TRUE(window.get_flash());
    EXPECT_TRUE(window.get_urgency_hint());
    send_focus(true);
    EXPECT_FALSE(window.get_flash());
    EXPECT_FALSE(window.get_urgency_hint());

    // Text arriving while the window has no focus.
    ASSERT_TRUE(server.log_in("Bob"));
    ASSERT_TRUE(server.deliver(";ADDSCENE;Tavern;0"));
    send_focus(false);
    ASSERT_TRUE(server.deliver("Alice;TEXT;Tavern;hello"));
    EXPECT_TRUE(window.get_flash());
    send_focus(true);
    EXPECT_FALSE(window.get_flash());
}

} // namespace
