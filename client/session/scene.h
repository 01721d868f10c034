#ifndef PARLANE_CLIENT_SESSION_SCENE_H
#define PARLANE_CLIENT_SESSION_SCENE_H

#include "client/session/backlog.h"
#include "client/session/character.h"

#include <list>
#include <string>

// What a scene needs to know of its owner: the game and session now played,
// which decide whether and where its lines are written to disk. The
// controller is the one real owner; tests supply their own.
class SceneHost
{
public:
    virtual ~SceneHost() { }

    virtual const std::string& get_game() const = 0;
    // Empty outside a session: nothing is logged to disk then.
    virtual const std::string& get_session() const = 0;
};

// A room of conversation announced by the server: who is present, what was
// said, and how much has happened since the user last looked. During a
// session every line is also appended to "<game>/<session>-<scene>.log"
// below the log root of Places::current(), with each name made safe as a
// file name.
class Scene
{
public:
    // Most lines restore_earlier_lines puts in, whatever it is asked for.
    static constexpr unsigned MAX_RESTORED = 10000;
    // The text of the line between restored lines and new ones.
    static constexpr char SEPARATOR_TEXT[] = "earlier lines from the log";

    Scene(const SceneHost& r, const std::string& n, bool t);
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Appends chr, with an "entered the scene" line when announce is set;
    // nothing if it is present.
    void add_character(Character* chr, bool announce = true);
    // Removes chr with a "left the scene" line and ends its typing here;
    // nothing if it is absent.
    void remove_character(Character* chr);
    // Empties the list without event lines, ending the typing of those
    // present who were typing here.
    void clear_characters();
    // Time-stamps the line and adds it to the backlog; during a session also
    // appends it to the log file. A failure to write the file throws after
    // the line is in the backlog.
    void add_line(LogLine::Type type, const std::string& nm, const std::string& text, bool mention = false);
    // Time-stamps a local line (NOTICE, PROBLEM or SEPARATOR) and adds it to
    // the backlog only: it is never written to the log file.
    void add_local_line(LogLine::Type type, const std::string& text);
    // Once for each game and session: puts the last count lines of this
    // scene's log file of the current game and session before its backlog,
    // marked earlier and followed by a SEPARATOR line. Nothing is written
    // to the file and the activity stays. Returns whether lines were put
    // in; a display showing this scene must then render it again. Outside
    // a session, without a file, or with count 0, nothing changes (but the
    // session still counts as done). A file that cannot be read is
    // reported on standard output and left alone.
    bool restore_earlier_lines(unsigned count);
    // Raises the activity to a; returns false and changes nothing when the
    // level is already a or higher.
    bool set_activity(unsigned a);
    void reset_activity() { activity = 0; }

    const std::string& get_name() const { return name; }
    const std::string& get_group() const { return group; }
    bool get_temporary() const { return temporary; }
    const CharacterSeq& get_characters() const { return characters; }
    BackLog& get_backlog() { return backlog; }
    const BackLog& get_backlog() const { return backlog; }
    unsigned get_activity() const { return activity; }

    void set_group(const std::string& g) { group = g; }

private:
    // "<game>/<session>-<scene>.log" for the current game and session.
    std::string log_path() const;

    const SceneHost& parlane;
    std::string name;
    std::string group;
    bool temporary;
    CharacterSeq characters; // not owned
    BackLog backlog;
    unsigned activity;
    // The game and session whose log file was last restored from, so that
    // a session announced again (after a reconnect) restores nothing twice.
    std::string restored_from;
};

// Pointers to scenes; the controller's list owns its scenes.
typedef std::list<Scene*> SceneSeq;

#endif
