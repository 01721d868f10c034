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
    const struct
    {
        std::string content;
        std::size_t count, block;
        std::string expected;
    } cases[] = {
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
    for (const auto& c : cases)
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
        EXPECT_EQ(cut + "|", joined(LogTail::last_lines(dir.file("log"), 3, block)));
    }
    // Exactly MAX_LINE bytes is kept whole.
    write_file(dir.file("log"), "older\n" + long_line.substr(2) + "\n");
    EXPECT_EQ("older|" + long_line.substr(2) + "|", joined(LogTail::last_lines(dir.file("log"), 3, 1000)));
}

// Each line as "type stamp name:text" ("N" or "O" for OOC).
TEST(LogTail, ParseKeepsWhatDoesNotFitAsText)
{
    const std::string S = "[2031-05-04 20:15:09] ";
    const std::string NO = std::string("N ") + LogTail::NO_STAMP + " :";
    const std::pair<std::string, std::string> cases[] = {
        { S + "Guard draws a sword.", "N 20:15:09 :Guard draws a sword." },
        { S + "((Guard: brb))", "O 20:15:09 Guard:brb" },
        { S + "((Guard: a: b))", "O 20:15:09 Guard:a: b" },
        { S + "((Guard: ))", "O 20:15:09 Guard:" },
        { S + "((no colon))", "N 20:15:09 :((no colon))" },
        { S + "((: nameless))", "N 20:15:09 :((: nameless))" },
        { S + "((A: b)) c", "N 20:15:09 :((A: b)) c" },
        { S, "N 20:15:09 :" },
        { "[2031-05-04 20:15:09]x", NO + "[2031-05-04 20:15:09]x" },
        { "[2031-O5-04 20:15:09] letter", NO + "[2031-O5-04 20:15:09] letter" },
        { S + "caf\xE9 \xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \xE2\x82",
            "N 20:15:09 :caf" + U_FFFD + " " + U_FFFD + U_FFFD + " " + U_FFFD + U_FFFD + U_FFFD + " " + U_FFFD
                + U_FFFD + U_FFFD + U_FFFD + " " + U_FFFD + U_FFFD },
        { "\xFF" + S + "x", NO + U_FFFD + S + "x" },
        { S + "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "N 20:15:09 :\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" },
    };
    for (const auto& [raw, expected] : cases)
    {
        SCOPED_TRACE(raw);
        const LogLine line = LogTail::parse(raw);
        EXPECT_EQ(expected, (line.type == LogLine::OOC ? "O " : line.type == LogLine::NORMAL ? "N " : "? ")
                + line.timestamp + " " + line.name + ":" + line.text);
        EXPECT_TRUE(line.earlier);
        EXPECT_FALSE(line.mention);
    }
}
