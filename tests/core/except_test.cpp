#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace
{

TEST(Exception, WhatIsTheMessage)
{
    EXPECT_STREQ("plain", Kel::Exception("plain").what());
    EXPECT_STREQ("out of range", Kel::InvalidParameterValue("out of range").what());
    // Any bytes, including a NUL, are kept; what() stops at the NUL.
    std::string with_nul("a\0b", 3);
    EXPECT_STREQ("a", Kel::Exception(with_nul).what());
}

TEST(Exception, FreshExceptionHasNoFrames)
{
    EXPECT_TRUE(Kel::Exception("x").get_backtrace().get_frames().empty());
    EXPECT_TRUE(Kel::KeyError("x", "y").get_backtrace().get_frames().empty());
}

TEST(Exception, FamilyIsCaughtAsTheBase)
{
    try
    {
        throw Kel::IO::FileNotFound("Cannot open parlane.conf", "parlane.conf");
    }
    catch (const Kel::Exception& e)
    {
        EXPECT_STREQ("Cannot open parlane.conf", e.what());
        const Kel::IO::FileNotFound* found = dynamic_cast<const Kel::IO::FileNotFound*>(&e);
        ASSERT_NE(nullptr, found);
        EXPECT_EQ("parlane.conf", found->get_filename());
    }
}

TEST(KeyError, AppendsTheKeyInParentheses)
{
    Kel::KeyError e("Unknown enum", "abc");
    EXPECT_STREQ("Unknown enum (abc)", e.what());
    EXPECT_EQ("abc", e.get_key());
    EXPECT_STREQ("Unknown keyword ()", Kel::KeyError("Unknown keyword", "").what());
}

TEST(SystemError, AppendsTheErrorText)
{
    Kel::SystemError e("Cannot open x", 2);
    EXPECT_EQ(std::string("Cannot open x: ") + std::strerror(2), e.what());
    EXPECT_STREQ("Cannot open x: No such file or directory", e.what());
    EXPECT_EQ(2, e.get_error_code());
    EXPECT_EQ(std::string("read: ") + std::strerror(EINTR), Kel::SystemError::build_what("read", EINTR));
    // An unknown error number still gives a text.
    EXPECT_EQ(std::string("poll: ") + std::strerror(99999), Kel::SystemError("poll", 99999).what());
}

TEST(UsageError, CarriesTheBriefFlag)
{
    EXPECT_FALSE(Kel::UsageError("bad").get_brief());
    Kel::UsageError brief("bad", true);
    EXPECT_TRUE(brief.get_brief());
    EXPECT_STREQ("bad", brief.what());
}

} // namespace
