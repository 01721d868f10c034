#include "common/chattext.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

namespace
{

const std::string OK = "";
const std::string LONG = ChatText::TOO_LONG;
const std::string UTF8 = ChatText::INVALID_UTF8;
const std::string CONTROL = ChatText::CONTROL_CHARACTERS;

} // namespace

TEST(ChatText, ChecksEncodingAndControlsOfText)
{
    const std::pair<std::string, std::string> cases[] = {
        { "", OK },
        { "Hello\tthere; \"friend\" | $me$", OK },
        { "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", OK }, // two, three and four bytes
        { "\xc2\xa0 \xed\x9f\xbf \xee\x80\x80 \xf4\x8f\xbf\xbf", OK }, // U+A0, U+D7FF, U+E000, U+10FFFF
        { "\xc0\xaf", UTF8 }, // overlong "/"
        { "\xe0\x9f\xbf", UTF8 }, // overlong U+7FF
        { "\xf0\x8f\xbf\xbf", UTF8 }, // overlong U+FFFF
        { "\xed\xa0\x80", UTF8 }, // surrogate U+D800
        { "\xf4\x90\x80\x80", UTF8 }, // U+110000
        { "\x80", UTF8 }, // continuation without a lead
        { "ab\xe2\x82", UTF8 }, // cut short at the end
        { "\xe2\x82x", UTF8 }, // cut short by an ASCII byte
        { "\x01\xc0\xaf", UTF8 }, // the encoding is named before the control
        { "a\0b"s, CONTROL },
        { "\x1f", CONTROL },
        { "\x7f", CONTROL }, // DEL
        { "\xc2\x80", CONTROL }, // U+0080
        { "\xc2\x9f", CONTROL }, // U+009F
        { std::string(ChatText::MAX_TEXT, '\t'), OK },
        { std::string(ChatText::MAX_TEXT + 1, 'x'), LONG },
    };
    for (const auto& [text, reason] : cases)
    {
        SCOPED_TRACE(testing::PrintToString(text.substr(0, 20)));
        EXPECT_EQ(ChatText::check_text(text), reason);
        EXPECT_EQ(ChatText::valid_utf8(text), reason != UTF8);
    }
}

TEST(ChatText, ABiographyMayHoldLineFeedsOnly)
{
    EXPECT_EQ(ChatText::check_text("one\ntwo\tthree", ChatText::MANY_LINES), OK);
    for (const std::string& text : { "a\rb"s, "a\ab"s, "a\0b"s, "\xc2\x85"s })
        EXPECT_EQ(ChatText::check_text(text, ChatText::MANY_LINES), CONTROL) << text;
    EXPECT_EQ(ChatText::check_text(std::string(ChatText::MAX_TEXT + 1, '\n'), ChatText::MANY_LINES), LONG);
}

TEST(ChatText, ChecksNames)
{
    const std::string INVALID = ChatText::INVALID_NAME;
    const std::pair<std::string, std::string> cases[] = {
        { "Tavern", OK },
        { "B\xc3\xb6rk the Elder", OK },
        { std::string(ChatText::MAX_NAME, 'x'), OK },
        { std::string(ChatText::MAX_NAME + 1, 'x'), ChatText::NAME_TOO_LONG },
        { "", INVALID },
        { "a;b", INVALID },
        { "B\xf6rk", UTF8 },
        { "a\tb", CONTROL },
        { "\xc2\x9b", CONTROL }, // CSI
    };
    for (const auto& [name, reason] : cases)
    {
        SCOPED_TRACE(testing::PrintToString(name));
        EXPECT_EQ(ChatText::check_name(name), reason);
    }
}
