#include "client/ui/backgroundstyle.h"

#include "client/session/config.h"

Glib::RefPtr<Gtk::RcStyle> background_style(const Config& config)
{
    Glib::RefPtr<Gtk::RcStyle> style = Gtk::RcStyle::create();
    Gdk::Color color;
    if (!config.get_default_bg() && color.set(config.get_color("background")))
    {
        style->set_base(Gtk::STATE_NORMAL, color);
        style->set_color_flags(Gtk::STATE_NORMAL, Gtk::RC_BASE);
    }
    return style;
}
