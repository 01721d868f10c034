#ifndef PARLANE_CLIENT_UI_SCENELIST_H
#define PARLANE_CLIENT_UI_SCENELIST_H

#include <gtkmm/treestore.h>
#include <gtkmm/treeview.h>
#include <libglademm/xml.h>

#include <string>
#include <vector>

class Parlane;
class Scene;

// Every known scene, grouped under its scene group, coloured by unseen
// activity and shown in parentheses when nobody is in it. Clicking a scene
// makes it the active one. Rows point at scenes owned by the controller and
// are dropped when the controller drops its data.
class SceneList: public Gtk::TreeView
{
public:
    struct Columns: public Gtk::TreeModelColumnRecord
    {
        Columns()
        {
            add(name);
            add(color);
            add(scene);
        }
        Gtk::TreeModelColumn<Glib::ustring> name;
        Gtk::TreeModelColumn<Glib::ustring> color;
        Gtk::TreeModelColumn<Scene*> scene; // null on group rows; not owned
    };

    SceneList(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

protected:
    bool on_button_press_event(GdkEventButton* event) override;

private:
    void scenes_changed();
    bool insert_one(const std::vector<Scene*>& scenes);
    void rebuild(const std::vector<Scene*>& scenes);
    void update_status();
    bool update_status_foreach(const Gtk::TreeModel::iterator& row);
    void scene_activated();
    void data_cleared();
    void config_changed();

    Parlane& parlane;
    Columns columns;
    Glib::RefPtr<Gtk::TreeStore> store;
    // The scenes in the rows, in order; not owned.
    std::vector<Scene*> shown;
};

#endif
