#include "client/ui/scenelist.h"

#include "client/parlane.h"
#include "client/ui/backgroundstyle.h"
#include "client/ui/utf8.h"
#include "libs/strings/source/formatter.h"

#include <algorithm>
#include <set>
#include <vector>

namespace
{

// Text colour of a scene row by activity level, and of a group row by the
// highest level among its scenes.
// Quiet, comings and goings, a new scene, lines said, the user mentioned.
const char* const activity_colors[] = { "#000000", "#A00000", "#00C000", "#FF0000", "#D000D0" };

const char* activity_color(unsigned level)
{
    return activity_colors[std::min(level, 4u)];
}

} // namespace

SceneList::SceneList(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>&):
    Gtk::TreeView(obj), parlane(Parlane::instance())
{
    store = Gtk::TreeStore::create(columns);
    set_model(store);
    Gtk::CellRendererText* renderer = Gtk::manage(new Gtk::CellRendererText);
    Gtk::TreeViewColumn* column = Gtk::manage(new Gtk::TreeViewColumn("Scene", *renderer));
    column->add_attribute(renderer->property_text(), columns.name);
    column->add_attribute(renderer->property_foreground(), columns.color);
    append_column(*column);

    parlane.signal_scenes_changed.connect(sigc::mem_fun(*this, &SceneList::scenes_changed));
    parlane.signal_scene_status_changed.connect(sigc::mem_fun(*this, &SceneList::update_status));
    parlane.signal_scene_activated.connect(sigc::mem_fun(*this, &SceneList::scene_activated));
    parlane.signal_data_cleared.connect(sigc::mem_fun(*this, &SceneList::data_cleared));
    parlane.signal_config_changed.connect(sigc::mem_fun(*this, &SceneList::config_changed));
    scenes_changed();
}

void SceneList::scenes_changed()
{
    std::vector<Scene*> scenes(parlane.get_scenes().begin(), parlane.get_scenes().end());
    if (!insert_one(scenes))
        rebuild(scenes);
    scene_activated();
}

// A server announces scenes one packet at a time: a scene that is new and
// belongs with a scene already shown (no group, or a group that has a row)
// becomes one new row instead of a rebuild.
bool SceneList::insert_one(const std::vector<Scene*>& scenes)
{
    if (scenes.size() != shown.size() + 1)
        return false;
    std::vector<Scene*>::size_type k = 0;
    while (k < shown.size() && scenes[k] == shown[k])
        ++k;
    if (!std::equal(shown.begin() + k, shown.end(), scenes.begin() + k + 1))
        return false;
    const std::string& group = scenes[k]->get_group();
    bool beside = (k > 0 && scenes[k - 1]->get_group() == group)
        || (k + 1 < scenes.size() && scenes[k + 1]->get_group() == group);
    if (!group.empty() && !beside)
        return false;

    // Ungrouped scenes come first, one top-level row each; then one row per
    // group with its scenes below it.
    Gtk::TreeModel::Children rows = store->children();
    Gtk::TreeModel::iterator group_row;
    std::vector<Scene*>::size_type position = k;
    if (!group.empty())
    {
        std::vector<Scene*>::size_type top = 0, first = 0;
        std::string current;
        for (std::vector<Scene*>::size_type i = 0; i < k; ++i)
        {
            const std::string& g = scenes[i]->get_group();
            if (g.empty())
                ++top;
            else if (g != current)
            {
                current = g;
                first = i;
                ++top;
            }
        }
        if (current != group)
            first = k;
        else
            --top;
        group_row = rows[top];
        rows = group_row->children();
        position = k - first;
    }
    Gtk::TreeModel::iterator row = position < rows.size() ? store->insert(rows[position])
        : group.empty()                                   ? store->append()
                                                          : store->append(group_row->children());
    (*row)[columns.name] = display_name(scenes[k]->get_name());
    (*row)[columns.scene] = scenes[k];
    shown = scenes;
    update_status_foreach(row);
    if (group_row)
        update_status_foreach(group_row);
    return true;
}

void SceneList::rebuild(const std::vector<Scene*>& scenes)
{
    std::set<Glib::ustring> expanded;
    store->foreach_iter(
        [&](const Gtk::TreeModel::iterator& row)
        {
            if (row_expanded(store->get_path(row)))
                expanded.insert((*row)[columns.name]);
            return false;
        });
    store->clear();

    std::string group;
    Gtk::TreeModel::Row group_row;
    std::vector<Gtk::TreeModel::Path> to_expand;
    shown = scenes;
    for (Scene* scene : scenes)
    {
        if (scene->get_group() != group)
        {
            group = scene->get_group();
            group_row = *store->append();
            group_row[columns.name] = display_name(group);
            group_row[columns.scene] = nullptr;
            if (expanded.count(display_name(group)))
                to_expand.push_back(store->get_path(group_row));
        }
        Gtk::TreeModel::Row row = group.empty() ? *store->append() : *store->append(group_row.children());
        row[columns.name] = display_name(scene->get_name());
        row[columns.scene] = scene;
    }
    for (const Gtk::TreeModel::Path& path : to_expand)
        expand_row(path, false);

    update_status();
}

void SceneList::update_status()
{
    store->foreach_iter(sigc::mem_fun(*this, &SceneList::update_status_foreach));
}

bool SceneList::update_status_foreach(const Gtk::TreeModel::iterator& row)
{
    Scene* scene = (*row)[columns.scene];
    if (scene)
    {
        Glib::ustring name = display_name(scene->get_name());
        if (scene->get_characters().empty())
            name = "(" + name + ")";
        // Only changes are written: each write costs the store a walk to
        // the row's position.
        if ((*row)[columns.name] != name)
            (*row)[columns.name] = name;
        Glib::ustring color = activity_color(scene->get_activity());
        if ((*row)[columns.color] != color)
            (*row)[columns.color] = color;
    }
    else
    {
        unsigned level = 0;
        for (const Gtk::TreeModel::Row& child : row->children())
        {
            Scene* member = child[columns.scene];
            if (member)
                level = std::max(level, member->get_activity());
        }
        Glib::ustring color = activity_color(level);
        if ((*row)[columns.color] != color)
            (*row)[columns.color] = color;
    }
    return false;
}

void SceneList::scene_activated()
{
    Scene* active = parlane.get_active_scene();
    if (!active)
        return;
    store->foreach_iter(
        [&](const Gtk::TreeModel::iterator& row)
        {
            if ((*row)[columns.scene] != active)
                return false;
            // The toolkit selects no row under a collapsed parent: the
            // scene's group opens first.
            Gtk::TreeModel::Path path = store->get_path(row);
            expand_to_path(path);
            get_selection()->select(row);
            scroll_to_row(path);
            return true;
        });
}

void SceneList::data_cleared()
{
    shown.clear();
    store->clear();
}

bool SceneList::on_button_press_event(GdkEventButton* event)
{
    if (event->type == GDK_BUTTON_PRESS)
    {
        Gtk::TreeModel::Path path;
        if (get_path_at_pos(static_cast<int>(event->x), static_cast<int>(event->y), path))
        {
            Scene* scene = (*store->get_iter(path))[columns.scene];
            if (scene && scene != parlane.get_active_scene())
                parlane.set_active_scene(scene);
        }
    }
    Gtk::TreeView::on_button_press_event(event);
    return true;
}

void SceneList::config_changed()
{
    modify_style(background_style(parlane.get_config()));
}
