#include "libs/datafile/source/parser.h"

#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace Kel::DataFile;

namespace
{

// Binary: define id 3 as "__text" without arguments, id 4 as "num" with one integer.
const std::string define_text = bytes({ 1, 3, 6, '_', '_', 't', 'e', 'x', 't', 0, 0 });
const std::string define_num = bytes({ 1, 4, 3, 'n', 'u', 'm', 1, 'i', 0 });

// Dumps the statements into out while the parser is good.
void parse_all(Parser& parser, std::string& out)
{
    while (parser)
    {
        Statement st = parser.parse();
        if (st.valid)
            out += (out.empty() ? "" : "; ") + dump(st);
    }
}

} // namespace

TEST(Parser, Statements)
{
    check(
        {
            { "a 1;\nb { c; };\n", "a@1 i1; b@2 { c@2; }" },
            { "__bin;\n" + define_num + bytes({ 4, 5, 0 }), "num@0 i5" },
            // Switches are never returned; inside a block they are ordinary statements.
            { "__text;\n__bin;\n" + define_text + bytes({ 3, 0 }) + "__text;", "" },
            { "a { __bin; };\nb;", "a@1 { __bin@1; }; b@2" },
        },
        [](const std::string& data)
        {
            std::istringstream stream(data);
            Parser parser(stream, "f");
            std::string out;
            parse_all(parser, out);
            return out;
        });
}

TEST(Parser, SwitchesBackAndForthForgetDefinitions)
{
    // text, binary (defines num), text, binary again: num is unknown there.
    std::istringstream stream("a;\n__bin;\n" + define_text + define_num + bytes({ 4, 1, 0, 3, 0 })
        + "\nb 2;\n__bin;\n" + define_text + bytes({ 3, 0 }) + "c;\n__bin;\n" + bytes({ 4, 1, 0 }));
    Parser parser(stream, "f");
    std::string out;
    EXPECT_EQ("f: Unknown statement ID 4 @f:0", thrown([&] { parse_all(parser, out); }));
    // Text lines go on counting through the binary part.
    EXPECT_EQ("a@1; num@0 i1; b@4 i2; c@6", out);
    EXPECT_FALSE(parser);
}

TEST(Parser, RefusesToGoOnAfterAnError)
{
    std::istringstream stream("a;\nb 1e5;\nc;\n");
    Parser parser(stream, "f");
    EXPECT_EQ("a", parser.parse().keyword);
    EXPECT_EQ("f:2: Parse error at 'e' (state 7) @f:2", thrown([&] { parser.parse(); }));
    EXPECT_FALSE(parser);
    EXPECT_EQ("Parser is not good", thrown([&] { parser.parse(); }));
}

TEST(Parser, FalseOnceTheInputHasEnded)
{
    const std::string texts[]
        = { "", "a;", "a;\n", "a; // x\n", "__bin;\n" + define_num + bytes({ 4, 1, 0 }) };
    for (const std::string& text : texts)
    {
        SCOPED_TRACE(text);
        std::istringstream stream(text);
        Parser parser(stream, "f");
        EXPECT_EQ(!text.empty(), parser.parse().valid);
        // At most one more call, which reports the end.
        if (parser)
        {
            EXPECT_FALSE(parser.parse().valid);
        }
        EXPECT_FALSE(parser);
    }
}
