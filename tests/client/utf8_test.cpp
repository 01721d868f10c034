#include "client/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const std::string FFFD = "\xEF\xBF\xBD";

TEST(Utf8, ValidTextIsUnchanged)
{
    const std::string cases[] = {
        "",
        "plain ASCII",
        "caf\xC3\xA9",
        "\xE2\x82\xAC 5",
        "\xF0\x9F\x8E\xB2 dice",
        "\xEF\xBF\xBD",
    };
    for (const std::string& text : cases)
    {
        SCOPED_TRACE(text);
        EXPECT_EQ(text, display_text(text).raw());
    }
}

TEST(Utf8, EachInvalidByteBecomesOneReplacementCharacter)
{
    struct Case
    {
        std::string raw;
        std::string shown;
    } cases[] = {
        { "caf\xE9", "caf" + FFFD }, // Latin-1
        { "\xE9t\xE9", FFFD + "t" + FFFD },
        { "\xFF\xFE", FFFD + FFFD },
        { "\xC3", FFFD }, // sequence cut off at the end
        { "\xE2\x82 x", FFFD + FFFD + " x" }, // cut off in the middle
        { "\xC0\xAF", FFFD + FFFD }, // overlong "/"
        { "\xED\xA0\x80", FFFD + FFFD + FFFD }, // surrogate
        { "\xF4\x90\x80\x80", FFFD + FFFD + FFFD + FFFD }, // beyond U+10FFFF
        { std::string("a\0b", 3), "a" + FFFD + "b" }, // NUL cannot reach the toolkit
        { "ok \xC3\xA9 \x80 ok", "ok \xC3\xA9 " + FFFD + " ok" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.raw);
        Glib::ustring shown = display_text(c.raw);
        EXPECT_EQ(c.shown, shown.raw());
        EXPECT_TRUE(shown.validate());
    }
}

} // namespace
