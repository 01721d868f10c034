#ifndef KEL_DATAFILE_BINARYDICT_H
#define KEL_DATAFILE_BINARYDICT_H

#include <string>

namespace Kel
{
namespace DataFile
{

// What a statement id stands for in the binary syntax: the keyword and one
// letter per argument ("b" boolean, "e" enumeration, "f" float, "i"
// integer, "s" string).
struct DictEntry
{
    DictEntry();
    DictEntry(const std::string& keyword, const std::string& args);

    std::string keyword;
    std::string args;
};

} // namespace DataFile
} // namespace Kel

#endif
