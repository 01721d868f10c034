#ifndef PARLANE_TESTS_SERVER_SERVERPROCESS_H
#define PARLANE_TESTS_SERVER_SERVERPROCESS_H

// The real parlane-server as a child process. Every wait is bounded.

#include "libs/core/source/time/units.h"
#include "libs/io/source/poll.h"
#include "tests/client/tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace servertest
{

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
const milliseconds WAIT_LIMIT(10000);

// Polls done() until it holds; false once limit has passed.
inline bool wait_until(const std::function<bool()>& done, milliseconds limit = WAIT_LIMIT)
{
    for (const auto deadline = Clock::now() + limit; !done(); std::this_thread::sleep_for(milliseconds(2)))
        if (Clock::now() >= deadline)
            return false;
    return true;
}

// Whether the object becomes readable within the limit.
inline bool readable_within(Kel::IO::Base& object, milliseconds limit)
{
    return Kel::IO::poll(object, Kel::IO::P_INPUT, Kel::Time::msec * limit.count()) & Kel::IO::P_INPUT;
}

// The program run with "--port 0" and args, its output going to a log file.
// With wait_listening the constructor returns once it listens.
class ServerProcess
{
public:
    explicit ServerProcess(std::vector<std::string> args = {}, bool wait_listening = true)
    {
        args.insert(args.begin(), { PARLANE_BINARY_DIR "/parlane-server", "--port", "0" });
        std::vector<char*> argv;
        for (auto& arg : args)
            argv.push_back(&arg[0]);
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        {
            ADD_FAILURE() << "Cannot start " << argv[0];
            pid = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        if (!wait_listening)
            return;
        // Only a whole line holds the whole address.
        wait_until(
            [&]
            {
                const std::string text = log();
                const auto at = text.find("Listening on "), end = text.find('\n', at);
                if (at != std::string::npos && end != std::string::npos)
                    address = text.substr(at + 13, end - at - 13);
                return !address.empty() || pid < 0;
            });
        EXPECT_FALSE(address.empty()) << log();
    }

    // A program still running must stop cleanly on SIGTERM (under the
    // sanitizers: without leaks), and no log may hold a sanitizer report.
    ~ServerProcess()
    {
        EXPECT_TRUE(pid <= 0 || exit_status(SIGTERM) == 0) << log();
        const std::string text = log();
        EXPECT_EQ(text.find("Sanitizer"), std::string::npos) << text;
        EXPECT_EQ(text.find("runtime error:"), std::string::npos) << text;
    }

    std::string log() const { return read_file(log_path); }

    bool wait_for_log(const std::string& text) const
    {
        return wait_until([&] { return log().find(text) != std::string::npos; });
    }

    unsigned count_in_log(const std::string& text) const
    {
        const std::string content = log();
        unsigned count = 0;
        for (auto at = content.find(text); at != std::string::npos; at = content.find(text, at + 1), ++count)
            ;
        return count;
    }

    // Sends the signal, if any, and returns the exit status (128 + signal
    // when killed), or -1 if the program did not end in time (it is then
    // killed).
    int exit_status(int signal_number = 0)
    {
        if (pid <= 0)
            return -1;
        if (signal_number != 0)
            ::kill(pid, signal_number);
        int status = 0;
        if (!wait_until([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }))
        {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            status = -1;
        }
        pid = -1;
        return status < 0 ? -1 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    TempDir dir;
    const std::string log_path = dir.file("server.log");
    std::string address;
    pid_t pid = -1;
};

} // namespace servertest

#endif
