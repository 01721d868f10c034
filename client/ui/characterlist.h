#ifndef PARLANE_CLIENT_UI_CHARACTERLIST_H
#define PARLANE_CLIENT_UI_CHARACTERLIST_H

#include <gdkmm/pixbuf.h>
#include <gtkmm/liststore.h>
#include <gtkmm/menu.h>
#include <gtkmm/treeview.h>
#include <libglademm/xml.h>

#include <string>

class Parlane;
class Character;

// The characters present in the active scene, "GM" first, then players,
// then NPCs, each with icons for online, writing and away. A click makes the
// game master speak as the character; a right click offers to query it or
// show its biography. Rows point at characters owned by the controller.
class CharacterList: public Gtk::TreeView
{
public:
    struct Columns: public Gtk::TreeModelColumnRecord
    {
        Columns()
        {
            add(name);
            add(online);
            add(writing);
            add(character);
        }
        Gtk::TreeModelColumn<Glib::ustring> name;
        Gtk::TreeModelColumn<Glib::RefPtr<Gdk::Pixbuf>> online;
        Gtk::TreeModelColumn<Glib::RefPtr<Gdk::Pixbuf>> writing;
        Gtk::TreeModelColumn<Character*> character; // not owned
    };

    // Loads the four status icons from the working directory; a missing
    // icon throws Kel::Exception.
    CharacterList(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

    // "GM" first; then players before NPCs; within each by name ignoring case.
    static bool character_compare(const Character* a, const Character* b);

protected:
    bool on_button_press_event(GdkEventButton* event) override;

private:
    void rebuild_list();
    void update_status();
    void data_cleared();
    void config_changed();
    void query();
    void biography();

    Parlane& parlane;
    Columns columns;
    Glib::RefPtr<Gtk::ListStore> store;
    Glib::RefPtr<Gdk::Pixbuf> img_online;
    Glib::RefPtr<Gdk::Pixbuf> img_offline;
    Glib::RefPtr<Gdk::Pixbuf> img_writing;
    Glib::RefPtr<Gdk::Pixbuf> img_afk;
    Gtk::Menu* mnu_char_popup;
    // The character last right-clicked, by its server spelling.
    std::string selected_name;
};

#endif
