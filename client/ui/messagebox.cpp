#include "client/ui/messagebox.h"

#include "client/ui/utf8.h"

#include <gtkmm/label.h>

namespace
{

// Characters of a message that are shown: more than a biography may hold.
const Glib::ustring::size_type SHOWN_LENGTH = 20000;

} // namespace

void message_box(const std::string& text, Gtk::MessageType type)
{
    Glib::ustring shown = display_text(text);
    if (shown.size() > SHOWN_LENGTH)
        shown = shown.substr(0, SHOWN_LENGTH) + "\xE2\x80\xA6";
    Gtk::MessageDialog box(shown, false, type, Gtk::BUTTONS_OK, true);
    // A word longer than the screen is broken between characters, not laid
    // out wider than the X server can draw.
    for (Gtk::Widget* child : box.get_message_area()->get_children())
        if (Gtk::Label* label = dynamic_cast<Gtk::Label*>(child))
            gtk_label_set_line_wrap_mode(label->gobj(), PANGO_WRAP_WORD_CHAR);
    box.run();
}
