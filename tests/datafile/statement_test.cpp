#include "libs/datafile/source/statement.h"

#include <gtest/gtest.h>

using Kel::DataFile::Statement;

TEST(Statement, DefaultIsEmptyAndInvalid)
{
    Statement st;
    EXPECT_FALSE(st.valid);
    EXPECT_EQ("", st.keyword);
    EXPECT_TRUE(st.args.empty());
    EXPECT_EQ("", st.source);
    EXPECT_EQ(0u, st.line);
    EXPECT_TRUE(st.sub.empty());
}

TEST(Statement, LocationOmitsUnknownLine)
{
    struct Case
    {
        const char* source;
        unsigned int line;
        const char* location;
    };
    const Case cases[] = {
        { "a.conf", 12, "a.conf:12" },
        { "a.conf", 0, "a.conf" },
        { "", 5, ":5" },
        { "", 0, "" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.location);
        Statement st;
        st.source = c.source;
        st.line = c.line;
        EXPECT_EQ(c.location, st.get_location());
    }
}
