#include "libs/datafile/source/input.h"

#include <gtest/gtest.h>

#include <sstream>

using Kel::DataFile::Input;

TEST(Input, GetDeliversEveryByteAndCountsLineFeeds)
{
    std::istringstream stream("a\nb\n");
    Input in(stream);
    EXPECT_EQ(1u, in.get_line_number());
    EXPECT_EQ('a', in.get());
    EXPECT_EQ('\n', in.get());
    EXPECT_EQ(2u, in.get_line_number());
    EXPECT_EQ('b', in.get());
    EXPECT_TRUE(in);
    EXPECT_EQ('\n', in.get());
    EXPECT_EQ(3u, in.get_line_number());
    // The last byte has been delivered; only now does the input end.
    EXPECT_TRUE(in);
    EXPECT_EQ(-1, in.get());
    EXPECT_FALSE(in);
    EXPECT_EQ(-1, in.get());
    EXPECT_EQ(3u, in.get_line_number());
}

TEST(Input, PeekNeitherConsumesNorCountsLines)
{
    std::istringstream stream("\nx");
    Input in(stream);
    EXPECT_EQ('\n', in.peek());
    EXPECT_EQ('\n', in.peek());
    EXPECT_EQ(1u, in.get_line_number());
    EXPECT_EQ('\n', in.get());
    EXPECT_EQ(2u, in.get_line_number());
    EXPECT_EQ('x', in.peek());
    EXPECT_EQ('x', in.get());
    EXPECT_TRUE(in);
    EXPECT_EQ(-1, in.peek());
    EXPECT_FALSE(in);
    EXPECT_EQ(-1, in.get());
}

TEST(Input, HighBytesArePositive)
{
    std::istringstream stream(std::string("\xff\x80\0", 3));
    Input in(stream);
    EXPECT_EQ(255, in.get());
    EXPECT_EQ(128, in.peek());
    EXPECT_EQ(128, in.get());
    EXPECT_EQ(0, in.get());
    EXPECT_EQ(-1, in.get());
}

TEST(Input, FailedStreamIsEmpty)
{
    std::istringstream stream("abc");
    stream.setstate(std::ios_base::failbit);
    Input in(stream);
    EXPECT_FALSE(in);
    EXPECT_EQ(-1, in.peek());
    EXPECT_EQ(-1, in.get());
}

namespace
{

// Delivers "ab", then fails as a file read error would.
class FailingBuffer: public std::streambuf
{
protected:
    int_type underflow() override
    {
        if (served)
            throw std::ios_base::failure("read error");
        served = true;
        setg(data, data, data + 2);
        return traits_type::to_int_type(data[0]);
    }

private:
    char data[2] = { 'a', 'b' };
    bool served = false;
};

} // namespace

TEST(Input, ReadErrorEndsTheInputAndMarksTheStreamBad)
{
    FailingBuffer buffer;
    std::istream stream(&buffer);
    Input in(stream);
    EXPECT_EQ('a', in.get());
    EXPECT_EQ('b', in.get());
    EXPECT_EQ(-1, in.get());
    EXPECT_FALSE(in);
    EXPECT_TRUE(stream.bad());
}
