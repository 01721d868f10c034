#include "libs/strings/source/fmt.h"

#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"

#include <gmock/gmock.h>

#include <string>
#include <tuple>

namespace
{

using Kel::Fmt;
using Kel::lexical_cast;

TEST(Fmt, FlagsWidthAndPrecision)
{
    // Where the stream and printf part ways, or printf has no such form;
    // the rest is compared with printf in the formatter's tests.
    const std::tuple<const char*, double, const char*> cases[]
        = { { ".f", 2.7, "3" }, // a point without digits is precision 0
              { ".1f", 2.25, "2.2" }, // binary 2.25 is exact: round half to even
              { "#.0f", 3, "3." }, // # keeps the point
              { "+-+-10.1f", 1, "+1.0      " }, // flags repeat in any order
              { "-08.2f", -3.14159, "-0003.14" } }; // 0 wins over -
    for (const auto& [spec, value, text] : cases)
    {
        SCOPED_TRACE(spec);
        EXPECT_EQ(lexical_cast(value, Fmt(spec)), text);
        // A leading percent sign changes nothing.
        EXPECT_EQ(lexical_cast(value, Fmt(std::string("%") + spec)), text);
    }
}

TEST(Fmt, InvalidSpecificationsThrow)
{
    const std::string invalid = "Invalid conversion specifier",
                      extra = "Extra characters in conversion specification",
                      large = "Width or precision too large";
    const std::pair<std::string, std::string> cases[]
        = { { "%", invalid }, { "%%d", invalid }, { "5", invalid }, { "ld", invalid }, { " d", invalid },
              { "dx", extra }, { std::string("d\0x", 3), extra },
              // Widths in the millions overflowed the stack inside the stream's number output.
              { "65536d", large }, { ".65536e", large }, { "99999999999999999999d", large } };
    for (const auto& c : cases)
        EXPECT_THAT([&] { Fmt f(c.first); }, testing::ThrowsMessage<Kel::InvalidParameterValue>(c.second))
            << c.first;
    EXPECT_EQ(65535u, Kel::format("%65535d", 7).size());
}

TEST(Fmt, Setters)
{
    EXPECT_EQ(
        lexical_cast(255, Fmt().hex().showbase(true).uppercase(true).width(6).fill(L'*').left()), "0XFF**");
    EXPECT_EQ(lexical_cast(8, Fmt("-x").oct().showbase(true).right().width(4)), " 010");
    EXPECT_EQ(lexical_cast(255, Fmt("x").dec().showpos(true)), "+255");
    EXPECT_EQ(lexical_cast(2.5, Fmt().fixed().precision(2)), "2.50");
    EXPECT_EQ(lexical_cast(2.5, Fmt().scientific().precision(1)), "2.5e+00");
    EXPECT_EQ(lexical_cast(2.0, Fmt().showpoint(true).precision(3)), "2.00");
}

} // namespace
