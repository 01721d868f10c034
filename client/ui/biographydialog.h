#ifndef PARLANE_CLIENT_UI_BIOGRAPHYDIALOG_H
#define PARLANE_CLIENT_UI_BIOGRAPHYDIALOG_H

#include <gtkmm/dialog.h>
#include <gtkmm/label.h>
#include <gtkmm/textview.h>
#include <libglademm/xml.h>

#include <string>

class Parlane;

// Shows one character's biography, fetched from the server, for editing.
// Saving sends it back; the controller refuses characters the user may not
// edit.
class BiographyDialog: public Gtk::Dialog
{
public:
    BiographyDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

    // Shows a placeholder for name and asks the server for its biography.
    void set_character(const std::string& name);
    const std::string& get_character() const { return char_name; }

protected:
    // OK sends the text; every response hides the dialog.
    void on_response(int id) override;

private:
    // Only the biography of the character shown replaces the text.
    void biography_received(const std::string& name, const std::string& text);

    Parlane& parlane;
    Gtk::Label* lbl_bio_title;
    Gtk::TextView* txt_biography;
    std::string char_name;
};

#endif
