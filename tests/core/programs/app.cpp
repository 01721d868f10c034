// One application class; the first argument picks how its run ends. The
// program has its own process entry, which hands run() a data pointer.
#include "libs/core/source/core/application.h"
#include "libs/core/source/core/except.h"

#include <signal.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace
{

int marker;
int constructed = 0;

// Carries two recorded frames, one without a symbol.
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

class App: public Kel::Application
{
public:
    App(int argc, char** argv): mode(argc > 1 ? argv[1] : "")
    {
        ++constructed;
        if (mode == "usage")
            throw Kel::UsageError("unknown option -q");
        if (mode == "backtrace")
            throw TracedError("orbit decayed");
        if (mode == "signal")
            catch_signal(SIGUSR1);
        exit(5); // must not keep main() from looping
    }
    ~App() override { std::fprintf(stderr, "destroyed after %d ticks\n", ticks); }

    int main() override
    {
        if (mode == "data")
            return get_data() == &marker ? 42 : 1;
        if (mode == "key_error")
            throw Kel::KeyError("Unknown enum", "abc");
        if (mode == "twice")
        {
            char name[] = "app";
            char* argv[] = { name, nullptr };
            int status = run(1, argv, nullptr);
            return constructed == 1 ? status : 99;
        }
        return Application::main();
    }

private:
    void tick() override
    {
        ++ticks;
        if (mode == "signal")
            raise(SIGUSR1);
        else if (mode == "runtime_error" && ticks == 3)
            throw std::runtime_error("lost the connection to the moon");
        else if (ticks == 4)
            exit(7);
    }
    void sighandler(int s) override { exit(100 + s); }

    std::string mode;
    int ticks = 0;
    static RegApp<App> reg;
};

Kel::Application::RegApp<App> App::reg;

} // namespace

int main(int argc, char** argv)
{
    return Kel::Application::run(argc, argv, &marker);
}
