#include "tests/gui/fixture.h"

#include "client/parlane.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "libs/net/source/inet.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <iostream>
#include <list>

namespace fs = std::filesystem;

namespace GuiTest
{

namespace
{

const char CONNECTING[] = "Connecting, please wait...";

Parlane* controller = nullptr;
std::string root;
std::string work;
std::string old_cwd;
std::list<TestServer*> servers;

std::deque<int> answers;
std::vector<std::string> answered;
bool answerer_installed = false;

// Works on the toolkit's own objects, so that no C++ wrapper is made for
// windows that have none.
bool answer_message_boxes()
{
    GList* windows = gtk_window_list_toplevels();
    for (GList* i = windows; i; i = i->next)
    {
        GtkWidget* widget = GTK_WIDGET(i->data);
        if (!GTK_IS_MESSAGE_DIALOG(widget) || !GTK_WIDGET_VISIBLE(widget))
            continue;
        gchar* text = nullptr;
        g_object_get(G_OBJECT(widget), "text", &text, nullptr);
        std::string message = text ? text : "";
        g_free(text);
        if (message == CONNECTING)
            continue;
        int response = Gtk::RESPONSE_OK;
        if (!answers.empty())
        {
            response = answers.front();
            answers.pop_front();
        }
        answered.push_back(message);
        gtk_dialog_response(GTK_DIALOG(widget), response);
        // One per round: the response may have destroyed other windows.
        break;
    }
    g_list_free(windows);
    return true;
}

void install_answerer()
{
    if (answerer_installed)
        return;
    answerer_installed = true;
    Glib::signal_timeout().connect(sigc::ptr_fun(&answer_message_boxes), 5);
}

void make_work_dir()
{
    char pattern[] = "/tmp/parlane-gui-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("Cannot make a temporary folder");
    root = pattern;
    work = root + "/work/dir";
    fs::create_directories(work);
    fs::path data = fs::path(PARLANE_SOURCE_DIR) / "data";
    for (const fs::directory_entry& e : fs::directory_iterator(data))
    {
        std::string ext = e.path().extension().string();
        if (ext == ".glade" || ext == ".png")
            fs::copy_file(e.path(), fs::path(work) / e.path().filename());
    }
    old_cwd = fs::current_path().string();
    fs::current_path(work);
}

// Deletes the controller and the folder when the test program ends.
class Environment: public ::testing::Environment
{
public:
    void TearDown() override
    {
        delete controller;
        controller = nullptr;
        if (!root.empty())
        {
            fs::current_path(old_cwd);
            fs::remove_all(root);
        }
    }
};

const bool environment_added = (::testing::AddGlobalTestEnvironment(new Environment), true);

} // namespace

Parlane& parlane()
{
    if (!controller)
    {
        make_work_dir();
        install_answerer();
        static char program[] = "gui_tests";
        static char* argv[] = { program, nullptr };
        controller = new Parlane(1, argv);
    }
    return *controller;
}

const std::string& root_dir()
{
    parlane();
    return root;
}

const std::string& work_dir()
{
    parlane();
    return work;
}

bool run_until(const std::function<bool()>& done, int max_turns)
{
    Parlane& p = parlane();
    for (int turn = 0; turn < max_turns; ++turn)
    {
        if (done())
            return true;
        p.tick();
        for (TestServer* server : servers)
            server->tick();
        Kel::Time::sleep(Kel::Time::msec);
    }
    return done();
}

void run_turns(int turns)
{
    run_until([] { return false; }, turns);
}

namespace MessageBoxes
{

void start()
{
    install_answerer();
}

void queue_answer(int response)
{
    answers.push_back(response);
}

std::vector<std::string> take()
{
    std::vector<std::string> texts;
    texts.swap(answered);
    return texts;
}

bool wait_for(const std::string& text, int max_turns)
{
    auto find = [&text] { return std::find(answered.begin(), answered.end(), text); };
    if (!run_until([&] { return find() != answered.end(); }, max_turns))
        return false;
    answered.erase(find());
    return true;
}

} // namespace MessageBoxes

namespace
{

struct ShowWatch
{
    Gtk::Dialog* dialog;
    int response;
    std::function<void()> before;
    int rounds_left;

    bool check()
    {
        if (dialog->get_visible())
        {
            if (before)
                before();
            dialog->response(response);
            delete this;
            return false;
        }
        if (--rounds_left <= 0)
        {
            delete this;
            return false;
        }
        return true;
    }
};

} // namespace

void respond_when_shown(Gtk::Dialog& dialog, int response, const std::function<void()>& before)
{
    ShowWatch* watch = new ShowWatch { &dialog, response, before, 2000 };
    Glib::signal_timeout().connect(sigc::mem_fun(*watch, &ShowWatch::check), 5);
}

TestServer::TestServer(): listener(Kel::Net::INET, 0), client(nullptr), next_sync(0), waited(0)
{
    listener.bind(Kel::Net::InetAddr(0x7F000001, 0));
    listener.listen(4);
    listener.set_block(false);
    listener.signal_data_available.connect(sigc::mem_fun(*this, &TestServer::accept));
    disp.add(listener);
    address = listener.get_local_address().str();
    servers.push_back(this);
}

TestServer::~TestServer()
{
    servers.remove(this);
    delete client;
}

void TestServer::accept()
{
    Kel::Net::StreamSocket* sock = listener.accept();
    if (!sock)
        return;
    delete client;
    client = new Connection(sock, disp);
    client->signal_packet_available.connect(sigc::mem_fun(*this, &TestServer::packet_available));
}

void TestServer::packet_available()
{
    Packet pkt;
    while (client->get_packet(pkt))
        received.push_back(pkt);
}

void TestServer::tick()
{
    disp.tick(false);
}

void TestServer::send(const Packet& pkt)
{
    if (!client)
        run_until([this] { return client != nullptr; });
    ASSERT_NE(nullptr, client) << "no client connected";
    client->send_packet(pkt);
}

void TestServer::send_line(const std::string& line)
{
    // Only parameters are escaped, so an origin carries a raw line feed; the
    // ";" left over after it makes a packet without a command, which the
    // client ignores.
    send(Packet(line + "\n", ""));
}

bool TestServer::deliver(const Packet& pkt)
{
    send(pkt);
    return sync();
}

bool TestServer::log_in(const std::string& user)
{
    parlane().connect(address, user);
    Packet name;
    return parlane().is_connected() && wait_for("NAME", name);
}

bool TestServer::sync()
{
    std::string marker = "sync " + std::to_string(next_sync++);
    send(Packet("", "ERROR", marker));
    return MessageBoxes::wait_for(marker);
}

void TestServer::drop_client()
{
    // Let everything sent reach the socket first.
    run_until([this] { return !client || client->get_output_pending() == 0; });
    delete client;
    client = nullptr;
}

bool TestServer::wait_for(const std::string& cmd, Packet& pkt, int max_turns)
{
    size_t found = received.size();
    auto look = [&]
    {
        for (size_t i = waited; i < received.size(); ++i)
            if (received[i].get_command() == cmd)
            {
                found = i;
                return true;
            }
        return false;
    };
    if (!run_until(look, max_turns))
        return false;
    pkt = received[found];
    waited = found + 1;
    return true;
}

} // namespace GuiTest
