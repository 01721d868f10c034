#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace
{

TEST(SystemError, AppendsTheErrorText)
{
    EXPECT_STREQ(
        "Cannot open x: No such file or directory", Kel::SystemError("Cannot open x", ENOENT).what());
    // An unknown error number still gives a text.
    EXPECT_EQ(std::string("poll: ") + std::strerror(99999), Kel::SystemError("poll", 99999).what());
}

} // namespace
