#include "libs/datafile/source/binarydict.h"

namespace Kel
{
namespace DataFile
{

DictEntry::DictEntry() = default;

DictEntry::DictEntry(const std::string& keyword, const std::string& args): keyword(keyword), args(args) { }

} // namespace DataFile
} // namespace Kel
