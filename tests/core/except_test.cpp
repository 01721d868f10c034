#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace
{

TEST(Exception, WhatIsTheMessage)
{
    EXPECT_STREQ("plain", Kel::Exception("plain").what());
    // Any bytes, including a NUL, are kept; what() stops at the NUL.
    EXPECT_STREQ("a", Kel::Exception(std::string("a\0b", 3)).what());
}

TEST(KeyError, AppendsTheKeyInParentheses)
{
    EXPECT_STREQ("Unknown enum (abc)", Kel::KeyError("Unknown enum", "abc").what());
    EXPECT_STREQ("Unknown keyword ()", Kel::KeyError("Unknown keyword", "").what());
}

TEST(SystemError, AppendsTheErrorText)
{
    Kel::SystemError e("Cannot open x", ENOENT);
    EXPECT_STREQ("Cannot open x: No such file or directory", e.what());
    EXPECT_EQ(ENOENT, e.get_error_code());
    EXPECT_EQ(std::string("read: ") + std::strerror(EINTR), Kel::SystemError::build_what("read", EINTR));
    // An unknown error number still gives a text.
    EXPECT_EQ(std::string("poll: ") + std::strerror(99999), Kel::SystemError("poll", 99999).what());
}

} // namespace
