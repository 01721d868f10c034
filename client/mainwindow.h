#ifndef PARLANE_CLIENT_MAINWINDOW_H
#define PARLANE_CLIENT_MAINWINDOW_H

#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <libglademm/xml.h>

class Parlane;
class SceneList;
class CharacterList;
class LogView;
class InputBox;

// The program's one top-level window: scene list, log, character list,
// input line, the speaking-name and scene labels, and the menu, whose items
// open the dialogs or call the controller, asking first where an action
// cannot be undone. The controller builds it from "wnd_main", sets its title
// and owns it. Closing it only asks whether to quit.
class MainWindow: public Gtk::Window
{
public:
    MainWindow(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

    // Marks that text arrived; ignored while the window has the focus. While
    // set, the window carries the window manager's urgency hint; gaining the
    // focus clears both.
    void set_flash(bool f);
    bool get_flash() const { return flash; }

    // Menu actions, each connected to its menu item.
    void connect();
    void disconnect();
    void colors();
    void quit();
    void start_session();
    void end_session();
    void add_scene();
    void npc_manager();
    void help();
    void about();

protected:
    // Asks "Really quit?" instead of letting the window manager close us.
    bool on_delete_event(GdkEventAny* event) override;

private:
    // Asks a Yes/No question in a modal box without a parent; true for Yes.
    static bool confirm(const Glib::ustring& question);
    bool focus_in_event(GdkEventFocus* event);
    void scene_activated();
    void active_name_changed();
    void connect_item(
        const Glib::RefPtr<Gnome::Glade::Xml>& xml, const char* name, void (MainWindow::*handler)());

    Parlane& parlane;
    // Child widgets, owned by their containers.
    SceneList* lst_scenes;
    CharacterList* lst_characters;
    LogView* txt_log;
    Gtk::Label* lbl_name;
    Gtk::Label* lbl_scene;
    InputBox* ent_text;
    bool flash;
};

#endif
