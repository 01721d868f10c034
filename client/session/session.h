#ifndef PARLANE_CLIENT_SESSION_SESSION_H
#define PARLANE_CLIENT_SESSION_SESSION_H

#include "client/session/character.h"
#include "client/session/logline.h"
#include "client/session/scene.h"

#include <sigc++/signal.h>

#include <map>
#include <string>
#include <vector>

// What the client knows of the game it plays: the characters, the scenes
// with their backlogs, which scene is on screen and under which name the
// user speaks there. Packets change it through the operations below; every
// change is announced through the signals once the model is consistent
// again. It knows neither the connection nor any window.
class Session: public SceneHost
{
public:
    // Activity levels of a scene that is not on screen, each above the last.
    enum Activity : unsigned
    {
        QUIET = 0,
        COMINGS_AND_GOINGS = 1,
        NEW_SCENE = 2,
        SAID = 3,
        MENTIONED = 4
    };

    Session();
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The order of the scene list: by group (ignoring case); then "OOC"
    // first; then permanent before temporary; then by name (ignoring case).
    static bool scene_compare(const Scene* a, const Scene* b);

    // A new login as n: the user speaks under that name until told otherwise.
    void log_in(const std::string& n);
    // Deletes every scene and character.
    void clear();
    // Marks every character offline and forgets the game and session;
    // scenes and characters stay.
    void go_offline();

    // A login's announcements are coming. With keep (a new login to the game
    // the model shows, after a lost link) scenes, backlogs and characters
    // stay; who is present is remembered and announced again silently.
    // Without keep the model is cleared first. Until end_login, characters
    // entering scenes and coming online add no lines: that is state, not news.
    void begin_login(bool keep);
    // The login's announcements are over. After a kept login, each scene
    // gets a line for each character that entered or left it meanwhile.
    void end_login();
    bool get_logging_in() const { return logging_in; }
    // Every character offline and typing nowhere, as after a lost link.
    void mark_offline();
    // While set, the title says that the client is trying to connect again.
    void set_reconnecting(bool r);
    bool get_reconnecting() const { return reconnecting; }

    void set_game(const std::string& g);
    // Ending a session leaves a line in every scene.
    void set_session(const std::string& s);
    // Makes a scene unless one of that name (ignoring case) exists. The first
    // scene, and the one the user asked for, become active; others wait
    // with activity 2. Returns the new scene, or null.
    Scene* add_scene(const std::string& sname, bool temporary);
    void set_scene_group(Scene& s, const std::string& group);
    // Remembers a scene the user asked to create or rename, so that it
    // becomes active once the server announces it.
    void set_requested_scene(const std::string& sname) { requested_scene = sname; }
    // Makes a character unless one of that name (ignoring case) exists.
    void add_character(const std::string& cname, bool npc);
    // Deletes the character of exactly this name, taking it out of every
    // scene first as a leave would.
    void remove_character(const std::string& cname);
    void enter(Scene& s, Character& chr);
    // When chr is the user, the scene is emptied and gets a separator line.
    void leave(Scene& s, Character& chr);
    // Adds a line that someone said (NORMAL or OOC) or an event line to s,
    // and shows or marks it; said lines also ask for the user's attention.
    void add_line(Scene& s, LogLine::Type type, const std::string& nm, const std::string& text);
    // Words that make a line a mention besides the user's names.
    void set_highlight_words(const std::vector<std::string>& words);
    // Lines of a scene's log file shown again when the scene joins a
    // session it has a log file of; 0 shows none.
    void set_restore_lines(unsigned n) { restore_lines = n; }
    // A notice for the user's eyes only, in the active scene.
    void add_local_line(const std::string& text);
    // A NOTICE or PROBLEM line in the active scene, never logged; without an
    // active scene, signal_status_note carries the text instead.
    void add_note(LogLine::Type type, const std::string& text);
    // A NOTICE line in every scene.
    void add_notice_everywhere(const std::string& text);
    void set_online(Character& chr, bool online);
    void set_writing(Character& chr, const std::string& sname);
    void set_afk(Character& chr, const std::string& msg);
    // Announces a biography; shows it when the user asked to see that one.
    void receive_biography(const std::string& cname, const std::string& text);
    // The user asked to see cname's biography when it arrives.
    void set_biography_wanted(const std::string& cname) { show_bio = cname; }

    // Puts s on screen: resets its activity and restores the name the user
    // spoke as there. s must be one of get_scenes().
    void set_active_scene(Scene* s);
    // Only the game master may speak as another name; for anybody else
    // this does nothing.
    void set_active_name(const std::string& n);
    // Speaks as n until the returned name is handed back to restore_name.
    std::string borrow_name(const std::string& n);
    void restore_name(const std::string& n) { active_name = n; }

    // First character or scene whose name equals the argument ignoring
    // letter case; null if none.
    Character* get_character(const std::string& cname) const;
    Scene* get_scene(const std::string& sname) const;
    bool is_present(const Scene& s, const Character& chr) const;

    const std::string& get_game() const override { return game; }
    const std::string& get_session() const override { return session; }
    const std::string& get_name() const { return name; }
    bool is_game_master() const;
    const CharacterSeq& get_characters() const { return characters; }
    // Sorted by scene_compare.
    const SceneSeq& get_scenes() const { return scenes; }
    Scene* get_active_scene() const { return active_scene; }
    const std::string& get_active_name() const { return active_name; }

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
    // The game or session name changed.
    sigc::signal<void> signal_game_changed;
    // Someone said something: the window may ask for the user's attention.
    sigc::signal<void> signal_attention;
    // A line said in a scene, after it was shown or marked: the scene and
    // the line (its mention flag set when it speaks to the user).
    sigc::signal<void, const Scene&, const LogLine&> signal_said;
    // A biography the user asked to see: character name, biography text.
    sigc::signal<void, const std::string&, const std::string&> signal_show_biography;
    // Something failed that the user must be told of, and acknowledge.
    sigc::signal<void, const std::string&> signal_error;
    // A notice for the user, and acknowledge.
    sigc::signal<void, const std::string&> signal_notice;
    // The user wants to edit this character's biography.
    sigc::signal<void, const std::string&> signal_edit_biography;
    // A note for the user while there is no scene to show it in.
    sigc::signal<void, const std::string&> signal_status_note;

private:
    void sort_scenes();
    // Announces lines added to s: shown if active, otherwise raised to level.
    void show_or_raise(Scene& s, unsigned level);
    // Raises the activity of s, which is not the active one, and announces
    // a change.
    void raise_activity(Scene& s, unsigned level);
    // Whether a line nm said in s names the user (by login name, the name
    // the user speaks as there, or a highlight word) and is not the user's own.
    bool speaks_to_user(const Scene& s, const std::string& nm, const std::string& text) const;

    std::string name;
    std::map<std::string, std::string> active_names; // scene name -> speaking name
    std::string active_name;
    std::string game;
    std::string session;
    CharacterSeq characters; // owned
    SceneSeq scenes; // owned
    Scene* active_scene;
    std::string requested_scene;
    std::string show_bio;
    std::vector<std::string> highlight_words;
    unsigned restore_lines;
    bool logging_in;
    bool reconnecting;
    // Who was present in each scene (by name) before a kept login.
    std::map<std::string, std::vector<std::string>> present_before;
    bool kept_login;
};

#endif
