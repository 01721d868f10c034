#include "libs/core/source/debug/demangle.h"

#include <cxxabi.h>

#include <cstdlib>

namespace Kel
{
namespace Debug
{

std::string demangle(const std::string& symbol)
{
    int status = 0;
    char* text = abi::__cxa_demangle(symbol.c_str(), nullptr, nullptr, &status);
    if (status != 0)
    {
        std::free(text);
        return symbol;
    }
    std::string result(text);
    std::free(text);
    return result;
}

} // namespace Debug
} // namespace Kel
