#include "client/ui/findbar.h"

#include "client/ui/inputbox.h"
#include "client/ui/logview.h"
#include "client/ui/uifile.h"

#include <gdk/gdkkeysyms.h>
#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>

#include <string>

FindBar::FindBar(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::HBox(obj), log(nullptr), field(nullptr), count(nullptr), input(nullptr)
{
    fetch_derived(xml, "txt_log", log);
    InputBox* input_box = nullptr;
    input = fetch_derived(xml, "ent_text", input_box);
    fetch_widget(xml, "ent_find", field);
    fetch_widget(xml, "lbl_find_count", count);
    Gtk::Button* close_button = nullptr;
    fetch_widget(xml, "btn_find_close", close_button);

    field->signal_changed().connect(sigc::mem_fun(*this, &FindBar::on_text_changed));
    // Before the field's own handler, which takes Enter as "activate" with
    // or without Shift.
    field->signal_key_press_event().connect(sigc::mem_fun(*this, &FindBar::on_field_key), false);
    close_button->signal_clicked().connect(sigc::mem_fun(*this, &FindBar::close));
    log->signal_found.connect(sigc::mem_fun(*this, &FindBar::on_found));
    on_found();
}

void FindBar::open()
{
    bool was_visible = get_visible();
    show();
    field->grab_focus();
    if (!was_visible && !field->get_text().empty())
        log->find(field->get_text());
}

void FindBar::close()
{
    if (!get_visible())
        return;
    hide();
    log->find("");
    input->grab_focus();
}

void FindBar::on_text_changed()
{
    if (get_visible())
        log->find(field->get_text());
}

bool FindBar::on_field_key(GdkEventKey* key)
{
    switch (key->keyval)
    {
    case GDK_Return:
    case GDK_KP_Enter:
        if (key->state & GDK_SHIFT_MASK)
            log->find_previous();
        else
            log->find_next();
        return true;
    case GDK_Escape:
        close();
        return true;
    default:
        return false;
    }
}

void FindBar::on_found()
{
    const Transcript::SceneFinder& finder = log->get_finder();
    std::size_t total = finder.get_matches().size();
    if (finder.get_text().empty())
        count->set_text("");
    else if (total == 0)
        count->set_markup("<span foreground=\"#C00000\">No match in this scene</span>");
    else
        count->set_text(std::to_string(finder.get_current() + 1) + " of " + std::to_string(total));
}
