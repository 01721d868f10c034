// The client under load and at rest, run under a display (xvfb-run):
//  - TextLines: a server sends 10,000 TEXT lines to the active scene as fast
//    as it can; the time until the last one is in the backlog and has been
//    rendered by the log view, with the program's own loop pace (a tick, then
//    a 1 ms sleep). "floor_ms" is the pace of reading 1,024 bytes per turn;
//    "settle_ms" the time after that until the lines that scrolled by are
//    laid out too; "cpu_ms" the processor time of the timed part (both ends
//    of the link).
//  - Idle: processor use of a logged-in client over 30 seconds of loop turns.
#include "bench/clientsession.h"
#include "client/parlane.h"
#include "common/connection.h"
#include "common/packet.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/net/source/inet.h"
#include "libs/net/source/serversocket.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iterator>
#include <string>

namespace
{

const int LINES = 10000;

// One controller and one server-side link to it for the whole run.
class Session: public ClientSession
{
public:
    Session(): ClientSession(program)
    {
        client->send_packet(Packet("", "GAME", "Bench"));
        client->send_packet(Packet("", "ADDCHAR", "Alice", "0"));
        client->send_packet(Packet("", "ADDSCENE", "Tavern", "0"));
        while (!parlane->get_active_scene())
            turn();
    }

private:
    static char program[];
};

char Session::program[] = "bench_client";

Session& session()
{
    static Session s;
    return s;
}

void TextLines(benchmark::State& state)
{
    Session& s = session();
    const BackLog& log = s.parlane->get_active_scene()->get_backlog();
    double bytes = 0;
    long turns = 0;
    double settle_ms = 0;
    double cpu_ms = 0;
    int run = 0;
    for (auto _ : state)
    {
        const std::string load = " of load " + std::to_string(++run) + ".";
        bytes = 0;
        for (int i = 0; i < LINES; ++i)
        {
            Packet pkt(
                "Alice", "TEXT", "Tavern", "$me$: \"Line number " + std::to_string(i) + load + "\"");
            bytes += pkt.str().size() + 1;
            s.client->send_packet(pkt);
        }
        // From the moment the lines wait on the link: the server shares the
        // client's thread here, and making its lines is not the client's work.
        Kel::Time::TimeStamp start = Kel::Time::now();
        Kel::Time::TimeDelta cpu_start = Kel::Time::get_cpu_time();
        // In the backlog, and shown: the view marks what it rendered.
        const std::string last = "Line number " + std::to_string(LINES - 1) + load;
        auto arrived = [&] { return log.begin() != log.end() && std::prev(log.end())->text.find(last) != std::string::npos; };
        turns = 0;
        while (!arrived() || log.next() != log.end())
        {
            s.turn();
            ++turns;
        }
        state.SetIterationTime((Kel::Time::now() - start) / Kel::Time::sec);
        cpu_ms = (Kel::Time::get_cpu_time() - cpu_start) / Kel::Time::msec;
        // Off-screen layout put off during the flood, not timed above.
        Kel::Time::TimeStamp shown = Kel::Time::now();
        s.settle();
        settle_ms = (Kel::Time::now() - shown) / Kel::Time::msec;
    }
    double floor_ms = bytes / 1024;
    state.counters["floor_ms"] = floor_ms;
    state.counters["bytes"] = bytes;
    state.counters["turns"] = turns;
    state.counters["settle_ms"] = settle_ms;
    state.counters["cpu_ms"] = cpu_ms;
}
BENCHMARK(TextLines)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void Idle(benchmark::State& state)
{
    Session& s = session();
    s.settle();
    double percent = 0;
    for (auto _ : state)
    {
        Kel::Time::TimeStamp start = Kel::Time::now();
        Kel::Time::TimeDelta cpu_start = Kel::Time::get_cpu_time();
        // Only the client's own turns count: the idle server is left alone.
        while (Kel::Time::now() - start < 30 * Kel::Time::sec)
            s.turn(false);
        double wall = (Kel::Time::now() - start) / Kel::Time::sec;
        double cpu = (Kel::Time::get_cpu_time() - cpu_start) / Kel::Time::sec;
        percent = 100 * cpu / wall;
        state.SetIterationTime(wall);
    }
    state.counters["cpu_percent"] = percent;
}
BENCHMARK(Idle)->UseManualTime()->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
