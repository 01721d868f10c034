#ifndef PARLANE_TESTS_GUI_FIXTURE_H
#define PARLANE_TESTS_GUI_FIXTURE_H

#include "common/connection.h"
#include "common/packet.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/net/source/serversocket.h"

#include <gtkmm/dialog.h>

#include <functional>
#include <string>
#include <vector>

class Parlane;

// Shared set-up for every test that needs a display. The controller can be
// made only once per process, so all tests share the one made here; each
// test starts its own session with Parlane::connect, which drops the model
// of the one before.
namespace GuiTest
{

// The controller, made on first use in a fresh working folder
// <root>/work/dir that holds copies of "parlane.glade" and the icons. It is
// deleted, and the folder removed, when the test program ends.
Parlane& parlane();
// The temporary folder above the working folder; nothing a test does may
// create files in it outside the working folder.
const std::string& root_dir();
const std::string& work_dir();

// Runs loop turns, each one controller tick (toolkit events included), a
// tick of every live TestServer and a 1 ms sleep, until done() holds or
// max_turns turns have passed. Returns done().
bool run_until(const std::function<bool()>& done, int max_turns = 5000);
void run_turns(int turns);

// Answers modal message boxes so that no test hangs. A timer looks every
// 5 ms for visible Gtk::MessageDialog windows, records their primary text
// and answers each with the next queued response, or OK when none is queued
// (for a Yes/No question that counts as No). The connect wait's
// "Connecting, please wait..." box is left alone.
namespace MessageBoxes
{
// Starts the timer; parlane() does this before it makes the controller.
void start();
void queue_answer(int response);
// The texts answered since the last take(), oldest first.
std::vector<std::string> take();
// Runs turns until a box with exactly this text has been answered; removes
// it from the record. False if none came within max_turns.
bool wait_for(const std::string& text, int max_turns = 5000);
} // namespace MessageBoxes

// Answers dialog with response as soon as it is visible, after calling
// before (if given) on it; for dialogs that a test opens with run(). Gives
// up after about ten seconds.
void respond_when_shown(
    Gtk::Dialog& dialog, int response, const std::function<void()>& before = std::function<void()>());

// A chat server for one client at a time on 127.0.0.1 with a port the kernel
// picks, built on the project's listening socket and the server side of
// Connection. run_until ticks it; it never blocks.
class TestServer
{
public:
    TestServer();
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // "127.0.0.1:<port>", for Parlane::connect.
    const std::string& get_address() const { return address; }
    bool has_client() const { return client != nullptr; }

    // Connects the controller to this server as user and runs turns until
    // its NAME packet has arrived. False if either did not happen.
    bool log_in(const std::string& user);

    // Sends to the connected client.
    void send(const Packet& pkt);
    // Sends a line as it is, which need not be a valid packet.
    void send_line(const std::string& line);
    // Sends pkt and then an ERROR packet as a marker, and runs turns until
    // the client has answered the marker's box: by then pkt has been
    // handled. Returns false if that did not happen in time.
    bool deliver(const Packet& pkt);
    // Runs turns until the client has handled everything sent so far.
    bool sync();
    // Closes the link to the client, as a server going away would.
    void drop_client();

    // Runs turns until a packet with this command has arrived from the
    // client, and returns the first such one not returned before.
    bool wait_for(const std::string& cmd, Packet& pkt, int max_turns = 5000);

    void tick();

    // Everything the client sent, oldest first.
    std::vector<Packet> received;

private:
    void accept();
    void packet_available();

    Kel::IO::EventDispatcher disp;
    Kel::Net::ServerSocket listener;
    Connection* client; // owned
    std::string address;
    unsigned next_sync;
    size_t waited; // received[0..waited) were handed out by wait_for
};

} // namespace GuiTest

#endif
