// Finding a word in every line of a scene's 10,000-line backlog, as the find
// bar does on each key typed: a word in every line (20,000 matches), a rare
// one and one in no line, with emphasis, names and non-ASCII text to fold.
#include "client/transcript/scenefinder.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{

const BackLog& backlog()
{
    static BackLog log = []
    {
        BackLog made;
        for (int i = 0; i < 10000; ++i)
        {
            std::string n = std::to_string(i);
            if (i % 3 == 0)
                made.push_back(LogLine(LogLine::NORMAL, "20:15:09", "Bob",
                    "$me$ lifts the lantern over the *\xC3\x89" "tang* and calls $Ann$, \"Over here, the lantern "
                    "shows tracks!\" " + n));
            else if (i % 3 == 1)
                made.push_back(LogLine(LogLine::NORMAL, "20:15:10", "GM",
                    "The wind over the \xC3\xA9tang dies down; the lantern gutters and the reeds STRASSE "
                    "whisper. " + n));
            else
                made.push_back(LogLine(LogLine::OOC, "20:15:11", "Ann", "brb, getting tea, lantern stays lit " + n));
        }
        return made;
    }();
    return log;
}

void find(benchmark::State& state, const char* text)
{
    const BackLog& log = backlog();
    Transcript::SceneFinder finder;
    for (auto _ : state)
    {
        finder.find(text, log);
        benchmark::DoNotOptimize(finder.get_matches().data());
    }
    state.counters["matches"] = static_cast<double>(finder.get_matches().size());
}

void BM_FindCommon(benchmark::State& state) { find(state, "LANTERN"); }
void BM_FindRare(benchmark::State& state) { find(state, "\xC3\x89TANG dies down; the lantern gutters and the reeds strasse whisper. 9997"); }
void BM_FindNone(benchmark::State& state) { find(state, "wyvern"); }

} // namespace

BENCHMARK(BM_FindCommon)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindRare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindNone)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
