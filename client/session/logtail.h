#ifndef PARLANE_CLIENT_SESSION_LOGTAIL_H
#define PARLANE_CLIENT_SESSION_LOGTAIL_H

#include "client/session/logline.h"

#include <cstddef>
#include <string>
#include <vector>

// Reads the newest lines of a scene's log file back, so that a scene joined
// again mid-session shows what was said before. Only the end of the file is
// read, block by block from its end: the cost follows the lines asked for,
// not the size of the file. Whatever the file holds comes back as text that
// is safe to show; nothing here throws for odd content.
namespace LogTail
{

// Bytes read from the file at a time.
inline constexpr std::size_t BLOCK = 64 * 1024;
// Bytes kept of one line. A longer line is the last one read: it comes back
// as "…" and its final MAX_LINE bytes, and the lines before it are not read,
// so a file without line feeds costs no more than one long line.
inline constexpr std::size_t MAX_LINE = 64 * 1024;
// The time stamp of a line without one.
inline constexpr char NO_STAMP[] = "--:--:--";

// The last count lines of the file at path, oldest first, without their
// line feeds; empty lines are skipped and a last line without a line feed
// counts. A file that does not exist has no lines. Throws Kel::SystemError
// when the file exists but cannot be read.
//   a file "a\nb\n\nc" with count 2 -> {"b", "c"}
std::vector<std::string> last_lines(const std::string& path, std::size_t count, std::size_t block = BLOCK);

// The stamp a scene puts before every line it logs: "[YYYY-MM-DD HH:MM:SS] ".
inline constexpr std::size_t STAMP_LENGTH = 22;
// Whether raw begins with such a stamp, digits where the scene writes them.
bool is_stamped(const std::string& raw);
// Whether body, a logged line after its stamp, is an out-of-character
// remark as a scene logs it, "((name: text))"; a name holds no ": ", the
// text may. If so, sets name and text.
bool read_ooc(const std::string& body, std::string& name, std::string& text);

// One line as a scene writes it to its log file, back as a backlog line
// marked earlier. "[2031-05-04 20:15:09] Guard draws a sword." becomes a
// NORMAL line at "20:15:09" with that text and no name (the file keeps the
// speaker only inside the text); "[…] ((Guard: brb))" an OOC line of Guard.
// A line of another shape becomes a NORMAL line stamped NO_STAMP with the
// whole line as its text. Bytes that are not UTF-8 become U+FFFD.
LogLine parse(const std::string& raw);

// last_lines, each parsed.
std::vector<LogLine> read(const std::string& path, std::size_t count);

} // namespace LogTail

#endif
