#ifndef PARLANE_CLIENT_UI_MAINWINDOW_H
#define PARLANE_CLIENT_UI_MAINWINDOW_H

#include <gtkmm/label.h>
#include <gtkmm/window.h>
#include <libglademm/xml.h>

#include <string>

class Parlane;
class SceneList;
class CharacterList;
class LogView;
class InputBox;
class ConnectDialog;
class StartSessionDialog;
class AddSceneDialog;
class NpcDialog;
class BiographyDialog;
class ColorDialog;
class Notifier;
class TranscriptsWindow;
class FindBar;
namespace Gtk
{
class Dialog;
class MenuItem;
class MessageDialog;
} // namespace Gtk

// The program's one top-level window: scene list, log, character list,
// input line, the speaking-name and scene labels, and the menu, whose items
// open the dialogs or call the controller, asking first where an action
// cannot be undone. It owns the dialogs, which come from the same UI
// description, and shows the boxes the controller's signals ask for: errors,
// notices, biographies and the wait for a connection. Closing it only asks
// whether to quit.
class MainWindow: public Gtk::Window
{
public:
    // Loads the UI description file and builds the window and its dialogs
    // from it. A file that cannot be read or lacks a widget is shown in an
    // error box and thrown as Kel::Exception.
    static MainWindow* load(const std::string& ui_file);

    MainWindow(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

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
    void find();
    void help();
    void about();

    ConnectDialog* get_dlg_connect() const { return dlg_connect; }
    StartSessionDialog* get_dlg_start_session() const { return dlg_start_session; }
    AddSceneDialog* get_dlg_add_scene() const { return dlg_add_scene; }
    NpcDialog* get_dlg_npcs() const { return dlg_npcs; }
    BiographyDialog* get_dlg_biography() const { return dlg_biography; }
    ColorDialog* get_dlg_colors() const { return dlg_colors; }
    Gtk::Dialog* get_dlg_about() const { return dlg_about; }
    Gtk::Dialog* get_dlg_help() const { return dlg_help; }

protected:
    // Asks "Really quit?" instead of letting the window manager close us.
    bool on_delete_event(GdkEventAny* event) override;

private:
    // Asks a Yes/No question in a modal box without a parent; true for Yes.
    static bool confirm(const Glib::ustring& question);
    void fetch_dialogs(const Glib::RefPtr<Gnome::Glade::Xml>& xml);
    void delete_dialogs();
    bool focus_in_event(GdkEventFocus* event);
    void scene_activated();
    void active_name_changed();
    void game_changed();
    void show_error(const std::string& text);
    void show_notice(const std::string& text);
    void show_biography(const std::string& name, const std::string& text);
    void edit_biography(const std::string& name);
    void connecting(bool waiting);
    void login_refused(const std::string& text);
    void status_note(const std::string& text);
    // Runs the Connect dialog and connects as it says.
    void ask_connect(bool select_name);
    Gtk::MenuItem* connect_item(
        const Glib::RefPtr<Gnome::Glade::Xml>& xml, const char* name, void (MainWindow::*handler)());

    Parlane& parlane;
    // Child widgets, owned by their containers.
    SceneList* lst_scenes;
    CharacterList* lst_characters;
    LogView* txt_log;
    Gtk::Label* lbl_name;
    Gtk::Label* lbl_scene;
    InputBox* ent_text;
    FindBar* bar_find;
    // Dialogs, owned.
    ConnectDialog* dlg_connect;
    StartSessionDialog* dlg_start_session;
    AddSceneDialog* dlg_add_scene;
    NpcDialog* dlg_npcs;
    BiographyDialog* dlg_biography;
    ColorDialog* dlg_colors;
    Gtk::Dialog* dlg_about;
    Gtk::Dialog* dlg_help;
    // The "Connecting, please wait..." box while connect waits; owned.
    Gtk::MessageDialog* connect_wait;
    Notifier* notifier; // owned
    TranscriptsWindow* wnd_transcripts; // owned
    Gtk::MenuItem* mni_begin_session;
    Gtk::MenuItem* mni_end_session;
    bool flash;
};

#endif
