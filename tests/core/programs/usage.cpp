// The constructor rejects the command line; the class has no usage() of its
// own. The destructor must never run, as no object was made.
#include "libs/core/source/core/application.h"
#include "libs/core/source/core/except.h"

#include <cstdio>

namespace
{

class Usage: public Kel::Application
{
public:
    Usage(int, char**) { throw Kel::UsageError("unknown option -q"); }
    ~Usage() override { std::fputs("destroyed\n", stderr); }

private:
    static RegApp<Usage> reg;
};

Kel::Application::RegApp<Usage> Usage::reg;

} // namespace
