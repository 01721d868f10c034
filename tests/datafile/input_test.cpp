#include "libs/datafile/source/input.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using Kel::DataFile::Input;

TEST(Input, DeliversEveryByteAndEndsAfterTheLast)
{
    std::istringstream stream(std::string("\n\xff\x80\0", 4));
    Input in(stream);
    // Peeking neither consumes nor counts lines.
    EXPECT_EQ('\n', in.peek());
    EXPECT_EQ(1u, in.get_line_number());
    EXPECT_EQ('\n', in.get());
    EXPECT_EQ(2u, in.get_line_number());
    EXPECT_EQ(255, in.get());
    EXPECT_EQ(128, in.peek());
    EXPECT_EQ(128, in.get());
    EXPECT_EQ(0, in.get());
    EXPECT_TRUE(in);
    EXPECT_EQ(-1, in.peek());
    EXPECT_FALSE(in);
    EXPECT_EQ(-1, in.get());
    EXPECT_EQ(2u, in.get_line_number());
}

TEST(Input, FailedOrUnreadableStreamIsEmpty)
{
    std::istringstream failed("abc");
    failed.setstate(std::ios_base::failbit);
    // Reading a folder fails inside the stream buffer.
    std::ifstream folder("/");
    for (std::istream* stream : { static_cast<std::istream*>(&failed), static_cast<std::istream*>(&folder) })
    {
        Input in(*stream);
        EXPECT_EQ(-1, in.peek());
        EXPECT_EQ(-1, in.get());
        EXPECT_FALSE(in);
        EXPECT_FALSE(*stream);
    }
    EXPECT_TRUE(folder.bad());
}
