#include "client/safename.h"

#include <gtest/gtest.h>

TEST(SafeName, KeepsOrdinaryNamesAndDefusesTheRest)
{
    struct Case
    {
        const char* name;
        const char* expected;
    };
    const Case cases[] = {
        { "Saga", "Saga" },
        { "First Night", "First Night" },
        { "a.b", "a.b" },
        { "x..", "x.." },
        { "", "_" },
        { ".", "_." },
        { "..", "_.." },
        { ".hidden", "_.hidden" },
        { "../../x", "_.._.._x" },
        { "a/../../b", "a_.._.._b" },
        { "/etc/passwd", "_etc_passwd" },
        { "a\\..\\b", "a_.._b" },
        { "_", "_" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, safe_name(c.name));
    }
}
