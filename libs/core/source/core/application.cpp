#include "libs/core/source/core/application.h"

#include "libs/core/source/core/except.h"
#include "libs/core/source/debug/demangle.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"

#include <sched.h>
#include <signal.h>

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <typeinfo>

namespace Kel
{

Application* Application::app_ = nullptr;
Application::RegBase* Application::reg_app_ = nullptr;
void* Application::data_ = nullptr;

namespace
{

// C stdio rather than std::cerr: a registration may write its warning during
// static initialisation, before the iostreams are set up.
void write_error(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

std::string describe_uncaught(const std::exception& e)
{
    std::ostringstream out;
    out << "An uncaught exception occurred.\n";
    out << "  type:   " << Debug::demangle(typeid(e).name()) << '\n';
    out << "  what(): " << e.what() << '\n';
    if (const Exception* kel = dynamic_cast<const Exception*>(&e))
    {
        const std::list<Debug::Backtrace::StackFrame>& frames = kel->get_backtrace().get_frames();
        if (!frames.empty())
        {
            out << "  backtrace:\n";
            for (const Debug::Backtrace::StackFrame& frame : frames)
            {
                out << "    0x" << std::hex << reinterpret_cast<std::uintptr_t>(frame.address) << std::dec;
                if (!frame.symbol.empty())
                    out << " in " << frame.symbol;
                out << " from " << frame.file << '\n';
            }
        }
    }
    return out.str();
}

} // namespace

Application::RegBase::RegBase()
{
    if (reg_app_)
        write_error("Warning: registering the application twice\n");
    reg_app_ = this;
}

Application::RegBase::~RegBase()
{
    if (reg_app_ == this)
        reg_app_ = nullptr;
}

Application::Application(): done(false), exit_code(0), loop_mode_(TICK_SLEEP) { }

Application::~Application() { }

int Application::run(int argc, char** argv, void* data)
{
    static bool called = false;
    if (called)
    {
        write_error("Trying to call Application::run_app twice!\n");
        return 125;
    }
    called = true;

    if (!reg_app_)
    {
        write_error("Trying to run with no application class registered!\n");
        return 126;
    }
    data_ = data;

    try
    {
        try
        {
            app_ = reg_app_->create_app(argc, argv);
        }
        catch (const UsageError& e)
        {
            reg_app_->usage(e.what(), argc > 0 ? argv[0] : nullptr, e.get_brief());
            return 1;
        }

        int result = app_->main();
        delete app_;
        app_ = nullptr;
        return result;
    }
    catch (const std::exception& e)
    {
        write_error(describe_uncaught(e));
        delete app_;
        app_ = nullptr;
        return 124;
    }
}

void Application::usage(const char* reason, const char*, bool)
{
    if (reason)
        write_error(std::string("UsageError: ") + reason + "\n");
    write_error("The programmer was lazy and didn't write a usage() function for this application.\n");
}

void* Application::get_data()
{
    return data_;
}

int Application::main()
{
    if (loop_mode_ == NONE)
        return 0;

    done = false;
    while (!done)
    {
        switch (loop_mode_.load())
        {
        case NONE:
            return 0;
        case SLEEP:
            sleep_turn();
            break;
        case TICK_SLEEP:
            tick();
            Time::sleep(Time::msec);
            break;
        case TICK_YIELD:
            tick();
            sched_yield();
            break;
        case TICK_BUSY:
            tick();
            break;
        }
    }
    return exit_code;
}

void Application::sleep_turn()
{
    {
        // The check and the start of the wait happen under the mutex that
        // every waker signals under, so a wake-up cannot fall between them.
        std::lock_guard<Mutex> lock(sleep_sem_.get_mutex());
        if (!done && loop_mode_ == SLEEP)
            sleep_sem_.wait();
    }
    if (!done)
        tick();
}

void Application::wake_sleeper()
{
    std::lock_guard<Mutex> lock(sleep_sem_.get_mutex());
    sleep_sem_.signal();
}

void Application::exit(int c)
{
    exit_code = c;
    done = true;
    if (loop_mode_ == SLEEP)
        wake_sleeper();
}

void Application::induce_tick()
{
    if (loop_mode_ == SLEEP)
        wake_sleeper();
}

void Application::set_loop_mode(LoopMode mode)
{
    if (loop_mode_.exchange(mode) == SLEEP)
        wake_sleeper();
}

void Application::catch_signal(int s)
{
    ::signal(s, &Application::sighandler_);
}

void Application::tick() { }

void Application::sighandler(int) { }

void Application::sighandler_(int s)
{
    if (app_)
        app_->sighandler(s);
}

} // namespace Kel
