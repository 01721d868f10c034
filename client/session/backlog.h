#ifndef PARLANE_CLIENT_SESSION_BACKLOG_H
#define PARLANE_CLIENT_SESSION_BACKLOG_H

#include "client/session/logline.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <iterator>
#include <memory>
#include <vector>

// Every line of one scene, oldest first, with a mark at the oldest line the
// display has not shown yet. Grows without limit for the life of the scene,
// so each line is kept packed in one allocation; reading one gives a
// LogLine made afresh.
//
// Each line has a position that stays with it: the next line added at the
// back gets the position after the last, one added at the front the
// position before the first. A display remembers positions, not iterators.
class BackLog
{
public:
    class const_iterator;

    BackLog();

    // Appends the line; if everything had been shown, the new line becomes
    // the first unshown one.
    void push_back(const LogLine& line);
    // Puts the line before the first one. It counts as shown.
    void push_front(const LogLine& line);
    // Puts lines, in their order, before every line there is; they count
    // as shown, as with push_front.
    void restore(const std::vector<LogLine>& lines);

    const_iterator begin() const;
    const_iterator end() const;
    // The oldest line not yet shown; end() when all have been shown.
    const_iterator next() const;
    // The newest line; the backlog must not be empty.
    LogLine last() const { return line(store.size() - 1); }
    // Marks every line as shown.
    void reset_next() { unshown = 0; }

    std::size_t size() const { return store.size(); }
    bool empty() const { return store.empty(); }
    // Positions of the first line and of the place after the last.
    long first_position() const { return first; }
    long end_position() const { return first + static_cast<long>(store.size()); }
    // The line at a position from first_position() up to end_position().
    LogLine at(long position) const { return line(static_cast<std::size_t>(position - first)); }

private:
    // The packed line: a Header, then the time stamp, the name and the text.
    struct Header
    {
        std::uint32_t stamp_size;
        std::uint32_t name_size;
        std::uint32_t text_size;
        std::uint8_t type;
        std::uint8_t flags;
    };
    static std::unique_ptr<char[]> pack(const LogLine& line);
    LogLine line(std::size_t index) const;

    std::deque<std::unique_ptr<char[]>> store;
    std::size_t unshown; // lines at the back not shown yet
    long first;
};

// Reads lines by index; what it points to is made on each dereference, so
// keep the LogLine, not a pointer into it.
class BackLog::const_iterator
{
public:
    typedef std::random_access_iterator_tag iterator_category;
    typedef LogLine value_type;
    typedef std::ptrdiff_t difference_type;
    typedef LogLine reference;

    // What operator-> points into: the line, alive for the full expression.
    class pointer
    {
    public:
        explicit pointer(LogLine l): line(std::move(l)) { }
        const LogLine* operator->() const { return &line; }

    private:
        LogLine line;
    };

    const_iterator(): log(nullptr), index(0) { }
    const_iterator(const BackLog* log, std::size_t index): log(log), index(index) { }

    LogLine operator*() const { return log->line(index); }
    pointer operator->() const { return pointer(log->line(index)); }
    LogLine operator[](difference_type n) const { return log->line(index + n); }

    const_iterator& operator++() { ++index; return *this; }
    const_iterator operator++(int) { const_iterator old = *this; ++index; return old; }
    const_iterator& operator--() { --index; return *this; }
    const_iterator operator--(int) { const_iterator old = *this; --index; return old; }
    const_iterator& operator+=(difference_type n) { index += n; return *this; }
    const_iterator& operator-=(difference_type n) { index -= n; return *this; }
    const_iterator operator+(difference_type n) const { return const_iterator(log, index + n); }
    const_iterator operator-(difference_type n) const { return const_iterator(log, index - n); }
    difference_type operator-(const const_iterator& other) const
    {
        return static_cast<difference_type>(index) - static_cast<difference_type>(other.index);
    }

    bool operator==(const const_iterator& other) const { return index == other.index; }
    bool operator!=(const const_iterator& other) const { return index != other.index; }
    bool operator<(const const_iterator& other) const { return index < other.index; }
    bool operator>(const const_iterator& other) const { return index > other.index; }
    bool operator<=(const const_iterator& other) const { return index <= other.index; }
    bool operator>=(const const_iterator& other) const { return index >= other.index; }

private:
    const BackLog* log; // not owned
    std::size_t index;
};

#endif
