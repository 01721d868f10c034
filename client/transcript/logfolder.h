#ifndef PARLANE_CLIENT_TRANSCRIPT_LOGFOLDER_H
#define PARLANE_CLIENT_TRANSCRIPT_LOGFOLDER_H

#include <cstddef>
#include <string>
#include <vector>

namespace Transcript
{

// The folder the client writes its scene logs to. Every reader of logs
// takes its default from here.
std::string default_log_folder();

// One scene log file: "<folder>/<game>/<session>-<scene>.log".
struct SceneLog
{
    std::string game;
    std::string session;
    std::string scene;
    std::string path;
    std::size_t lines = 0;
    std::string first; // stamp of the first stamped line, "YYYY-MM-DD HH:MM:SS"; empty if none
    std::string last; // of the last one
};

// The scene logs of a log folder, by game, session and scene (each in byte
// order). Names are those of the files: the client writes a "/" or "\" in a
// name as "_" and puts "_" before a leading ".", and such a name is shown
// as written.
//
// A file name does not say where the session ends and the scene begins when
// either holds a "-": "2031-05-04-Tavern.log". Every session has its "OOC"
// scene, so a session name is taken first from a "<session>-OOC.log" of the
// game, the longest that fits; failing that, the longest session name that
// another file of the game begins with; failing that, the file splits at
// its last "-" (a date-named session is likelier than a dashed scene name).
class LogFolder
{
public:
    // Reads the folder now: every "*.log" in every subfolder, counted. A
    // missing folder is an empty one; an unreadable file counts no lines.
    explicit LogFolder(const std::string& folder);

    const std::string& get_folder() const { return folder; }
    const std::vector<SceneLog>& get_scenes() const { return scenes; }
    // The scenes of one session or one game (session empty), in order.
    std::vector<const SceneLog*> find(const std::string& game, const std::string& session = {}) const;
    // Null if there is no such scene.
    const SceneLog* find(const std::string& game, const std::string& session, const std::string& scene) const;

private:
    std::string folder;
    std::vector<SceneLog> scenes;
};

} // namespace Transcript

#endif
