#include "client/session/logwindow.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace
{

LogLine line(const std::string& text)
{
    return LogLine(LogLine::NORMAL, "12:00:00", "Bob", text);
}

void add(BackLog& log, int from, int to)
{
    for (int i = from; i < to; ++i)
        log.push_back(line(std::to_string(i)));
}

// What a display built from the window's ranges holds, as the lines' texts.
class Display
{
public:
    void replace(const BackLog& log, const LogWindow::Range& r)
    {
        texts.clear();
        append(log, r);
    }
    void append(const BackLog& log, const LogWindow::Range& r)
    {
        for (long p = r.first; p < r.end; ++p)
            texts.push_back(log.at(p).text);
    }
    void prepend(const BackLog& log, const LogWindow::Range& r)
    {
        std::vector<std::string> earlier;
        for (long p = r.first; p < r.end; ++p)
            earlier.push_back(log.at(p).text);
        texts.insert(texts.begin(), earlier.begin(), earlier.end());
    }
    void drop(std::size_t n) { texts.erase(texts.begin(), texts.begin() + n); }

    std::vector<std::string> texts;
};

std::vector<std::string> numbers(int from, int to)
{
    std::vector<std::string> texts;
    for (int i = from; i < to; ++i)
        texts.push_back(std::to_string(i));
    return texts;
}

} // namespace

// Past the limit the oldest lines go, down to a step, and come back at the
// top in order.
TEST(LogWindow, TrimKeepsTheNewestAndTheyComeBack)
{
    BackLog log;
    LogWindow window(10, 30);
    Display display;
    display.replace(log, window.show(log));
    EXPECT_TRUE(display.texts.empty());
    add(log, 0, 30);
    display.append(log, window.take_new(log));
    EXPECT_EQ(0u, window.trim()) << "at the limit";

    add(log, 30, 31);
    display.append(log, window.take_new(log));
    display.drop(window.trim());
    EXPECT_EQ(numbers(21, 31), display.texts);

    display.prepend(log, window.take_earlier(log));
    EXPECT_EQ(numbers(11, 31), display.texts);
}

// Lines restored before the first while a window is shown appear at the top
// like any earlier line; the held ones keep their place.
TEST(LogWindow, LinesAddedAtTheFrontComeInAtTheTop)
{
    BackLog log;
    add(log, 3, 8);
    LogWindow window(4, 8);
    Display display;
    display.replace(log, window.show(log));
    for (int i = 2; i >= 0; --i)
        log.push_front(LogLine(LogLine::NORMAL, "11:00:00", "Bob", std::to_string(i)));
    add(log, 8, 9);
    display.append(log, window.take_new(log));
    ASSERT_TRUE(window.has_earlier(log));
    display.prepend(log, window.take_earlier(log));
    display.prepend(log, window.take_earlier(log));
    EXPECT_EQ(numbers(0, 9), display.texts);
    EXPECT_FALSE(window.has_earlier(log));
}

TEST(BackLog, NextMarksTheOldestUnshownLine)
{
    BackLog log;
    EXPECT_TRUE(log.next() == log.end());

    log.push_back(line("one"));
    ASSERT_TRUE(log.next() != log.end());
    EXPECT_EQ("one", log.next()->text);

    log.reset_next();
    EXPECT_TRUE(log.next() == log.end());
    log.push_back(line("two"));
    log.push_back(line("three"));
    ASSERT_TRUE(log.next() != log.end());
    EXPECT_EQ("two", log.next()->text);
    EXPECT_EQ("three", std::next(log.next())->text);
    EXPECT_TRUE(std::next(log.next(), 2) == log.end());

    // Restored lines go before the first and count as shown.
    log.push_front(line("zero"));
    EXPECT_EQ("two", log.next()->text);
}

// Each field comes back as it went in from the packed line.
TEST(BackLog, LinesComeBackWhole)
{
    LogLine earlier(LogLine::SEPARATOR, "", "", "");
    earlier.earlier = true;
    const LogLine lines[] = {
        LogLine(LogLine::OOC, "23:59:59", "Guard", "((a remark))", true),
        LogLine(LogLine::EVENT, "00:00:00", "*", "", false),
        LogLine(LogLine::PROBLEM, "01:02:03", "", std::string(70000, 'x') + "\xC3\xA9", true),
        LogLine(LogLine::NOTICE, "12:00:00", "Ämma", std::string("nul\0inside", 10)),
        earlier,
    };
    BackLog log;
    for (const LogLine& l : lines)
        log.push_back(l);
    ASSERT_EQ(std::size(lines), log.size());
    long position = log.first_position();
    for (const LogLine& want : lines)
    {
        SCOPED_TRACE(want.text.substr(0, 20));
        LogLine got = log.at(position++);
        EXPECT_EQ(want.type, got.type);
        EXPECT_EQ(want.mention, got.mention);
        EXPECT_EQ(want.earlier, got.earlier);
        EXPECT_EQ(want.timestamp, got.timestamp);
        EXPECT_EQ(want.name, got.name);
        EXPECT_EQ(want.text, got.text);
    }
    EXPECT_TRUE(log.last().earlier);
}

// A line keeps its position whatever is added at either end.
TEST(BackLog, PositionsStayWithTheirLines)
{
    BackLog log;
    log.push_back(line("b"));
    long b = log.first_position();
    log.push_front(line("a"));
    log.push_back(line("c"));
    EXPECT_EQ("b", log.at(b).text);
    EXPECT_EQ("a", log.at(b - 1).text);
    EXPECT_EQ(b - 1, log.first_position());
    EXPECT_EQ(b + 2, log.end_position());
    EXPECT_EQ("a", log.begin()->text);
    EXPECT_EQ("c", std::prev(log.end())->text);
}
