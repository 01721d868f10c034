#include "libs/datafile/source/parser.h"

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

// Binary: define id 3 as "__text" without arguments, id 4 as "num" with one integer.
const std::string define_text = bytes({ 1, 3, 6, '_', '_', 't', 'e', 'x', 't', 0, 0 });
const std::string define_num = bytes({ 1, 4, 3, 'n', 'u', 'm', 1, 'i', 0 });

std::vector<Statement> parse_all(Parser& parser)
{
    std::vector<Statement> result;
    while (parser)
    {
        Statement st = parser.parse();
        if (st.valid)
            result.push_back(st);
    }
    return result;
}

std::vector<Statement> parse_all(const std::string& data)
{
    std::istringstream stream(data);
    Parser parser(stream, "p");
    return parse_all(parser);
}

std::string keywords(const std::vector<Statement>& sts)
{
    std::string result;
    for (const Statement& st : sts)
        result += st.keyword + " ";
    return result;
}

} // namespace

TEST(Parser, TextOnly)
{
    auto sts = parse_all("a 1;\nb { c; };\n");
    EXPECT_EQ("a b ", keywords(sts));
    EXPECT_EQ("p", sts[0].source);
    EXPECT_EQ(2u, sts[1].line);
}

TEST(Parser, BinaryAfterTheSwitchStatement)
{
    std::string data = "__bin;\n" + bytes({ 1, 3, 4, 't', 'e', 's', 't', 1, 'i', 0 }) + bytes({ 3, 5, 0 });
    auto sts = parse_all(data);
    ASSERT_EQ(1u, sts.size());
    const Statement& st = sts[0];
    EXPECT_EQ("test", st.keyword);
    EXPECT_EQ(0u, st.line);
    EXPECT_EQ("p", st.source);
    EXPECT_TRUE(st.sub.empty());
    ASSERT_EQ(1u, st.args.size());
    EXPECT_EQ(INTEGER, st.args[0].get_type());
    EXPECT_EQ("5", st.args[0].get_raw());
}

TEST(Parser, SwitchesBackAndForthForgetDefinitions)
{
    // text, binary (defines num), text, binary again: num is unknown there.
    std::string data = "a;\n__bin;\n" + define_text + define_num + bytes({ 4, 1, 0 }) + bytes({ 3, 0 })
        + "\nb 2;\n__bin;\n" + define_text + bytes({ 3, 0 }) + "c;\n__bin;\n" + bytes({ 4, 1, 0 });
    std::istringstream stream(data);
    Parser parser(stream, "p");
    std::vector<Statement> sts;
    try
    {
        while (parser)
        {
            Statement st = parser.parse();
            if (st.valid)
                sts.push_back(st);
        }
        ADD_FAILURE() << "no exception";
    }
    catch (const ParseError& e)
    {
        EXPECT_STREQ("p: Unknown statement ID 4", e.what());
    }
    EXPECT_EQ("a num b c ", keywords(sts));
    // Text lines go on counting through the binary part.
    EXPECT_EQ(4u, sts[2].line);
    EXPECT_FALSE(parser);
}

TEST(Parser, SwitchStatementsAreNeverReturned)
{
    std::string data = "__text;\n__bin;\n" + define_text + bytes({ 3, 0 }) + "__text;";
    auto sts = parse_all(data);
    EXPECT_TRUE(sts.empty());
}

TEST(Parser, SwitchInsideABlockIsAnOrdinarySubStatement)
{
    auto sts = parse_all("a { __bin; };\nb;");
    ASSERT_EQ(2u, sts.size());
    ASSERT_EQ(1u, sts[0].sub.size());
    EXPECT_EQ("__bin", sts[0].sub.front().keyword);
}

TEST(Parser, RefusesToGoOnAfterAnError)
{
    std::istringstream stream("a;\nb 1e5;\nc;\n");
    Parser parser(stream, "p");
    EXPECT_TRUE(parser);
    EXPECT_EQ("a", parser.parse().keyword);
    EXPECT_THROW(parser.parse(), ParseError);
    EXPECT_FALSE(parser);
    try
    {
        parser.parse();
        ADD_FAILURE() << "no exception";
    }
    catch (const ParseError&)
    {
        ADD_FAILURE() << "parsed again";
    }
    catch (const Kel::Exception& e)
    {
        EXPECT_STREQ("Parser is not good", e.what());
    }
}

TEST(Parser, FalseOnceTheInputHasEnded)
{
    const std::string texts[]
        = { "a;", "a;\n", "a; // x\n", "__bin;\n" + bytes({ 1, 3, 1, 'z', 0, 0, 3, 0 }) };
    for (const std::string& text : texts)
    {
        SCOPED_TRACE(text);
        std::istringstream stream(text);
        Parser parser(stream, "p");
        EXPECT_TRUE(parser);
        EXPECT_TRUE(parser.parse().valid);
        // At most one more call, which reports the end.
        if (parser)
        {
            EXPECT_FALSE(parser.parse().valid);
        }
        EXPECT_FALSE(parser);
    }

    std::istringstream empty("");
    Parser empty_parser(empty, "p");
    EXPECT_FALSE(empty_parser.parse().valid);
    EXPECT_FALSE(empty_parser);
}

TEST(Parser, BinaryEndingBetweenStatementsEndsTheInput)
{
    auto sts = parse_all("__bin;\n" + define_num + bytes({ 4, 1, 0 }));
    ASSERT_EQ(1u, sts.size());
    EXPECT_EQ("1", sts[0].args[0].get_raw());
}
