#ifndef KEL_DATAFILE_BINARYPARSER_H
#define KEL_DATAFILE_BINARYPARSER_H

#include "libs/datafile/source/binarydict.h"
#include "libs/datafile/source/parsermode.h"

#include <cstdint>
#include <map>
#include <string>

namespace Kel
{
namespace DataFile
{

// Reads the compact syntax. A statement is a variable-length id, the
// arguments its dictionary signature asks for, a sub-statement count and
// the sub-statements. The data defines its own dictionary with "__st"
// (id 1: id, keyword, signature) and enumeration names with "__enum"
// (id 2: id, name); definitions are never returned. Statements have line 0.
class BinaryParser: public ParserMode
{
public:
    BinaryParser(Input& in, const std::string& src);
    ~BinaryParser() override;

    // The next statement that is not a definition; valid false when the
    // input ends between statements. Ending inside one is a ParseError.
    Statement parse() override;

private:
    Statement parse_statement();
    void parse_arguments(Statement& st, const std::string& signature);
    // The count, then that many statements, one block level deeper.
    void parse_sub_statements(Statement& st);
    // Variable-length: 7 bits per byte, most significant group first, bit 7
    // set on every byte but the last; n bytes are a 7n-bit two's-complement
    // number (127 is -1, 129 0 is 128). *ended is set if the input ends
    // before the first byte; the end of the input inside the number is an error.
    long long parse_int(bool* ended = nullptr);
    float parse_float();
    std::string parse_string();
    bool parse_bool();
    std::string parse_enum();
    int get_byte()
    {
        int c = in.get();
        if (c < 0)
            end_error();
        return c;
    }
    [[noreturn]] void end_error();

    std::map<std::uint32_t, DictEntry> dict;
    std::map<std::uint32_t, std::string> enums;
    bool first;
    unsigned int depth;
};

} // namespace DataFile
} // namespace Kel

#endif
