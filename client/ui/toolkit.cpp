#include "client/ui/toolkit.h"

#include "client/ui/mainwindow.h"
#include "client/ui/messagebox.h"

Frontend* make_frontend(int& argc, char**& argv)
{
    return new Toolkit(argc, argv, "parlane.glade");
}

Toolkit::Toolkit(int& argc, char**& argv, const std::string& ui_file):
    gtk(argc, argv), wnd_main(MainWindow::load(ui_file))
{
}

Toolkit::~Toolkit()
{
    delete wnd_main;
}

void Toolkit::show()
{
    wnd_main->show();
}

void Toolkit::drain_foreground()
{
    pump.drain_foreground();
}

void Toolkit::drain(const Kel::Time::TimeDelta& limit)
{
    pump.drain(limit);
}

void Toolkit::wait(Kel::IO::EventDispatcher& disp, const Kel::Time::TimeDelta& limit)
{
    pump.wait(disp, limit);
}

void Toolkit::show_error(const std::string& text)
{
    message_box(text, Gtk::MESSAGE_ERROR);
}
