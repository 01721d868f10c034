#include "libs/datafile/source/textparser.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/except.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using namespace Kel::DataFile;

namespace
{

// Every statement up to the end of the input.
std::vector<Statement> parse_all(const std::string& text)
{
    std::istringstream stream(text);
    Input in(stream);
    TextParser parser(in, "t");
    std::vector<Statement> result;
    for (;;)
    {
        Statement st = parser.parse();
        if (!st.valid)
        {
            EXPECT_EQ("", st.keyword);
            return result;
        }
        result.push_back(st);
    }
}

struct ErrorCase
{
    std::string text;
    std::string message;
    unsigned int line;
};

void expect_errors(const std::vector<ErrorCase>& cases)
{
    for (const ErrorCase& c : cases)
    {
        SCOPED_TRACE(c.text);
        try
        {
            parse_all(c.text);
            ADD_FAILURE() << "no exception";
        }
        catch (const ParseError& e)
        {
            EXPECT_EQ(c.message, e.what());
            EXPECT_EQ("t", e.get_source());
            EXPECT_EQ(c.line, e.get_line());
        }
    }
}

} // namespace

TEST(TextParser, ValuesOfEveryKind)
{
    auto sts = parse_all("foo 1 -2 0x1F 017 1.5 -.5 2.e3 \"a\\\"b\" true false bar 0x +7 .5e+3;\n");
    ASSERT_EQ(1u, sts.size());
    const Statement& st = sts[0];
    EXPECT_EQ("foo", st.keyword);
    EXPECT_EQ("t", st.source);
    EXPECT_EQ(1u, st.line);
    EXPECT_TRUE(st.sub.empty());

    struct Expected
    {
        Type type;
        const char* raw;
    };
    const Expected expected[] = {
        { INTEGER, "1" },
        { INTEGER, "-2" },
        { INTEGER, "0x1F" },
        { INTEGER, "017" },
        { FLOAT, "1.5" },
        { FLOAT, "-.5" },
        { FLOAT, "2.e3" },
        { STRING, "a\"b" },
        { BOOLEAN, "1" },
        { BOOLEAN, "0" },
        { ENUM, "bar" },
        { INTEGER, "0x" },
        { INTEGER, "+7" },
        { FLOAT, ".5e+3" },
    };
    ASSERT_EQ(sizeof expected / sizeof expected[0], st.args.size());
    for (std::size_t i = 0; i < st.args.size(); ++i)
    {
        SCOPED_TRACE(expected[i].raw);
        EXPECT_EQ(expected[i].type, st.args[i].get_type());
        EXPECT_EQ(expected[i].raw, st.args[i].get_raw());
    }
}

TEST(TextParser, BlocksHoldSubStatements)
{
    auto sts = parse_all("a {\n  b 1;\n  c { d; };\n};\ne;\n");
    ASSERT_EQ(2u, sts.size());
    const Statement& a = sts[0];
    EXPECT_EQ("a", a.keyword);
    ASSERT_EQ(2u, a.sub.size());
    const Statement& b = a.sub.front();
    EXPECT_EQ("b", b.keyword);
    EXPECT_EQ(2u, b.line);
    ASSERT_EQ(1u, b.args.size());
    const Statement& c = a.sub.back();
    EXPECT_EQ("c", c.keyword);
    EXPECT_TRUE(c.args.empty());
    ASSERT_EQ(1u, c.sub.size());
    EXPECT_EQ("d", c.sub.front().keyword);
    EXPECT_EQ("e", sts[1].keyword);
    EXPECT_EQ(5u, sts[1].line);
}

TEST(TextParser, EmptyBlockAndValuesBeforeIt)
{
    auto sts = parse_all("a 1 \"x\"{};");
    ASSERT_EQ(1u, sts.size());
    EXPECT_EQ(2u, sts[0].args.size());
    EXPECT_TRUE(sts[0].sub.empty());
}

TEST(TextParser, SyntaxErrors)
{
    expect_errors({
        { "a {b;} x;", "t:1: Syntax error at token 'x' (Expected a ';')", 1 },
        { "a {b;} {", "t:1: Syntax error at token '{' (Expected a ';')", 1 },
        { "1 a;", "t:1: Syntax error at token '1' (expected an identifier)", 1 },
        { "a;\n\"\" b;", "t:2: Syntax error at token '' (expected an identifier)", 2 },
        { ";", "t:1: Syntax error at token ';' (expected an identifier)", 1 },
        { "a { 2; };", "t:1: Syntax error at token '2' (expected an identifier)", 1 },
        { "a };", "t:1: Syntax error", 1 },
        { "}", "t:1: Syntax error at token '}' (expected an identifier)", 1 },
    });
}

TEST(TextParser, TokenErrorsNameCharacterAndState)
{
    expect_errors({
        { "a 1e5;", "t:1: Parse error at 'e' (state 7)", 1 },
        { "a +;", "t:1: Parse error at ';' (state 1)", 1 },
        { "a / b;", "t:1: Parse error at '/' (state 0)", 1 },
        { "a\n\n1.5e;", "t:3: Parse error at ';' (state 2)", 3 },
        { "a 1.e+;", "t:1: Parse error at ';' (state 3)", 1 },
        { "a 0X1;", "t:1: Parse error at 'X' (state 6)", 1 },
        { "a 0xg;", "t:1: Parse error at 'g' (state 8)", 1 },
        { "a 019;", "t:1: Parse error at '9' (state 9)", 1 },
        { "a 1.5.;", "t:1: Parse error at '.' (state 10)", 1 },
        { "a 1.5e3x;", "t:1: Parse error at 'x' (state 11)", 1 },
        { "a b-c;", "t:1: Parse error at '-' (state 12)", 1 },
        { "a b\"c\";", "t:1: Parse error at '\"' (state 12)", 1 },
        { "a @;", "t:1: Parse error at '@' (state 0)", 1 },
        { "a 12a;", "t:1: Parse error at 'a' (state 7)", 1 },
    });
}

TEST(TextParser, BadEscapeInStringNamesTheDecoderError)
{
    expect_errors({
        { "a \"\\q\";", "t:1: Invalid escape sequence", 1 },
        { "a \"x\n\\477\";", "t:2: Octal escape sequence must start with [0-3]", 2 },
    });
}

TEST(TextParser, InputEndingInsideAStatementIsAnError)
{
    expect_errors({
        { "a", "t: Unexcepted end of input", 1 },
        { "a 1", "t: Unexcepted end of input", 1 },
        { "a;\nb\n", "t: Unexcepted end of input", 3 },
        { "a {", "t: Unexcepted end of input", 1 },
        { "a { b;", "t: Unexcepted end of input", 1 },
        { "a { b", "t: Unexcepted end of input", 1 },
        { "a { b; }", "t: Unexcepted end of input", 1 },
        { "a \"abc", "t: Unexcepted end of input", 1 },
        { "a \"abc\\\"", "t: Unexcepted end of input", 1 },
        { "a +", "t: Unexcepted end of input", 1 },
        { "a 1.e", "t: Unexcepted end of input", 1 },
        { "\"abc", "t: Unexcepted end of input", 1 },
    });
}

TEST(TextParser, LastByteOfTheInputCounts)
{
    auto sts = parse_all("a;b 1;");
    ASSERT_EQ(2u, sts.size());
    EXPECT_EQ("b", sts[1].keyword);
    ASSERT_EQ(1u, sts[1].args.size());
    EXPECT_EQ("1", sts[1].args[0].get_raw());

    sts = parse_all("a{b;};");
    ASSERT_EQ(1u, sts.size());
    EXPECT_EQ(1u, sts[0].sub.size());
}

TEST(TextParser, CommentsAreSkipped)
{
    struct Case
    {
        const char* text;
        const char* keywords;
    };
    const Case cases[] = {
        { "/* c */ a; // x\n", "a" },
        { "a /* 1; */ 2; // b;\n", "a" },
        { "a;//x\nb;", "ab" },
        { "a /**/;", "a" },
        { "a x/*c*/;", "a" },
        // Only a comment's own closer counts inside it.
        { "// a /* b\nc;", "c" },
        { "/* // */ a;\n", "a" },
        { "/*/ a; */ b;", "b" },
        { "/* a ** b ***/ c;", "c" },
        { "", "" },
        { " \n\t \r\n", "" },
        { "/* x */ // y\n", "" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        std::string keywords;
        for (const Statement& st : parse_all(c.text))
            keywords += st.keyword;
        EXPECT_EQ(c.keywords, keywords);
    }
}

TEST(TextParser, CommentOpenAtEndIsAnError)
{
    expect_errors({
        { "a; // last line", "t: Unfinished comment at end of input", 1 },
        { "a;\n/* x\n", "t: Unfinished comment at end of input", 3 },
        { "/*/", "t: Unfinished comment at end of input", 1 },
        { "a; /* x *", "t: Unfinished comment at end of input", 1 },
    });
}

TEST(TextParser, ValuesDoNotNeedBlanksAroundPunctuation)
{
    auto sts = parse_all("a 1{b;};c \"x\"\"y\";d 2.5/**/;");
    ASSERT_EQ(3u, sts.size());
    EXPECT_EQ(1u, sts[0].args.size());
    EXPECT_EQ(1u, sts[0].sub.size());
    ASSERT_EQ(2u, sts[1].args.size());
    EXPECT_EQ("x", sts[1].args[0].get_raw());
    EXPECT_EQ("y", sts[1].args[1].get_raw());
    EXPECT_EQ("2.5", sts[2].args[0].get_raw());
}

TEST(TextParser, StringsKeepEveryByteAndMaySpanLines)
{
    auto sts = parse_all("a \"x\ny\" \"\\\\\" \"\xc3\xa9;{}//\" \"\\x41\\101\\n\";\nb;");
    ASSERT_EQ(2u, sts.size());
    ASSERT_EQ(4u, sts[0].args.size());
    EXPECT_EQ("x\ny", sts[0].args[0].get_raw());
    EXPECT_EQ("\\", sts[0].args[1].get_raw());
    EXPECT_EQ("\xc3\xa9;{}//", sts[0].args[2].get_raw());
    EXPECT_EQ("AA\n", sts[0].args[3].get_raw());
    EXPECT_EQ(1u, sts[0].line);
    EXPECT_EQ(3u, sts[1].line);
}

TEST(TextParser, LineIsWhereTheKeywordStands)
{
    auto sts = parse_all("\n\n  a\n1\n;\n// c\nb;");
    ASSERT_EQ(2u, sts.size());
    EXPECT_EQ(3u, sts[0].line);
    EXPECT_EQ(7u, sts[1].line);
}

TEST(TextParser, DeepNestingIsRefused)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "a{";
    expect_errors({ { text, "t:1: Blocks nested too deeply", 1 } });

    std::string fine;
    for (int i = 0; i < 100; ++i)
        fine += "a{";
    for (int i = 0; i < 100; ++i)
        fine += "};";
    EXPECT_EQ(1u, parse_all(fine).size());
}
