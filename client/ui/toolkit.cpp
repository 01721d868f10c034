#include "client/ui/toolkit.h"

#include "client/ui/mainwindow.h"
#include "client/ui/messagebox.h"
#include "client/session/places.h"

#include <gtk/gtkmain.h>

Frontend* make_frontend(int& argc, char**& argv)
{
    return new Toolkit(argc, argv, Places::current().get_ui_file());
}

bool show_start_up_error(int& argc, char**& argv, const std::string& text)
{
    if (!gtk_init_check(&argc, &argv))
        return false;
    Gtk::Main gtk(argc, argv);
    message_box(text, Gtk::MESSAGE_ERROR);
    return true;
}

Toolkit::Toolkit(int& argc, char**& argv, const std::string& ui_file):
    gtk(argc, argv), wnd_main(nullptr)
{
    // Dialogs and windows without an icon of their own take the installed
    // application icon from the icon theme.
    Gtk::Window::set_default_icon_name("parlane");
    wnd_main = MainWindow::load(ui_file);
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
