#ifndef PARLANE_CLIENT_PARLANE_H
#define PARLANE_CLIENT_PARLANE_H

#include "client/character.h"
#include "client/config.h"
#include "client/scene.h"
#include "client/toolkitpump.h"
#include "libs/core/source/core/application.h"
#include "libs/core/source/time/timedelta.h"
#include "libs/core/source/time/timestamp.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/eventdispatcher.h"

#include <gtkmm/main.h>
#include <sigc++/signal.h>

#include <map>
#include <string>

class Connection;
class Packet;
class MainWindow;
class ConnectDialog;
class StartSessionDialog;
class AddSceneDialog;
class NpcDialog;
class BiographyDialog;
class ColorDialog;
namespace Gtk
{
class Dialog;
}

// The chat client's application object and its one controller. It owns the
// windows, the configuration, the connection and the session model, turns
// the server's packets into model changes, offers the operations the windows
// call, and announces every change through its signals; the model never
// calls a window. Exactly one exists per process: reach it through instance().
class Parlane: public Kel::Application, public SceneHost
{
public:
    // Initialises the toolkit from the command line and takes every window
    // from "parlane.glade" in the working directory. A missing or unusable
    // file is shown in an error box and then thrown as Kel::Exception.
    Parlane(int argc, char** argv);
    ~Parlane() override;
    Parlane(const Parlane&) = delete;
    Parlane& operator=(const Parlane&) = delete;

    static Parlane& instance();

    // Shows the main window, loads the configuration, runs the loop, saves
    // the configuration and discards the model. Returns the exit code.
    int main() override;
    // One loop turn: toolkit events, the socket, a stale connection, and the
    // lapse of the writing indicator. A turn after one in which nothing came
    // from the server first waits, at most IDLE_WAIT, for the toolkit or the
    // socket to have something; otherwise it never waits. Toolkit work that
    // the user waits for is done at once; background work (laying out off
    // the screen) gets BACKGROUND_SLICE of a turn, and while the server
    // keeps sending, one round every BACKGROUND_DELAY.
    void tick() override;

    static constexpr Kel::Time::TimeDelta IDLE_WAIT = 10 * Kel::Time::msec;
    static constexpr Kel::Time::TimeDelta BACKGROUND_SLICE = 10 * Kel::Time::msec;
    static constexpr Kel::Time::TimeDelta BACKGROUND_DELAY = 500 * Kel::Time::msec;

    // Drops any present connection and the whole model, then connects and
    // logs in as n, pumping toolkit events while a Cancel box is shown.
    // Failures are shown in an error box, not thrown.
    void connect(const std::string& address, const std::string& n);
    // Deletes the connection, marks every character offline and forgets the
    // game and session. Scenes and characters stay.
    void disconnect();
    // Ends the loop after the current turn.
    void quit();

    // Requests to the server. Each does nothing without a connection.
    void start_session(const std::string& n);
    void end_session();
    // An empty message means back at the keyboard.
    void set_afk(const std::string& msg);
    // Called with true on every key press: the first sends WRITING; it lapses
    // ten seconds after the last call, or at once with false.
    void set_writing(bool w);
    // Remembers n so that the client switches to it once the server has made it.
    void add_scene(const std::string& n, bool t);
    void remove_scene(const std::string& n);
    void set_scene_group(const std::string& sname, const std::string& group);
    void add_npc(const std::string& npc);
    void remove_character(const std::string& cname);
    void query_character(const std::string& cname);
    void get_character_biography(const std::string& cname);
    // As get_character_biography, and shows the answer in a message box.
    void show_character_biography(const std::string& cname);
    // Sent only for the user's own character, or by the game master.
    void set_character_biography(const std::string& cname, const std::string& bio);

    // Puts s on screen: resets its activity and restores the name the user
    // spoke as there. s must be one of get_scenes().
    void set_active_scene(Scene* s);
    // Only the game master ("GM") may speak as another name; for anybody
    // else this does nothing.
    void set_active_name(const std::string& n);
    // Interprets one typed line: a slash command or text for the active scene.
    void input(const std::string& str);

    // "Bob_Stone" -> "Bob Stone": typed names use "_" for a blank.
    static std::string unescape_name(const std::string& n);
    // The order of the scene list: by group (ignoring case); then "OOC"
    // first; then permanent before temporary; then by name (ignoring case).
    static bool scene_compare(const Scene* a, const Scene* b);

    // First character or scene whose name equals the argument ignoring
    // letter case; null if none.
    Character* get_character(const std::string& cname) const;
    Scene* get_scene(const std::string& sname) const;

    Config& get_config() { return config; }
    const Config& get_config() const { return config; }
    const std::string& get_game() const override { return game; }
    const std::string& get_session() const override { return session; }
    const std::string& get_name() const { return name; }
    const CharacterSeq& get_characters() const { return characters; }
    // Sorted by scene_compare.
    const SceneSeq& get_scenes() const { return scenes; }
    Scene* get_active_scene() const { return active_scene; }
    const std::string& get_active_name() const { return active_name; }
    // True from connect until the connection object is deleted, which for a
    // lost connection happens at the next tick.
    bool is_connected() const { return conn != nullptr; }

    MainWindow* get_main_window() const { return wnd_main; }
    ConnectDialog* get_dlg_connect() const { return dlg_connect; }
    StartSessionDialog* get_dlg_start_session() const { return dlg_start_session; }
    AddSceneDialog* get_dlg_add_scene() const { return dlg_add_scene; }
    NpcDialog* get_dlg_npcs() const { return dlg_npcs; }
    BiographyDialog* get_dlg_biography() const { return dlg_biography; }
    ColorDialog* get_dlg_colors() const { return dlg_colors; }
    Gtk::Dialog* get_dlg_about() const { return dlg_about; }
    Gtk::Dialog* get_dlg_help() const { return dlg_help; }

    // The set of scenes or their order changed.
    sigc::signal<void> signal_scenes_changed;
    // The active scene received new lines.
    sigc::signal<void> signal_activity;
    // A scene's activity or occupancy changed, or the active scene changed.
    sigc::signal<void> signal_scene_status_changed;
    // The characters present in the active scene changed.
    sigc::signal<void> signal_present_characters_changed;
    // Another scene became the active one.
    sigc::signal<void> signal_scene_activated;
    // A character was added to or removed from the known characters.
    sigc::signal<void> signal_characters_changed;
    // A character's online, writing or away state changed.
    sigc::signal<void> signal_character_status_changed;
    // The name the user speaks as changed.
    sigc::signal<void> signal_active_name_changed;
    // All scenes and characters were discarded; drop every pointer to them.
    sigc::signal<void> signal_data_cleared;
    // The configuration was loaded or changed.
    sigc::signal<void> signal_config_changed;
    // A biography arrived: character name, biography text.
    sigc::signal<void, const std::string&, const std::string&> signal_biography_received;

private:
    void load_ui();
    void clear();
    void packet_available();
    void end_of_file();
    void cancel_connection(int response);
    void update_title();
    void sort_scenes();
    // Sends pkt if connected. A failed send is reported on standard output.
    void send(const Packet& pkt);
    // Raises the activity of scene s, which is not the active one, and
    // announces a change.
    void raise_activity(Scene& s, unsigned level);
    // Takes chr out of s as LEAVE does, with the same signals.
    void leave_scene(Scene& s, Character& chr);

    // The line interpreter's parts. Each assumes a connection and an active scene.
    void run_command(const std::string& str);
    void run_gm_command(const std::string& cmd, const std::string& rest);
    void roll_dice(const std::string& rest);
    void speak_as_npc(const std::string& rest);
    // Replaces "#name" references in str by "$Name$"; false when one is
    // ambiguous (reported in an error box) and the line must be dropped.
    bool resolve_references(const std::string& str, std::string& line);
    // Best match for the lower-case prefix ref: present characters beat
    // absent ones. False when two match equally well.
    bool resolve_abbreviation(const std::string& ref, std::string& rname) const;
    // Wraps plain speech: "$me$: \"text\"", or "$me$: text" in "OOC", or
    // unchanged for the narrator "GM" and for emotes holding "$me$".
    void add_speech_markers(std::string& line) const;

    Gtk::Main gtk;
    // Windows and dialogs, owned.
    MainWindow* wnd_main;
    ConnectDialog* dlg_connect;
    StartSessionDialog* dlg_start_session;
    AddSceneDialog* dlg_add_scene;
    NpcDialog* dlg_npcs;
    BiographyDialog* dlg_biography;
    ColorDialog* dlg_colors;
    Gtk::Dialog* dlg_about;
    Gtk::Dialog* dlg_help;
    Kel::IO::EventDispatcher event_disp;
    ToolkitPump pump;
    // Whether the last turn handled a packet.
    bool link_busy;
    Kel::Time::TimeStamp last_background;
    Config config;
    std::string name;
    std::map<std::string, std::string> active_names; // scene name -> speaking name
    std::string active_name;
    std::string game;
    std::string session;
    CharacterSeq characters; // owned
    SceneSeq scenes; // owned
    Scene* active_scene;
    std::string requested_scene;
    Connection* conn; // owned; null when not connected
    bool writing;
    Kel::Time::TimeStamp write_timeout;
    std::string show_bio;

    static Parlane* instance_;
    static Kel::Application::RegApp<Parlane> reg;
};

#endif
