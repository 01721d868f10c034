#include "client/ui/startsessiondialog.h"

#include "client/ui/uifile.h"

StartSessionDialog::StartSessionDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::Dialog(obj), ent_name(nullptr)
{
    fetch_widget(xml, "ent_session_name", ent_name);
}

std::string StartSessionDialog::get_name() const
{
    return ent_name->get_text();
}
