#include "libs/datafile/source/statement.h"

#include "libs/strings/source/formatter.h"

namespace Kel
{
namespace DataFile
{

Statement::Statement(): valid(false), line(0) { }

std::string Statement::get_location() const
{
    if (line == 0)
        return source;
    return source + format(":%d", line);
}

} // namespace DataFile
} // namespace Kel
