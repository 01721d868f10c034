// Lines dense with markup, run under a display (xvfb-run):
//  - Reader/<shape>: Markup::render_said alone on a 64 KiB line of one
//    shape: pairs of underscores ("_x_ "), names ("$a$ "), a quote before
//    each letter ("\"a"), a mix of every marker with tabs, names and
//    non-ASCII text, and plain words; Reader/mix_1MiB on 1 MiB of the mix.
//  - View/<shape>: the real client with its main window on screen; a server
//    sends one such line as a TEXT packet into the active scene, and the
//    time runs from the packet's delivery to the link until the line is in
//    the backlog, rendered by the log view, and the toolkit is idle again,
//    at the program's own loop pace (a tick, then a 1 ms sleep). Counters:
//    read_ms, from delivery until the line is in the backlog (the link
//    reads 1 KiB a tick); layout_ms, from there until the toolkit is idle,
//    the slowest of the runs. Each shape has a scene of its own. The
//    "1 MiB" line is a little shorter than 1 MiB, so that the packet around
//    it stays within the link's line limit.
//  - Floor/<shape>: the toolkit alone: the line as render_said shows it,
//    without tags, put into a plain Gtk::TextView of the log's size in a
//    window of its own, until the toolkit is idle; what one paragraph of
//    that length costs to lay out at all.
// Targets: a 64 KiB line laid out in under 50 ms, a 1 MiB line in under 1 s.
#include "bench/clientsession.h"
#include "client/parlane.h"
#include "client/session/markup.h"
#include "common/connection.h"
#include "common/packet.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"

#include <benchmark/benchmark.h>
#include <gtkmm/main.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/textview.h>
#include <gtkmm/window.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

namespace
{

const std::size_t LINE = 64 * 1024;
const std::size_t HUGE = 1024 * 1024;
// Room for "Alice;TEXT;<scene>|" within the link's limit of 1 MiB a line.
const std::size_t HUGE_PACKET_TEXT = HUGE - 256;

enum Shape
{
    UNDERSCORES,
    NAMES,
    QUOTES,
    MIX,
    PLAIN
};

const char* const SHAPE_NAMES[] = { "underscores", "names", "quotes", "mix", "plain" };

// A line of the shape, size bytes long, cut at a character boundary.
std::string make_line(Shape shape, std::size_t size)
{
    static const std::vector<std::string> mix = { "*b* ", "_u_ ", "%i% ", "\"said\" ", "$a$ ", "$me$ ", "** ",
        "\"\" ", "*_%\"", "\"%_*", "\t\t", "$Alice$ ", "*open ", "_", "\"a", "%", "é", "中文", "😀", "word " };
    std::string unit;
    switch (shape)
    {
    case UNDERSCORES:
        unit = "_x_ ";
        break;
    case NAMES:
        unit = "$a$ ";
        break;
    case QUOTES:
        unit = "\"a";
        break;
    case MIX:
        for (const std::string& m : mix)
            unit += m;
        break;
    case PLAIN:
        unit = "plain words ";
        break;
    }
    std::string line;
    line.reserve(size + unit.size());
    while (line.size() < size)
        line += unit;
    line.resize(size);
    // No half character at the end.
    while (!line.empty() && (static_cast<unsigned char>(line.back()) & 0xC0) == 0x80)
        line.pop_back();
    if (!line.empty() && static_cast<unsigned char>(line.back()) >= 0xC0)
        line.pop_back();
    return line;
}

void Reader(benchmark::State& state)
{
    const Shape shape = static_cast<Shape>(state.range(0));
    const std::string line = make_line(shape, state.range(1));
    for (auto _ : state)
    {
        Markup::Rendered r = Markup::render_said(line, "Alice");
        benchmark::DoNotOptimize(r.spans.data());
    }
    state.SetBytesProcessed(state.iterations() * line.size());
    state.SetLabel(SHAPE_NAMES[shape]);
}
BENCHMARK(Reader)
    ->ArgNames({ "shape", "bytes" })
    ->Args({ UNDERSCORES, LINE })
    ->Args({ NAMES, LINE })
    ->Args({ QUOTES, LINE })
    ->Args({ MIX, LINE })
    ->Args({ PLAIN, LINE })
    ->Args({ MIX, HUGE })
    ->Unit(benchmark::kMillisecond);

// The controller logged in as "Bob" with one scene for each shape, Alice in
// all of them.
class Session: public ClientSession
{
public:
    Session(): ClientSession(program)
    {
        client->send_packet(Packet("", "GAME", "Bench"));
        client->send_packet(Packet("", "ADDCHAR", "Alice", "0"));
        for (const char* name : SHAPE_NAMES)
            client->send_packet(Packet("", "ADDSCENE", name, "0"));
        client->send_packet(Packet("", "ADDSCENE", "huge", "0"));
        while (!parlane->get_scene("huge"))
            turn();
        main_window().resize(900, 600);
        settle();
    }

    struct Timing
    {
        double read; // seconds from delivery until the line is in the backlog
        double layout; // seconds from there until the toolkit is idle
    };

    // Sends the line into the scene, made active first.
    Timing show_line(const std::string& scene_name, const std::string& text)
    {
        Scene* scene = parlane->get_scene(scene_name);
        if (parlane->get_active_scene() != scene)
        {
            parlane->set_active_scene(scene);
            settle();
        }
        const BackLog& log = scene->get_backlog();
        const std::size_t before = std::distance(log.begin(), log.end());
        client->send_packet(Packet("Alice", "TEXT", scene_name, text));
        Kel::Time::TimeStamp start = Kel::Time::now();
        while (static_cast<std::size_t>(std::distance(log.begin(), log.end())) == before)
            turn();
        Kel::Time::TimeStamp arrived = Kel::Time::now();
        while (log.next() != log.end())
            turn();
        settle();
        return { (arrived - start) / Kel::Time::sec, (Kel::Time::now() - arrived) / Kel::Time::sec };
    }

    // The toolkit until it has nothing left to do, at the loop's pace.
    static void settle_toolkit()
    {
        for (int i = 0; i < 100000 && Gtk::Main::events_pending(); ++i)
        {
            Gtk::Main::iteration(false);
            Kel::Time::sleep(Kel::Time::msec);
        }
    }

private:
    static char program[];
};

char Session::program[] = "bench_markup";

Session& session()
{
    static Session s;
    return s;
}

void View(benchmark::State& state)
{
    const Shape shape = static_cast<Shape>(state.range(0));
    const bool huge = state.range(1) > static_cast<long>(LINE);
    const std::string text = make_line(shape, huge ? HUGE_PACKET_TEXT : LINE);
    Session& s = session();
    double read = 0, worst_layout = 0;
    for (auto _ : state)
    {
        Session::Timing t = s.show_line(huge ? "huge" : SHAPE_NAMES[shape], text);
        read += t.read;
        worst_layout = std::max(worst_layout, t.layout);
        state.SetIterationTime(t.read + t.layout);
    }
    state.counters["read_ms"] = 1000 * read / state.iterations();
    state.counters["layout_ms"] = 1000 * worst_layout;
    state.SetLabel(SHAPE_NAMES[shape]);
}
BENCHMARK(View)
    ->ArgNames({ "shape", "bytes" })
    ->UseManualTime()
    ->Iterations(3)
    ->Args({ UNDERSCORES, LINE })
    ->Args({ NAMES, LINE })
    ->Args({ QUOTES, LINE })
    ->Args({ MIX, LINE })
    ->Args({ PLAIN, LINE })
    ->Args({ MIX, HUGE })
    ->Unit(benchmark::kMillisecond);

void Floor(benchmark::State& state)
{
    const Shape shape = static_cast<Shape>(state.range(0));
    const std::string text = Markup::render_said(make_line(shape, state.range(1)), "Alice").text;
    // The toolkit is set up by the client's controller.
    session();
    Gtk::Window window;
    Gtk::ScrolledWindow scroll;
    Gtk::TextView view;
    view.set_wrap_mode(Gtk::WRAP_WORD_CHAR);
    scroll.add(view);
    window.add(scroll);
    window.resize(600, 500);
    window.show_all();
    Session::settle_toolkit();
    for (auto _ : state)
    {
        view.get_buffer()->set_text("");
        Session::settle_toolkit();
        Kel::Time::TimeStamp start = Kel::Time::now();
        view.get_buffer()->insert(view.get_buffer()->end(), text);
        Session::settle_toolkit();
        state.SetIterationTime((Kel::Time::now() - start) / Kel::Time::sec);
    }
    state.SetLabel(SHAPE_NAMES[shape]);
}
BENCHMARK(Floor)
    ->ArgNames({ "shape", "bytes" })
    ->UseManualTime()
    ->Iterations(3)
    ->Args({ MIX, LINE })
    ->Args({ PLAIN, LINE })
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
