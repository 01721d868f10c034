#include "client/ui/connectdialog.h"

#include "client/parlane.h"
#include "client/ui/messagebox.h"
#include "client/ui/uifile.h"
#include "client/ui/utf8.h"
#include "common/chattext.h"
#include "libs/strings/source/formatter.h"

#include <cctype>

ConnectDialog::ConnectDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::Dialog(obj), parlane(Parlane::instance()), ent_address(nullptr), ent_name(nullptr)
{
    fetch_widget(xml, "ent_connect_address", ent_address);
    fetch_widget(xml, "ent_connect_name", ent_name);
}

int ConnectDialog::run(bool select_name)
{
    const Config& config = parlane.get_config();
    // The file may hold anything; the entries take only UTF-8.
    ent_address->set_text(display_text(config.get_connect_host()));
    ent_name->set_text(display_text(config.get_connect_name()));
    ent_name->grab_focus();
    if (select_name)
        ent_name->select_region(0, -1);
    for (;;)
    {
        int response = Gtk::Dialog::run();
        if (response != Gtk::RESPONSE_OK)
            return response;
        std::string fault = check(get_address(), get_name());
        if (fault.empty())
        {
            Config& conf = parlane.get_config();
            conf.set_connect_host(get_address());
            conf.set_connect_name(get_name());
            return response;
        }
        message_box(fault, Gtk::MESSAGE_ERROR);
    }
}

std::string ConnectDialog::check(const std::string& address, const std::string& name)
{
    if (address.empty())
        return "Please enter the address of the server, such as localhost or localhost:7254.";
    std::string::size_type colon = address.rfind(':');
    if (colon != std::string::npos)
    {
        std::string port = address.substr(colon + 1);
        bool digits = !port.empty() && port.size() <= 5;
        for (char c : port)
            digits = digits && std::isdigit(static_cast<unsigned char>(c));
        if (!digits || std::stoi(port) < 1 || std::stoi(port) > 65535)
            return Kel::format("The port \"%s\" is not a port number: use a number from 1 to 65535.", port);
        if (colon == 0)
            return "Please enter the server's host name or address before the port.";
    }
    if (name.empty())
        return "Please enter the name you want to play under.";
    std::string reason = ChatText::check_name(name);
    if (reason == ChatText::NAME_TOO_LONG)
        return "That name is too long for the server.";
    if (!reason.empty())
        return "The server cannot accept that name: names may not hold \";\", \"|\" or control characters.";
    return std::string();
}

std::string ConnectDialog::get_address() const
{
    return ent_address->get_text();
}

std::string ConnectDialog::get_name() const
{
    return ent_name->get_text();
}

