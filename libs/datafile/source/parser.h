#ifndef KEL_DATAFILE_PARSER_H
#define KEL_DATAFILE_PARSER_H

#include "libs/datafile/source/input.h"
#include "libs/datafile/source/parsermode.h"
#include "libs/datafile/source/statement.h"

#include <istream>
#include <string>

namespace Kel
{
namespace DataFile
{

// Reads a data file statement by statement, starting in the text syntax.
// The statements "__bin" and "__text" switch to a fresh binary or text
// reader (so binary definitions do not survive a switch) and are not
// returned. After any error the parser refuses to go on.
class Parser
{
public:
    // src names the input in messages, usually the file name.
    Parser(std::istream& in, const std::string& src);
    ~Parser();

    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // The next statement, valid false at the end of the input. Throws
    // Kel::Exception "Parser is not good" once an earlier call has failed.
    Statement parse();

    // True while no error has happened and the input has not ended.
    explicit operator bool() const { return good && static_cast<bool>(in); }

private:
    Input in;
    std::string src;
    bool good;
    ParserMode* mode;
};

} // namespace DataFile
} // namespace Kel

#endif
