#include "client/transcript/logfolder.h"

#include "client/session/places.h"

#include "common/names.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

namespace fs = std::filesystem;

namespace Transcript
{

namespace
{

const std::string LOG_SUFFIX = ".log";

bool stamp_shape(const std::string& line)
{
    return line.size() >= 22 && line[0] == '[' && line[20] == ']' && line[11] == ' ';
}

void count(SceneLog& log)
{
    std::ifstream in(log.path, std::ios_base::binary);
    std::string line;
    while (std::getline(in, line))
    {
        ++log.lines;
        if (!stamp_shape(line))
            continue;
        if (log.first.empty())
            log.first = line.substr(1, 19);
        log.last = line.substr(1, 19);
    }
}

// Splits each stem ("<session>-<scene>") of one game's files. Every
// session has the scene "OOC", so "<session>-OOC" names a session for sure.
void split_names(const std::vector<std::string>& stems, std::vector<SceneLog>& out)
{
    const std::string ooc = std::string("-") + Names::OOC_SCENE;
    std::set<std::string> sessions;
    std::map<std::string, int> sharing; // session candidate -> files that begin with it
    for (const std::string& stem : stems)
    {
        if (stem.size() > ooc.size() && stem.compare(stem.size() - ooc.size(), ooc.size(), ooc) == 0)
            sessions.insert(stem.substr(0, stem.size() - ooc.size()));
        for (std::size_t dash = stem.find('-'); dash != std::string::npos; dash = stem.find('-', dash + 1))
            ++sharing[stem.substr(0, dash)];
    }
    for (std::size_t i = 0; i < stems.size(); ++i)
    {
        const std::string& stem = stems[i];
        std::size_t split = std::string::npos;
        std::size_t shared = std::string::npos;
        for (std::size_t dash = stem.rfind('-'); dash != std::string::npos && dash > 0; dash = stem.rfind('-', dash - 1))
        {
            std::string session = stem.substr(0, dash);
            if (sessions.count(session))
            {
                split = dash;
                break;
            }
            if (shared == std::string::npos && sharing[session] > 1)
                shared = dash;
        }
        if (split == std::string::npos)
            split = shared != std::string::npos ? shared : stem.rfind('-');
        out[i].session = stem.substr(0, split);
        out[i].scene = stem.substr(split + 1);
    }
}

} // namespace

std::string default_log_folder()
{
    const std::string& root = Places::current().get_log_root();
    return root.empty() ? "." : root;
}

LogFolder::LogFolder(const std::string& f): folder(f)
{
    std::error_code error;
    for (fs::directory_iterator game(folder, error), end; !error && game != end; game.increment(error))
    {
        if (!game->is_directory(error))
            continue;
        std::vector<std::string> stems;
        std::vector<SceneLog> logs;
        std::error_code inner;
        for (fs::directory_iterator file(game->path(), inner); !inner && file != end; file.increment(inner))
        {
            std::string name = file->path().filename().string();
            if (!file->is_regular_file(inner) || name.size() <= LOG_SUFFIX.size()
                || name.compare(name.size() - LOG_SUFFIX.size(), LOG_SUFFIX.size(), LOG_SUFFIX) != 0)
                continue;
            std::string stem = name.substr(0, name.size() - LOG_SUFFIX.size());
            if (stem.find('-') == std::string::npos)
                continue;
            SceneLog log;
            log.game = game->path().filename().string();
            log.path = file->path().string();
            stems.push_back(stem);
            logs.push_back(log);
        }
        split_names(stems, logs);
        for (SceneLog& log : logs)
        {
            count(log);
            scenes.push_back(log);
        }
    }
    std::sort(scenes.begin(), scenes.end(), [](const SceneLog& a, const SceneLog& b) {
        return std::tie(a.game, a.session, a.scene) < std::tie(b.game, b.session, b.scene);
    });
}

std::vector<const SceneLog*> LogFolder::find(const std::string& game, const std::string& session) const
{
    std::vector<const SceneLog*> found;
    for (const SceneLog& log : scenes)
        if (log.game == game && (session.empty() || log.session == session))
            found.push_back(&log);
    return found;
}

const SceneLog* LogFolder::find(const std::string& game, const std::string& session, const std::string& scene) const
{
    for (const SceneLog& log : scenes)
        if (log.game == game && log.session == session && log.scene == scene)
            return &log;
    return nullptr;
}

} // namespace Transcript
