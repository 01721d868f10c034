#include "client/mainwindow.h"

#include "client/addscenedialog.h"
#include "client/characterlist.h"
#include "client/colordialog.h"
#include "client/connectdialog.h"
#include "client/inputbox.h"
#include "client/logview.h"
#include "client/npcdialog.h"
#include "client/parlane.h"
#include "client/scenelist.h"
#include "client/startsessiondialog.h"
#include "client/uifile.h"
#include "client/utf8.h"

#include <gtkmm/menuitem.h>
#include <gtkmm/messagedialog.h>

MainWindow::MainWindow(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::Window(obj), parlane(Parlane::instance()), lst_scenes(nullptr), lst_characters(nullptr),
    txt_log(nullptr), lbl_name(nullptr), lbl_scene(nullptr), ent_text(nullptr), flash(false)
{
    fetch_derived(xml, "lst_scenes", lst_scenes);
    fetch_derived(xml, "lst_characters", lst_characters);
    fetch_derived(xml, "txt_log", txt_log);
    fetch_widget(xml, "lbl_name", lbl_name);
    fetch_widget(xml, "lbl_scene", lbl_scene);
    fetch_derived(xml, "ent_text", ent_text);

    connect_item(xml, "mni_quit", &MainWindow::quit);
    connect_item(xml, "mni_connect", &MainWindow::connect);
    connect_item(xml, "mni_disconnect", &MainWindow::disconnect);
    connect_item(xml, "mni_colors", &MainWindow::colors);
    connect_item(xml, "mni_begin_session", &MainWindow::start_session);
    connect_item(xml, "mni_end_session", &MainWindow::end_session);
    connect_item(xml, "mni_add_scene", &MainWindow::add_scene);
    connect_item(xml, "mni_npcs", &MainWindow::npc_manager);
    connect_item(xml, "mni_help", &MainWindow::help);
    connect_item(xml, "mni_about", &MainWindow::about);

    ent_text->grab_focus();
    signal_focus_in_event().connect(sigc::mem_fun(*this, &MainWindow::focus_in_event), true);
    parlane.signal_scene_activated.connect(sigc::mem_fun(*this, &MainWindow::scene_activated));
    parlane.signal_active_name_changed.connect(sigc::mem_fun(*this, &MainWindow::active_name_changed));
}

void MainWindow::connect_item(
    const Glib::RefPtr<Gnome::Glade::Xml>& xml, const char* name, void (MainWindow::*handler)())
{
    Gtk::MenuItem* item = nullptr;
    fetch_widget(xml, name, item);
    item->signal_activate().connect(sigc::mem_fun(*this, handler), true);
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
    ConnectDialog& dialog = *parlane.get_dlg_connect();
    int response = dialog.run();
    dialog.hide();
    if (response != Gtk::RESPONSE_OK)
        return;
    std::string address = dialog.get_address();
    std::string name = dialog.get_name();
    lbl_name->set_text(display_text(name));
    parlane.connect(address, name);
}

void MainWindow::disconnect()
{
    if (confirm("Really disconnect?"))
        parlane.disconnect();
}

void MainWindow::colors()
{
    ColorDialog& dialog = *parlane.get_dlg_colors();
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
    StartSessionDialog& dialog = *parlane.get_dlg_start_session();
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
    AddSceneDialog& dialog = *parlane.get_dlg_add_scene();
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
    parlane.get_dlg_npcs()->present();
}

void MainWindow::help()
{
    parlane.get_dlg_help()->present();
}

void MainWindow::about()
{
    Gtk::Dialog& dialog = *parlane.get_dlg_about();
    dialog.run();
    dialog.hide();
}

void MainWindow::scene_activated()
{
    Scene* scene = parlane.get_active_scene();
    lbl_scene->set_text(scene ? display_text(scene->get_name()) : Glib::ustring());
}

void MainWindow::active_name_changed()
{
    lbl_name->set_text(display_text(parlane.get_active_name()));
}
