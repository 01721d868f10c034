#include "client/session/logwindow.h"

#include <algorithm>

LogWindow::LogWindow(std::size_t step, std::size_t limit):
    step(static_cast<long>(step)), limit(static_cast<long>(std::max(step, limit))), held { 0, 0 }
{
}

LogWindow::Range LogWindow::show(const BackLog& log)
{
    long end = log.end_position();
    held = Range { std::max(log.first_position(), end - step), end };
    return held;
}

LogWindow::Range LogWindow::take_new(const BackLog& log)
{
    Range added { held.end, log.end_position() };
    if (added.empty())
        return Range { held.end, held.end };
    held.end = added.end;
    return added;
}

LogWindow::Range LogWindow::take_earlier(const BackLog& log)
{
    Range earlier { std::max(log.first_position(), held.first - step), held.first };
    if (earlier.empty())
        return Range { held.first, held.first };
    held.first = earlier.first;
    return earlier;
}

std::size_t LogWindow::trim()
{
    if (held.size() <= limit)
        return 0;
    long dropped = held.size() - step;
    held.first += dropped;
    return static_cast<std::size_t>(dropped);
}
