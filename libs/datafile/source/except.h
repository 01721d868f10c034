#ifndef KEL_DATAFILE_EXCEPT_H
#define KEL_DATAFILE_EXCEPT_H

#include "libs/core/source/core/except.h"

#include <string>

namespace Kel
{
namespace DataFile
{

// A data-file value read as a type it does not have, or a statement with
// the wrong number of arguments for its action.
class TypeError: public Exception
{
public:
    explicit TypeError(const std::string& message): Exception(message) { }
};

// Malformed data-file input. The line is 0 where the syntax has no lines
// (the binary syntax).
class ParseError: public Exception
{
public:
    ParseError(const std::string& message, const std::string& source, unsigned int line);
    ~ParseError() noexcept override;

    const std::string& get_source() const { return source; }
    unsigned int get_line() const { return line; }

private:
    std::string source;
    unsigned int line;
};

} // namespace DataFile
} // namespace Kel

#endif
