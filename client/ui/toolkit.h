#ifndef PARLANE_CLIENT_UI_TOOLKIT_H
#define PARLANE_CLIENT_UI_TOOLKIT_H

#include "client/frontend.h"
#include "client/ui/toolkitpump.h"

#include <gtkmm/main.h>

class MainWindow;

// Shows text in an error box when a display can be opened, before the
// controller exists (a set-up that cannot start); false without a display.
bool show_start_up_error(int& argc, char**& argv, const std::string& text);

// The toolkit started from the command line, its main context run from the
// program's loop, and the main window with its dialogs.
class Toolkit: public Frontend
{
public:
    // Reads the UI description from ui_file (see MainWindow::load).
    Toolkit(int& argc, char**& argv, const std::string& ui_file);
    ~Toolkit() override;
    Toolkit(const Toolkit&) = delete;
    Toolkit& operator=(const Toolkit&) = delete;

    void show() override;
    void drain_foreground() override;
    void drain(const Kel::Time::TimeDelta& limit) override;
    void wait(Kel::IO::EventDispatcher& disp, const Kel::Time::TimeDelta& limit) override;
    void show_error(const std::string& text) override;

    MainWindow& get_main_window() const { return *wnd_main; }

private:
    Gtk::Main gtk;
    ToolkitPump pump;
    MainWindow* wnd_main; // owned
};

#endif
