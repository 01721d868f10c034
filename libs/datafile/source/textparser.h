#ifndef KEL_DATAFILE_TEXTPARSER_H
#define KEL_DATAFILE_TEXTPARSER_H

#include "libs/datafile/source/parsermode.h"
#include "libs/datafile/source/token.h"

#include <string>

namespace Kel
{
namespace DataFile
{

// Reads the human-readable syntax: a keyword, values (numbers, strings in
// double quotes, bare words), then ";" or a block "{ ... }" followed by ";".
// "//" comments end at a line feed and "/* */" comments at their closer.
// Errors are ParseError with the source name and the current line.
class TextParser: public ParserMode
{
public:
    // Tokenizer states; the numbers appear in parse error messages.
    enum ParseState
    {
        INIT = 0,
        SIGN = 1,
        FLOATEXPINIT = 2,
        FLOATEXPSIGN = 3,
        STRING = 4,
        ACCEPT = 5,
        ZERO = 6,
        DECIMAL = 7,
        HEXADECIMAL = 8,
        OCTAL = 9,
        FLOAT = 10,
        FLOATEXP = 11,
        IDENTIFIER = 12
    };

    TextParser(Input& in, const std::string& src);
    ~TextParser() override;

    // The next top-level statement; valid false at the end of the input. A
    // statement or block still open when the input ends is a ParseError.
    Statement parse() override;

private:
    // first, if given, is the statement's keyword, already read.
    Statement parse_statement(const Token* first);
    void parse_block(Statement& st);
    void add_argument(Statement& st, Token&& token);
    Token parse_inner_token();
    Token parse_token();
    int skip_blanks();
    Token parse_string();
    Token parse_word(int c);
    int first_state(int c);
    int next_state(int state, int c);
    int next_integer_state(int state, int c);
    int next_float_state(int state, int c);
    Token finish_string(const std::string& text);
    static bool is_delimiter(int c);
    static bool isodigit(int c);
    std::string get_location() const;
    [[noreturn]] void parse_error(int c, int state);
    [[noreturn]] void end_error();

    unsigned int depth;
};

} // namespace DataFile
} // namespace Kel

#endif
