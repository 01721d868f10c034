#ifndef PARLANE_CLIENT_UI_TRANSCRIPTSWINDOW_H
#define PARLANE_CLIENT_UI_TRANSCRIPTSWINDOW_H

#include "client/transcript/exporter.h"
#include "client/transcript/search.h"

#include <gtkmm/liststore.h>
#include <gtkmm/treestore.h>
#include <gtkmm/treeviewcolumn.h>
#include <gtkmm/window.h>
#include <libglademm/xml.h>

#include <string>
#include <vector>

class Parlane;
class LogTags;
namespace Gtk
{
class Button;
class CheckButton;
class ComboBox;
class Dialog;
class Entry;
class FileChooserWidget;
class TextView;
class TreeView;
} // namespace Gtk

// Past sessions read back from the client's log folder: a tree of games,
// sessions and scenes with their line counts and times; the selected scene,
// or the selected session with its scenes interleaved, drawn as the log
// view draws a scene; a search over every log (or the selected game) whose
// hits appear as they are found; and export of a session or a scene.
// The search runs a block per turn of the program's loop; a new search
// drops the one before.
class TranscriptsWindow: public Gtk::Window
{
public:
    TranscriptsWindow(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);
    ~TranscriptsWindow() override;
    TranscriptsWindow(const TranscriptsWindow&) = delete;
    TranscriptsWindow& operator=(const TranscriptsWindow&) = delete;

    // Reads the log folder again and shows the window.
    void open();
    // Starts a search for text, stopping any that runs.
    void search(const std::string& text);
    bool is_searching() const { return searching.connected(); }
    // Shows the scene of the hit at row of the hit list, at its line.
    void open_hit(std::size_t row);
    // Writes the session or scene shown; throws Kel::Exception if it cannot.
    void export_shown(const std::string& file, Transcript::Format format, const Transcript::ExportOptions& options);

private:
    struct TreeColumns: Gtk::TreeModelColumnRecord
    {
        TreeColumns();
        Gtk::TreeModelColumn<Glib::ustring> name;
        Gtk::TreeModelColumn<unsigned> lines;
        Gtk::TreeModelColumn<Glib::ustring> first;
        Gtk::TreeModelColumn<Glib::ustring> last;
        Gtk::TreeModelColumn<std::string> game;
        Gtk::TreeModelColumn<std::string> session; // empty on a game's row
        Gtk::TreeModelColumn<std::string> scene; // empty on a game's or session's row
    };
    struct HitColumns: Gtk::TreeModelColumnRecord
    {
        HitColumns();
        Gtk::TreeModelColumn<Glib::ustring> place;
        Gtk::TreeModelColumn<Glib::ustring> time;
        Gtk::TreeModelColumn<Glib::ustring> line; // Pango markup, the match in bold
        Gtk::TreeModelColumn<unsigned> index; // into hits
    };

    void reload();
    void on_selection_changed();
    // Draws the document; with a heading line before each change of scene
    // if headings. Returns the buffer line of each entry.
    std::vector<int> draw(const Transcript::Document& document, bool headings);
    void stop_search();
    bool search_step();
    void on_search_activated();
    void on_hit_activated(const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn* column);
    void on_export_clicked();
    void set_colors();
    bool key_pressed(GdkEventKey* event);

    Parlane& parlane;
    Gtk::TreeView* lst_transcripts;
    Gtk::TreeView* lst_hits;
    Gtk::TextView* txt_transcript;
    Gtk::Entry* ent_search;
    Gtk::CheckButton* chk_game;
    Gtk::Button* btn_export;
    Gtk::Dialog* dlg_export; // owned
    Gtk::ComboBox* cmb_format;
    Gtk::CheckButton* chk_ooc;
    Gtk::CheckButton* chk_events;
    Gtk::CheckButton* chk_times;
    Gtk::FileChooserWidget* fcw_export;
    TreeColumns tree_columns;
    Glib::RefPtr<Gtk::TreeStore> tree;
    HitColumns hit_columns;
    Glib::RefPtr<Gtk::ListStore> hit_list;
    LogTags* tags; // owned
    Transcript::LogFolder* folder; // owned
    Transcript::Search* running; // owned; the search under way, if any
    std::vector<Transcript::Hit> hits;
    Transcript::Document shown; // the session or scene in the view
    sigc::connection searching;
    sigc::connection selection_changed;
};

#endif
