// An application class with its own usage(), which run() must reach with
// the reason, the program name and the brief flag.
#include "libs/core/source/core/application.h"
#include "libs/core/source/core/except.h"

#include <cstdio>

namespace
{

class CustomUsage: public Kel::Application
{
public:
    CustomUsage(int argc, char**) { throw Kel::UsageError("need one argument", argc < 3); }

    static void usage(const char* reason, const char* program_name, bool brief)
    {
        std::fprintf(stderr, "reason=%s program=%s brief=%d\n", reason, program_name, brief);
    }

private:
    static RegApp<CustomUsage> reg;
};

Kel::Application::RegApp<CustomUsage> CustomUsage::reg;

} // namespace
