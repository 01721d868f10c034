// parlane-server under load, measured from the outside: the real program on
// the loopback, with clients built on Connection.
//
// FanOut: 100 clients in the scene "OOC"; one of them says 100 lines a second
// for 10 seconds, so the server makes 10,000 deliveries a second. Reports the
// time from sending a line to its arrival at each of the other 99 clients
// (p50, p99, max, in milliseconds) and the server's processor use.
//
// Idle: 500 clients logged in and silent. Reports the server's processor use
// over 10 seconds and its resident memory per client.

#include "common/connection.h"
#include "common/packet.h"
#include "libs/io/source/eventdispatcher.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{

using Clock = std::chrono::steady_clock;

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The program, started with "--port 0", its output going to a file.
class Server
{
public:
    Server()
    {
        char pattern[] = "/tmp/parlane-bench-XXXXXX";
        int fd = ::mkstemp(pattern);
        ::close(fd);
        log_path = pattern;
        std::string program = PARLANE_BINARY_DIR "/parlane-server";
        char* argv[] = { &program[0], const_cast<char*>("--port"), const_cast<char*>("0"), nullptr };
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, log_path.c_str(), O_WRONLY | O_TRUNC, 0644);
        posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);

        auto deadline = Clock::now() + std::chrono::seconds(10);
        while (address.empty() && Clock::now() < deadline)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            std::string text = read_file(log_path);
            std::string::size_type at = text.find("Listening on ");
            std::string::size_type end = at == std::string::npos ? at : text.find('\n', at);
            if (end != std::string::npos)
                address = text.substr(at + 13, end - at - 13);
        }
    }

    ~Server()
    {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        ::unlink(log_path.c_str());
    }

    // User plus system time, in seconds.
    double cpu_seconds() const
    {
        std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
        std::istringstream in(stat.substr(stat.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && in >> field; ++i)
            if (i == 14 || i == 15)
                ticks += std::stod(field);
        return ticks / double(::sysconf(_SC_CLK_TCK));
    }

    double resident_kb() const
    {
        std::istringstream in(read_file("/proc/" + std::to_string(pid) + "/status"));
        std::string line;
        while (std::getline(in, line))
            if (line.compare(0, 6, "VmRSS:") == 0)
                return std::stod(line.substr(6));
        return 0;
    }

    std::string address;

private:
    std::string log_path;
    pid_t pid = -1;
};

struct Client
{
    Client(Kel::IO::EventDispatcher& dispatcher, const std::string& address, const std::string& name):
        connection(address, dispatcher), name(name)
    {
        while (!connection.check_connection())
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        connection.signal_packet_available.connect(
            [this]
            {
                Packet packet;
                while (connection.get_packet(packet))
                    on_packet(packet);
            });
        connection.send_packet(Packet("", "NAME", name));
    }

    void on_packet(const Packet& packet)
    {
        if (packet.get_command() == "BIOGRAPHY" && packet.get_origin() == name)
            synced = true;
        else if (packet.get_command() == "TEXT" && packet.get_parameter_count() == 2)
        {
            const std::string& text = packet.get_parameter(1);
            if (text == "END")
            {
                ended = true;
                return;
            }
            long long sent = std::stoll(text.substr(0, text.find(' ')));
            long long now
                = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
                      .count();
            latencies_us.push_back(now - sent);
        }
    }

    Connection connection;
    std::string name;
    bool synced = false;
    bool ended = false;
    std::vector<long long> latencies_us;
};

void raise_descriptor_limit()
{
    rlimit limit;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0)
    {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Logs every client in and waits until each has been answered a request
// made after its login, so that the login traffic has all been delivered.
bool log_in(Kel::IO::EventDispatcher& dispatcher, std::vector<std::unique_ptr<Client>>& clients)
{
    for (auto& client : clients)
        client->connection.send_packet(Packet(client->name, "GETBIOGRAPHY", client->name));
    auto deadline = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < deadline)
    {
        dispatcher.tick(false);
        if (std::all_of(clients.begin(), clients.end(), [](const auto& c) { return c->synced; }))
            return true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

void BM_FanOut(benchmark::State& state)
{
    const int client_count = 100;
    const int lines_per_second = 100;
    const int seconds = 10;
    raise_descriptor_limit();

    for (auto _ : state)
    {
        Server server;
        Kel::IO::EventDispatcher dispatcher;
        std::vector<std::unique_ptr<Client>> listeners;
        for (int i = 1; i < client_count; ++i)
            listeners.emplace_back(new Client(dispatcher, server.address, "Listener" + std::to_string(i)));
        if (!log_in(dispatcher, listeners))
        {
            state.SkipWithError("login failed");
            return;
        }

        // The speaker has a thread and a dispatcher of its own, so that the
        // listeners' thread can block until something arrives.
        std::atomic<bool> listening_done(false);
        const double cpu_before = server.cpu_seconds();
        const auto start = Clock::now();
        std::thread speaker_thread(
            [&]
            {
                Kel::IO::EventDispatcher speaker_dispatcher;
                std::vector<std::unique_ptr<Client>> speaker;
                speaker.emplace_back(new Client(speaker_dispatcher, server.address, "Speaker"));
                log_in(speaker_dispatcher, speaker);
                const std::string padding(40, 'x');
                auto next = Clock::now();
                for (int i = 0; i < lines_per_second * seconds; ++i)
                {
                    next += std::chrono::microseconds(1000000 / lines_per_second);
                    std::this_thread::sleep_until(next);
                    long long now = std::chrono::duration_cast<std::chrono::microseconds>(
                        Clock::now().time_since_epoch())
                                        .count();
                    speaker[0]->connection.send_packet(
                        Packet("Speaker", "TEXT", "OOC", std::to_string(now) + " " + padding));
                    speaker_dispatcher.tick(false);
                }
                speaker[0]->connection.send_packet(Packet("Speaker", "TEXT", "OOC", "END"));
                // Leaving wakes the listeners' blocking tick, should END be lost.
                auto limit = Clock::now() + std::chrono::seconds(5);
                while (!listening_done && Clock::now() < limit)
                {
                    speaker_dispatcher.tick(false);
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            });

        auto deadline = start + std::chrono::seconds(seconds + 10);
        while (Clock::now() < deadline
            && !std::all_of(listeners.begin(), listeners.end(), [](const auto& c) { return c->ended; }))
            dispatcher.tick(true);
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = server.cpu_seconds() - cpu_before;
        listening_done = true;
        speaker_thread.join();

        std::vector<long long> all;
        for (const auto& listener : listeners)
            all.insert(all.end(), listener->latencies_us.begin(), listener->latencies_us.end());
        std::sort(all.begin(), all.end());
        if (all.empty())
        {
            state.SkipWithError("no line arrived");
            return;
        }
        auto percentile = [&](double p) { return all[std::size_t(p * double(all.size() - 1))] / 1000.0; };
        state.counters["deliveries"] = double(all.size());
        state.counters["p50_ms"] = percentile(0.50);
        state.counters["p99_ms"] = percentile(0.99);
        state.counters["max_ms"] = all.back() / 1000.0;
        state.counters["server_cpu_pct"] = 100.0 * cpu / elapsed;
        state.SetIterationTime(elapsed);
    }
}
BENCHMARK(BM_FanOut)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

void BM_Idle(benchmark::State& state)
{
    const int client_count = 500;
    const int seconds = 10;
    raise_descriptor_limit();

    for (auto _ : state)
    {
        Server server;
        Kel::IO::EventDispatcher dispatcher;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const double memory_before = server.resident_kb();
        std::vector<std::unique_ptr<Client>> clients;
        for (int i = 0; i < client_count; ++i)
            clients.emplace_back(new Client(dispatcher, server.address, "Idle" + std::to_string(i)));
        if (!log_in(dispatcher, clients))
        {
            state.SkipWithError("login failed");
            return;
        }
        const double memory_after = server.resident_kb();

        const double cpu_before = server.cpu_seconds();
        const auto start = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const double cpu = server.cpu_seconds() - cpu_before;

        state.counters["clients"] = client_count;
        state.counters["server_cpu_pct"] = 100.0 * cpu / elapsed;
        state.counters["kb_per_client"] = (memory_after - memory_before) / client_count;
        state.counters["server_rss_kb"] = memory_after;
        state.SetIterationTime(elapsed);
    }
}
BENCHMARK(BM_Idle)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
