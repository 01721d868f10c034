#ifndef KEL_DEBUG_DEMANGLE_H
#define KEL_DEBUG_DEMANGLE_H

#include <string>

namespace Kel
{
namespace Debug
{

// The readable form of a mangled symbol or type name: "N3Kel8KeyErrorE"
// gives "Kel::KeyError". Anything that is not a mangled name comes back
// unchanged. Never throws for a bad name.
std::string demangle(const std::string& symbol);

} // namespace Debug
} // namespace Kel

#endif
