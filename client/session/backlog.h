#ifndef PARLANE_CLIENT_SESSION_BACKLOG_H
#define PARLANE_CLIENT_SESSION_BACKLOG_H

#include "client/session/logline.h"

#include <list>
#include <vector>

// Every line of one scene, oldest first, with a mark at the oldest line the
// display has not shown yet. Grows without limit for the life of the scene.
class BackLog
{
public:
    typedef std::list<LogLine>::const_iterator const_iterator;

    BackLog();
    // next_ points into store, so a copy would point into the wrong list.
    BackLog(const BackLog&) = delete;
    BackLog& operator=(const BackLog&) = delete;

    // Appends the line; if everything had been shown, the new line becomes
    // the first unshown one.
    void push_back(const LogLine& line);
    // Puts lines, in their order, before every line there is. The mark of
    // unshown lines does not cover them: a display that has shown this
    // backlog must render it again from begin().
    void restore(const std::vector<LogLine>& lines);

    const_iterator begin() const { return store.begin(); }
    const_iterator end() const { return store.end(); }
    // The oldest line not yet shown; end() when all have been shown.
    const_iterator next() const { return next_; }
    // The newest line; the backlog must not be empty.
    const LogLine& last() const { return store.back(); }
    // Marks every line as shown.
    void reset_next() { next_ = store.end(); }

private:
    std::list<LogLine> store;
    const_iterator next_;
};

#endif
