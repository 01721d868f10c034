#include "client/session/backlog.h"

#include <iterator>

BackLog::BackLog(): next_(store.end()) { }

void BackLog::push_back(const LogLine& line)
{
    bool all_shown = (next_ == store.end());
    store.push_back(line);
    if (all_shown)
        next_ = std::prev(store.end());
}

void BackLog::restore(const std::vector<LogLine>& lines)
{
    store.insert(store.begin(), lines.begin(), lines.end());
}
