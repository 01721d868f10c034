#include "client/ui/messagebox.h"

#include "client/ui/utf8.h"

void message_box(const std::string& text, Gtk::MessageType type)
{
    Gtk::MessageDialog box(display_text(text), false, type, Gtk::BUTTONS_OK, true);
    box.run();
}
