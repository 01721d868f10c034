#include "libs/datafile/source/except.h"

namespace Kel
{
namespace DataFile
{

ParseError::ParseError(const std::string& message, const std::string& source, unsigned int line):
    Exception(message), source(source), line(line)
{
}

ParseError::~ParseError() noexcept = default;

} // namespace DataFile
} // namespace Kel
