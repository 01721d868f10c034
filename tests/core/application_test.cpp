#include "libs/core/source/core/application.h"

#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace
{

struct ProgramResult
{
    int status; // exit status, or -1 if the program did not exit normally
    std::string err; // everything it wrote to standard error
};

// Runs tests/core/programs/<stem>.cpp with argv[0] = stem and the given
// arguments; standard input and output are /dev/null.
ProgramResult run_program(const std::string& stem, std::vector<std::string> args = {})
{
    std::string path = std::string(PARLANE_BINARY_DIR "/core_program_") + stem;
    args.insert(args.begin(), stem);
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0)
        return { -2, "pipe failed" };
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid;
    int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0)
    {
        close(fds[0]);
        return { -2, "cannot start " + path };
    }

    ProgramResult result { -1, std::string() };
    char buffer[4096];
    ssize_t len;
    while ((len = read(fds[0], buffer, sizeof(buffer))) != 0)
    {
        if (len > 0)
            result.err.append(buffer, len);
        else if (errno != EINTR)
            break;
    }
    close(fds[0]);

    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    if (WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

const char* const lazy_usage
    = "The programmer was lazy and didn't write a usage() function for this application.\n";

TEST(Application, RunExitPaths)
{
    struct Case
    {
        const char* program;
        std::vector<std::string> args;
        int status;
        std::string err;
    };
    const Case cases[] = {
        { "twice", {}, 125, "Trying to call Application::run_app twice!\n" },
        { "unregistered", {}, 126, "Trying to run with no application class registered!\n" },
        { "usage", {}, 1, std::string("UsageError: unknown option -q\n") + lazy_usage },
        { "custom_usage", {}, 1, "reason=need one argument program=custom_usage brief=1\n" },
        { "custom_usage", { "a", "b" }, 1, "reason=need one argument program=custom_usage brief=0\n" },
        { "normal", {}, 7, "destroyed after 4 ticks\n" },
        { "register_twice", {}, 2, "Warning: registering the application twice\n" },
        { "data", {}, 42, "" },
        { "signal", {}, 100 + SIGUSR1, "" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.program);
        ProgramResult result = run_program(c.program, c.args);
        EXPECT_EQ(c.status, result.status);
        EXPECT_EQ(c.err, result.err);
    }
}

TEST(Application, RunReportsUncaughtExceptions)
{
    struct Case
    {
        const char* program;
        std::string err;
    };
    const Case cases[] = {
        // The object is deleted after the report.
        { "runtime_error",
            "An uncaught exception occurred.\n"
            "  type:   std::runtime_error\n"
            "  what(): lost the connection to the moon\n"
            "destroyed\n" },
        // A Kel::Exception without frames has no backtrace section.
        { "key_error",
            "An uncaught exception occurred.\n"
            "  type:   Kel::KeyError\n"
            "  what(): Unknown enum (abc)\n" },
        { "backtrace",
            "An uncaught exception occurred.\n"
            "  type:   (anonymous namespace)::TracedError\n"
            "  what(): orbit decayed\n"
            "  backtrace:\n"
            "    0x4012ab in Moon::orbit() from /usr/lib/libmoon.so\n"
            "    0xdead0 from ./rocket\n" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.program);
        ProgramResult result = run_program(c.program);
        EXPECT_EQ(124, result.status);
        EXPECT_EQ(c.err, result.err);
    }
}

// Counts its ticks and calls exit(code) in tick number exit_at.
class Counter: public Kel::Application
{
public:
    explicit Counter(LoopMode mode, int exit_at = 0, int code = 0): exit_at(exit_at), code(code)
    {
        set_loop_mode(mode);
    }

    std::atomic<int> ticks { 0 };

protected:
    void tick() override
    {
        if (++ticks == exit_at)
            exit(code);
    }

private:
    int exit_at;
    int code;
};

TEST(Application, NoneNeverTicks)
{
    Counter app(Kel::Application::NONE, 1, 3);
    app.exit(5);
    EXPECT_EQ(0, app.main());
    EXPECT_EQ(0, app.ticks);
}

TEST(Application, TickModesEndAfterTheTurnThatCallsExit)
{
    const Kel::Application::LoopMode modes[]
        = { Kel::Application::TICK_SLEEP, Kel::Application::TICK_YIELD, Kel::Application::TICK_BUSY };
    for (Kel::Application::LoopMode mode : modes)
    {
        for (int exit_at : { 1, 5 })
        {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", exit in tick " << exit_at);
            Counter app(mode, exit_at, 3);
            EXPECT_EQ(3, app.main());
            EXPECT_EQ(exit_at, app.ticks);
        }
    }
}

TEST(Application, TickSleepSleepsAfterTheLastTick)
{
    Counter app(Kel::Application::TICK_SLEEP, 1, 3);
    Kel::Time::TimeStamp start = Kel::Time::now();
    EXPECT_EQ(3, app.main());
    EXPECT_GE(Kel::Time::now() - start, Kel::Time::msec);
}

TEST(Application, ExitBeforeTheLoopDoesNotPreventIt)
{
    Counter app(Kel::Application::TICK_BUSY, 2, 4);
    app.exit(9);
    EXPECT_EQ(4, app.main());
    EXPECT_EQ(2, app.ticks);
}

TEST(Application, SwitchingToNoneEndsTheLoop)
{
    class SwitchOff: public Kel::Application
    {
    protected:
        // Leaving the loop through NONE returns 0, not the exit code.
        void tick() override { set_loop_mode(NONE); }
    };
    SwitchOff app;
    EXPECT_EQ(0, app.main());
}

// Runs app.main() on a thread; waits at most 10 s for it. A loop that
// missed its wake-up is woken by repeated exit() so that the test ends.
int main_on_thread(Kel::Application& app, const std::function<void()>& waker)
{
    std::future<int> result = std::async(std::launch::async, [&app] { return app.main(); });
    waker();
    if (result.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
    {
        ADD_FAILURE() << "the loop missed its wake-up";
        while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
            app.exit(-1);
    }
    return result.get();
}

// Wake-ups given while the loop is not waiting are lost, so this keeps
// inducing until the loop has ticked `ticks` times. Returns how many
// induce_tick() calls it took.
int induce_until(Counter& app, int ticks)
{
    int induced = 0;
    for (int i = 0; i < 10000 && app.ticks < ticks; ++i)
    {
        app.induce_tick();
        ++induced;
        // Spin rather than sleep, so that what follows comes right after the
        // tick, while the loop is on its way back to waiting.
        Kel::Time::TimeStamp deadline = Kel::Time::now() + 2 * Kel::Time::msec;
        while (app.ticks < ticks && Kel::Time::now() < deadline)
        {
        }
    }
    return induced;
}

TEST(Application, SleepWokenByExitFromAnotherThread)
{
    // exit() follows the first tick at once, so it lands before, during or
    // after the loop's check of done; it must never be lost.
    for (int i = 0; i < 200; ++i)
    {
        Counter app(Kel::Application::SLEEP);
        int induced = 0;
        ASSERT_EQ(i,
            main_on_thread(app,
                [&]
                {
                    induced = induce_until(app, 1);
                    app.exit(i);
                }));
        // An exit() that wakes the loop brings no tick of its own.
        ASSERT_LE(app.ticks, induced);
    }
}

TEST(Application, SleepTicksOncePerInducedWakeUp)
{
    Counter app(Kel::Application::SLEEP);
    int induced = 0;
    int status = main_on_thread(app,
        [&]
        {
            induced = induce_until(app, 3);
            app.exit(6);
        });
    EXPECT_EQ(6, status);
    EXPECT_GE(app.ticks, 3);
    EXPECT_LE(app.ticks, induced);
}

TEST(Application, LeavingSleepModeWakesTheLoop)
{
    for (int i = 0; i < 50; ++i)
    {
        Counter app(Kel::Application::SLEEP, 10, 8);
        int induced = 0;
        ASSERT_EQ(8,
            main_on_thread(app,
                [&]
                {
                    induced = induce_until(app, 1);
                    app.set_loop_mode(Kel::Application::TICK_BUSY);
                }));
        ASSERT_EQ(10, app.ticks);
    }
}

TEST(Application, InduceTickOutsideSleepModeDoesNothing)
{
    Counter app(Kel::Application::TICK_BUSY, 3, 0);
    app.induce_tick();
    EXPECT_EQ(0, app.main());
    EXPECT_EQ(3, app.ticks);
}

} // namespace
