#ifndef PARLANE_CLIENT_UI_CONNECTDIALOG_H
#define PARLANE_CLIENT_UI_CONNECTDIALOG_H

#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <libglademm/xml.h>

#include <string>

class Parlane;

// Asks for the server address and the login name, offering the ones used
// last. Confirming stores both in the configuration, whether or not the
// connection then succeeds; the main window does the connecting.
class ConnectDialog: public Gtk::Dialog
{
public:
    ConnectDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

    // Fills the entries from the configuration and runs the dialog modally.
    int run();

    std::string get_address() const;
    std::string get_name() const;

protected:
    void on_response(int id) override;

private:
    Parlane& parlane;
    Gtk::Entry* ent_address;
    Gtk::Entry* ent_name;
};

#endif
