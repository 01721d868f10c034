#ifndef PARLANE_TESTS_SERVER_SERVERPROCESS_H
#define PARLANE_TESTS_SERVER_SERVERPROCESS_H

// Test helpers shared by the server tests: the real parlane-server program as
// a child process, and chat clients built on Connection. Every wait is
// bounded; nothing here can hang a test.

#include "common/connection.h"
#include "common/packet.h"
#include "libs/io/source/eventdispatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
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
const std::chrono::milliseconds WAIT_LIMIT(10000);

inline std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// A fresh directory under /tmp, removed with everything in it at the end.
class TempDir
{
public:
    TempDir()
    {
        char pattern[] = "/tmp/parlane-server-test-XXXXXX";
        path = ::mkdtemp(pattern);
    }
    ~TempDir()
    {
        std::string command = "rm -rf '" + path + "'";
        int ignored = std::system(command.c_str());
        (void)ignored;
    }
    std::string file(const std::string& name) const { return path + "/" + name; }

    std::string path;
};

// The real program, started with "--port 0" and the given arguments, its
// standard output and error going to a file. The constructor returns once
// the program has printed "Listening on ...".
class ServerProcess
{
public:
    explicit ServerProcess(const std::vector<std::string>& args = {}, bool wait_listening = true):
        log_path(dir.file("server.log"))
    {
        std::vector<std::string> argv_strings = { PARLANE_BINARY_DIR "/parlane-server", "--port", "0" };
        argv_strings.insert(argv_strings.end(), args.begin(), args.end());
        start(argv_strings);
        if (wait_listening)
        {
            auto deadline = Clock::now() + WAIT_LIMIT;
            std::string::size_type at = std::string::npos, end = std::string::npos;
            while (end == std::string::npos && Clock::now() < deadline)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                std::string text = log();
                at = text.find("Listening on ");
                if (at != std::string::npos)
                    end = text.find('\n', at);
                if (end != std::string::npos)
                    address = text.substr(at + 13, end - at - 13);
            }
            EXPECT_FALSE(address.empty()) << log();
        }
    }

    // A program still running is ended as an operator would end it; it must
    // then stop cleanly (under the sanitizers: without leaks), and its log
    // must show no sanitizer report.
    ~ServerProcess()
    {
        if (pid > 0)
        {
            EXPECT_EQ(stop(), 0) << log();
        }
        const std::string text = log();
        EXPECT_EQ(text.find("Sanitizer"), std::string::npos) << text;
        EXPECT_EQ(text.find("runtime error:"), std::string::npos) << text;
    }

    std::string log() const { return read_file(log_path); }

    bool wait_for_log(const std::string& text, std::chrono::milliseconds limit = WAIT_LIMIT) const
    {
        auto deadline = Clock::now() + limit;
        while (Clock::now() < deadline)
        {
            if (log().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    unsigned count_in_log(const std::string& text) const
    {
        std::string content = log();
        unsigned count = 0;
        for (std::string::size_type at = content.find(text); at != std::string::npos;
             at = content.find(text, at + 1))
            ++count;
        return count;
    }

    // Sends the signal and returns the exit status, or -1 if the program
    // did not end in time (it is then killed).
    int stop(int signal_number = SIGTERM)
    {
        ::kill(pid, signal_number);
        return wait_exit();
    }

    int wait_exit(std::chrono::milliseconds limit = WAIT_LIMIT)
    {
        auto deadline = Clock::now() + limit;
        int status = 0;
        while (Clock::now() < deadline)
        {
            pid_t done = ::waitpid(pid, &status, WNOHANG);
            if (done == pid)
            {
                pid = -1;
                if (WIFEXITED(status))
                    return WEXITSTATUS(status);
                return 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
        return -1;
    }

    // Processor time (user and system) the program has used, in seconds.
    double cpu_seconds() const
    {
        std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
        std::istringstream in(stat.substr(stat.rfind(')') + 2));
        std::string field;
        unsigned long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && in >> field; ++i)
        {
            if (i == 14)
                utime = std::stoul(field);
            if (i == 15)
                stime = std::stoul(field);
        }
        return double(utime + stime) / double(::sysconf(_SC_CLK_TCK));
    }

    // Resident memory in kilobytes.
    unsigned long resident_kb() const
    {
        std::istringstream in(read_file("/proc/" + std::to_string(pid) + "/status"));
        std::string line;
        while (std::getline(in, line))
            if (line.compare(0, 6, "VmRSS:") == 0)
                return std::stoul(line.substr(6));
        return 0;
    }

    TempDir dir;
    std::string log_path;
    std::string address;
    pid_t pid = -1;

private:
    void start(const std::vector<std::string>& args)
    {
        std::vector<char*> argv;
        for (const auto& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        int err = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (err != 0)
        {
            ADD_FAILURE() << "Cannot start " << argv[0];
            pid = -1;
        }
    }
};

// A chat client on Connection. All clients of a test share one dispatcher;
// pump() services them until a condition holds.
class Client
{
public:
    Client(Kel::IO::EventDispatcher& dispatcher, const std::string& address):
        dispatcher(dispatcher), connection(new Connection(address, dispatcher))
    {
        connection->signal_packet_available.connect(
            [this]
            {
                Packet packet;
                while (connection->get_packet(packet))
                    received.push_back(packet);
            });
        connection->signal_end_of_file.connect([this] { closed = true; });
        auto deadline = Clock::now() + WAIT_LIMIT;
        while (!connection->check_connection() && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void send(const Packet& packet) { connection->send_packet(packet); }
    void send(const std::string& origin, const std::string& cmd, const std::vector<std::string>& params)
    {
        send(Packet(origin, cmd, params));
    }

    // Logs in and waits until the whole announced state has arrived; false
    // if the server refused or did not answer.
    bool login(const std::string& login_name)
    {
        name = login_name;
        send(Packet("", "NAME", login_name));
        if (!pump_until([&] { return find("ONLINE", login_name) != nullptr || closed; }) || closed)
            return false;
        std::vector<Packet> state = sync();
        received.insert(received.begin(), state.begin(), state.end());
        return true;
    }

    // Runs the dispatcher until done() is true; false after the time limit.
    bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit = WAIT_LIMIT)
    {
        auto deadline = Clock::now() + limit;
        while (!done())
        {
            if (Clock::now() >= deadline)
                return false;
            dispatcher.tick(false);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }

    // Everything the server had sent this client before it answered a
    // request made now: asks for the client's own biography, waits for the
    // answer, and returns (and forgets) the packets before it.
    std::vector<Packet> sync()
    {
        send(Packet(name, "GETBIOGRAPHY", name));
        std::vector<Packet> before;
        bool answered = pump_until(
            [&]
            {
                for (std::size_t i = 0; i < received.size(); ++i)
                    if (received[i].get_command() == "BIOGRAPHY" && received[i].get_origin() == name)
                    {
                        before.assign(received.begin(), received.begin() + i);
                        received.erase(received.begin(), received.begin() + i + 1);
                        return true;
                    }
                return false;
            });
        EXPECT_TRUE(answered) << name << " got no answer";
        return before;
    }

    // The first received packet with that command (and origin, if given).
    const Packet* find(const std::string& cmd, const std::string& origin = "") const
    {
        for (const auto& packet : received)
            if (packet.get_command() == cmd && (origin.empty() || packet.get_origin() == origin))
                return &packet;
        return nullptr;
    }

    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        for (const auto& packet : received)
            result.push_back(packet.str());
        return result;
    }

    Kel::IO::EventDispatcher& dispatcher;
    std::unique_ptr<Connection> connection;
    std::vector<Packet> received;
    std::string name;
    bool closed = false;
};

inline std::vector<std::string> lines_of(const std::vector<Packet>& packets)
{
    std::vector<std::string> result;
    for (const auto& packet : packets)
        result.push_back(packet.str());
    return result;
}

} // namespace servertest

#endif
