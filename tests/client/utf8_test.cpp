#include "client/ui/utf8.h"

#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <string>

TEST(Utf8, EachInvalidByteBecomesOneReplacementCharacter)
{
    const std::string bad = "\xEF\xBF\xBD";
    check(
        {
            { "", "" },
            { "caf\xC3\xA9", "caf\xC3\xA9" },
            { "\xF0\x9F\x8E\xB2 dice", "\xF0\x9F\x8E\xB2 dice" },
            { bad, bad },
            { "caf\xE9", "caf" + bad }, // Latin-1
            { "\xFF\xFE", bad + bad },
            { "\xC3", bad }, // sequence cut off at the end
            { "\xE2\x82 x", bad + bad + " x" }, // cut off in the middle
            { "\xC0\xAF", bad + bad }, // overlong "/"
            { "\xED\xA0\x80", bad + bad + bad }, // surrogate
            { "\xF4\x90\x80\x80", bad + bad + bad + bad }, // beyond U+10FFFF
            { std::string("a\0b", 3), "a" + bad + "b" }, // NUL cannot reach the toolkit
            { "a\tb\x1B", "a b" + bad }, // a tab reads as a space, other controls are shown
            { "\xE2\x80\xAE" "evil\xE2\x81\xA9", "evil" }, // bidirectional overrides and isolates go
            { "ok \xC3\xA9 \x80 ok", "ok \xC3\xA9 " + bad + " ok" },
        },
        [](const std::string& raw)
        {
            Glib::ustring shown = display_text(raw);
            return shown.validate() ? shown.raw() : "invalid " + shown.raw();
        });
}
