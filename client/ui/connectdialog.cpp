#include "client/ui/connectdialog.h"

#include "client/parlane.h"
#include "client/ui/uifile.h"
#include "client/ui/utf8.h"

ConnectDialog::ConnectDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::Dialog(obj), parlane(Parlane::instance()), ent_address(nullptr), ent_name(nullptr)
{
    fetch_widget(xml, "ent_connect_address", ent_address);
    fetch_widget(xml, "ent_connect_name", ent_name);
}

int ConnectDialog::run()
{
    const Config& config = parlane.get_config();
    // The file may hold anything; the entries take only UTF-8.
    ent_address->set_text(display_text(config.get_connect_host()));
    ent_name->set_text(display_text(config.get_connect_name()));
    ent_name->grab_focus();
    return Gtk::Dialog::run();
}

std::string ConnectDialog::get_address() const
{
    return ent_address->get_text();
}

std::string ConnectDialog::get_name() const
{
    return ent_name->get_text();
}

void ConnectDialog::on_response(int id)
{
    if (id == Gtk::RESPONSE_OK)
    {
        Config& config = parlane.get_config();
        config.set_connect_host(get_address());
        config.set_connect_name(get_name());
    }
}
