#ifndef PARLANE_CLIENT_UI_MESSAGEBOX_H
#define PARLANE_CLIENT_UI_MESSAGEBOX_H

#include <gtkmm/enums.h>
#include <gtkmm/messagedialog.h>

#include <string>

// Shows a modal box without a parent window, with plain text and an OK
// button, and returns when it is closed. The text may come from the network:
// bytes that are not UTF-8 are shown as U+FFFD.
void message_box(const std::string& text, Gtk::MessageType type);

#endif
