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
// below the working directory, with each name made safe as a file name.
class Scene
{
public:
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
    const SceneHost& parlane;
    std::string name;
    std::string group;
    bool temporary;
    CharacterSeq characters; // not owned
    BackLog backlog;
    unsigned activity;
};

// Pointers to scenes; the controller's list owns its scenes.
typedef std::list<Scene*> SceneSeq;

#endif
