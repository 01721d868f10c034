#include "server/logtext.h"

#include <gtest/gtest.h>

namespace
{

TEST(LogText, EscapesWhatCouldBreakOrForgeALogLine)
{
    const std::pair<std::string, std::string> cases[] = {
        { "a\nLogin: GM from 127.0.0.1", "a\\x0aLogin: GM from 127.0.0.1" },
        { "\r\t\x1b[2J\x7f", "\\x0d\\x09\\x1b[2J\\x7f" },
        { "back\\x0a", "back\\\\x0a" },
        // Two-, three- and four-byte characters stay as they are.
        { "\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb2", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x8e\xb2" },
        // C1 controls (NEL, CSI) and the line and paragraph separators.
        { "\xc2\x85\xc2\x9b", "\\xc2\\x85\\xc2\\x9b" },
        { "\xe2\x80\xa8\xe2\x80\xa9", "\\xe2\\x80\\xa8\\xe2\\x80\\xa9" },
        // Not UTF-8, byte by byte: a lone continuation, a cut sequence, a surrogate.
        { "\x80", "\\x80" },
        { "\xe2\x82x", "\\xe2\\x82x" },
        { "\xed\xa0\x80", "\\xed\\xa0\\x80" },
        { std::string("a\0b", 3), "a\\x00b" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.second);
        EXPECT_EQ(log_text(c.first), c.second);
    }
}

} // namespace
