#include "libs/datafile/source/parsermode.h"

namespace Kel
{
namespace DataFile
{

ParserMode::ParserMode(Input& in, const std::string& src): in(in), src(src) { }

ParserMode::~ParserMode() = default;

} // namespace DataFile
} // namespace Kel
