#ifndef PARLANE_CLIENT_UI_ADDSCENEDIALOG_H
#define PARLANE_CLIENT_UI_ADDSCENEDIALOG_H

#include <gtkmm/checkbutton.h>
#include <gtkmm/comboboxentry.h>
#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <gtkmm/liststore.h>
#include <libglademm/xml.h>

#include <string>

class Parlane;

// Asks the game master for a new scene's name, group and permanence. The
// group can be picked from the groups of the known scenes or typed anew.
class AddSceneDialog: public Gtk::Dialog
{
public:
    struct Columns: public Gtk::TreeModelColumnRecord
    {
        Columns() { add(group); }
        Gtk::TreeModelColumn<Glib::ustring> group;
    };

    AddSceneDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

    // Offers no group and then each group of the known scenes once, in the
    // controller's scene order; empties the fields; runs modally.
    int run();

    std::string get_name() const;
    std::string get_group() const;
    // New scenes are temporary unless "permanent" is ticked.
    bool get_temporary() const;

private:
    Parlane& parlane;
    Gtk::Entry* ent_name;
    Gtk::CheckButton* chk_permanent;
    Gtk::ComboBoxEntry* cmb_group;
    Columns columns;
    Glib::RefPtr<Gtk::ListStore> groups;
};

#endif
