#include "tests/gui/fixture.h"

#include "client/parlane.h"
#include "client/ui/mainwindow.h"
#include "client/ui/toolkit.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "libs/net/source/inet.h"

#include <gtest/gtest.h>
#include <gtkmm/main.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <iostream>
#include <list>
#include <utility>

namespace fs = std::filesystem;

namespace GuiTest
{

namespace
{

Parlane* controller = nullptr;
std::string root, work, old_cwd;
std::list<TestServer*> servers;
std::deque<int> answers;
Strings answered;

// On the toolkit's own objects: no C++ wrapper is made for windows without one.
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
        if (message == "Connecting, please wait...")
            continue;
        int response = answers.empty() ? int(Gtk::RESPONSE_OK) : answers.front();
        if (!answers.empty())
            answers.pop_front();
        answered.push_back(message);
        gtk_dialog_response(GTK_DIALOG(widget), response);
        break; // the response may have destroyed other windows
    }
    g_list_free(windows);
    return true;
}

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
        char pattern[] = "/tmp/parlane-gui-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("Cannot make a temporary folder");
        root = pattern;
        work = root + "/work/dir";
        fs::create_directories(work);
        for (const fs::directory_entry& e : fs::directory_iterator(fs::path(PARLANE_SOURCE_DIR) / "data"))
            if (e.path().extension() == ".glade" || e.path().extension() == ".png")
                fs::copy_file(e.path(), fs::path(work) / e.path().filename());
        old_cwd = fs::current_path().string();
        fs::current_path(work);
        MessageBoxes::start();
        static char program[] = "gui_tests";
        static char* argv[] = { program, nullptr };
        controller = new Parlane(1, argv);
    }
    return *controller;
}

MainWindow& main_window()
{
    return static_cast<Toolkit&>(parlane().get_frontend()).get_main_window();
}

bool run_until(const std::function<bool()>& done, int max_turns)
{
    Parlane& p = parlane();
    for (int turn = 0; turn < max_turns && !done(); ++turn)
    {
        p.tick();
        for (TestServer* server : servers)
            server->tick();
        Kel::Time::sleep(Kel::Time::msec);
    }
    return done();
}

void settle(int max_turns)
{
    run_until([] { return !Gtk::Main::events_pending(); }, max_turns);
}

void screenshot(Gtk::Window& window, const std::string& name)
{
    run_turns(50);
    settle();
    const char* folder = std::getenv("PARLANE_SCREENSHOTS");
    std::string path = std::string(folder ? folder : PARLANE_BINARY_DIR) + "/" + name;
    GdkWindow* top = window.get_window()->gobj();
    int width = 0, height = 0;
    gdk_drawable_get_size(top, &width, &height);
    GdkPixbuf* shot = gdk_pixbuf_get_from_drawable(nullptr, top, nullptr, 0, 0, 0, 0, width, height);
    ASSERT_NE(nullptr, shot) << "the window could not be read for " << path;
    gdk_pixbuf_save(shot, path.c_str(), "png", nullptr, nullptr);
    g_object_unref(shot);
    std::cout << "screenshot: " << path << std::endl;
}

bool press(Gtk::Widget& widget, guint keyval, guint state)
{
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.keyval = keyval;
    event->key.state = state;
    GdkKeymapKey* keys = nullptr;
    gint found = 0;
    if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_default(), keyval, &keys, &found) && found > 0)
        event->key.hardware_keycode = keys[0].keycode;
    g_free(keys);
    return send_event(widget, event);
}

Strings lines(Gtk::TextView& view)
{
    Strings result;
    std::string text = view.get_buffer()->get_text();
    for (size_t start = 0; !text.empty() && start <= text.size();)
    {
        size_t end = std::min(text.find('\n', start), text.size());
        result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

std::string look_at(Gtk::TextView& view, int line, int offset)
{
    Gtk::TextIter at = view.get_buffer()->get_iter_at_line_offset(line, offset);
    // gtkmm's TextIter::get_attributes() crashes; the C call does not.
    GtkTextAttributes* values = gtk_text_view_get_default_attributes(view.gobj());
    gtk_text_iter_get_attributes(at.gobj(), values);
    const GdkColor& fg = values->appearance.fg_color;
    char color[8];
    std::snprintf(color, sizeof color, "#%02X%02X%02X", fg.red >> 8, fg.green >> 8, fg.blue >> 8);
    std::string look = color;
    if (pango_font_description_get_weight(values->font) >= PANGO_WEIGHT_BOLD)
        look += " bold";
    if (values->appearance.underline == PANGO_UNDERLINE_SINGLE)
        look += " underline";
    if (pango_font_description_get_style(values->font) == PANGO_STYLE_ITALIC)
        look += " italic";
    gtk_text_attributes_unref(values);
    return look;
}

void MessageBoxes::start()
{
    static bool started = false;
    if (!started)
        Glib::signal_timeout().connect(sigc::ptr_fun(&answer_message_boxes), 5);
    started = true;
}

void MessageBoxes::queue_answer(int response)
{
    answers.push_back(response);
}

Strings MessageBoxes::take()
{
    return std::exchange(answered, {});
}

bool MessageBoxes::wait_for(const std::string& text, int max_turns)
{
    auto find = [&text] { return std::find(answered.begin(), answered.end(), text); };
    if (!run_until([&] { return find() != answered.end(); }, max_turns))
        return false;
    answered.erase(find());
    return true;
}

void respond_when_shown(Gtk::Dialog& dialog, int response, const std::function<void()>& before)
{
    auto rounds_left = std::make_shared<int>(2000);
    Glib::signal_timeout().connect(
        [&dialog, response, before, rounds_left]
        {
            if (!dialog.get_visible())
                return --*rounds_left > 0;
            if (before)
                before();
            dialog.response(response);
            return false;
        },
        5);
}

bool send_event(Gtk::Widget& widget, GdkEvent* event, GdkWindow* window)
{
    event->any.window = GDK_WINDOW(g_object_ref(window ? window : widget.get_window()->gobj()));
    event->any.send_event = TRUE;
    bool handled = gtk_widget_event(widget.gobj(), event);
    gdk_event_free(event);
    return handled;
}

GtkWidget* find_gtk_widget(GtkWidget* top, const std::string& name)
{
    if (name == gtk_widget_get_name(top))
        return top;
    GtkWidget* found = nullptr;
    GtkWidget* submenu = GTK_IS_MENU_ITEM(top) ? gtk_menu_item_get_submenu(GTK_MENU_ITEM(top)) : nullptr;
    if (submenu && (found = find_gtk_widget(submenu, name)))
        return found;
    if (GTK_IS_CONTAINER(top))
    {
        GList* children = gtk_container_get_children(GTK_CONTAINER(top));
        for (GList* i = children; i && !found; i = i->next)
            found = find_gtk_widget(GTK_WIDGET(i->data), name);
        g_list_free(children);
    }
    return found;
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
    client->signal_packet_available.connect(
        [this]
        {
            Packet pkt;
            while (client->get_packet(pkt))
                received.push_back(pkt);
        });
}

void TestServer::send(const Packet& pkt)
{
    if (!client)
        run_until([this] { return client != nullptr; });
    ASSERT_NE(nullptr, client) << "no client connected";
    client->send_packet(pkt);
}

bool TestServer::deliver_all(const Strings& lines)
{
    for (const std::string& line : lines)
        send(Packet(line));
    return sync();
}

bool TestServer::log_in(const std::string& user)
{
    parlane().connect(address, user);
    // The answer to the login's biography question ends what the login
    // announces; until then the client counts nothing as news.
    return wait_for("NAME") && deliver_all({ user + ";BIOGRAPHY;" }) && parlane().is_connected();
}

bool TestServer::sync()
{
    std::string marker = "sync " + std::to_string(next_sync++);
    send(Packet("", "ERROR", marker));
    bool answered = MessageBoxes::wait_for(marker);
    run_turns(1);
    return answered;
}

bool TestServer::wait_for(const std::string& cmd, Packet* pkt, int max_turns)
{
    auto look = [&]
    {
        for (; waited < received.size(); ++waited)
            if (received[waited].get_command() == cmd)
                return true;
        return false;
    };
    if (!run_until(look, max_turns))
        return false;
    if (pkt)
        *pkt = received[waited];
    ++waited;
    return true;
}

Strings TestServer::take_sent()
{
    EXPECT_TRUE(sync());
    Strings lines;
    for (const Packet& pkt : received)
        if (pkt.get_command() != "NAME")
            lines.push_back(pkt.str());
    received.clear();
    waited = 0;
    return lines;
}

SessionTest::SessionTest(bool shown, const std::string& user, const Strings& setup):
    parlane(GuiTest::parlane()), window(GuiTest::main_window()), shown(shown), user(user), setup(setup),
    saved_config(parlane.get_config())
{
}

void SessionTest::SetUp()
{
    parlane.disconnect();
    parlane.set_writing(false);
    if (shown)
    {
        window.show();
        run_turns(5);
    }
    MessageBoxes::take();
    if (!user.empty())
    {
        log_in(user, setup);
        run_turns(5);
    }
}

void SessionTest::TearDown()
{
    parlane.get_config() = saved_config;
    parlane.signal_config_changed.emit();
    GList* windows = gtk_window_list_toplevels();
    for (GList* i = windows; i; i = i->next)
        if (i->data != window.gobj())
            gtk_widget_hide(GTK_WIDGET(i->data));
    g_list_free(windows);
    if (shown)
    {
        window.hide();
        run_turns(5);
    }
}

void SessionTest::log_in(const std::string& user, const Strings& setup)
{
    ASSERT_TRUE(server.log_in(user));
    ASSERT_TRUE(server.deliver_all(setup));
    server.take_sent();
}

} // namespace GuiTest
