// Kel::split_fields of one 60-byte packet line, as packet parsing calls it.
#include "libs/strings/source/utils.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{

const std::string packet_line = "Guard;TEXT;The Rusty Anchor;Ale for everyone, and a song!;12";

void BM_SplitFields_PacketLine(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::vector<std::string> fields = Kel::split_fields(packet_line, ';', -1);
        benchmark::DoNotOptimize(fields);
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(packet_line.size()));
    state.counters["line_bytes"] = static_cast<double>(packet_line.size());
}
BENCHMARK(BM_SplitFields_PacketLine);

void BM_SplitFields_StringSeparator(benchmark::State& state)
{
    const std::string separator = ";";
    for (auto _ : state)
    {
        std::vector<std::string> fields = Kel::split_fields(packet_line, separator, -1);
        benchmark::DoNotOptimize(fields);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SplitFields_StringSeparator);

void BM_Split_Words(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::vector<std::string> fields = Kel::split(packet_line, ' ', -1);
        benchmark::DoNotOptimize(fields);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Split_Words);

} // namespace

BENCHMARK_MAIN();
