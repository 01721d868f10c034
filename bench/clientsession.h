#ifndef PARLANE_BENCH_CLIENTSESSION_H
#define PARLANE_BENCH_CLIENTSESSION_H

#include "client/parlane.h"
#include "client/ui/mainwindow.h"
#include "client/ui/toolkit.h"
#include "common/connection.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/net/source/inet.h"
#include "libs/net/source/serversocket.h"

#include <gtkmm/main.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

// The client's controller in a temporary working folder that holds the UI
// description and the icons, logged in as "Bob" to a server-side link on
// 127.0.0.1 that the benchmark drives. Needs a display.
class ClientSession
{
public:
    explicit ClientSession(char* program): listener(Kel::Net::INET, 0), client(nullptr)
    {
        namespace fs = std::filesystem;
        char pattern[] = "/tmp/parlane-bench-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("Cannot make a temporary folder");
        dir = pattern;
        for (const fs::directory_entry& e : fs::directory_iterator(fs::path(PARLANE_SOURCE_DIR) / "data"))
        {
            std::string ext = e.path().extension().string();
            if (ext == ".glade" || ext == ".png")
                fs::copy_file(e.path(), dir / e.path().filename());
        }
        fs::current_path(dir);

        static char* argv[] = { program, nullptr };
        parlane = new Parlane(1, argv);
        // Shown as the program shows it, so that lines are laid out and drawn.
        main_window().show();

        listener.bind(Kel::Net::InetAddr(0x7F000001, 0));
        listener.listen(1);
        listener.set_block(false);
        disp.add(listener);
        parlane->connect(listener.get_local_address().str(), "Bob");
        while (!client)
        {
            turn();
            if (Kel::Net::StreamSocket* sock = listener.accept())
                client = new Connection(sock, disp);
        }
    }

    ~ClientSession()
    {
        delete client;
        delete parlane;
        std::filesystem::current_path("/");
        std::filesystem::remove_all(dir);
    }

    MainWindow& main_window() { return static_cast<Toolkit&>(parlane->get_frontend()).get_main_window(); }

    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // One turn of the program's loop (a tick, then a 1 ms sleep), with the
    // server side serviced alongside unless it has nothing to do.
    void turn(bool serve = true)
    {
        parlane->tick();
        if (serve)
            disp.tick(false);
        Kel::Time::sleep(Kel::Time::msec);
    }

    // Turns until the toolkit has nothing left to do, such as laying out
    // lines off the screen.
    void settle()
    {
        for (int i = 0; i < 100000 && Gtk::Main::events_pending(); ++i)
            turn(false);
    }

    Parlane* parlane; // owned
    Kel::IO::EventDispatcher disp;
    Kel::Net::ServerSocket listener;
    Connection* client; // owned: the server side of the link
    std::filesystem::path dir;
};

#endif
