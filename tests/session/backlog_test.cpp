#include "client/session/backlog.h"

#include <gtest/gtest.h>

#include <iterator>

namespace
{

LogLine line(const std::string& text)
{
    return LogLine(LogLine::NORMAL, "12:00:00", "Bob", text);
}

} // namespace

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
