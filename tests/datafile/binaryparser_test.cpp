#include "libs/datafile/source/binaryparser.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/except.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

using namespace Kel::DataFile;

namespace
{

std::string bytes(std::initializer_list<int> list)
{
    std::string result;
    for (int b : list)
        result += static_cast<char>(b);
    return result;
}

// Defines id 3 as keyword "k" with the given signature.
std::string define_k(const std::string& signature)
{
    return bytes({ 1, 3, 1, 'k' }) + static_cast<char>(signature.size()) + signature + bytes({ 0 });
}

std::vector<Statement> parse_all(const std::string& data)
{
    std::istringstream stream(data);
    Input in(stream);
    BinaryParser parser(in, "b");
    std::vector<Statement> result;
    for (;;)
    {
        Statement st = parser.parse();
        if (!st.valid)
            return result;
        result.push_back(st);
    }
}

// The single argument of the single statement.
Value only_value(const std::string& data)
{
    auto sts = parse_all(data);
    if (sts.size() != 1 || sts[0].args.size() != 1)
        throw std::runtime_error("not one statement with one value");
    return sts[0].args[0];
}

} // namespace

TEST(BinaryParser, DefinedStatementReadsItsSignature)
{
    auto sts = parse_all(bytes({ 1, 3, 4, 't', 'e', 's', 't', 1, 'i', 0 }) + bytes({ 3, 5, 0 }));
    ASSERT_EQ(1u, sts.size());
    const Statement& st = sts[0];
    EXPECT_TRUE(st.valid);
    EXPECT_EQ("test", st.keyword);
    EXPECT_EQ("b", st.source);
    EXPECT_EQ(0u, st.line);
    EXPECT_TRUE(st.sub.empty());
    ASSERT_EQ(1u, st.args.size());
    EXPECT_EQ(INTEGER, st.args[0].get_type());
    EXPECT_EQ("5", st.args[0].get_raw());
}

TEST(BinaryParser, VariableLengthIntegersAreTwosComplement)
{
    struct Case
    {
        std::string encoded;
        long long value;
    };
    const Case cases[] = {
        { bytes({ 0 }), 0 },
        { bytes({ 63 }), 63 },
        { bytes({ 64 }), -64 },
        { bytes({ 127 }), -1 },
        { bytes({ 255, 127 }), -1 },
        { bytes({ 192, 0 }), -8192 },
        { bytes({ 129, 0 }), 128 },
        { bytes({ 128, 63 }), 63 },
        { bytes({ 128, 128, 128, 128, 128, 128, 128, 128, 128, 1 }), 1 },
        { bytes({ 128, 255, 255, 255, 255, 255, 255, 255, 255, 127 }), 9223372036854775807LL },
        { bytes({ 129, 128, 128, 128, 128, 128, 128, 128, 128, 0 }), -9223372036854775807LL - 1 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.value);
        Value v = only_value(define_k("i") + bytes({ 3 }) + c.encoded + bytes({ 0 }));
        EXPECT_EQ(c.value, v.get<long long>());
    }
}

TEST(BinaryParser, FloatsAreBigEndianSinglePrecision)
{
    Value v = only_value(define_k("f") + bytes({ 3, 63, 128, 0, 0, 0 }));
    EXPECT_EQ(FLOAT, v.get_type());
    EXPECT_EQ("1", v.get_raw());
    EXPECT_FLOAT_EQ(-2.5f, only_value(define_k("f") + bytes({ 3, 0xc0, 0x20, 0, 0, 0 })).get<float>());
}

TEST(BinaryParser, BooleansStringsAndUnknownLetters)
{
    auto sts = parse_all(define_k("bbs?s") + bytes({ 3, 0, 7, 4, 'a', '"', 0, 255, 0, 0 }));
    ASSERT_EQ(1u, sts.size());
    const ValueArray& args = sts[0].args;
    ASSERT_EQ(4u, args.size());
    EXPECT_EQ(BOOLEAN, args[0].get_type());
    EXPECT_EQ("0", args[0].get_raw());
    EXPECT_EQ("1", args[1].get_raw());
    EXPECT_EQ(STRING, args[2].get_type());
    EXPECT_EQ(std::string("a\"\0\xff", 4), args[2].get_raw());
    EXPECT_EQ("", args[3].get_raw());
}

TEST(BinaryParser, EnumerationsByDefinedName)
{
    std::string data = bytes({ 2, 7, 3, 'r', 'e', 'd', 0 }) + define_k("e") + bytes({ 3, 7, 0 });
    Value v = only_value(data);
    EXPECT_EQ(ENUM, v.get_type());
    EXPECT_EQ("red", v.get_raw());

    try
    {
        parse_all(define_k("e") + bytes({ 3, 9, 0 }));
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::KeyError& e)
    {
        EXPECT_STREQ("Unknown enum (9)", e.what());
        EXPECT_EQ("9", e.get_key());
    }
}

TEST(BinaryParser, UnknownStatementId)
{
    struct Case
    {
        std::string data;
        const char* message;
    };
    const Case cases[] = {
        { bytes({ 9, 0 }), "b: Unknown statement ID 9" },
        { bytes({ 127 }), "b: Unknown statement ID -1" },
        { define_k("") + bytes({ 3, 0, 4, 0 }), "b: Unknown statement ID 4" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.message);
        try
        {
            parse_all(c.data);
            ADD_FAILURE() << "no exception";
        }
        catch (const ParseError& e)
        {
            EXPECT_EQ(c.message, std::string(e.what()));
            EXPECT_EQ("b", e.get_source());
            EXPECT_EQ(0u, e.get_line());
        }
    }
}

TEST(BinaryParser, DefinitionsNeedTheirArguments)
{
    // Id 1 redefined with two arguments, id 2 with three.
    std::string bad_st = bytes({ 1, 1, 4, '_', '_', 's', 't', 2, 'i', 's', 0 }) + bytes({ 1, 5, 1, 'x', 0 });
    std::string bad_enum = bytes({ 1, 2, 6, '_', '_', 'e', 'n', 'u', 'm', 3, 'i', 's', 's', 0 })
        + bytes({ 2, 5, 1, 'x', 1, 'y', 0 });
    try
    {
        parse_all(bad_st);
        ADD_FAILURE() << "no exception";
    }
    catch (const TypeError& e)
    {
        EXPECT_STREQ("b: Keyword definition must have three arguments", e.what());
    }
    try
    {
        parse_all(bad_enum);
        ADD_FAILURE() << "no exception";
    }
    catch (const TypeError& e)
    {
        EXPECT_STREQ("b: Enum definition must have two arguments", e.what());
    }
    // A signature of the wrong types: the id arrives as a string.
    std::string wrong_type
        = bytes({ 1, 1, 4, '_', '_', 's', 't', 3, 's', 's', 's', 0 }) + bytes({ 1, 1, '3', 1, 'k', 0, 0 });
    try
    {
        parse_all(wrong_type);
        ADD_FAILURE() << "no exception";
    }
    catch (const TypeError& e)
    {
        EXPECT_STREQ("Type mismatch", e.what());
    }
}

TEST(BinaryParser, SubStatementsMayHoldDefinitions)
{
    // k with two sub-statements; a definition of id 4 comes between them.
    std::string data = define_k("") + bytes({ 3, 2 }) + bytes({ 3, 0 }) + bytes({ 1, 4, 1, 'm', 0, 0 })
        + bytes({ 4, 0 }) + bytes({ 4, 0 });
    auto sts = parse_all(data);
    ASSERT_EQ(2u, sts.size());
    ASSERT_EQ(2u, sts[0].sub.size());
    EXPECT_EQ("k", sts[0].sub.front().keyword);
    EXPECT_EQ("m", sts[0].sub.back().keyword);
    EXPECT_EQ("m", sts[1].keyword);
}

TEST(BinaryParser, LeadingLineFeedsSkippedOnlyBeforeTheFirstStatement)
{
    auto sts = parse_all("\n\n" + define_k("") + bytes({ 3, 0 }));
    EXPECT_EQ(1u, sts.size());
    // Id 10 is the line feed, unknown after the first statement.
    EXPECT_THROW(parse_all(define_k("") + bytes({ 3, 0, 10 })), ParseError);
}

TEST(BinaryParser, InputEndingInsideAStatementIsAnError)
{
    const std::string k = define_k("is");
    const std::string cases[] = {
        bytes({ 128 }),
        bytes({ 1, 3 }),
        define_k("") + bytes({ 3 }),
        define_k("") + bytes({ 3, 1 }),
        define_k("") + bytes({ 3, 2, 3, 0 }),
        k + bytes({ 3 }),
        k + bytes({ 3, 129 }),
        k + bytes({ 3, 1, 5, 'a', 'b' }),
        k + bytes({ 3, 1, 1, 'a' }),
        define_k("f") + bytes({ 3, 63, 128, 0 }),
        define_k("b") + bytes({ 3 }),
        // A huge length on a short input must not allocate that length.
        k + bytes({ 3, 1, 0x81, 0xff, 0xff, 0xff, 0xff, 0x7f, 'a' }),
    };
    for (const std::string& data : cases)
    {
        SCOPED_TRACE(data.size());
        try
        {
            parse_all(data);
            ADD_FAILURE() << "no exception";
        }
        catch (const ParseError& e)
        {
            EXPECT_STREQ("b: Unexcepted end of input", e.what());
            EXPECT_EQ(0u, e.get_line());
        }
    }
}

TEST(BinaryParser, NegativeCountsAreRefused)
{
    try
    {
        parse_all(define_k("") + bytes({ 3, 127 }));
        ADD_FAILURE() << "no exception";
    }
    catch (const ParseError& e)
    {
        EXPECT_STREQ("b: Invalid sub-statement count -1", e.what());
    }
    try
    {
        parse_all(define_k("s") + bytes({ 3, 126, 0 }));
        ADD_FAILURE() << "no exception";
    }
    catch (const ParseError& e)
    {
        EXPECT_STREQ("b: Invalid string length -2", e.what());
    }
}

TEST(BinaryParser, DeepNestingIsRefused)
{
    std::string data = define_k("");
    for (int i = 0; i < 300; ++i)
        data += bytes({ 3, 1 });
    try
    {
        parse_all(data);
        ADD_FAILURE() << "no exception";
    }
    catch (const ParseError& e)
    {
        EXPECT_STREQ("b: Blocks nested too deeply", e.what());
    }
}
