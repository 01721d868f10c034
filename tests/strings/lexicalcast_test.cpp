#include "libs/strings/source/lexicalcast.h"

#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

template <typename T> void expect_failure(const std::string& text)
{
    SCOPED_TRACE("\"" + text + "\"");
    try
    {
        Kel::lexical_cast<T>(text);
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::LexicalError& e)
    {
        EXPECT_STREQ(e.what(), "Conversion failure");
    }
}

TEST(LexicalCast, UnsignedInt)
{
    EXPECT_EQ(Kel::lexical_cast<unsigned int>("42"), 42u);
    EXPECT_EQ(Kel::lexical_cast<unsigned int>("0"), 0u);
    EXPECT_EQ(Kel::lexical_cast<unsigned int>("4294967295"), 4294967295u);
    EXPECT_EQ(Kel::lexical_cast<unsigned int>("+7"), 7u);

    const char* bad[]
        = { " 42", "42 ", "4x", "", "x", "4294967296", "99999999999999999999", "0x10", "4.5", "\t1" };
    for (const char* text : bad)
        expect_failure<unsigned int>(text);
}

// The standard extraction would read "-1" as the largest value; a dice
// command "/dice -1d6" must not roll four billion dice.
TEST(LexicalCast, UnsignedRejectsMinusSign)
{
    const char* negative[] = { "-1", "-0", "-4294967295", "-4294967296", "-" };
    for (const char* text : negative)
    {
        expect_failure<unsigned int>(text);
        expect_failure<unsigned short>(text);
        expect_failure<unsigned long long>(text);
        expect_failure<bool>(text);
    }
}

TEST(LexicalCast, SignedAndFloatingPoint)
{
    EXPECT_EQ(Kel::lexical_cast<int>("-1"), -1);
    EXPECT_EQ(Kel::lexical_cast<int>("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(Kel::lexical_cast<long long>("-9000000000"), -9000000000LL);
    EXPECT_EQ(Kel::lexical_cast<unsigned short>("65535"), 65535u);
    EXPECT_DOUBLE_EQ(Kel::lexical_cast<double>("2.5e3"), 2500.0);
    EXPECT_FLOAT_EQ(Kel::lexical_cast<float>("-0.25"), -0.25f);

    expect_failure<int>("2147483648");
    expect_failure<unsigned short>("65536");
    expect_failure<double>("2.5x");
    expect_failure<double>(" 1");
}

TEST(LexicalCast, Bool)
{
    EXPECT_TRUE(Kel::lexical_cast<bool>("1"));
    EXPECT_FALSE(Kel::lexical_cast<bool>("0"));

    const char* bad[] = { "true", "false", "2", "", "1 ", "yes" };
    for (const char* text : bad)
        expect_failure<bool>(text);
}

TEST(LexicalCast, CharacterTypesReadOneCharacter)
{
    EXPECT_EQ(Kel::lexical_cast<char>("-"), '-');
    EXPECT_EQ(Kel::lexical_cast<unsigned char>("-"), '-');
    EXPECT_EQ(Kel::lexical_cast<char>(" "), ' ');
    expect_failure<char>("ab");
}

} // namespace
