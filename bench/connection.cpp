// Lines through a Connection over a loopback TCP link against the same lines
// parsed from memory with Packet alone. A writer thread pushes the lines into
// the link; the measured thread ticks the event dispatcher until every line
// has been framed, parsed, queued, announced and taken. The ratio of
// BM_Packet_ParseFromMemory to BM_Connection_Receive time per line is the
// share of the work that is parsing.
#include "common/connection.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "libs/net/source/inet.h"
#include "libs/net/source/serversocket.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{

const std::string text_line = "Guard;TEXT;Tavern;The door creaks open and a cold wind blows";
const int lines_per_batch = 10000;

std::string batch()
{
    std::string data;
    for (int i = 0; i < lines_per_batch; ++i)
    {
        data += text_line;
        data += '\n';
    }
    return data;
}

void BM_Packet_ParseFromMemory(benchmark::State& state)
{
    const std::string data = batch();
    std::string line;
    for (auto _ : state)
    {
        std::string::size_type start = 0;
        for (int i = 0; i < lines_per_batch; ++i)
        {
            std::string::size_type end = data.find('\n', start);
            line.assign(data, start, end - start);
            Packet pkt(line);
            benchmark::DoNotOptimize(pkt);
            start = end + 1;
        }
    }
    state.SetItemsProcessed(state.iterations() * lines_per_batch);
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_Packet_ParseFromMemory)->Unit(benchmark::kMillisecond);

void BM_Connection_Receive(benchmark::State& state)
{
    const std::string data = batch();
    Kel::IO::EventDispatcher disp;
    Kel::Net::ServerSocket server(Kel::Net::INET, 0);
    server.bind(Kel::Net::InetAddr(0x7F000001, 0));
    server.listen(4);
    Connection conn(server.get_local_address().str(), disp);
    for (int i = 0; i < 5000 && !conn.check_connection(); ++i)
        Kel::Time::sleep(Kel::Time::msec);
    std::unique_ptr<Kel::Net::StreamSocket> writer(server.accept());
    if (!writer || !conn.check_connection())
    {
        state.SkipWithError("no loopback connection");
        return;
    }

    int taken = 0;
    conn.signal_packet_available.connect(
        [&]
        {
            Packet pkt;
            while (conn.get_packet(pkt))
                ++taken;
        });

    for (auto _ : state)
    {
        taken = 0;
        // Blocking writes on the writer's own thread; the dispatcher never
        // sees the writer socket.
        std::thread feeder(
            [&]
            {
                std::string::size_type done = 0;
                while (done < data.size())
                {
                    unsigned sent
                        = writer->write(data.data() + done, static_cast<unsigned>(data.size() - done));
                    if (sent == 0)
                        break;
                    done += sent;
                }
            });
        while (taken < lines_per_batch)
            disp.tick(true);
        feeder.join();
    }
    state.SetItemsProcessed(state.iterations() * lines_per_batch);
    state.SetBytesProcessed(state.iterations() * data.size());
}
BENCHMARK(BM_Connection_Receive)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
