#ifndef PARLANE_CLIENT_UI_INPUTBOX_H
#define PARLANE_CLIENT_UI_INPUTBOX_H

#include "client/interpreter/completion.h"

#include <gtkmm/entry.h>
#include <libglademm/xml.h>

#include <list>
#include <map>
#include <string>

class Parlane;

// The line the user types in. Enter hands the text to the controller's
// interpreter, one call per line of a multi-line paste; every printable key
// tells the controller that the user is writing. Each scene, by name, keeps
// its own history (Up, Down) and its own unsent text. Ctrl+Page Up/Down and
// Alt+digit switch scenes. Tab and Shift+Tab complete a "#name" before the
// cursor (from the characters present; for the game master, from all), and
// elsewhere cycle the game master's speaking name through "GM" and the NPCs
// present.
class InputBox: public Gtk::Entry
{
public:
    struct SceneData
    {
        std::string cur_line;
        std::list<std::string> history;
        // The entry shown while browsing; history.end() when not browsing.
        std::list<std::string>::iterator history_iter;
    };

    InputBox(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

protected:
    bool on_key_press_event(GdkEventKey* key) override;
    void on_activate() override;

private:
    void scene_activated();
    void config_changed();
    void switch_scene(int step);
    void select_scene(unsigned index);
    void cycle_name(bool forward);
    // False when there is no "#name" before the cursor to complete.
    bool complete_name(bool forward);

    Parlane& parlane;
    std::map<std::string, SceneData> scene_data; // by scene name; never shrinks
    SceneData* cur_data; // entry of the active scene; null before the first
    Completion completion;
};

#endif
