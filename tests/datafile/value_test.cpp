#include "libs/datafile/source/value.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/except.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using namespace Kel::DataFile;

TEST(Value, TypedConstructionRendersDefaultText)
{
    Value b(true);
    EXPECT_EQ(BOOLEAN, b.get_type());
    EXPECT_EQ("1", b.get_raw());
    EXPECT_EQ("0", Value(false).get_raw());

    Value f(2.5f);
    EXPECT_EQ(FLOAT, f.get_type());
    EXPECT_EQ("2.5", f.get_raw());
    EXPECT_EQ("3.14159", Value(3.14159265f).get_raw());

    Value i(7LL);
    EXPECT_EQ(INTEGER, i.get_type());
    EXPECT_EQ("7", i.get_raw());
    EXPECT_EQ("-9223372036854775808", Value(std::numeric_limits<long long>::min()).get_raw());

    Value s(std::string("a \"b\""));
    EXPECT_EQ(STRING, s.get_type());
    EXPECT_EQ("a \"b\"", s.get_raw());
}

TEST(Value, CopiesKeepTypeAndText)
{
    Value a(ENUM, "red");
    Value b(a);
    Value c(INTEGER, "1");
    c = a;
    EXPECT_EQ(ENUM, b.get_type());
    EXPECT_EQ("red", b.get_raw());
    EXPECT_EQ(ENUM, c.get_type());
    EXPECT_EQ("red", c.get_raw());
}

TEST(Value, StringReferenceIsTheStoredText)
{
    Value s(STRING, "abc");
    EXPECT_EQ(&s.get_raw(), &s.get<const std::string&>());
    EXPECT_EQ("abc", s.get<std::string>());
}

TEST(Value, OtherTypesAreTypeMismatch)
{
    const Value values[] = { Value(STRING, "1"), Value(BOOLEAN, "1"), Value(INTEGER, "1"), Value(FLOAT, "1"),
        Value(ENUM, "x") };
    for (const Value& v : values)
    {
        SCOPED_TRACE(v.get_type());
        auto mismatch = [](auto read, bool expected_ok)
        {
            if (expected_ok)
                return;
            try
            {
                read();
                ADD_FAILURE() << "no exception";
            }
            catch (const TypeError& e)
            {
                EXPECT_STREQ("Type mismatch", e.what());
            }
        };
        mismatch([&] { v.get<std::string>(); }, v.get_type() == STRING);
        mismatch([&] { v.get<const std::string&>(); }, v.get_type() == STRING);
        mismatch([&] { v.get<bool>(); }, v.get_type() == BOOLEAN);
        mismatch([&] { v.get<long long>(); }, v.get_type() == INTEGER);
        mismatch([&] { v.get<int>(); }, v.get_type() == INTEGER);
        mismatch([&] { v.get<unsigned int>(); }, v.get_type() == INTEGER);
        mismatch([&] { v.get<float>(); }, v.get_type() == FLOAT);
    }
}

TEST(Value, IntegersInEveryWrittenForm)
{
    struct Case
    {
        const char* text;
        long long value;
    };
    const Case cases[] = {
        { "0", 0 },
        { "42", 42 },
        { "-2", -2 },
        { "+5", 5 },
        { "0x1F", 31 },
        { "0xff", 255 },
        { "-0x10", -16 },
        { "017", 15 },
        { "-017", -15 },
        { "00", 0 },
        { "9223372036854775807", std::numeric_limits<long long>::max() },
        { "-9223372036854775808", std::numeric_limits<long long>::min() },
        { "0x7fffffffffffffff", std::numeric_limits<long long>::max() },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value, Value(INTEGER, c.text).get<long long>());
    }
}

TEST(Value, MalformedOrOversizedIntegersAreInvalid)
{
    const char* texts[] = { "", "-", "+", "0x", "-0x", "09", "0x1g", "1.5", "12a", " 1", "1 ", "0X1",
        "9223372036854775808", "-9223372036854775809", "0x8000000000000000", "99999999999999999999999" };
    for (const char* text : texts)
    {
        SCOPED_TRACE(text);
        try
        {
            Value(INTEGER, text).get<long long>();
            ADD_FAILURE() << "no exception";
        }
        catch (const TypeError&)
        {
            ADD_FAILURE() << "TypeError instead of an invalid value";
        }
        catch (const Kel::Exception& e)
        {
            EXPECT_STREQ("Invalid value", e.what());
        }
    }
}

TEST(Value, NarrowIntegersCheckTheirRange)
{
    EXPECT_EQ(std::numeric_limits<int>::min(), Value(INTEGER, "-2147483648").get<int>());
    EXPECT_EQ(std::numeric_limits<int>::max(), Value(INTEGER, "0x7fffffff").get<int>());
    EXPECT_EQ(4294967295u, Value(INTEGER, "4294967295").get<unsigned int>());
    EXPECT_EQ(0u, Value(INTEGER, "-0").get<unsigned int>());
    EXPECT_THROW(Value(INTEGER, "2147483648").get<int>(), Kel::Exception);
    EXPECT_THROW(Value(INTEGER, "-2147483649").get<int>(), Kel::Exception);
    EXPECT_THROW(Value(INTEGER, "4294967296").get<unsigned int>(), Kel::Exception);
    EXPECT_THROW(Value(INTEGER, "-1").get<unsigned int>(), Kel::Exception);
}

TEST(Value, BooleansReadAsNumbers)
{
    EXPECT_TRUE(Value(BOOLEAN, "1").get<bool>());
    EXPECT_FALSE(Value(BOOLEAN, "0").get<bool>());
    // Leading white space is skipped and text after the number ignored.
    EXPECT_TRUE(Value(BOOLEAN, " 1").get<bool>());
    EXPECT_FALSE(Value(BOOLEAN, "0x").get<bool>());
    const char* invalid[] = { "", "true", "2", "x" };
    for (const char* text : invalid)
    {
        SCOPED_TRACE(text);
        try
        {
            Value(BOOLEAN, text).get<bool>();
            ADD_FAILURE() << "no exception";
        }
        catch (const Kel::Exception& e)
        {
            EXPECT_STREQ("Invalid value", e.what());
        }
    }
}

TEST(Value, FloatsInEveryWrittenForm)
{
    struct Case
    {
        const char* text;
        float value;
    };
    const Case cases[] = {
        { "1.5", 1.5f },
        { "-.5", -0.5f },
        { ".25", 0.25f },
        { "2.e3", 2000.0f },
        { "1.5E-1", 0.15f },
        { "+0.", 0.0f },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_FLOAT_EQ(c.value, Value(FLOAT, c.text).get<float>());
    }
    const char* invalid[] = { "", "abc", "1.5x", "inf", "1e99" };
    for (const char* text : invalid)
    {
        SCOPED_TRACE(text);
        EXPECT_THROW(Value(FLOAT, text).get<float>(), Kel::Exception);
    }
}
