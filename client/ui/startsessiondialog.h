#ifndef PARLANE_CLIENT_UI_STARTSESSIONDIALOG_H
#define PARLANE_CLIENT_UI_STARTSESSIONDIALOG_H

#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <libglademm/xml.h>

#include <string>

// Asks the game master for the name of a new session. The entry keeps its
// text between uses, so the next session's name can be edited from the last.
class StartSessionDialog: public Gtk::Dialog
{
public:
    StartSessionDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

    std::string get_name() const;

private:
    Gtk::Entry* ent_name;
};

#endif
