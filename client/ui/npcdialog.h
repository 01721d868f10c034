#ifndef PARLANE_CLIENT_UI_NPCDIALOG_H
#define PARLANE_CLIENT_UI_NPCDIALOG_H

#include <gtkmm/button.h>
#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <gtkmm/liststore.h>
#include <gtkmm/treeview.h>
#include <libglademm/xml.h>

#include <string>
#include <vector>

class BiographyDialog;
class Parlane;

// The game master's list of non-player characters: add one by name, remove
// the selected ones, or edit the first selected one's biography. Non-modal;
// the list follows the controller's characters.
class NpcDialog: public Gtk::Dialog
{
public:
    struct Columns: public Gtk::TreeModelColumnRecord
    {
        Columns()
        {
            add(name);
            add(label);
        }
        // The name as the server spells it, for requests.
        Gtk::TreeModelColumn<std::string> name;
        // The same made safe to display.
        Gtk::TreeModelColumn<Glib::ustring> label;
    };

    NpcDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

    // Where the biographies of the listed characters are edited.
    void set_biography_dialog(BiographyDialog& dialog) { dlg_biography = &dialog; }

protected:
    // Any response, Close included, only hides the dialog.
    void on_response(int id) override;

private:
    void characters_changed();
    void add_row(std::vector<std::string>::size_type index);
    void add_npc();
    void remove_npcs();
    void edit_biography();

    Parlane& parlane;
    BiographyDialog* dlg_biography; // not owned; null until set
    Columns columns;
    Gtk::TreeView* lst_npcs;
    Gtk::Entry* ent_npc_name;
    Glib::RefPtr<Gtk::ListStore> store;
    // The names in the rows, in order.
    std::vector<std::string> shown;
};

#endif
