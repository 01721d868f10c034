#ifndef PARLANE_TESTS_GUI_FIXTURE_H
#define PARLANE_TESTS_GUI_FIXTURE_H

#include "client/session/config.h"
#include "common/connection.h"
#include "common/packet.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/net/source/serversocket.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/dialog.h>
#include <gtkmm/textview.h>

#include <functional>
#include <string>
#include <vector>

class MainWindow;
class Parlane;

// The controller can be made only once per process: every test shares it and
// starts its own session with Parlane::connect.
namespace GuiTest
{

typedef std::vector<std::string> Strings;

// Made on first use in a temporary folder holding "parlane.glade" and the icons.
Parlane& parlane();
MainWindow& main_window();

// Loop turns (controller, every TestServer, 1 ms sleep) until done() or
// max_turns; returns done().
bool run_until(const std::function<bool()>& done, int max_turns = 5000);
inline void run_turns(int turns)
{
    run_until([] { return false; }, turns);
}

// Runs turns until the toolkit has no event pending, or max_turns.
void settle(int max_turns = 5000);

// Settles and saves what window shows as a PNG, for a person to look at, as
// `name` in $PARLANE_SCREENSHOTS or else the build folder; prints the path.
void screenshot(Gtk::Window& window, const std::string& name);

// Hands widget a key press as the X server sends it, with the hardware code
// by which accelerators are looked up; whether it was handled.
bool press(Gtk::Widget& widget, guint keyval, guint state = 0);

// The text of view split at line feeds; none when it is empty.
Strings lines(Gtk::TextView& view);
// "#RRGGBB" of the character at line and offset of view, then " bold",
// " underline" and " italic" where they apply.
std::string look_at(Gtk::TextView& view, int line, int offset);

// A 5 ms timer answers every visible message box but the connect wait's with
// the next queued response or else OK, and records its text.
namespace MessageBoxes
{
void start();
void queue_answer(int response);
Strings take();
bool wait_for(const std::string& text, int max_turns = 5000);
} // namespace MessageBoxes

// Answers dialog once it is visible, calling before (if given) first.
void respond_when_shown(Gtk::Dialog& dialog, int response, const std::function<void()>& before = {});

// Hands event to widget as from window (the widget's if null), frees it and
// returns whether it was handled.
bool send_event(Gtk::Widget& widget, GdkEvent* event, GdkWindow* window = nullptr);

// The widget named `name` below `top`, submenus included; null if none or not a T.
GtkWidget* find_gtk_widget(GtkWidget* top, const std::string& name);
template <typename T> T* find_widget(Gtk::Widget& top, const std::string& name)
{
    GtkWidget* found = find_gtk_widget(top.gobj(), name);
    return found ? dynamic_cast<T*>(Glib::wrap(found)) : nullptr;
}

// A chat server for one client at a time on 127.0.0.1; run_until ticks it.
class TestServer
{
public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    const std::string& get_address() const { return address; }
    bool log_in(const std::string& user);
    void send(const Packet& pkt);
    // Sends and runs turns until the client has handled it.
    bool deliver(const Packet& pkt) { return send(pkt), sync(); }
    bool deliver(const std::string& line) { return deliver(Packet(line)); }
    bool deliver_all(const Strings& lines);
    // Runs turns until an ERROR marker's box was answered, and one more.
    bool sync();
    // Runs turns until the client sent cmd, stored in pkt if given.
    bool wait_for(const std::string& cmd, Packet* pkt = nullptr, int max_turns = 5000);
    // After sync(): what the client sent since the last call, NAME left out.
    Strings take_sent();
    // Closes the link to the client, as a server that went away.
    void drop_client()
    {
        delete client;
        client = nullptr;
    }
    void tick() { disp.tick(false); }

    std::vector<Packet> received;

private:
    void accept();

    Kel::IO::EventDispatcher disp;
    Kel::Net::ServerSocket listener;
    Connection* client; // owned
    std::string address;
    unsigned next_sync;
    size_t waited;
};

// Each test starts disconnected, with the main window shown if `shown`, and
// logged in as `user` with the `setup` lines delivered if a user is given.
// The configuration is put back and every other window hidden afterwards.
class SessionTest: public ::testing::Test
{
protected:
    explicit SessionTest(bool shown = false, const std::string& user = "", const Strings& setup = {});
    void SetUp() override;
    void TearDown() override;
    void log_in(const std::string& user, const Strings& setup = {});

    Parlane& parlane;
    MainWindow& window;
    TestServer server;

private:
    bool shown;
    std::string user;
    Strings setup;
    Config saved_config;
};

} // namespace GuiTest

#endif
