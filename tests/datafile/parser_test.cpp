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

// The statements dumped while the parser is good, then what it threw and
// what a call after the error throws. After the last statement, at most one
// more call may report the end.
std::string front_end(const std::string& data)
{
    std::istringstream stream(data);
    Parser parser(stream, "f");
    std::string out;
    int ends = 0;
    std::string error = thrown(
        [&]
        {
            while (parser)
            {
                Statement st = parser.parse();
                if (st.valid)
                    out += (out.empty() ? "" : "; ") + dump(st);
                else
                    ++ends;
            }
        });
    EXPECT_GE(1, ends);
    if (error != "no exception")
        error += " then " + thrown([&] { parser.parse(); });
    return out + " | " + error;
}

} // namespace

TEST(Parser, Statements)
{
    check(
        {
            { "", " | no exception" },
            { "a;", "a@1 | no exception" },
            { "a; // x\n", "a@1 | no exception" },
            { "a 1;\nb { c; };\n", "a@1 i1; b@2 { c@2; } | no exception" },
            { "__bin;\n" + define_num + bytes({ 4, 5, 0 }), "num@0 i5 | no exception" },
            // Switches are never returned; inside a block they are ordinary statements.
            { "__text;\n__bin;\n" + define_text + bytes({ 3, 0 }) + "__text;", " | no exception" },
            { "a { __bin; };\nb;", "a@1 { __bin@1; }; b@2 | no exception" },
            // Text, binary defining num, text, binary again: num is unknown there. Text
            // lines go on counting through the binary part.
            { "a;\n__bin;\n" + define_text + define_num + bytes({ 4, 1, 0, 3, 0 }) + "\nb 2;\n__bin;\n"
                    + define_text + bytes({ 3, 0 }) + "c;\n__bin;\n" + bytes({ 4, 1, 0 }),
                "a@1; num@0 i1; b@4 i2; c@6 | f: Unknown statement ID 4 @f:0 then Parser is not good" },
            { "a;\nb 1e5;\nc;\n", "a@1 | f:2: Parse error at 'e' (state 7) @f:2 then Parser is not good" },
        },
        front_end);
}
