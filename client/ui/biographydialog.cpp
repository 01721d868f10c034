#include "client/ui/biographydialog.h"

#include "client/parlane.h"
#include "client/ui/uifile.h"
#include "client/ui/utf8.h"
#include "libs/strings/source/formatter.h"

BiographyDialog::BiographyDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::Dialog(obj), parlane(Parlane::instance()), lbl_bio_title(nullptr), txt_biography(nullptr)
{
    fetch_widget(xml, "lbl_edit_bio_title", lbl_bio_title);
    fetch_widget(xml, "txt_edit_biography", txt_biography);
    parlane.signal_biography_received.connect(sigc::mem_fun(*this, &BiographyDialog::biography_received));
}

void BiographyDialog::set_character(const std::string& name)
{
    char_name = name;
    lbl_bio_title->set_text("Biography of " + display_name(char_name));
    txt_biography->get_buffer()->set_text("[Retrieving biography]");
    parlane.get_character_biography(char_name);
}

void BiographyDialog::biography_received(const std::string& name, const std::string& text)
{
    if (name == char_name)
        txt_biography->get_buffer()->set_text(display_text(text));
}

void BiographyDialog::on_response(int id)
{
    if (id == Gtk::RESPONSE_OK)
    {
        Glib::RefPtr<Gtk::TextBuffer> buffer = txt_biography->get_buffer();
        parlane.set_character_biography(char_name, buffer->get_text(buffer->begin(), buffer->end(), true));
    }
    hide();
}
