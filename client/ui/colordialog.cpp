#include "client/ui/colordialog.h"

#include "client/parlane.h"
#include "client/ui/uifile.h"
#include "libs/strings/source/formatter.h"

ColorDialog::ColorDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::Dialog(obj), parlane(Parlane::instance()), chk_default_bg(nullptr)
{
    static const char* const roles[]
        = { "text", "name", "other_name", "speech", "gm", "ooc", "event", "timestamp", "background", "mention" };
    for (const char* role : roles)
        fetch_widget(xml, std::string("cbt_") + role, color_btns[role]);
    fetch_widget(xml, "chk_default_bg", chk_default_bg);
    parlane.signal_config_changed.connect(sigc::mem_fun(*this, &ColorDialog::set_colors));
    set_colors();
}

void ColorDialog::on_response(int id)
{
    if (id != Gtk::RESPONSE_CANCEL)
        apply();
}

void ColorDialog::set_colors()
{
    const Config& config = parlane.get_config();
    for (const auto& entry : color_btns)
    {
        Gdk::Color color;
        // A colour the toolkit cannot parse (the file is not validated)
        // leaves the button as it was.
        if (color.set(config.get_color(entry.first)))
            entry.second->set_color(color);
    }
    chk_default_bg->set_active(config.get_default_bg());
}

void ColorDialog::apply()
{
    Config& config = parlane.get_config();
    for (const auto& entry : color_btns)
    {
        Gdk::Color color = entry.second->get_color();
        config.set_color(entry.first,
            Kel::format(
                "#%02X%02X%02X", color.get_red() >> 8, color.get_green() >> 8, color.get_blue() >> 8));
    }
    config.set_default_bg(chk_default_bg->get_active());
    parlane.signal_config_changed.emit();
}
