#ifndef PARLANE_CLIENT_UI_COLORDIALOG_H
#define PARLANE_CLIENT_UI_COLORDIALOG_H

#include <gtkmm/checkbutton.h>
#include <gtkmm/colorbutton.h>
#include <gtkmm/dialog.h>
#include <libglademm/xml.h>

#include <map>
#include <string>

class Parlane;

// Edits the log's colours and the background choice. The buttons show the
// configuration as last announced; Apply and OK store them and announce the
// change, Cancel leaves the configuration alone (its choices stay on the
// buttons until the next announcement).
class ColorDialog: public Gtk::Dialog
{
public:
    ColorDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

protected:
    // Every response but Cancel applies the buttons' colours.
    void on_response(int id) override;

private:
    void set_colors();
    void apply();

    Parlane& parlane;
    std::map<std::string, Gtk::ColorButton*> color_btns; // colour role -> its button
    Gtk::CheckButton* chk_default_bg;
};

#endif
