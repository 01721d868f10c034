#ifndef PARLANE_CLIENT_UI_LOGTAGS_H
#define PARLANE_CLIENT_UI_LOGTAGS_H

#include "client/session/markup.h"

#include <gtkmm/textbuffer.h>

#include <string>

class Config;

// The text tags of a scene log drawn in a text buffer: the stamp, the body
// colour of each kind of line, names, speech and emphasis, made in the order
// that gives speech priority over names and names over the body colour, as
// in the log view, and coloured from the settings.
class LogTags
{
public:
    explicit LogTags(const Glib::RefPtr<Gtk::TextBuffer>& buffer);

    void set_colors(const Config& config);

    // "timestamp", "text", "gm", "ooc" or "event": the body colours.
    const Glib::RefPtr<Gtk::TextTag>& body(const std::string& role) const;
    const Glib::RefPtr<Gtk::TextTag>& style(Markup::Style style) const;
    const Glib::RefPtr<Gtk::TextTag>& get_line() const { return line; }
    const Glib::RefPtr<Gtk::TextTag>& get_timestamp() const { return timestamp; }
    const Glib::RefPtr<Gtk::TextTag>& get_text() const { return text; }
    const Glib::RefPtr<Gtk::TextTag>& get_gm() const { return gm; }
    const Glib::RefPtr<Gtk::TextTag>& get_ooc() const { return ooc; }
    const Glib::RefPtr<Gtk::TextTag>& get_event() const { return event; }
    const Glib::RefPtr<Gtk::TextTag>& get_heading() const { return heading; }

private:
    Glib::RefPtr<Gtk::TextTag> line;
    Glib::RefPtr<Gtk::TextTag> heading;
    Glib::RefPtr<Gtk::TextTag> timestamp;
    Glib::RefPtr<Gtk::TextTag> text;
    Glib::RefPtr<Gtk::TextTag> gm;
    Glib::RefPtr<Gtk::TextTag> ooc;
    Glib::RefPtr<Gtk::TextTag> name;
    Glib::RefPtr<Gtk::TextTag> other_name;
    Glib::RefPtr<Gtk::TextTag> event;
    Glib::RefPtr<Gtk::TextTag> speech;
    Glib::RefPtr<Gtk::TextTag> bold;
    Glib::RefPtr<Gtk::TextTag> underline;
    Glib::RefPtr<Gtk::TextTag> italic;
};

#endif
