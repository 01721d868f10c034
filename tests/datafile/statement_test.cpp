#include "libs/datafile/source/statement.h"

#include <gtest/gtest.h>

using Kel::DataFile::Statement;

TEST(Statement, LocationOmitsUnknownLine)
{
    struct Case
    {
        const char* source;
        unsigned int line;
        const char* location;
    } cases[] = { { "a.conf", 12, "a.conf:12" }, { "a.conf", 0, "a.conf" }, { "", 5, ":5" }, { "", 0, "" } };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.location);
        Statement st;
        st.source = c.source;
        st.line = c.line;
        EXPECT_EQ(c.location, st.get_location());
    }
}
