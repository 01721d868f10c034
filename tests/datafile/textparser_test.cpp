#include "libs/datafile/source/textparser.h"

#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace Kel::DataFile;

TEST(TextParser, Statements)
{
    check(
        {
            { "foo 1 -2 0x1F 017 1.5 -.5 2.e3 \"a\\\"b\" true false bar 0x +7 .5e+3;\n",
                "foo@1 i1 i-2 i0x1F i017 f1.5 f-.5 f2.e3 sa\"b b1 b0 ebar i0x i+7 f.5e+3" },
            { "a {\n  b 1;\n  c { d; };\n};\ne;\n", "a@1 { b@2 i1; c@3 { d@3; }; }; e@5" },
            { "a 1{b;};c \"x\"\"y\";d 2.5/**/;", "a@1 i1 { b@1; }; c@1 sx sy; d@1 f2.5" },
            { "\n\n  a\n1\n;\n/* x */ // c\nb;", "a@3 i1; b@7" },
            { "a \"x\ny\" \"\\\\\" \"\xc3\xa9;{}//\" \"\\x41\\101\\n\";\nb;",
                "a@1 sx\ny s\\ s\xc3\xa9;{}// sAA\n; b@3" },
            // Inside a comment only its own closer counts.
            { "// a /* b\nc;", "c@2" },
            { "/*/ a; */ b;", "b@1" },
            { "/* a ** b ***/ c;", "c@1" },
        },
        parse_all<TextParser>);
}

TEST(TextParser, Errors)
{
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "a{";
    check(
        {
            { "a {b;} x;", "f:1: Syntax error at token 'x' (Expected a ';') @f:1" },
            { "1 a;", "f:1: Syntax error at token '1' (expected an identifier) @f:1" },
            { "a { 2; };", "f:1: Syntax error at token '2' (expected an identifier) @f:1" },
            { "a };", "f:1: Syntax error @f:1" },
            { "a 1e5;", "f:1: Parse error at 'e' (state 7) @f:1" },
            { "a +;", "f:1: Parse error at ';' (state 1) @f:1" },
            { "a / b;", "f:1: Parse error at '/' (state 0) @f:1" },
            { "a\n\n1.5e;", "f:3: Parse error at ';' (state 2) @f:3" },
            { "a 1.e+;", "f:1: Parse error at ';' (state 3) @f:1" },
            { "a 0X1;", "f:1: Parse error at 'X' (state 6) @f:1" },
            { "a 0xg;", "f:1: Parse error at 'g' (state 8) @f:1" },
            { "a 019;", "f:1: Parse error at '9' (state 9) @f:1" },
            { "a 1.5.;", "f:1: Parse error at '.' (state 10) @f:1" },
            { "a 1.5e3x;", "f:1: Parse error at 'x' (state 11) @f:1" },
            { "a b-c;", "f:1: Parse error at '-' (state 12) @f:1" },
            { "a b\"c\";", "f:1: Parse error at '\"' (state 12) @f:1" },
            { "a \"\\q\";", "f:1: Invalid escape sequence @f:1" },
            { "a \"x\n\\477\";", "f:2: Octal escape sequence must start with [0-3] @f:2" },
            { "a", "f: Unexcepted end of input @f:1" },
            { "a;\nb\n", "f: Unexcepted end of input @f:3" },
            { "a \"abc\\\"", "f: Unexcepted end of input @f:1" },
            { "a +", "f: Unexcepted end of input @f:1" }, // in a word
            { "a; // last line", "f: Unfinished comment at end of input @f:1" },
            { "a; /* x *", "f: Unfinished comment at end of input @f:1" },
            { deep, "f:1: Blocks nested too deeply @f:1" },
        },
        throwing(parse_all<TextParser>));

    std::string fine;
    for (int i = 0; i < 100; ++i)
        fine = "a{" + fine + "};";
    EXPECT_EQ(0u, parse_all<TextParser>(fine).find("a@1 { a@1 {"));
}
