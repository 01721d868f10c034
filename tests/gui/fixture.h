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

#include <functional>
#include <string>
#include <vector>

class MainWindow;
class Parlane;

// Shared set-up for the tests that need a display. The controller can be made
// only once per process: every test shares it and starts its own session with
// Parlane::connect, which drops the model of the one before.
namespace GuiTest
{

typedef std::vector<std::string> Strings;

// Made on first use in the working folder <temporary>/work/dir, which holds copies
// of "parlane.glade" and the icons; both go when the test program ends.
Parlane& parlane();
MainWindow& main_window();

// Loop turns (a controller tick, a tick of every live TestServer, a 1 ms
// sleep) until done() holds or max_turns have passed. Returns done().
bool run_until(const std::function<bool()>& done, int max_turns = 5000);
void run_turns(int turns);

// A 5 ms timer answers every visible message box, except the connect wait's,
// with the next queued response or else OK (No for a question), and records
// its text.
namespace MessageBoxes
{
void start();
void queue_answer(int response);
// The texts answered since the last take(), oldest first.
Strings take();
// Runs turns until a box with exactly this text was answered; forgets it.
bool wait_for(const std::string& text, int max_turns = 5000);
} // namespace MessageBoxes

// Answers dialog with response once it is visible, calling before (if given)
// first; for dialogs that a test opens with run(). Gives up after about 10 s.
void respond_when_shown(Gtk::Dialog& dialog, int response, const std::function<void()>& before = {});

// Hands event to widget as the toolkit would deliver it from window (the
// widget's own window if null), then frees it; returns whether it was handled.
bool send_event(Gtk::Widget& widget, GdkEvent* event, GdkWindow* window = nullptr);

// The widget that the UI description names `name` below `top`, looking into
// internal children and submenus; null if there is none or it is not a T.
GtkWidget* find_gtk_widget(GtkWidget* top, const std::string& name);
template <typename T> T* find_widget(Gtk::Widget& top, const std::string& name)
{
    GtkWidget* found = find_gtk_widget(top.gobj(), name);
    return found ? dynamic_cast<T*>(Glib::wrap(found)) : nullptr;
}

// Records, instead of printing, the warnings and critical messages that the
// toolkit logs while it lives, as "<domain>: <message>". Not nestable.
class ToolkitWarnings
{
public:
    ToolkitWarnings();
    ~ToolkitWarnings();
    ToolkitWarnings(const ToolkitWarnings&) = delete;
    ToolkitWarnings& operator=(const ToolkitWarnings&) = delete;
    Strings messages;
};

// A chat server for one client at a time on 127.0.0.1, port picked by the
// kernel, built on the project's listening socket and Connection. run_until
// ticks it; it never blocks.
class TestServer
{
public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    const std::string& get_address() const { return address; }
    // Connects the controller as user; true once its NAME has arrived.
    bool log_in(const std::string& user);
    void send(const Packet& pkt);
    // A line as it is, which need not be a valid packet.
    void send_line(const std::string& line);
    // Sends the packets (or lines such as ";ADDSCENE;Tavern;0") and runs
    // turns until the client has handled them.
    bool deliver(const Packet& pkt);
    bool deliver(const std::string& line) { return deliver(Packet(line)); }
    bool deliver_all(const Strings& lines);
    // Runs turns until the client has handled everything sent so far: an
    // ERROR marker's box was answered and one more turn has passed.
    bool sync();
    // Closes the link, as a server going away would.
    void drop_client();
    // Runs turns until a packet with this command arrives from the client;
    // each packet is handed out once.
    bool wait_for(const std::string& cmd, Packet& pkt, int max_turns = 5000);
    // After sync(): the wire form of what the client sent since the last
    // call, NAME left out.
    Strings take_sent();
    void tick();

    std::vector<Packet> received;

private:
    void accept();

    Kel::IO::EventDispatcher disp;
    Kel::Net::ServerSocket listener;
    Connection* client; // owned
    std::string address;
    unsigned next_sync;
    size_t waited; // received[0..waited) were handed out by wait_for
};

// A fresh session for each test: the controller disconnected and the boxes
// answered before forgotten; if `shown`, the main window is on the screen.
// The configuration is put back, and announced, afterwards.
class SessionTest: public ::testing::Test
{
protected:
    explicit SessionTest(bool shown = false);
    void SetUp() override;
    void TearDown() override;
    // Logs in as user and delivers the setup lines; forgets what the client
    // sent so far.
    void log_in(const std::string& user, const Strings& setup = {});

    Parlane& parlane;
    MainWindow& window;
    TestServer server;

private:
    bool shown;
    Config saved_config;
};

} // namespace GuiTest

#endif
