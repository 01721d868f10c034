#include "libs/core/source/debug/backtrace.h"

#include "libs/core/source/debug/demangle.h"

#include <dlfcn.h>
#include <execinfo.h>

namespace Kel
{
namespace Debug
{

Backtrace Backtrace::create()
{
    void* addresses[64];
    int count = ::backtrace(addresses, 64);

    Backtrace result;
    // Frame 0 is create() itself.
    for (int i = 1; i < count; ++i)
    {
        StackFrame frame { addresses[i], std::string(), std::string() };
        Dl_info info;
        if (dladdr(addresses[i], &info))
        {
            if (info.dli_fname)
                frame.file = info.dli_fname;
            if (info.dli_sname)
                frame.symbol = demangle(info.dli_sname);
        }
        result.frames.push_back(frame);
    }
    return result;
}

} // namespace Debug
} // namespace Kel
