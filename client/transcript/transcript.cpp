#include "client/transcript/transcript.h"

#include "common/names.h"
#include "libs/io/source/file.h"

#include <algorithm>

namespace Transcript
{

namespace
{

std::vector<std::string> read_lines(const std::string& path)
{
    Kel::IO::File file(path, Kel::IO::M_READ, Kel::IO::File::C_NONE);
    std::string content;
    char block[65536];
    while (unsigned got = file.read(block, sizeof block))
        content.append(block, got);
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < content.size())
    {
        std::size_t feed = content.find('\n', from);
        if (feed == std::string::npos)
            feed = content.size();
        lines.push_back(content.substr(from, feed - from));
        from = feed + 1;
    }
    return lines;
}

} // namespace

Document read_document(const std::vector<const SceneLog*>& scenes)
{
    Document document;
    if (!scenes.empty())
    {
        document.game = scenes.front()->game;
        document.session = scenes.front()->session;
    }
    std::vector<Line> lines;
    std::vector<Entry> entries;
    std::vector<std::string> stamps; // what each line sorts by
    for (const SceneLog* scene : scenes)
    {
        bool ooc_scene = scene->scene == Names::OOC_SCENE;
        std::vector<std::string> raw = read_lines(scene->path);
        std::string stamp;
        for (std::size_t n = 0; n < raw.size(); ++n)
        {
            lines.push_back(read_line(raw[n], ooc_scene));
            if (lines.back().kind != Line::PLAIN)
                stamp = lines.back().stamp();
            stamps.push_back(stamp);
            entries.push_back(Entry { scene, n, Line() });
        }
    }
    resolve_actions(lines, known_names(lines));

    // Scenes were read one after the other: a stable sort by stamp alone
    // keeps each scene's own order and puts equal stamps scene by scene.
    std::vector<std::size_t> order(lines.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return stamps[a] < stamps[b]; });
    document.entries.reserve(order.size());
    for (std::size_t i : order)
    {
        document.entries.push_back(entries[i]);
        document.entries.back().line = std::move(lines[i]);
    }
    return document;
}

} // namespace Transcript
