#include "client/ui/addscenedialog.h"

#include "client/parlane.h"
#include "client/ui/uifile.h"
#include "client/ui/utf8.h"

AddSceneDialog::AddSceneDialog(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::Dialog(obj), parlane(Parlane::instance()), ent_name(nullptr), chk_permanent(nullptr),
    cmb_group(nullptr)
{
    fetch_widget(xml, "ent_scene_name", ent_name);
    fetch_widget(xml, "chk_scene_permanent", chk_permanent);
    fetch_widget(xml, "cmb_scene_group", cmb_group);
    groups = Gtk::ListStore::create(columns);
    cmb_group->set_model(groups);
    cmb_group->set_text_column(columns.group);
    // Enter in either field adds the scene.
    cmb_group->get_entry()->set_activates_default(true);
}

int AddSceneDialog::run()
{
    groups->clear();
    (*groups->append())[columns.group] = "";
    std::string group;
    for (const Scene* scene : parlane.get_scenes())
    {
        if (scene->get_group() == group)
            continue;
        group = scene->get_group();
        (*groups->append())[columns.group] = display_name(group);
    }
    ent_name->set_text("");
    cmb_group->get_entry()->set_text("");
    chk_permanent->set_active(false);
    ent_name->grab_focus();
    set_default_response(Gtk::RESPONSE_OK);
    return Gtk::Dialog::run();
}

std::string AddSceneDialog::get_name() const
{
    return ent_name->get_text();
}

std::string AddSceneDialog::get_group() const
{
    return cmb_group->get_entry()->get_text();
}

bool AddSceneDialog::get_temporary() const
{
    return !chk_permanent->get_active();
}
