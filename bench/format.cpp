// Kel::format against snprintf producing the same text. The snprintf
// baselines write into a stack buffer; the _String variants also build the
// std::string that Kel::format returns.
#include "libs/strings/source/formatter.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace
{

const std::string speaker = "Narrator";
const std::string line = "The door creaks open slowly.";

void BM_Format_Bracket(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::string text = Kel::format("[%s] %s", speaker, line);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Format_Bracket);

void BM_Snprintf_Bracket(benchmark::State& state)
{
    char buffer[128];
    for (auto _ : state)
    {
        int n = std::snprintf(buffer, sizeof buffer, "[%s] %s", speaker.c_str(), line.c_str());
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(BM_Snprintf_Bracket);

void BM_Snprintf_Bracket_String(benchmark::State& state)
{
    char buffer[128];
    for (auto _ : state)
    {
        int n = std::snprintf(buffer, sizeof buffer, "[%s] %s", speaker.c_str(), line.c_str());
        std::string text(buffer, static_cast<std::size_t>(n));
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Snprintf_Bracket_String);

int a = 192, b = 168, c = 1, d = 20, port = 7254;

void BM_Format_Address(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::string text = Kel::format("%d.%d.%d.%d:%d", a, b, c, d, port);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Format_Address);

void BM_Snprintf_Address(benchmark::State& state)
{
    char buffer[64];
    for (auto _ : state)
    {
        int n = std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d:%d", a, b, c, d, port);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(BM_Snprintf_Address);

void BM_Snprintf_Address_String(benchmark::State& state)
{
    char buffer[64];
    for (auto _ : state)
    {
        int n = std::snprintf(buffer, sizeof buffer, "%d.%d.%d.%d:%d", a, b, c, d, port);
        std::string text(buffer, static_cast<std::size_t>(n));
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Snprintf_Address_String);

void BM_Format_Colour(benchmark::State& state)
{
    for (auto _ : state)
    {
        std::string text = Kel::format("#%02X%02X%02X", a, b, c);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Format_Colour);

void BM_Snprintf_Colour(benchmark::State& state)
{
    char buffer[64];
    for (auto _ : state)
    {
        int n = std::snprintf(buffer, sizeof buffer, "#%02X%02X%02X", a, b, c);
        benchmark::DoNotOptimize(n);
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(BM_Snprintf_Colour);

} // namespace

BENCHMARK_MAIN();
