#include "libs/strings/source/fmt.h"

#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace
{

struct Rendered
{
    const char* spec;
    double value;
    const char* expected;
};

TEST(Fmt, LeadingPercentParsesTheSame)
{
    const char* specs[] = { "08x", "-5d", "+.3e", "#o", "#.0f", "G", "p" };
    for (const char* spec : specs)
    {
        SCOPED_TRACE(spec);
        std::string with_percent = std::string("%") + spec;
        EXPECT_EQ(
            Kel::lexical_cast(-255.5, Kel::Fmt(spec)), Kel::lexical_cast(-255.5, Kel::Fmt(with_percent)));
        EXPECT_EQ(Kel::lexical_cast(255, Kel::Fmt(spec)), Kel::lexical_cast(255, Kel::Fmt(with_percent)));
    }
}

TEST(Fmt, FlagsWidthAndPrecision)
{
    const Rendered cases[] = {
        { "f", 2.5, "2.500000" },
        { ".f", 2.7, "3" }, // a point without digits is precision 0
        { ".1f", 2.25, "2.2" }, // binary 2.25 is exact: round half to even
        { "#.0f", 3, "3." }, // # keeps the point
        { "#g", 1, "1.00000" }, // and the trailing zeros
        { "g", 1, "1" },
        { "10.3e", -1234.5, "-1.234e+03" },
        { "+-+-10.1f", 1, "+1.0      " }, // flags repeat in any order
        { "0+8.2f", 3.14159, "+0003.14" },
        { "-08.2f", -3.14159, "-0003.14" }, // 0 wins over -
        { "12.4E", 0.000123, "  1.2300E-04" },
        { "G", 1e-10, "1E-10" },
    };
    for (const Rendered& c : cases)
    {
        SCOPED_TRACE(c.spec);
        EXPECT_EQ(Kel::lexical_cast(c.value, Kel::Fmt(c.spec)), c.expected);
    }
}

TEST(Fmt, InvalidSpecificationsThrow)
{
    struct Case
    {
        std::string spec;
        const char* message;
    };
    const Case cases[] = {
        { "", "Invalid conversion specifier" },
        { "%", "Invalid conversion specifier" },
        { "5", "Invalid conversion specifier" },
        { "ld", "Invalid conversion specifier" },
        { " d", "Invalid conversion specifier" },
        { "5.2", "Invalid conversion specifier" },
        { "q", "Invalid conversion specifier" },
        { "dx", "Extra characters in conversion specification" },
        { "%%d", "Invalid conversion specifier" },
        { "d ", "Extra characters in conversion specification" },
        { std::string("d\0x", 3), "Extra characters in conversion specification" },
        { std::string("\0d", 2), "Invalid conversion specifier" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.spec);
        try
        {
            Kel::Fmt f(c.spec);
            ADD_FAILURE() << "no exception";
        }
        catch (const Kel::InvalidParameterValue& e)
        {
            EXPECT_STREQ(e.what(), c.message);
        }
    }
}

TEST(Fmt, ApplyReplacesEveryStreamSetting)
{
    std::ostringstream out;
    out << std::boolalpha << std::hex << std::showbase << std::scientific << std::left;
    out.fill('*');
    out.precision(2);
    out.width(9);

    out << Kel::Fmt("d") << true << ' ' << 255 << ' ' << 3.14159265 << '|';
    EXPECT_EQ(out.str(), "1 255 3.14159|");
    EXPECT_FALSE(out.flags() & std::ios_base::skipws);
}

TEST(Fmt, ResetRestoresDefaults)
{
    Kel::Fmt f("#+012.3X");
    f.reset();
    EXPECT_EQ(Kel::lexical_cast(255, f), "255");
    EXPECT_EQ(Kel::lexical_cast(3.14159265, f), "3.14159");
}

TEST(Fmt, SettersSetTheirField)
{
    EXPECT_EQ(Kel::lexical_cast(42, Kel::Fmt().width(6).fill(L'*').left()), "42****");
    EXPECT_EQ(Kel::lexical_cast(42, Kel::Fmt("-6d").right()), "    42");
    EXPECT_EQ(Kel::lexical_cast(255, Kel::Fmt().hex().showbase(true).uppercase(true)), "0XFF");
    EXPECT_EQ(Kel::lexical_cast(8, Kel::Fmt().oct().showbase(true)), "010");
    EXPECT_EQ(Kel::lexical_cast(255, Kel::Fmt("x").dec()), "255");
    EXPECT_EQ(Kel::lexical_cast(5, Kel::Fmt().showpos(true)), "+5");
    EXPECT_EQ(Kel::lexical_cast(2.5, Kel::Fmt().fixed().precision(2)), "2.50");
    EXPECT_EQ(Kel::lexical_cast(2.5, Kel::Fmt().scientific().precision(1)), "2.5e+00");
    EXPECT_EQ(Kel::lexical_cast(2.0, Kel::Fmt().showpoint(true).precision(3)), "2.00");
    EXPECT_EQ(Kel::lexical_cast(-7, Kel::Fmt().fill(L'0').width(4).left()), "-007");
}

} // namespace
