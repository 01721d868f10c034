#ifndef KEL_DATAFILE_STATEMENT_H
#define KEL_DATAFILE_STATEMENT_H

#include "libs/datafile/source/value.h"

#include <list>
#include <string>

namespace Kel
{
namespace DataFile
{

// One parsed statement: a keyword, its arguments and the statements of its
// block. A parser returns a statement with valid false when the input ended.
struct Statement
{
    Statement();

    // "a.conf:12", or "a.conf" when the line is unknown (0).
    std::string get_location() const;

    std::string keyword;
    ValueArray args;
    bool valid;
    std::string source;
    unsigned int line;
    std::list<Statement> sub;
};

} // namespace DataFile
} // namespace Kel

#endif
