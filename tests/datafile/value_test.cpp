#include "libs/datafile/source/value.h"

#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace Kel::DataFile;

namespace
{

// The value read as T and printed, or the message of the error it raised.
template <class T> std::string read(Type type, const std::string& raw)
{
    std::ostringstream out;
    std::string error = thrown([&] { out << Value(type, raw).get<T>(); });
    return error == "no exception" ? out.str() : error;
}

const char* const invalid = "Invalid value";

} // namespace

TEST(Value, ReadingAnotherTypeIsTypeMismatch)
{
    const std::string mismatch = "Type mismatch";
    for (Type type : { STRING, BOOLEAN, INTEGER, FLOAT, ENUM })
    {
        SCOPED_TRACE(type);
        EXPECT_EQ(type == STRING ? "1" : mismatch, read<std::string>(type, "1"));
        EXPECT_EQ(type == STRING ? "1" : mismatch, read<const std::string&>(type, "1"));
        EXPECT_EQ(type == BOOLEAN ? "1" : mismatch, read<bool>(type, "1"));
        EXPECT_EQ(type == INTEGER ? "1" : mismatch, read<long long>(type, "1"));
        EXPECT_EQ(type == INTEGER ? "1" : mismatch, read<int>(type, "1"));
        EXPECT_EQ(type == INTEGER ? "1" : mismatch, read<unsigned int>(type, "1"));
        EXPECT_EQ(type == FLOAT ? "1" : mismatch, read<float>(type, "1"));
    }
    Value s(STRING, "abc");
    EXPECT_EQ(&s.get_raw(), &s.get<const std::string&>());
}

TEST(Value, IntegersInEveryWrittenForm)
{
    check({ { "0", "0" }, { "+5", "5" }, { "-0x10", "-16" }, { "-017", "-15" },
              { "9223372036854775807", "9223372036854775807" }, { "-9223372036854775808", "-9223372036854775808" },
              { "", invalid }, { "-", invalid }, { "0x", invalid }, { "09", invalid }, { "0x1g", invalid },
              { " 1", invalid }, { "9223372036854775808", invalid }, { "-9223372036854775809", invalid },
              { "0x8000000000000000", invalid } },
        [](const std::string& raw) { return read<long long>(INTEGER, raw); });
}

TEST(Value, NarrowIntegersCheckTheirRange)
{
    EXPECT_EQ("-2147483648", read<int>(INTEGER, "-2147483648"));
    EXPECT_EQ("2147483647", read<int>(INTEGER, "0x7fffffff"));
    EXPECT_EQ("4294967295", read<unsigned int>(INTEGER, "4294967295"));
    EXPECT_EQ("0", read<unsigned int>(INTEGER, "-0"));
    EXPECT_EQ(invalid, read<int>(INTEGER, "2147483648"));
    EXPECT_EQ(invalid, read<int>(INTEGER, "-2147483649"));
    EXPECT_EQ(invalid, read<unsigned int>(INTEGER, "4294967296"));
    EXPECT_EQ(invalid, read<unsigned int>(INTEGER, "-1"));
}

TEST(Value, BooleansAndFloats)
{
    // Booleans skip leading white space and ignore text after the number.
    check({ { "0", "0" }, { " 1", "1" }, { "0x", "0" }, { "", invalid }, { "2", invalid } },
        [](const std::string& raw) { return read<bool>(BOOLEAN, raw); });
    check({ { "-.5", "-0.5" }, { "2.e3", "2000" }, { "1.5E-1", "0.15" }, { "", invalid }, { "1.5x", invalid },
              { "inf", invalid }, { "1e99", invalid } },
        [](const std::string& raw) { return read<float>(FLOAT, raw); });
}
