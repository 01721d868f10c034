#include "client/ui/npcdialog.h"

#include "client/parlane.h"
#include "client/ui/biographydialog.h"
#include "client/ui/uifile.h"
#include "client/ui/utf8.h"

#include <algorithm>
#include <vector>

NpcDialog::NpcDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::Dialog(obj), parlane(Parlane::instance()), dlg_biography(nullptr), lst_npcs(nullptr), ent_npc_name(nullptr)
{
    fetch_widget(xml, "lst_npcs", lst_npcs);
    fetch_widget(xml, "ent_npc_name", ent_npc_name);
    Gtk::Button* button = nullptr;
    fetch_widget(xml, "btn_add_npc", button)
        ->signal_clicked()
        .connect(sigc::mem_fun(*this, &NpcDialog::add_npc));
    fetch_widget(xml, "btn_remove_npcs", button)
        ->signal_clicked()
        .connect(sigc::mem_fun(*this, &NpcDialog::remove_npcs));
    fetch_widget(xml, "btn_edit_biography", button)
        ->signal_clicked()
        .connect(sigc::mem_fun(*this, &NpcDialog::edit_biography));

    store = Gtk::ListStore::create(columns);
    lst_npcs->set_model(store);
    lst_npcs->append_column("Name", columns.label);
    lst_npcs->get_selection()->set_mode(Gtk::SELECTION_MULTIPLE);

    parlane.signal_characters_changed.connect(sigc::mem_fun(*this, &NpcDialog::characters_changed));
    characters_changed();
}

void NpcDialog::on_response(int)
{
    hide();
}

void NpcDialog::characters_changed()
{
    std::vector<std::string> names;
    for (const Character* chr : parlane.get_characters())
        if (chr->get_npc())
            names.push_back(chr->get_name());
    std::sort(names.begin(), names.end());
    if (names == shown)
        return;

    // A server announces characters one packet at a time: one new name
    // becomes one new row, so that a burst of them costs no rebuild each.
    std::vector<std::string>::size_type first = 0;
    while (first < shown.size() && first < names.size() && names[first] == shown[first])
        ++first;
    if (names.size() == shown.size() + 1
        && std::equal(shown.begin() + first, shown.end(), names.begin() + first + 1))
    {
        shown.swap(names);
        add_row(first);
        return;
    }

    store->clear();
    shown.swap(names);
    for (std::vector<std::string>::size_type i = 0; i < shown.size(); ++i)
        add_row(i);
}

void NpcDialog::add_row(std::vector<std::string>::size_type index)
{
    Gtk::TreeModel::Children rows = store->children();
    Gtk::TreeModel::Row row = index < rows.size() ? *store->insert(rows[index]) : *store->append();
    row[columns.name] = shown[index];
    row[columns.label] = display_name(shown[index]);
}

void NpcDialog::add_npc()
{
    parlane.add_npc(ent_npc_name->get_text());
}

void NpcDialog::remove_npcs()
{
    // Collect first: a reply could rebuild the list while we walk it.
    std::vector<std::string> names;
    for (const Gtk::TreeModel::Path& path : lst_npcs->get_selection()->get_selected_rows())
        names.push_back((*store->get_iter(path))[columns.name]);
    for (const std::string& name : names)
        parlane.remove_character(name);
}

void NpcDialog::edit_biography()
{
    if (!parlane.is_connected())
        return;
    std::vector<Gtk::TreeModel::Path> rows = lst_npcs->get_selection()->get_selected_rows();
    if (rows.empty())
        return;
    std::string name = (*store->get_iter(rows.front()))[columns.name];
    if (!dlg_biography)
        return;
    dlg_biography->set_character(name);
    dlg_biography->present();
}
