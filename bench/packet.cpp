// Packet parsing and serialising of a typical chat line: a 60-byte TEXT line
// with a speaker, a scene and a sentence.
#include "common/packet.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{

const std::string text_line = "Guard;TEXT;Tavern;The door creaks open and a cold wind blows";

void BM_Packet_ParseAndStr(benchmark::State& state)
{
    for (auto _ : state)
    {
        Packet pkt(text_line);
        std::string line = pkt.str();
        benchmark::DoNotOptimize(line);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * text_line.size());
}
BENCHMARK(BM_Packet_ParseAndStr);

void BM_Packet_Parse(benchmark::State& state)
{
    for (auto _ : state)
    {
        Packet pkt(text_line);
        benchmark::DoNotOptimize(pkt);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * text_line.size());
}
BENCHMARK(BM_Packet_Parse);

void BM_Packet_Str(benchmark::State& state)
{
    const Packet pkt(text_line);
    for (auto _ : state)
    {
        std::string line = pkt.str();
        benchmark::DoNotOptimize(line);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Packet_Str);

} // namespace

BENCHMARK_MAIN();
