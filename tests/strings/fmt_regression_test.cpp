#include "libs/strings/source/fmt.h"

#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"

#include <gtest/gtest.h>

// A width or precision in the millions used to overflow the stack inside
// the standard stream's number output.
TEST(Fmt, HugeWidthOrPrecisionThrows)
{
    for (const char* spec : { "100000000d", ".100000000f", "65536d", ".65536e", "99999999999999999999d" })
    {
        SCOPED_TRACE(spec);
        EXPECT_THROW(Kel::Fmt { spec }, Kel::InvalidParameterValue);
    }
    EXPECT_EQ(65535u, Kel::format("%65535d", 7).size());
}
