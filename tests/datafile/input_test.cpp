#include "libs/datafile/source/input.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using Kel::DataFile::Input;

TEST(Input, DeliversEveryByteAndEndsAfterTheLast)
{
    std::istringstream stream(std::string("\n\xff\x80\0", 4));
    Input in(stream);
    // Each peek (p) or get (g), its result, the line number after it and "!"
    // once the input reports its end. Peeking neither consumes nor counts lines.
    std::string seen;
    for (char call : std::string("pggpggpg"))
    {
        int c = call == 'p' ? in.peek() : in.get();
        seen += call + std::to_string(c) + "@" + std::to_string(in.get_line_number()) + (in ? " " : "! ");
    }
    EXPECT_EQ("p10@1 g10@2 g255@2 p128@2 g128@2 g0@2 p-1@2! g-1@2! ", seen);
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
