#ifndef PARLANE_CLIENT_UI_BACKGROUNDSTYLE_H
#define PARLANE_CLIENT_UI_BACKGROUNDSTYLE_H

#include <gtkmm/rc.h>

class Config;

// The style that gives a text widget (log, entry, lists) the configured
// background: the "background" colour as base colour, or, when the theme's
// background is kept or the colour does not parse, an empty style, which
// applied with modify_style() removes an earlier override.
Glib::RefPtr<Gtk::RcStyle> background_style(const Config& config);

#endif
