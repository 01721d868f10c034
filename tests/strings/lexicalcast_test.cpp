#include "libs/strings/source/lexicalcast.h"

#include "libs/core/source/core/except.h"

#include <gmock/gmock.h>

#include <string>

namespace
{

using Kel::lexical_cast;

template <typename T> void expect_failure(const std::string& text)
{
    EXPECT_THAT(
        [&] { lexical_cast<T>(text); }, testing::ThrowsMessage<Kel::LexicalError>("Conversion failure"))
        << '"' << text << '"';
}

TEST(LexicalCast, Numbers)
{
    EXPECT_EQ(lexical_cast<unsigned int>("4294967295"), 4294967295u);
    EXPECT_EQ(lexical_cast<unsigned int>("+7"), 7u);
    EXPECT_EQ(lexical_cast<int>("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(lexical_cast<long long>("-9000000000"), -9000000000LL);
    EXPECT_DOUBLE_EQ(lexical_cast<double>("2.5e3"), 2500.0);
    for (const char* text : { " 42", "42 ", "4x", "", "4294967296", "0x10", "4.5" })
        expect_failure<unsigned int>(text);
    expect_failure<int>("2147483648");
    expect_failure<unsigned short>("65536");
    expect_failure<double>("2.5x");
}

// The standard extraction would read "-1" as the largest value; a dice
// command "/dice -1d6" must not roll four billion dice.
TEST(LexicalCast, UnsignedRejectsMinusSign)
{
    for (const char* text : { "-1", "-0", "-" })
    {
        expect_failure<unsigned int>(text);
        expect_failure<unsigned short>(text);
        expect_failure<unsigned long long>(text);
        expect_failure<bool>(text);
    }
}

TEST(LexicalCast, BoolAndCharacters)
{
    EXPECT_TRUE(lexical_cast<bool>("1"));
    EXPECT_FALSE(lexical_cast<bool>("0"));
    for (const char* text : { "true", "false", "2", "", "1 ", "yes" })
        expect_failure<bool>(text);
    // Character types read one character, whatever it is.
    EXPECT_EQ(lexical_cast<char>("-"), '-');
    EXPECT_EQ(lexical_cast<unsigned char>("-"), '-');
    EXPECT_EQ(lexical_cast<char>(" "), ' ');
    expect_failure<char>("ab");
}

} // namespace
