#include "client/session/backlog.h"

#include <gtest/gtest.h>

#include <iterator>

TEST(BackLog, NextMarksTheOldestUnshownLine)
{
    auto line = [](const char* text) { return LogLine(LogLine::NORMAL, "12:00:00", "Bob", text); };
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
}
