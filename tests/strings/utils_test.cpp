#include "libs/strings/source/utils.h"

#include "libs/core/source/core/except.h"

#include <gmock/gmock.h>

#include <string>
#include <tuple>
#include <vector>

namespace
{

using Fields = std::vector<std::string>;

TEST(Utils, Split)
{
    // split_fields keeps empty fields; split drops them unless asked to keep
    // them, and takes a string as a set of separators; split_long takes it whole.
    const std::pair<Fields, Fields> cases[] = { { Kel::split_fields("a;;b;", ';'), { "a", "", "b", "" } },
        { Kel::split_fields("", ';'), {} }, { Kel::split_fields("a;b;c", ';', 1), { "a", "b;c" } },
        { Kel::split_fields("a;b;c", ';', 0), { "a;b;c" } },
        { Kel::split_fields("a;b;", ';', 2), { "a", "b", "" } },
        { Kel::split_fields("a---b----c", "--"), { "a", "-b", "", "c" } },
        { Kel::split_fields("a;b", ""), { "a;b" } }, { Kel::split(" a,;b ", " ,;"), { "a", "b" } },
        { Kel::split("a  b  c", ' ', 1), { "a", "b  c" } }, { Kel::split("  a b", " ", 0), { "a b" } },
        { Kel::split(",,,", ','), {} }, { Kel::split("a b", ""), { "a b" } },
        { Kel::split(",a,,b,", ',', true), { "", "a", "", "b", "" } },
        { Kel::split("a,;b", ",;", true), { "a", "", "b" } }, { Kel::split("", ",", true), {} },
        { Kel::split_long("--a----b--c", "--", 1), { "a", "b--c" } }, { Kel::split_long("ab", ""), { "ab" } },
        { Kel::split_long("", "--"), {} } };
    for (const auto& [result, expected] : cases)
        EXPECT_EQ(result, expected) << "case " << &result - &cases[0].first;
}

TEST(Utils, StripAndCase)
{
    const std::pair<std::string, std::string> cases[] = { { "\t ab \n", "ab" }, { "ab", "ab" },
        { " \r\n\t ", "" }, { "", "" }, { "a b", "a b" }, { "\va\v", "\va\v" }, { " \x01 ", "\x01" } };
    for (const auto& [text, stripped] : cases)
        EXPECT_EQ(Kel::strip(text), stripped) << text;
    EXPECT_EQ(Kel::toupper("Hello, World 9 \xe9"), "HELLO, WORLD 9 \xe9");
    EXPECT_EQ(Kel::tolower("Hello, World 9 \xc9"), "hello, world 9 \xc9");
    EXPECT_EQ(Kel::tolower(std::string("A\0B", 3)), std::string("a\0b", 3));
}

TEST(Utils, StrcasecmpSign)
{
    const std::tuple<std::string, std::string, int> cases[]
        = { { "Alice", "aLICE", 0 }, { "abc", "abd", -1 }, { "abc", "ab", 1 }, { "", "", 0 }, { "", "a", -1 },
              { "B", "a", 1 }, { "[", "a", -1 }, // '[' is below 'a', though above 'A'
              { "\xe9", "a", -1 }, // bytes count as signed
              { "ab", "ab\xe9", 1 }, // and the end sorts above them
              { "ab", std::string("ab\0", 3), -1 } /* a zero byte is still a difference */ };
    auto sign = [](int n) { return (n > 0) - (n < 0); };
    for (const auto& [s1, s2, expected] : cases)
    {
        SCOPED_TRACE(s1 + " / " + s2);
        EXPECT_EQ(sign(Kel::strcasecmp(s1, s2)), expected);
        EXPECT_EQ(sign(Kel::strcasecmp(s2, s1)), -expected);
    }
}

TEST(Utils, CEscape)
{
    const std::tuple<std::string, bool, const char*> cases[] = { { "a\t\"\a", false, "a\\t\\\"\\a" },
        { std::string(1, '\0'), false, "\\000" }, { "\x1b", false, "\\033" },
        { "\n\r\b\v\f'\\", false, "\\n\\r\\b\\v\\f\\'\\\\" }, { "\xe9", true, "\\351" },
        { "\xe9\xff", false, "\xe9\xff" }, { "\x7f", true, "\x7f" }, { "plain ?", true, "plain ?" } };
    for (const auto& [input, escape_8bit, escaped] : cases)
        EXPECT_EQ(Kel::c_escape(input, escape_8bit), escaped);
}

TEST(Utils, CUnescape)
{
    const std::pair<std::string, std::string> cases[] = { { "\\x41\\101\\n", "AA\n" }, { "\\x4", "" },
        { "a\\x", "a" }, { "a\\01", "a" }, { "\\000", std::string(1, '\0') }, { "\\377\\xfF", "\xff\xff" },
        { "\\t\\r\\b\\v\\a\\f\\\"\\'\\\\", "\t\r\b\v\a\f\"'\\" }, { "\\1234", "S4" }, { "plain", "plain" },
        { "", "" } };
    for (const auto& [escaped, text] : cases)
        EXPECT_EQ(Kel::c_unescape(escaped), text) << escaped;

    const std::pair<const char*, const char*> bad[]
        = { { "\\477", "Octal escape sequence must start with [0-3]" }, { "\\9", "Invalid escape sequence" },
              { "\\?", "Invalid escape sequence" }, { "ab\\", "Stray backslash at end of string" },
              { "\\x4g", "Invalid hexadecimal digit" }, { "\\018", "Invalid octal digit" } };
    for (const auto& c : bad)
        EXPECT_THAT(
            [&] { Kel::c_unescape(c.first); }, testing::ThrowsMessage<Kel::InvalidParameterValue>(c.second))
            << c.first;
}

} // namespace
