#include "client/ui/mainwindow.h"

#include "client/parlane.h"
#include "client/ui/addscenedialog.h"
#include "client/ui/biographydialog.h"
#include "client/ui/characterlist.h"
#include "client/ui/colordialog.h"
#include "client/ui/connectdialog.h"
#include "client/ui/findbar.h"
#include "client/ui/inputbox.h"
#include "client/ui/logview.h"
#include "client/ui/messagebox.h"
#include "client/ui/notifier.h"
#include "client/ui/npcdialog.h"
#include "client/ui/scenelist.h"
#include "client/ui/startsessiondialog.h"
#include "client/ui/transcriptswindow.h"
#include "client/ui/uifile.h"
#include "client/ui/utf8.h"
#include "libs/core/source/core/except.h"
#include "libs/io/source/file.h"
#include "libs/strings/source/formatter.h"

#include <gtkmm/dialog.h>
#include <gtkmm/menuitem.h>
#include <gtkmm/messagedialog.h>

MainWindow* MainWindow::load(const std::string& ui_file)
{
    std::string reason;
    try
    {
        // Opened first only to name the reason if it cannot be read: the
        // loader's own error does not say.
        Kel::IO::File probe(ui_file, Kel::IO::M_READ, Kel::IO::File::C_NONE);
        Glib::RefPtr<Gnome::Glade::Xml> xml = Gnome::Glade::Xml::create(ui_file, "", "");
        MainWindow* window = nullptr;
        return fetch_derived(xml, "wnd_main", window);
    }
    catch (const Kel::Exception& e)
    {
        reason = e.what();
    }
    catch (const Gnome::Glade::XmlError& e)
    {
        reason = e.what();
        if (reason.empty())
            reason = "not a valid user interface description";
    }
    std::string text = Kel::format("Cannot load the user interface from \"%s\": %s", ui_file, reason);
    message_box(text, Gtk::MESSAGE_ERROR);
    throw Kel::Exception(text);
}

MainWindow::MainWindow(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::Window(obj), parlane(Parlane::instance()), lst_scenes(nullptr), lst_characters(nullptr),
    txt_log(nullptr), lbl_name(nullptr), lbl_scene(nullptr), ent_text(nullptr), bar_find(nullptr), dlg_connect(nullptr),
    dlg_start_session(nullptr), dlg_add_scene(nullptr), dlg_npcs(nullptr), dlg_biography(nullptr),
    dlg_colors(nullptr), dlg_about(nullptr), dlg_help(nullptr), connect_wait(nullptr), notifier(nullptr), wnd_transcripts(nullptr), mni_begin_session(nullptr), mni_end_session(nullptr), flash(false)
{
    fetch_derived(xml, "lst_scenes", lst_scenes);
    fetch_derived(xml, "lst_characters", lst_characters);
    fetch_derived(xml, "txt_log", txt_log);
    fetch_widget(xml, "lbl_name", lbl_name);
    fetch_widget(xml, "lbl_scene", lbl_scene);
    fetch_derived(xml, "ent_text", ent_text);
    fetch_derived(xml, "box_find", bar_find);
    fetch_dialogs(xml);
    notifier = new Notifier(*this);

    connect_item(xml, "mni_quit", &MainWindow::quit);
    connect_item(xml, "mni_connect", &MainWindow::connect);
    connect_item(xml, "mni_disconnect", &MainWindow::disconnect);
    connect_item(xml, "mni_colors", &MainWindow::colors);
    mni_begin_session = connect_item(xml, "mni_begin_session", &MainWindow::start_session);
    mni_end_session = connect_item(xml, "mni_end_session", &MainWindow::end_session);
    connect_item(xml, "mni_add_scene", &MainWindow::add_scene);
    connect_item(xml, "mni_npcs", &MainWindow::npc_manager);
    connect_item(xml, "mni_find", &MainWindow::find);
    connect_item(xml, "mni_help", &MainWindow::help);
    connect_item(xml, "mni_about", &MainWindow::about);
    fetch_derived(xml, "wnd_transcripts", wnd_transcripts);
    Gtk::MenuItem* mni_transcripts = nullptr;
    fetch_widget(xml, "mni_transcripts", mni_transcripts);
    mni_transcripts->signal_activate().connect(sigc::mem_fun(*wnd_transcripts, &TranscriptsWindow::open));

    ent_text->grab_focus();
    signal_focus_in_event().connect(sigc::mem_fun(*this, &MainWindow::focus_in_event), true);
    parlane.signal_scene_activated.connect(sigc::mem_fun(*this, &MainWindow::scene_activated));
    parlane.signal_active_name_changed.connect(sigc::mem_fun(*this, &MainWindow::active_name_changed));
    parlane.signal_game_changed.connect(sigc::mem_fun(*this, &MainWindow::game_changed));
    parlane.signal_attention.connect(sigc::bind(sigc::mem_fun(*this, &MainWindow::set_flash), true));
    parlane.signal_error.connect(sigc::mem_fun(*this, &MainWindow::show_error));
    parlane.signal_notice.connect(sigc::mem_fun(*this, &MainWindow::show_notice));
    parlane.signal_show_biography.connect(sigc::mem_fun(*this, &MainWindow::show_biography));
    parlane.signal_edit_biography.connect(sigc::mem_fun(*this, &MainWindow::edit_biography));
    parlane.signal_connecting.connect(sigc::mem_fun(*this, &MainWindow::connecting));
    parlane.signal_login_refused.connect(sigc::mem_fun(*this, &MainWindow::login_refused));
    parlane.signal_status_note.connect(sigc::mem_fun(*this, &MainWindow::status_note));
    parlane.signal_connect_wanted.connect(sigc::mem_fun(*this, &MainWindow::connect));
    game_changed();
}

MainWindow::~MainWindow()
{
    delete wnd_transcripts;
    delete notifier;
    delete connect_wait;
    delete_dialogs();
}

void MainWindow::fetch_dialogs(const Glib::RefPtr<Gnome::Glade::Xml>& xml)
{
    try
    {
        fetch_derived(xml, "dlg_connect", dlg_connect);
        fetch_derived(xml, "dlg_start_session", dlg_start_session);
        fetch_derived(xml, "dlg_add_scene", dlg_add_scene);
        fetch_derived(xml, "dlg_npcs", dlg_npcs);
        fetch_derived(xml, "dlg_edit_biography", dlg_biography);
        fetch_derived(xml, "dlg_colors", dlg_colors);
        fetch_widget(xml, "dlg_about", dlg_about);
        fetch_widget(xml, "dlg_help", dlg_help);
    }
    catch (...)
    {
        delete_dialogs();
        throw;
    }
    dlg_npcs->set_biography_dialog(*dlg_biography);
    dlg_help->signal_response().connect(sigc::hide(sigc::mem_fun(*dlg_help, &Gtk::Widget::hide)));
}

void MainWindow::delete_dialogs()
{
    delete dlg_help;
    dlg_help = nullptr;
    delete dlg_about;
    dlg_about = nullptr;
    delete dlg_colors;
    dlg_colors = nullptr;
    delete dlg_biography;
    dlg_biography = nullptr;
    delete dlg_npcs;
    dlg_npcs = nullptr;
    delete dlg_add_scene;
    dlg_add_scene = nullptr;
    delete dlg_start_session;
    dlg_start_session = nullptr;
    delete dlg_connect;
    dlg_connect = nullptr;
}

Gtk::MenuItem* MainWindow::connect_item(
    const Glib::RefPtr<Gnome::Glade::Xml>& xml, const char* name, void (MainWindow::*handler)())
{
    Gtk::MenuItem* item = nullptr;
    fetch_widget(xml, name, item);
    item->signal_activate().connect(sigc::mem_fun(*this, handler), true);
    return item;
}

void MainWindow::set_flash(bool f)
{
    if (f == flash)
        return;
    if (f && property_has_toplevel_focus())
        return;
    flash = f;
    set_urgency_hint(flash);
}

bool MainWindow::focus_in_event(GdkEventFocus*)
{
    set_flash(false);
    return false;
}

bool MainWindow::on_delete_event(GdkEventAny*)
{
    quit();
    return true;
}

bool MainWindow::confirm(const Glib::ustring& question)
{
    Gtk::MessageDialog box(question, false, Gtk::MESSAGE_QUESTION, Gtk::BUTTONS_YES_NO, true);
    return box.run() == Gtk::RESPONSE_YES;
}

void MainWindow::connect()
{
    ask_connect(false);
}

void MainWindow::ask_connect(bool select_name)
{
    ConnectDialog& dialog = *dlg_connect;
    int response = dialog.run(select_name);
    dialog.hide();
    if (response != Gtk::RESPONSE_OK)
        return;
    parlane.connect(dialog.get_address(), dialog.get_name());
}

void MainWindow::login_refused(const std::string& text)
{
    message_box(text, Gtk::MESSAGE_ERROR);
    ask_connect(true);
}

void MainWindow::status_note(const std::string& text)
{
    // Without a scene there is no log to show it in: the scene's label,
    // beside the entry, says it until a scene is shown.
    if (!parlane.get_active_scene())
        lbl_scene->set_text(display_text(text));
}

void MainWindow::disconnect()
{
    if (confirm("Really disconnect?"))
        parlane.disconnect();
}

void MainWindow::colors()
{
    ColorDialog& dialog = *dlg_colors;
    int response;
    do
        response = dialog.run();
    while (response != Gtk::RESPONSE_OK && response != Gtk::RESPONSE_CANCEL);
    dialog.hide();
}

void MainWindow::quit()
{
    if (confirm("Really quit?"))
        parlane.quit();
}

void MainWindow::start_session()
{
    StartSessionDialog& dialog = *dlg_start_session;
    int response = dialog.run();
    dialog.hide();
    if (response == Gtk::RESPONSE_OK)
        parlane.start_session(dialog.get_name());
}

void MainWindow::end_session()
{
    if (confirm("Really end this session?"))
        parlane.end_session();
}

void MainWindow::add_scene()
{
    AddSceneDialog& dialog = *dlg_add_scene;
    int response = dialog.run();
    dialog.hide();
    if (response != Gtk::RESPONSE_OK)
        return;
    std::string name = dialog.get_name();
    std::string group = dialog.get_group();
    parlane.add_scene(name, dialog.get_temporary());
    if (!group.empty())
        parlane.set_scene_group(name, group);
}

void MainWindow::npc_manager()
{
    dlg_npcs->present();
}

void MainWindow::find()
{
    bar_find->open();
}

void MainWindow::help()
{
    dlg_help->present();
}

void MainWindow::about()
{
    Gtk::Dialog& dialog = *dlg_about;
    dialog.run();
    dialog.hide();
}

void MainWindow::scene_activated()
{
    Scene* scene = parlane.get_active_scene();
    lbl_scene->set_text(scene ? display_name(scene->get_name()) : Glib::ustring());
}

void MainWindow::active_name_changed()
{
    lbl_name->set_text(display_name(parlane.get_active_name()));
}

void MainWindow::game_changed()
{
    Glib::ustring title = "Parlane";
    if (!parlane.get_game().empty())
    {
        title += " - " + display_name(parlane.get_game());
        if (!parlane.get_session().empty())
            title += " - " + display_name(parlane.get_session());
    }
    if (parlane.get_reconnecting())
        title += " (reconnecting)";
    set_title(title);
    // A session is begun once and ended once.
    mni_begin_session->set_sensitive(parlane.get_session().empty());
    mni_end_session->set_sensitive(!parlane.get_session().empty());
}

void MainWindow::show_error(const std::string& text)
{
    message_box(text, Gtk::MESSAGE_ERROR);
}

void MainWindow::show_notice(const std::string& text)
{
    message_box(text, Gtk::MESSAGE_INFO);
}

void MainWindow::show_biography(const std::string& name, const std::string& text)
{
    message_box(Kel::format("Biography for %s:\n%s", name, text), Gtk::MESSAGE_INFO);
}

void MainWindow::edit_biography(const std::string& name)
{
    dlg_biography->set_character(name);
    dlg_biography->show();
}

void MainWindow::connecting(bool waiting)
{
    if (!waiting)
    {
        delete connect_wait;
        connect_wait = nullptr;
        return;
    }
    if (connect_wait)
        return;
    connect_wait = new Gtk::MessageDialog(
        "Connecting, please wait...", false, Gtk::MESSAGE_INFO, Gtk::BUTTONS_CANCEL, true);
    connect_wait->signal_response().connect(sigc::hide(sigc::mem_fun(parlane, &Parlane::cancel_connection)));
    connect_wait->show();
}
