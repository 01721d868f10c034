#ifndef PARLANE_CLIENT_SESSION_LOGWINDOW_H
#define PARLANE_CLIENT_SESSION_LOGWINDOW_H

#include "client/session/backlog.h"

#include <cstddef>

// Which lines of a backlog a log display holds: one run of consecutive
// positions. A display shows the newest lines of a scene, not all of them,
// so that showing a scene with a long backlog costs the same as a short one;
// earlier lines come in a step at a time when the reader reaches the top,
// and while the display follows the newest lines the oldest it holds are
// let go once it holds more than a limit.
class LogWindow
{
public:
    // A run of positions, first included, end not.
    struct Range
    {
        long first;
        long end;
        long size() const { return end - first; }
        bool empty() const { return first >= end; }
    };

    // step: lines shown at first and brought in by each take_earlier;
    // limit: lines held past which trim lets the oldest go, down to step.
    LogWindow(std::size_t step, std::size_t limit);

    // Starts over on log: the newest lines up to step, which the display
    // shows in place of what it held.
    Range show(const BackLog& log);
    // Lines added since the last call (or since show), for the end.
    Range take_new(const BackLog& log);
    // Up to step lines before the first held, for the start; empty when the
    // display holds the first line of the log.
    Range take_earlier(const BackLog& log);
    // How many of the oldest lines held to let go, which are then no longer
    // held: none up to the limit, else all but the newest step.
    std::size_t trim();

    bool has_earlier(const BackLog& log) const { return held.first > log.first_position(); }
    const Range& get_held() const { return held; }

private:
    long step;
    long limit;
    Range held;
};

#endif
