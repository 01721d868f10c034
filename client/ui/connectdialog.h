#ifndef PARLANE_CLIENT_UI_CONNECTDIALOG_H
#define PARLANE_CLIENT_UI_CONNECTDIALOG_H

#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <libglademm/xml.h>

#include <string>

class Parlane;

// Asks for the server address and the login name, offering the ones used
// last. OK with an address or name that cannot work says why in a box and
// keeps the dialog open. Confirming stores both in the configuration,
// whether or not the connection then succeeds; the main window does the
// connecting.
class ConnectDialog: public Gtk::Dialog
{
public:
    ConnectDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

    // Fills the entries from the configuration and runs the dialog modally;
    // with select_name, the name is selected for typing over.
    int run(bool select_name = false);

    // Why the address or the name cannot be used, in words for the user;
    // empty when both may be tried.
    static std::string check(const std::string& address, const std::string& name);

    std::string get_address() const;
    std::string get_name() const;

private:
    Parlane& parlane;
    Gtk::Entry* ent_address;
    Gtk::Entry* ent_name;
};

#endif
