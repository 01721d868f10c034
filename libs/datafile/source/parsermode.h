#ifndef KEL_DATAFILE_PARSERMODE_H
#define KEL_DATAFILE_PARSERMODE_H

#include "libs/datafile/source/input.h"
#include "libs/datafile/source/statement.h"

#include <string>

namespace Kel
{
namespace DataFile
{

// One syntax of data files, reading statements from an input that the
// front end (Parser) shares between syntaxes.
class ParserMode
{
public:
    virtual ~ParserMode();

    ParserMode(const ParserMode&) = delete;
    ParserMode& operator=(const ParserMode&) = delete;

    // The next statement; one with valid false when the input has ended.
    virtual Statement parse() = 0;

protected:
    ParserMode(Input& in, const std::string& src);

    // Blocks may nest this deep; deeper input is refused rather than
    // exhausting the stack.
    static const unsigned int MAX_DEPTH = 256;

    Input& in;
    std::string src;
};

} // namespace DataFile
} // namespace Kel

#endif
