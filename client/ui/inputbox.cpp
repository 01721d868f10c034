#include "client/ui/inputbox.h"

#include "client/parlane.h"
#include "client/ui/backgroundstyle.h"
#include "client/ui/utf8.h"
#include "common/names.h"

#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <vector>

InputBox::InputBox(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>&):
    Gtk::Entry(obj), parlane(Parlane::instance()), cur_data(nullptr)
{
    parlane.signal_scene_activated.connect(sigc::mem_fun(*this, &InputBox::scene_activated));
    parlane.signal_config_changed.connect(sigc::mem_fun(*this, &InputBox::config_changed));
    // Clearing the line ends the "writing" indicator at once.
    signal_changed().connect(
        [this]
        {
            if (get_text().empty())
                parlane.set_writing(false);
        });
}

void InputBox::on_activate()
{
    std::string text = get_text();
    if (text.empty())
        return;
    // One line at a time; a line that is not taken stays in the entry,
    // selected, with every line after it, so that the user can mend it.
    std::string rest = text;
    for (;;)
    {
        std::string::size_type feed = rest.find('\n');
        if (!parlane.input(rest.substr(0, feed)))
        {
            set_text(display_text(rest));
            select_region(0, -1);
            return;
        }
        if (feed == std::string::npos)
            break;
        rest.erase(0, feed + 1);
    }
    if (cur_data)
    {
        cur_data->history.push_back(text);
        cur_data->history_iter = cur_data->history.end();
    }
    set_text("");
    parlane.set_writing(false);
}

bool InputBox::on_key_press_event(GdkEventKey* key)
{
    guint value = key->keyval;
    if (value >= 32 && value <= 126)
        parlane.set_writing(true);

    bool control = key->state & GDK_CONTROL_MASK;
    if (value == GDK_Up)
    {
        if (cur_data && cur_data->history_iter != cur_data->history.begin())
        {
            --cur_data->history_iter;
            set_text(display_text(*cur_data->history_iter));
            set_position(-1);
        }
        return true;
    }
    if (value == GDK_Down)
    {
        if (cur_data && cur_data->history_iter != cur_data->history.end())
        {
            ++cur_data->history_iter;
            if (cur_data->history_iter == cur_data->history.end())
                set_text("");
            else
            {
                set_text(display_text(*cur_data->history_iter));
                set_position(-1);
            }
        }
        return true;
    }
    if (value == GDK_Page_Up && control)
    {
        switch_scene(-1);
        return true;
    }
    if (value == GDK_Page_Down && control)
    {
        switch_scene(1);
        return true;
    }
    if (value >= GDK_0 && value <= GDK_9 && (key->state & GDK_MOD1_MASK))
    {
        select_scene((value - 39) % 10);
        return true;
    }
    if (value == GDK_Tab || value == GDK_ISO_Left_Tab)
    {
        if (!complete_name(value == GDK_Tab))
            cycle_name(value == GDK_Tab);
        return true;
    }
    return Gtk::Entry::on_key_press_event(key);
}

void InputBox::switch_scene(int step)
{
    const SceneSeq& scenes = parlane.get_scenes();
    Scene* active = parlane.get_active_scene();
    if (scenes.empty() || !active)
        return;
    SceneSeq::const_iterator i = std::find(scenes.begin(), scenes.end(), active);
    if (step < 0)
    {
        if (i != scenes.begin())
            --i;
        parlane.set_active_scene(*i);
    }
    else if (i != scenes.end() && ++i != scenes.end())
        parlane.set_active_scene(*i);
}

void InputBox::select_scene(unsigned index)
{
    const SceneSeq& scenes = parlane.get_scenes();
    if (index >= scenes.size())
        return;
    SceneSeq::const_iterator i = scenes.begin();
    std::advance(i, index);
    parlane.set_active_scene(*i);
}

bool InputBox::complete_name(bool forward)
{
    Scene* active = parlane.get_active_scene();
    if (!active)
        return false;
    std::vector<std::string> names;
    if (parlane.get_session_model().is_game_master())
        for (const Character* chr : parlane.get_characters())
            names.push_back(chr->get_name());
    else
        for (const Character* chr : active->get_characters())
            names.push_back(chr->get_name());

    std::string text = get_text();
    std::size_t cursor = get_text().substr(0, get_position()).bytes();
    if (!completion.complete(text, cursor, names, forward ? Completion::FORWARD : Completion::BACKWARD))
        return false;
    set_text(text);
    set_position(static_cast<int>(Glib::ustring(text.substr(0, cursor)).size()));
    return true;
}

void InputBox::cycle_name(bool forward)
{
    Scene* active = parlane.get_active_scene();
    if (!active)
        return;
    std::vector<std::string> names;
    for (const Character* chr : active->get_characters())
        if (chr->get_npc())
            names.push_back(chr->get_name());
    std::sort(names.begin(), names.end());
    names.insert(names.begin(), Names::GAME_MASTER);

    std::vector<std::string>::iterator i = std::find(names.begin(), names.end(), parlane.get_active_name());
    if (forward)
    {
        if (i == names.end() || ++i == names.end())
            i = names.begin();
    }
    else
    {
        if (i == names.begin() || i == names.end())
            i = names.end();
        --i;
    }
    parlane.set_active_name(*i);
}

void InputBox::scene_activated()
{
    if (cur_data)
        cur_data->cur_line = get_text();
    Scene* active = parlane.get_active_scene();
    if (!active)
    {
        cur_data = nullptr;
        return;
    }
    std::map<std::string, SceneData>::iterator entry = scene_data.find(active->get_name());
    if (entry == scene_data.end())
    {
        entry = scene_data.insert(std::make_pair(active->get_name(), SceneData())).first;
        entry->second.history_iter = entry->second.history.end();
    }
    cur_data = &entry->second;
    set_text(display_text(cur_data->cur_line));
}

void InputBox::config_changed()
{
    modify_style(background_style(parlane.get_config()));
}
