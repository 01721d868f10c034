#include "libs/datafile/source/binaryparser.h"

#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <string>

using namespace Kel::DataFile;

namespace
{

// Defines id 3 as keyword "k" with the given signature.
std::string define_k(const std::string& signature)
{
    return bytes({ 1, 3, 1, 'k' }) + static_cast<char>(signature.size()) + signature + bytes({ 0 });
}

} // namespace

TEST(BinaryParser, Statements)
{
    check(
        {
            { bytes({ 1, 3, 4, 't', 'e', 's', 't', 1, 'i', 0, 3, 5, 0 }), "test@0 i5" },
            { define_k("f") + bytes({ 3, 63, 128, 0, 0, 0 }), "k@0 f1" },
            { define_k("f") + bytes({ 3, 0xc0, 0x20, 0, 0, 0 }), "k@0 f-2.5" },
            // Unknown signature letters read nothing.
            { define_k("bbs?s") + bytes({ 3, 0, 7, 4, 'a', '"', 0, 255, 0, 0 }),
                std::string("k@0 b0 b1 sa\"\0\xff s", 17) },
            { bytes({ 2, 7, 3, 'r', 'e', 'd', 0 }) + define_k("e") + bytes({ 3, 7, 0 }), "k@0 ered" },
            // A definition of id 4 between two sub-statements.
            { define_k("") + bytes({ 3, 2, 3, 0, 1, 4, 1, 'm', 0, 0, 4, 0, 4, 0 }),
                "k@0 { k@0; m@0; }; m@0" },
            { "\n\n" + define_k("") + bytes({ 3, 0 }), "k@0" },
        },
        parse_all<BinaryParser>);
}

TEST(BinaryParser, VariableLengthIntegersAreTwosComplement)
{
    check(
        {
            { bytes({ 63 }), "k@0 i63" },
            { bytes({ 64 }), "k@0 i-64" },
            { bytes({ 192, 0 }), "k@0 i-8192" },
            { bytes({ 129, 0 }), "k@0 i128" },
            { bytes({ 128, 255, 255, 255, 255, 255, 255, 255, 255, 127 }), "k@0 i9223372036854775807" },
            { bytes({ 129, 128, 128, 128, 128, 128, 128, 128, 128, 0 }), "k@0 i-9223372036854775808" },
        },
        [](const std::string& encoded)
        { return parse_all<BinaryParser>(define_k("i") + bytes({ 3 }) + encoded + bytes({ 0 })); });
}

TEST(BinaryParser, Errors)
{
    std::string deep = define_k("");
    for (int i = 0; i < 300; ++i)
        deep += bytes({ 3, 1 });
    const std::string k = define_k("is");
    const std::string end = "f: Unexcepted end of input @f:0";
    check(
        {
            { bytes({ 127 }), "f: Unknown statement ID -1 @f:0" },
            { define_k("") + bytes({ 3, 0, 4, 0 }), "f: Unknown statement ID 4 @f:0" },
            // Line feeds are skipped only before the first statement.
            { define_k("") + bytes({ 3, 0, 10 }), "f: Unknown statement ID 10 @f:0" },
            { define_k("e") + bytes({ 3, 9, 0 }), "Unknown enum (9) [9]" },
            // Id 1 redefined with two arguments, id 2 with three.
            { bytes({ 1, 1, 4, '_', '_', 's', 't', 2, 'i', 's', 0, 1, 5, 1, 'x', 0 }),
                "f: Keyword definition must have three arguments" },
            { bytes({ 1, 2, 6, '_', '_', 'e', 'n', 'u', 'm', 3, 'i', 's', 's', 0, 2, 5, 1, 'x', 1, 'y', 0 }),
                "f: Enum definition must have two arguments" },
            // The id of a definition arrives as a string.
            { bytes({ 1, 1, 4, '_', '_', 's', 't', 3, 's', 's', 's', 0, 1, 1, '3', 1, 'k', 0, 0 }),
                "Type mismatch" },
            { define_k("") + bytes({ 3, 127 }), "f: Invalid sub-statement count -1 @f:0" },
            { define_k("s") + bytes({ 3, 126, 0 }), "f: Invalid string length -2 @f:0" },
            { deep, "f: Blocks nested too deeply @f:0" },
            { bytes({ 128 }), end },
            { define_k("") + bytes({ 3 }), end },
            { define_k("") + bytes({ 3, 1 }), end },
            { k + bytes({ 3, 1, 5, 'a', 'b' }), end },
            { define_k("f") + bytes({ 3, 63, 128, 0 }), end },
            // A huge length on a short input must not allocate that length.
            { k + bytes({ 3, 1, 0x81, 0xff, 0xff, 0xff, 0xff, 0x7f, 'a' }), end },
        },
        throwing(parse_all<BinaryParser>));
}
