// Searching 100 MB of scene logs (written once to a temporary folder) for a
// word that is rare and for one in every line, case folded; exporting a
// 10,000-line session as HTML.
#include "client/session/config.h"
#include "client/transcript/exporter.h"
#include "client/transcript/search.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdlib.h>
#include <string>

namespace fs = std::filesystem;

namespace
{

struct Logs
{
    Logs()
    {
        char name[] = "/tmp/parlane-bench-XXXXXX";
        if (!mkdtemp(name))
            throw std::runtime_error("mkdtemp failed");
        root = name;
        fs::create_directories(root / "Saga");
        const std::size_t files = 20;
        const std::size_t per_file = 5 * 1000 * 1000;
        for (std::size_t f = 0; f < files; ++f)
        {
            std::ofstream out(root / "Saga" / ("Night " + std::to_string(f) + "-Tavern.log"), std::ios::binary);
            std::size_t written = 0;
            for (std::size_t n = 0; written < per_file; ++n)
            {
                char line[160];
                int length = std::snprintf(line, sizeof line,
                    n % 3 ? "[2031-05-04 20:%02zu:%02zu] Anna: \"The road north is long, and the %s d\xC3\xA4mmert.\"\n"
                          : "[2031-05-04 20:%02zu:%02zu] Guard draws a *sharp* sword at $Anna$ (%s).\n",
                    n / 60 % 60, n % 60, n == 50000 && f == 13 ? "Wyvern" : "night");
                out.write(line, length);
                written += static_cast<std::size_t>(length);
                bytes += static_cast<std::size_t>(length);
            }
        }
        folder.reset(new Transcript::LogFolder(root.string()));
        for (const Transcript::SceneLog& log : folder->get_scenes())
            scenes.push_back(&log);
    }
    ~Logs()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    fs::path root;
    std::size_t bytes = 0;
    std::unique_ptr<Transcript::LogFolder> folder;
    std::vector<const Transcript::SceneLog*> scenes;
};

Logs& logs()
{
    static Logs instance;
    return instance;
}

void search(benchmark::State& state, const std::string& query)
{
    Logs& l = logs();
    std::size_t hits = 0;
    for (auto _ : state)
    {
        Transcript::Search s(l.scenes, query);
        s.run();
        hits = s.take_hits().size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * l.bytes));
    state.counters["hits"] = static_cast<double>(hits);
    state.counters["MB"] = static_cast<double>(l.bytes) / 1e6;
}

void BM_Search100MBRare(benchmark::State& state)
{
    search(state, "WYVERN");
}
BENCHMARK(BM_Search100MBRare)->Unit(benchmark::kMillisecond)->MinTime(2);

// Non-ASCII in the query and in two lines of three: the folding's slow path
// (it stops at the hit limit, a fifth of the way in).
void BM_Search100MBUnicode(benchmark::State& state)
{
    search(state, "D\xC3\x84MMERT");
}
BENCHMARK(BM_Search100MBUnicode)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ExportHtml10000Lines(benchmark::State& state)
{
    Logs& l = logs();
    const Transcript::SceneLog* scene = l.scenes.front();
    // The first 10,000 lines of one file.
    fs::path small = l.root / "Small";
    fs::create_directories(small);
    {
        std::ifstream in(scene->path, std::ios::binary);
        std::ofstream out(small / "S-Tavern.log", std::ios::binary);
        std::string line;
        for (int i = 0; i < 10000 && std::getline(in, line); ++i)
            out << line << '\n';
    }
    Transcript::LogFolder folder(l.root.string());
    std::vector<const Transcript::SceneLog*> scenes = folder.find("Small", "S");
    Config config("");
    for (auto _ : state)
    {
        std::string html =
            Transcript::export_document(Transcript::read_document(scenes), Transcript::HTML, {}, config);
        benchmark::DoNotOptimize(html);
    }
}
BENCHMARK(BM_ExportHtml10000Lines)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
