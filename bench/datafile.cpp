// Parsing speed of the data-file front end: about 1 MB of mixed statements
// in the text syntax, and the same statements in the binary syntax.

#include "libs/datafile/source/parser.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

namespace
{

const std::size_t TARGET_SIZE = 1 << 20;

void put_int(std::string& out, long long value)
{
    // Enough 7-bit groups for the value and its sign bit, most significant first.
    int groups = 1;
    while (groups < 10)
    {
        long long low = -(1LL << (7 * groups - 1));
        long long high = (1LL << (7 * groups - 1)) - 1;
        if (value >= low && value <= high)
            break;
        ++groups;
    }
    for (int g = groups - 1; g >= 0; --g)
    {
        unsigned char byte
            = static_cast<unsigned char>((static_cast<unsigned long long>(value) >> (7 * g)) & 127);
        if (g > 0)
            byte |= 128;
        out += static_cast<char>(byte);
    }
}

void put_string(std::string& out, const std::string& s)
{
    put_int(out, static_cast<long long>(s.size()));
    out += s;
}

void put_float(std::string& out, float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((bits >> shift) & 255);
}

void define(std::string& out, int id, const std::string& keyword, const std::string& signature)
{
    put_int(out, 1);
    put_int(out, id);
    put_string(out, keyword);
    put_string(out, signature);
    put_int(out, 0);
}

struct Files
{
    std::string text;
    std::string binary;
};

// Statements: color role colour; item number hex float text flag mode { sub n; other "text"; };
Files make_files()
{
    Files files;
    files.text = "// benchmark input\n";
    files.binary = "__bin;\n";
    define(files.binary, 3, "color", "ss");
    define(files.binary, 4, "item", "iifsbe");
    define(files.binary, 5, "sub", "i");
    define(files.binary, 6, "other", "s");
    put_int(files.binary, 2);
    put_int(files.binary, 1);
    put_string(files.binary, "fast");
    put_int(files.binary, 0);

    for (long long i = 0; files.text.size() < TARGET_SIZE; ++i)
    {
        std::string role = "role" + std::to_string(i % 97);
        files.text += "color \"" + role + "\" \"#A0B0C0\";\n";
        put_int(files.binary, 3);
        put_string(files.binary, role);
        put_string(files.binary, "#A0B0C0");
        put_int(files.binary, 0);

        files.text
            += "item " + std::to_string(i) + " -0x1F 1.5 \"some text, escaped \\\"here\\\"\" true fast {\n";
        put_int(files.binary, 4);
        put_int(files.binary, i);
        put_int(files.binary, -0x1F);
        put_float(files.binary, 1.5f);
        put_string(files.binary, "some text, escaped \"here\"");
        files.binary += '\1';
        put_int(files.binary, 1);
        put_int(files.binary, 2);

        files.text += "    sub " + std::to_string(i * 7) + ";\n    other \"x\";\n};\n";
        put_int(files.binary, 5);
        put_int(files.binary, i * 7);
        put_int(files.binary, 0);
        put_int(files.binary, 6);
        put_string(files.binary, "x");
        put_int(files.binary, 0);
    }
    return files;
}

const Files& files()
{
    static const Files made = make_files();
    return made;
}

void parse_whole(benchmark::State& state, const std::string& data)
{
    // One stream, rewound for each pass, so that copying the data is not timed.
    std::istringstream stream(data);
    for (auto _ : state)
    {
        stream.clear();
        stream.seekg(0);
        Kel::DataFile::Parser parser(stream, "bench");
        std::size_t statements = 0;
        while (parser)
            statements += parser.parse().valid;
        benchmark::DoNotOptimize(statements);
    }
    state.SetBytesProcessed(
        static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(data.size()));
    state.counters["bytes"] = static_cast<double>(data.size());
}

void BM_ParseText(benchmark::State& state)
{
    parse_whole(state, files().text);
}
BENCHMARK(BM_ParseText)->Unit(benchmark::kMillisecond);

void BM_ParseBinary(benchmark::State& state)
{
    parse_whole(state, files().binary);
}
BENCHMARK(BM_ParseBinary)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
