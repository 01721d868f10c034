// A scene joining a session it has logged: its last 200 lines read back
// from a 50 MB log file into a fresh scene, and the same from a 50 MB file
// without a single line feed. The files are written once, in a temporary
// folder, and read from the page cache.
#include "client/session/scene.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{

const std::size_t FILE_BYTES = 50 * 1000 * 1000;

class Host: public SceneHost
{
public:
    const std::string& get_game() const override { return game; }
    const std::string& get_session() const override { return session; }

    std::string game = "Saga";
    std::string session = "First";
};

// A working folder holding Saga/First-Tavern.log of about 50 MB of chat
// lines and Saga/First-Cellar.log of 50 MB of one line; removed at exit.
class LogFolder
{
public:
    LogFolder()
    {
        char pattern[] = "/tmp/parlane-bench-restore-XXXXXX";
        if (!::mkdtemp(pattern))
            std::abort();
        path = pattern;
        fs::create_directories(path / "Saga");
        {
            std::ofstream out(path / "Saga" / "First-Tavern.log", std::ios_base::binary);
            std::size_t written = 0;
            for (unsigned n = 0; written < FILE_BYTES; ++n)
            {
                char line[160];
                int length = std::snprintf(line, sizeof line,
                    n % 7 == 0 ? "[2031-05-04 20:%02u:%02u] ((Ann: line %u, out of character))\n"
                               : "[2031-05-04 20:%02u:%02u] Guard says \"line %u, and a few words more to "
                                 "make it a usual length\"\n",
                    n / 60 % 60, n % 60, n);
                out.write(line, length);
                written += length;
            }
        }
        {
            std::ofstream out(path / "Saga" / "First-Cellar.log", std::ios_base::binary);
            std::string block(1 << 20, 'x');
            for (std::size_t written = 0; written < FILE_BYTES; written += block.size())
                out.write(block.data(), block.size());
        }
        fs::current_path(path);
    }
    ~LogFolder()
    {
        std::error_code ignored;
        fs::current_path("/", ignored);
        fs::remove_all(path, ignored);
    }

    fs::path path;
};

LogFolder& folder()
{
    static LogFolder made;
    return made;
}

void restore(benchmark::State& state, const char* scene_name)
{
    folder();
    Host host;
    std::size_t lines = 0;
    for (auto _ : state)
    {
        Scene scene(host, scene_name, false);
        if (!scene.restore_earlier_lines(200))
            state.SkipWithError("nothing restored");
        lines = std::distance(scene.get_backlog().begin(), scene.get_backlog().end());
    }
    state.counters["lines"] = static_cast<double>(lines);
    state.SetItemsProcessed(state.iterations());
}

void BM_Restore200_From50MB(benchmark::State& state)
{
    restore(state, "Tavern");
}
BENCHMARK(BM_Restore200_From50MB)->Unit(benchmark::kMillisecond);

void BM_Restore_From50MBWithoutLineFeeds(benchmark::State& state)
{
    restore(state, "Cellar");
}
BENCHMARK(BM_Restore_From50MBWithoutLineFeeds)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
