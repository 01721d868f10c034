#include "client/session/logtail.h"

#include "tests/client/tempdir.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

const std::string U_FFFD = "\xEF\xBF\xBD";
const std::string ELLIPSIS = "\xE2\x80\xA6";

std::string joined(const std::vector<std::string>& lines)
{
    std::string result;
    for (const std::string& line : lines)
        result += line + "|";
    return result;
}

} // namespace

TEST(LogTail, LastLinesAcrossBlockSeams)
{
    struct Case
    {
        std::string content;
        std::size_t count;
        std::size_t block;
        std::string expected;
    };
    const Case cases[] = {
        { "", 5, 4, "" },
        { "a\nb\nc\n", 2, 4, "b|c|" },
        { "a\nb\nc", 2, 4, "b|c|" }, // no line feed at the end
        { "a\nb\n", 10, 4, "a|b|" }, // more asked for than there are
        { "first line\nsecond line\n", 2, 4, "first line|second line|" }, // lines straddle blocks
        { "abc\ndef\n", 2, 4, "abc|def|" }, // a line feed ends a block
        { "abc\ndef\n", 2, 3, "abc|def|" },
        { "abcdefghij", 3, 3, "abcdefghij|" }, // one line over many blocks
        { "a\n\n\nb\n\n", 2, 2, "a|b|" }, // empty lines are skipped
        { "old\nnew\n", 0, 4, "" },
    };
    TempDir dir;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.content + " block " + std::to_string(c.block));
        write_file(dir.file("log"), c.content);
        EXPECT_EQ(c.expected, joined(LogTail::last_lines(dir.file("log"), c.count, c.block)));
    }
    EXPECT_EQ("", joined(LogTail::last_lines(dir.file("missing"), 5)));
}

// A line past MAX_LINE is cut to its end and ends the reading, so a file
// without line feeds is never read whole.
TEST(LogTail, LongLineIsCutAndEndsTheReading)
{
    TempDir dir;
    const std::string long_line = "[" + std::string(LogTail::MAX_LINE, 'x') + "]";
    const std::string cut = ELLIPSIS + long_line.substr(2);
    for (std::size_t block : { std::size_t(1000), LogTail::BLOCK, 3 * LogTail::MAX_LINE })
    {
        SCOPED_TRACE(block);
        write_file(dir.file("log"), "older\n" + long_line + "\nnew\n");
        EXPECT_EQ(cut + "|new|", joined(LogTail::last_lines(dir.file("log"), 3, block)));
        write_file(dir.file("log"), std::string(LogTail::MAX_LINE, 'y') + long_line);
        std::vector<std::string> lines = LogTail::last_lines(dir.file("log"), 3, block);
        ASSERT_EQ(1u, lines.size());
        EXPECT_EQ(cut, lines[0]);
    }
    // Exactly MAX_LINE bytes is kept whole.
    write_file(dir.file("log"), "older\n" + long_line.substr(2) + "\n");
    EXPECT_EQ("older|" + long_line.substr(2) + "|", joined(LogTail::last_lines(dir.file("log"), 3, 1000)));
}

TEST(LogTail, ParseKeepsWhatDoesNotFitAsText)
{
    struct Case
    {
        std::string raw;
        LogLine::Type type;
        std::string timestamp;
        std::string name;
        std::string text;
    };
    const Case cases[] = {
        { "[2031-05-04 20:15:09] Guard draws a sword.", LogLine::NORMAL, "20:15:09", "",
            "Guard draws a sword." },
        { "[2031-05-04 20:15:09] ((Guard: brb))", LogLine::OOC, "20:15:09", "Guard", "brb" },
        { "[2031-05-04 20:15:09] ((Guard: a: b))", LogLine::OOC, "20:15:09", "Guard", "a: b" },
        { "[2031-05-04 20:15:09] ((Guard: ))", LogLine::OOC, "20:15:09", "Guard", "" },
        { "[2031-05-04 20:15:09] ((no colon))", LogLine::NORMAL, "20:15:09", "", "((no colon))" },
        { "[2031-05-04 20:15:09] ((: nameless))", LogLine::NORMAL, "20:15:09", "", "((: nameless))" },
        { "[2031-05-04 20:15:09] ((A: b)) c", LogLine::NORMAL, "20:15:09", "", "((A: b)) c" },
        { "[2031-05-04 20:15:09] ", LogLine::NORMAL, "20:15:09", "", "" },
        { "[2031-05-04 20:15:09]x", LogLine::NORMAL, LogTail::NO_STAMP, "", "[2031-05-04 20:15:09]x" },
        { "[2031-O5-04 20:15:09] letter", LogLine::NORMAL, LogTail::NO_STAMP, "",
            "[2031-O5-04 20:15:09] letter" },
        { "no stamp", LogLine::NORMAL, LogTail::NO_STAMP, "", "no stamp" },
        { "[2031-05-04 20:15:09] caf\xE9 \xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xE2\x82", LogLine::NORMAL,
            "20:15:09", "",
            "caf" + U_FFFD + " " + U_FFFD + U_FFFD + " " + U_FFFD + U_FFFD + U_FFFD + " " + U_FFFD + U_FFFD
                + U_FFFD + U_FFFD + " " + U_FFFD + U_FFFD },
        { "\xFF[2031-05-04 20:15:09] x", LogLine::NORMAL, LogTail::NO_STAMP, "",
            U_FFFD + "[2031-05-04 20:15:09] x" },
        { "[2031-05-04 20:15:09] \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", LogLine::NORMAL, "20:15:09", "",
            "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.raw);
        LogLine line = LogTail::parse(c.raw);
        EXPECT_EQ(c.type, line.type);
        EXPECT_EQ(c.timestamp, line.timestamp);
        EXPECT_EQ(c.name, line.name);
        EXPECT_EQ(c.text, line.text);
        EXPECT_TRUE(line.earlier);
        EXPECT_FALSE(line.mention);
    }
}
