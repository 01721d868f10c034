#ifndef PARLANE_CLIENT_TRANSCRIPT_SEARCH_H
#define PARLANE_CLIENT_TRANSCRIPT_SEARCH_H

#include "client/transcript/casefold.h"
#include "client/transcript/logfolder.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace Kel
{
namespace IO
{
class File;
}
} // namespace Kel

namespace Transcript
{

// A line of a log file that holds the text searched for.
struct Hit
{
    const SceneLog* scene; // not owned: an element of the LogFolder searched
    std::size_t number; // of the line in its file, from 0
    std::string stamp; // "YYYY-MM-DD HH:MM:SS"; empty for a line without one
    std::string text; // the line after its stamp, valid UTF-8
    // The first match in text, in bytes.
    std::size_t match_begin;
    std::size_t match_end;
};

// Finds every line of some log files that holds a text, ignoring case
// (Unicode case folding, see CaseFolder). It reads one block at a time, so
// that a program's loop can run it a step per turn and stay responsive;
// dropping the object or cancel() stops it. A line that a block cuts in two
// is searched whole with the next block.
//
// Each block is folded as a whole and the folded query looked for with
// memmem(), which skips through text without candidates at memory speed;
// line numbers are counted only up to the lines that match.
class Search
{
public:
    static constexpr std::size_t BLOCK_SIZE = 1 << 20;
    // Past this many hits the search stops: a query that common says little.
    static constexpr std::size_t MAX_HITS = 10000;

    // The scenes must outlive the search. An empty query finds nothing.
    Search(const std::vector<const SceneLog*>& scenes, const std::string& query, std::size_t block_size = BLOCK_SIZE);
    ~Search();
    Search(const Search&) = delete;
    Search& operator=(const Search&) = delete;

    // Reads and searches one block; false when the search is over. A file
    // that cannot be read is passed over.
    bool step();
    // Steps to the end.
    void run();
    void cancel();

    bool is_done() const { return done; }
    // Whether MAX_HITS ended the search.
    bool is_truncated() const { return truncated; }
    // The hits found since the last call, in file order.
    std::vector<Hit> take_hits();

private:
    bool open_next();
    void close_file();
    // Searches pending[0, length), which ends at the end of a line.
    void search_lines(std::size_t length);
    void add_hit(std::size_t line_begin, std::size_t line_end, std::size_t match, std::size_t match_length);

    std::vector<const SceneLog*> scenes;
    std::string query; // folded
    std::size_t block_size;
    std::size_t next_scene;
    std::unique_ptr<Kel::IO::File> file; // the file being read, if any
    std::string pending; // read and not searched yet: the start of a cut line
    std::size_t line_number; // of the first line in pending
    CaseFolder folder;
    std::vector<Hit> hits;
    std::size_t found;
    bool done;
    bool truncated;
};

} // namespace Transcript

#endif
