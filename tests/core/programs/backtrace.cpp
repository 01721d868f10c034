// An exception that carries two recorded frames, one without a symbol,
// escapes the constructor.
#include "libs/core/source/core/application.h"
#include "libs/core/source/core/except.h"

namespace
{

class TracedError: public Kel::Exception
{
public:
    explicit TracedError(const std::string& message): Exception(message)
    {
        std::list<Kel::Debug::Backtrace::StackFrame> frames;
        frames.push_back({ reinterpret_cast<void*>(0x4012ab), "/usr/lib/libmoon.so", "Moon::orbit()" });
        frames.push_back({ reinterpret_cast<void*>(0xdead0), "./rocket", "" });
        set_backtrace(Kel::Debug::Backtrace(frames));
    }
};

class Traced: public Kel::Application
{
public:
    Traced(int, char**) { throw TracedError("orbit decayed"); }

private:
    static RegApp<Traced> reg;
};

Kel::Application::RegApp<Traced> Traced::reg;

} // namespace
