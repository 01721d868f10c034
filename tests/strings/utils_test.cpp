#include "libs/strings/source/utils.h"

#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace
{

using Fields = std::vector<std::string>;

struct SplitCase
{
    const char* call;
    Fields result;
    Fields expected;
};

void check(const std::vector<SplitCase>& cases)
{
    for (const SplitCase& c : cases)
    {
        SCOPED_TRACE(c.call);
        EXPECT_EQ(c.result, c.expected);
    }
}

TEST(Utils, SplitFieldsKeepsEmptyFields)
{
    check({
        { "a;;b", Kel::split_fields("a;;b", ';'), { "a", "", "b" } },
        { "a;", Kel::split_fields("a;", ';'), { "a", "" } },
        { ";", Kel::split_fields(";", ';'), { "", "" } },
        { "empty", Kel::split_fields("", ';'), {} },
        { "a;b;c limit 1", Kel::split_fields("a;b;c", ';', 1), { "a", "b;c" } },
        { "a;b;c limit 0", Kel::split_fields("a;b;c", ';', 0), { "a;b;c" } },
        { "a;b;c limit 2", Kel::split_fields("a;b;c", ';', 2), { "a", "b", "c" } },
        { "a;b; limit 2", Kel::split_fields("a;b;", ';', 2), { "a", "b", "" } },
        { "a;b;c limit 5", Kel::split_fields("a;b;c", ';', 5), { "a", "b", "c" } },
        { "a--b----c", Kel::split_fields("a--b----c", "--"), { "a", "b", "", "c" } },
        { "a---b", Kel::split_fields("a---b", "--"), { "a", "-b" } },
        { "string ;", Kel::split_fields(";x;", ";"), { "", "x", "" } },
        { "no separator", Kel::split_fields("abc", ';'), { "abc" } },
        { "empty separator", Kel::split_fields("a;b", ""), { "a;b" } },
    });
}

TEST(Utils, SplitDropsEmptyFields)
{
    check({
        { "blank set", Kel::split(" a  b ", " "), { "a", "b" } },
        { "set ,;", Kel::split("a,;b", ",;"), { "a", "b" } },
        { "limit 1", Kel::split("a  b  c", ' ', 1), { "a", "b  c" } },
        { "limit 0 after blanks", Kel::split("  a b", " ", 0), { "a b" } },
        { "only separators", Kel::split(",,,", ','), {} },
        { "empty", Kel::split("", ','), {} },
        { "empty set", Kel::split("a b", ""), { "a b" } },
        { "split_long", Kel::split_long("a--b----c", "--"), { "a", "b", "c" } },
        { "split_long limit 1", Kel::split_long("--a----b--c", "--", 1), { "a", "b--c" } },
        { "split_long empty separator", Kel::split_long("ab", ""), { "ab" } },
        { "split_long empty", Kel::split_long("", "--"), {} },
    });
}

TEST(Utils, SplitWithAllowEmpty)
{
    check({
        { ",a,,b, kept", Kel::split(",a,,b,", ",", true), { "", "a", "", "b", "" } },
        { ",a,,b, dropped", Kel::split(",a,,b,", ",", false), { "a", "b" } },
        { "char kept", Kel::split(",a,,b,", ',', true), { "", "a", "", "b", "" } },
        { "char dropped", Kel::split(",a,,b,", ',', false), { "a", "b" } },
        { "set kept", Kel::split("a,;b", ",;", true), { "a", "", "b" } },
        { "empty kept", Kel::split("", ",", true), {} },
        { "only separators dropped", Kel::split(",;,", ",;", false), {} },
        { "only separator kept", Kel::split(",", ",", true), { "", "" } },
    });
}

TEST(Utils, Strip)
{
    const std::pair<std::string, std::string> cases[] = {
        { "\t ab \n", "ab" },
        { "ab", "ab" },
        { " \r\n\t ", "" },
        { "", "" },
        { "a b", "a b" },
        { "\va\v", "\va\v" },
        { " \x01 ", "\x01" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(Kel::strip(c.first), c.second);
    }
}

TEST(Utils, CaseFolding)
{
    EXPECT_EQ(Kel::toupper("Hello, World 9 \xe9"), "HELLO, WORLD 9 \xe9");
    EXPECT_EQ(Kel::tolower("Hello, World 9 \xc9"), "hello, world 9 \xc9");
    EXPECT_EQ(Kel::tolower(std::string("A\0B", 3)), std::string("a\0b", 3));
}

TEST(Utils, StrcasecmpSign)
{
    struct Case
    {
        std::string s1, s2;
        int sign;
    };
    const Case cases[] = {
        { "Alice", "aLICE", 0 },
        { "abc", "abd", -1 },
        { "abc", "ab", 1 },
        { "ab", "abc", -1 },
        { "", "", 0 },
        { "", "a", -1 },
        { "B", "a", 1 },
        { "[", "a", -1 }, // '[' is below 'a', though above 'A'
        { "\xe9", "a", -1 }, // bytes count as signed
        { "ab", "ab\xe9", 1 }, // and the end sorts above them
        { "ab", std::string("ab\0", 3), -1 }, // a zero byte is still a difference
        { std::string("ab\0", 3), "ab", 1 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.s1 + " / " + c.s2);
        int result = Kel::strcasecmp(c.s1, c.s2);
        EXPECT_EQ((result > 0) - (result < 0), c.sign);
        int reverse = Kel::strcasecmp(c.s2, c.s1);
        EXPECT_EQ((reverse > 0) - (reverse < 0), -c.sign);
    }
}

TEST(Utils, CEscape)
{
    struct Case
    {
        std::string input;
        bool escape_8bit;
        const char* expected;
    };
    const Case cases[] = {
        { "a\t\"\a", false, "a\\t\\\"\\a" },
        { "\x01", false, "\\001" },
        { std::string(1, '\0'), false, "\\000" },
        { "\x1b", false, "\\033" },
        { "\n\r\b\v\f'\\", false, "\\n\\r\\b\\v\\f\\'\\\\" },
        { "\xe9", true, "\\351" },
        { "\xe9\xff", false, "\xe9\xff" },
        { "\x7f", true, "\x7f" },
        { "plain ?", true, "plain ?" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(Kel::c_escape(c.input, c.escape_8bit), c.expected);
    }
}

TEST(Utils, CUnescape)
{
    const std::pair<std::string, std::string> cases[] = {
        { "\\x41\\101\\n", "AA\n" },
        { "\\x4", "" },
        { "a\\x", "a" },
        { "a\\01", "a" },
        { "\\000", std::string(1, '\0') },
        { "\\377\\xfF", "\xff\xff" },
        { "\\t\\r\\b\\v\\a\\f\\\"\\'\\\\", "\t\r\b\v\a\f\"'\\" },
        { "\\1234", "S4" },
        { "plain", "plain" },
        { "", "" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(Kel::c_unescape(c.first), c.second);
    }
}

TEST(Utils, CUnescapeRejectsBadEscapes)
{
    const std::pair<const char*, const char*> cases[] = {
        { "\\477", "Octal escape sequence must start with [0-3]" },
        { "\\9", "Invalid escape sequence" },
        { "\\?", "Invalid escape sequence" },
        { "ab\\", "Stray backslash at end of string" },
        { "\\x4g", "Invalid hexadecimal digit" },
        { "\\xg", "Invalid hexadecimal digit" },
        { "\\018", "Invalid octal digit" },
        { "\\0a", "Invalid octal digit" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        try
        {
            Kel::c_unescape(c.first);
            ADD_FAILURE() << "no exception";
        }
        catch (const Kel::InvalidParameterValue& e)
        {
            EXPECT_STREQ(e.what(), c.second);
        }
    }
}

TEST(Utils, CEscapeRoundTrip)
{
    std::mt19937 random(7254);
    for (int round = 0; round < 5000; ++round)
    {
        std::string input(random() % 40, '\0');
        for (char& c : input)
            c = static_cast<char>(random() % 256);
        for (bool escape_8bit : { false, true })
        {
            std::string escaped = Kel::c_escape(input, escape_8bit);
            ASSERT_EQ(Kel::c_unescape(escaped), input) << escaped;
            for (char c : escaped)
            {
                unsigned char byte = static_cast<unsigned char>(c);
                ASSERT_GE(byte, 32) << escaped;
                if (escape_8bit)
                {
                    ASSERT_LT(byte, 128) << escaped;
                }
            }
        }
    }
}

} // namespace
