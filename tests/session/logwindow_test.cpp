#include "client/session/logwindow.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <tuple>
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

std::vector<std::string> texts(const BackLog& log, const LogWindow::Range& r)
{
    std::vector<std::string> result;
    for (long p = r.first; p < r.end; ++p)
        result.push_back(log.at(p).text);
    return result;
}

std::vector<std::string> numbers(int from, int to)
{
    std::vector<std::string> result;
    for (int i = from; i < to; ++i)
        result.push_back(std::to_string(i));
    return result;
}

// The texts from the oldest unshown line to the end, each followed by "|".
std::string unshown(const BackLog& log)
{
    std::string result;
    for (auto i = log.next(); i != log.end(); ++i)
        result += i->text + "|";
    return result;
}

} // namespace

// Past the limit the oldest lines go, down to a step, and come back at the
// top in order.
TEST(LogWindow, TrimKeepsTheNewestAndTheyComeBack)
{
    BackLog log;
    LogWindow window(10, 30);
    EXPECT_TRUE(window.show(log).empty());
    add(log, 0, 30);
    EXPECT_EQ(numbers(0, 30), texts(log, window.take_new(log)));
    EXPECT_EQ(0u, window.trim()) << "at the limit";
    add(log, 30, 31);
    EXPECT_EQ(numbers(30, 31), texts(log, window.take_new(log)));
    EXPECT_EQ(21u, window.trim());
    EXPECT_EQ(numbers(21, 31), texts(log, window.get_held()));
    EXPECT_EQ(numbers(11, 21), texts(log, window.take_earlier(log)));
    EXPECT_EQ(numbers(11, 31), texts(log, window.get_held()));
}

// Lines restored before the first while a window is shown appear at the top
// like any earlier line; the held ones keep their place.
TEST(LogWindow, LinesAddedAtTheFrontComeInAtTheTop)
{
    BackLog log;
    add(log, 3, 8);
    LogWindow window(4, 8);
    EXPECT_EQ(numbers(4, 8), texts(log, window.show(log)));
    for (int i = 2; i >= 0; --i)
        log.push_front(line(std::to_string(i)));
    add(log, 8, 9);
    EXPECT_EQ(numbers(8, 9), texts(log, window.take_new(log)));
    ASSERT_TRUE(window.has_earlier(log));
    EXPECT_EQ(numbers(0, 4), texts(log, window.take_earlier(log)));
    EXPECT_TRUE(window.take_earlier(log).empty());
    EXPECT_FALSE(window.has_earlier(log));
}

TEST(BackLog, NextMarksTheOldestUnshownLine)
{
    BackLog log;
    EXPECT_EQ("", unshown(log));
    log.push_back(line("one"));
    EXPECT_EQ("one|", unshown(log));
    log.reset_next();
    EXPECT_EQ("", unshown(log));
    log.push_back(line("two"));
    log.push_back(line("three"));
    // Restored lines go before the first and count as shown.
    log.push_front(line("zero"));
    EXPECT_EQ("two|three|", unshown(log));
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
    const auto fields = [](const LogLine& l) { return std::tie(l.type, l.mention, l.earlier, l.timestamp, l.name, l.text); };
    long position = log.first_position();
    for (const LogLine& want : lines)
    {
        const LogLine got = log.at(position++);
        EXPECT_TRUE(fields(want) == fields(got)) << want.text.substr(0, 20);
    }
    EXPECT_TRUE(log.last().earlier);
}
