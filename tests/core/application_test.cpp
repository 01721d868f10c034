#include "libs/core/source/core/application.h"

#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <tuple>

namespace
{

using Kel::Application;

// Runs a program of tests/core/programs; its exit status (-1 if it did not
// exit) and its standard error.
std::pair<int, std::string> run_program(const std::string& command)
{
    std::string line = PARLANE_BINARY_DIR "/core_program_" + command + " 2>&1 >/dev/null </dev/null";
    FILE* pipe = popen(line.c_str(), "r");
    if (!pipe)
        return { -2, "popen failed" };
    std::string err;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        err.append(buffer, n);
    int status = pclose(pipe);
    return { WIFEXITED(status) ? WEXITSTATUS(status) : -1, err };
}

TEST(Application, RunExitStatusAndReport)
{
    const std::string lazy
        = "The programmer was lazy and didn't write a usage() function for this application.\n";
    const std::string custom
        = "reason=need one argument program=" PARLANE_BINARY_DIR "/core_program_custom_usage";
    const std::string uncaught = "An uncaught exception occurred.\n  type:   ";
    const std::string destroyed = "destroyed after ";
    const std::tuple<const char*, int, std::string> cases[] = {
        { "app twice", 125, "Trying to call Application::run_app twice!\n" + destroyed + "0 ticks\n" },
        { "unregistered", 126, "Trying to run with no application class registered!\n" },
        // No object was made, so none is destroyed.
        { "app usage", 1, "UsageError: unknown option -q\n" + lazy },
        { "custom_usage", 1, custom + " brief=1\n" },
        { "custom_usage a b", 1, custom + " brief=0\n" },
        // exit() in the constructor does not end the loop.
        { "app", 7, destroyed + "4 ticks\n" },
        { "register_twice", 2, "Warning: registering the application twice\n" },
        { "app data", 42, destroyed + "0 ticks\n" },
        { "app signal", 100 + SIGUSR1, destroyed + "1 ticks\n" },
        // The report comes before the object is deleted; a Kel::Exception
        // without frames has no backtrace section.
        { "app runtime_error", 124,
            uncaught + "std::runtime_error\n  what(): lost the connection to the moon\n" + destroyed
                + "3 ticks\n" },
        { "app key_error", 124,
            uncaught + "Kel::KeyError\n  what(): Unknown enum (abc)\n" + destroyed + "0 ticks\n" },
        { "app backtrace", 124,
            uncaught + "(anonymous namespace)::TracedError\n  what(): orbit decayed\n  backtrace:\n"
                + "    0x4012ab in Moon::orbit() from /usr/lib/libmoon.so\n    0xdead0 from ./rocket\n" },
    };
    for (const auto& [command, status, err] : cases)
    {
        SCOPED_TRACE(command);
        EXPECT_EQ(std::make_pair(status, err), run_program(command));
    }
}

// Counts its ticks and calls exit(code) in tick number exit_at.
struct Counter: Application
{
    Counter(LoopMode mode, int exit_at = 0, int code = 0): exit_at(exit_at), code(code)
    {
        set_loop_mode(mode);
    }
    void tick() override
    {
        if (++ticks == exit_at)
            exit(code);
    }
    std::atomic<int> ticks { 0 };
    int exit_at, code;
};

// NONE never ticks. exit() and induce_tick() before main() neither end the
// loop nor add a turn.
TEST(Application, LoopEndsAfterTheTurnThatCallsExit)
{
    for (auto mode :
        { Application::NONE, Application::TICK_SLEEP, Application::TICK_YIELD, Application::TICK_BUSY })
        for (int exit_at : { 1, 5 })
        {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", exit in tick " << exit_at);
            Counter app(mode, exit_at, 3);
            app.exit(9);
            app.induce_tick();
            EXPECT_EQ(mode == Application::NONE ? 0 : 3, app.main());
            EXPECT_EQ(mode == Application::NONE ? 0 : exit_at, app.ticks);
        }
}

TEST(Application, SwitchingToNoneEndsTheLoopWithZero)
{
    struct SwitchOff: Application
    {
        void tick() override { set_loop_mode(NONE); }
    } app;
    EXPECT_EQ(0, app.main());
}

// Runs app.main() on a thread, induces ticks (a wake-up given while the loop
// is not waiting is lost) until `ticks`, then calls then(); a loop that misses
// its wake-up fails after 10 s. Returns main()'s result.
int sleep_loop(Counter& app, int ticks, int& induced, const std::function<void()>& then)
{
    std::future<int> result = std::async(std::launch::async, [&app] { return app.main(); });
    for (induced = 0; induced < 10000 && app.ticks < ticks; ++induced)
    {
        app.induce_tick();
        for (auto end = Kel::Time::now() + 2 * Kel::Time::msec; app.ticks < ticks && Kel::Time::now() < end;)
            std::this_thread::yield();
    }
    then();
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
    {
        ADD_FAILURE() << "the loop missed its wake-up";
        while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            app.exit(-1);
    }
    return result.get();
}

TEST(Application, SleepWokenFromAnotherThread)
{
    // exit() lands before, during or after the loop's check of done; it
    // must never be lost, and it brings no tick of its own.
    for (int i = 0; i < 200; ++i)
    {
        Counter app(Application::SLEEP);
        int wanted = 1 + i % 3, induced;
        ASSERT_EQ(i, sleep_loop(app, wanted, induced, [&] { app.exit(i); }));
        ASSERT_GE(app.ticks, wanted);
        ASSERT_LE(app.ticks, induced);
    }
    // Leaving SLEEP mode wakes the loop, which then ticks on by itself.
    for (int i = 0; i < 50; ++i)
    {
        Counter app(Application::SLEEP, 10, 8);
        int induced;
        ASSERT_EQ(8, sleep_loop(app, 1, induced, [&] { app.set_loop_mode(Application::TICK_BUSY); }));
        ASSERT_EQ(10, app.ticks);
    }
}

} // namespace
