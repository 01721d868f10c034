#include "client/transcript/search.h"

#include "common/chattext.h"
#include "libs/core/source/core/except.h"
#include "libs/io/source/file.h"

#include <algorithm>
#include <cstring>
#include <string.h>

namespace Transcript
{

namespace
{

const std::size_t STAMP_LENGTH = 22; // "[YYYY-MM-DD HH:MM:SS] "

bool has_stamp(const char* line, std::size_t length)
{
    return length >= STAMP_LENGTH && line[0] == '[' && line[11] == ' ' && line[20] == ']' && line[21] == ' ';
}

} // namespace

Search::Search(const std::vector<const SceneLog*>& s, const std::string& q, std::size_t b):
    scenes(s), query(fold_case(q)), block_size(std::max<std::size_t>(b, 1)), next_scene(0), line_number(0),
    found(0), done(q.empty()), truncated(false)
{
}

Search::~Search() = default;

void Search::cancel()
{
    close_file();
    done = true;
}

void Search::run()
{
    while (step())
    {
    }
}

std::vector<Hit> Search::take_hits()
{
    std::vector<Hit> taken;
    taken.swap(hits);
    return taken;
}

bool Search::open_next()
{
    while (next_scene < scenes.size())
    {
        const SceneLog* scene = scenes[next_scene];
        try
        {
            file.reset(new Kel::IO::File(scene->path, Kel::IO::M_READ, Kel::IO::File::C_NONE));
            pending.clear();
            line_number = 0;
            return true;
        }
        catch (const Kel::Exception&)
        {
            ++next_scene;
        }
    }
    return false;
}

void Search::close_file()
{
    file.reset();
    pending.clear();
}

bool Search::step()
{
    if (done)
        return false;
    if (!file && !open_next())
    {
        done = true;
        return false;
    }
    std::size_t kept = pending.size();
    pending.resize(kept + block_size);
    unsigned got = 0;
    try
    {
        got = file->read(pending.data() + kept, static_cast<unsigned>(block_size));
    }
    catch (const Kel::Exception&)
    {
        got = 0;
    }
    pending.resize(kept + got);
    if (got == 0)
    {
        // The last line may lack its line feed.
        if (!pending.empty())
            search_lines(pending.size());
        close_file();
        ++next_scene;
    }
    else
    {
        const char* feed = static_cast<const char*>(memrchr(pending.data() + kept, '\n', got));
        if (feed)
        {
            std::size_t length = static_cast<std::size_t>(feed - pending.data()) + 1;
            search_lines(length);
            pending.erase(0, length);
        }
    }
    if (truncated)
        cancel();
    return !done;
}

void Search::search_lines(std::size_t length)
{
    const char* text = pending.data();
    folder.fold(text, text + length);
    const std::string& folded = folder.get_text();
    std::size_t counted = 0; // line_number is the number of the line at counted
    std::size_t next_line = 0; // no match before this: a line is listed once
    for (std::size_t from = 0; from + query.size() <= folded.size() && !truncated;)
    {
        const char* at = static_cast<const char*>(
            memmem(folded.data() + from, folded.size() - from, query.data(), query.size()));
        if (!at)
            break;
        std::size_t folded_match = static_cast<std::size_t>(at - folded.data());
        std::size_t match = folder.original_offset(folded_match);
        std::size_t match_end = folder.original_offset(folded_match + query.size());
        from = folded_match + 1;
        if (match < next_line)
            continue;
        const void* before = memrchr(text, '\n', match);
        std::size_t line_begin = before ? static_cast<const char*>(before) - text + 1 : 0;
        const void* after = std::memchr(text + match, '\n', length - match);
        std::size_t line_end = after ? static_cast<const char*>(after) - text : length;
        line_number += static_cast<std::size_t>(std::count(text + counted, text + line_begin, '\n'));
        counted = line_begin;
        add_hit(line_begin, line_end, match, match_end - match);
        next_line = line_end + 1;
    }
    line_number += static_cast<std::size_t>(std::count(text + counted, text + length, '\n'));
}

void Search::add_hit(std::size_t line_begin, std::size_t line_end, std::size_t match, std::size_t match_length)
{
    const char* line = pending.data() + line_begin;
    std::size_t length = line_end - line_begin;
    if (length > 0 && line[length - 1] == '\r')
        --length;
    std::size_t body = has_stamp(line, length) ? STAMP_LENGTH : 0;
    std::size_t begin = match - line_begin;
    if (begin < body) // the match is in the stamp: show the line from its start
        body = 0;
    std::size_t end = std::min(begin + match_length, length);

    Hit hit;
    hit.scene = scenes[next_scene];
    hit.number = line_number;
    if (has_stamp(line, length))
        hit.stamp.assign(line + 1, 19);
    hit.text = ChatText::replace_invalid_utf8(std::string(line + body, begin - body));
    hit.match_begin = hit.text.size();
    hit.text += ChatText::replace_invalid_utf8(std::string(line + begin, end - begin));
    hit.match_end = hit.text.size();
    hit.text += ChatText::replace_invalid_utf8(std::string(line + end, length - end));
    hits.push_back(std::move(hit));
    if (++found >= MAX_HITS)
        truncated = true;
}

} // namespace Transcript
