#ifndef KEL_DEBUG_BACKTRACE_H
#define KEL_DEBUG_BACKTRACE_H

#include <list>
#include <string>

namespace Kel
{
namespace Debug
{

// A list of stack frames. Exceptions carry an empty one; create() captures
// the caller's stack on demand.
class Backtrace
{
public:
    struct StackFrame
    {
        void* address;
        std::string file;
        std::string symbol; // may be empty
    };

    Backtrace() = default;
    explicit Backtrace(const std::list<StackFrame>& frames): frames(frames) { }

    // The calling thread's stack, innermost frame first, without create()
    // itself. Symbols are empty where the dynamic symbol table has none.
    static Backtrace create();

    const std::list<StackFrame>& get_frames() const { return frames; }

private:
    std::list<StackFrame> frames;
};

} // namespace Debug
} // namespace Kel

#endif
