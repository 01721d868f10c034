#ifndef PARLANE_CLIENT_UI_FINDBAR_H
#define PARLANE_CLIENT_UI_FINDBAR_H

#include <gtkmm/box.h>
#include <libglademm/xml.h>

class LogView;
namespace Gtk
{
class Entry;
class Label;
} // namespace Gtk

// The bar below the log that finds a text in the active scene: what is typed
// is marked in the log at once, the bar counts the matches ("3 of 17"),
// Enter and Shift+Enter step to the next and previous one, and Escape or the
// close button hide the bar, take the marks away and give the keys back to
// the input line. Hidden until open().
class FindBar: public Gtk::HBox
{
public:
    FindBar(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

    // Shows the bar with the keys in its field, marking the text left there.
    void open();
    void close();

private:
    void on_text_changed();
    bool on_field_key(GdkEventKey* key);
    void on_found();

    LogView* log; // not owned; both widgets are in the same window
    Gtk::Entry* field;
    Gtk::Label* count;
    Gtk::Entry* input; // the input line, not owned
};

#endif
