#include "client/backlog.h"

#include <gtest/gtest.h>

#include <iterator>

namespace
{

LogLine line(const std::string& text)
{
    return LogLine(LogLine::NORMAL, "12:00:00", "Bob", text);
}

} // namespace

TEST(BackLog, NextOfANewBacklogIsTheEnd)
{
    BackLog log;
    EXPECT_TRUE(log.next() == log.end());
    EXPECT_TRUE(log.begin() == log.end());
}

TEST(BackLog, NextMarksTheOldestUnshownLine)
{
    BackLog log;
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
    EXPECT_EQ(3, std::distance(log.begin(), log.end()));
}

TEST(BackLog, ResetAfterTheLastLineThenPushShowsOnlyTheNewLine)
{
    BackLog log;
    for (int i = 0; i < 3; ++i)
        log.push_back(line("old"));
    log.reset_next();
    log.push_back(line("new"));
    EXPECT_EQ("new", log.next()->text);
    EXPECT_TRUE(std::next(log.next()) == log.end());
}
