#include "client/ui/characterlist.h"

#include "client/parlane.h"
#include "client/session/places.h"
#include "client/ui/backgroundstyle.h"
#include "client/ui/uifile.h"
#include "client/ui/utf8.h"
#include "common/names.h"
#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/utils.h"

#include <gtkmm/menuitem.h>

#include <algorithm>
#include <vector>

namespace
{

Glib::RefPtr<Gdk::Pixbuf> load_icon(const std::string& file)
{
    try
    {
        return Gdk::Pixbuf::create_from_file(file);
    }
    catch (const Glib::Error& e)
    {
        throw Kel::Exception(Kel::format("Cannot load the icon %s: %s", file, e.what()));
    }
}

} // namespace

CharacterList::CharacterList(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::TreeView(obj), parlane(Parlane::instance()), mnu_char_popup(nullptr)
{
    const Places& places = Places::current();
    img_online = load_icon(places.get_data_file("online.png"));
    img_offline = load_icon(places.get_data_file("offline.png"));
    img_writing = load_icon(places.get_data_file("writing.png"));
    img_afk = load_icon(places.get_data_file("afk.png"));

    store = Gtk::ListStore::create(columns);
    set_model(store);
    append_column("Name", columns.name);
    get_column(0)->set_expand(true);
    append_column("", columns.online);
    append_column("", columns.writing);

    fetch_widget(xml, "mnu_char_popup", mnu_char_popup);
    Gtk::MenuItem* item = nullptr;
    fetch_widget(xml, "mni_query", item)
        ->signal_activate()
        .connect(sigc::mem_fun(*this, &CharacterList::query));
    fetch_widget(xml, "mni_biography", item)
        ->signal_activate()
        .connect(sigc::mem_fun(*this, &CharacterList::biography));

    parlane.signal_scene_activated.connect(sigc::mem_fun(*this, &CharacterList::rebuild_list));
    parlane.signal_present_characters_changed.connect(sigc::mem_fun(*this, &CharacterList::rebuild_list));
    parlane.signal_character_status_changed.connect(sigc::mem_fun(*this, &CharacterList::update_status));
    parlane.signal_data_cleared.connect(sigc::mem_fun(*this, &CharacterList::data_cleared));
    parlane.signal_config_changed.connect(sigc::mem_fun(*this, &CharacterList::config_changed));
    rebuild_list();
}

bool CharacterList::character_compare(const Character* a, const Character* b)
{
    if (a->get_name() == Names::GAME_MASTER)
        return b->get_name() != Names::GAME_MASTER;
    if (b->get_name() == Names::GAME_MASTER)
        return false;
    if (a->get_npc() == b->get_npc())
        return Kel::strcasecmp(a->get_name(), b->get_name()) < 0;
    return !a->get_npc();
}

void CharacterList::rebuild_list()
{
    store->clear();
    Scene* active = parlane.get_active_scene();
    if (!active)
        return;
    std::vector<Character*> present(active->get_characters().begin(), active->get_characters().end());
    std::stable_sort(present.begin(), present.end(), &CharacterList::character_compare);
    for (Character* chr : present)
    {
        Gtk::TreeModel::Row row = *store->append();
        row[columns.name] = display_name(chr->get_name());
        row[columns.character] = chr;
    }
    update_status();
}

void CharacterList::update_status()
{
    Scene* active = parlane.get_active_scene();
    for (const Gtk::TreeModel::Row& row : store->children())
    {
        const Character* chr = row[columns.character];
        if (!chr->get_npc())
            row[columns.online] = chr->get_online() ? img_online : img_offline;
        if (active && chr->get_writing() == active->get_name())
            row[columns.writing] = img_writing;
        else if (!chr->get_afk().empty())
            row[columns.writing] = img_afk;
        else
            row[columns.writing] = Glib::RefPtr<Gdk::Pixbuf>();
    }
}

void CharacterList::data_cleared()
{
    store->clear();
}

bool CharacterList::on_button_press_event(GdkEventButton* event)
{
    if (event->type != GDK_BUTTON_PRESS)
        return true;
    Gtk::TreeModel::Path path;
    if (!get_path_at_pos(static_cast<int>(event->x), static_cast<int>(event->y), path))
        return true;
    Gtk::TreeModel::iterator row = store->get_iter(path);
    get_selection()->select(row);
    const Character* chr = (*row)[columns.character];
    if (event->button == 1)
        parlane.set_active_name(chr->get_name());
    else if (event->button == 3)
    {
        selected_name = chr->get_name();
        mnu_char_popup->popup(event->button, event->time);
    }
    return true;
}

void CharacterList::query()
{
    parlane.query_character(selected_name);
}

void CharacterList::biography()
{
    parlane.show_character_biography(selected_name);
}

void CharacterList::config_changed()
{
    modify_style(background_style(parlane.get_config()));
}
