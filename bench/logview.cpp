// The log view, run under a display (xvfb-run):
//  - Activation: showing a scene whose backlog holds 10,000 mixed lines
//    (names, speech, emphasis, out-of-character and event lines), the main
//    window hidden as when the toolkit has not laid it out yet. Each
//    iteration also times the floor: the same display text with the same
//    tags inserted straight into a Gtk::TextBuffer that has the view's
//    tags, one line at a time; and leaving that scene again for an empty
//    one, which throws the 10,000 rendered lines away. Counters: view_ms,
//    floor_ms, ratio (view / floor), leave_ms.
//  - Append/<lines>/<shown>: one more line in the active scene (the
//    controller's signal_activity) when the view already shows 100 or
//    100,000 lines; with shown=1 the main window is on screen and the time
//    runs until the toolkit is idle again, so layout and drawing count.
//    The 100,000-line scene is never left: see leave_ms.
#include "bench/clientsession.h"
#include "client/parlane.h"
#include "client/ui/mainwindow.h"
#include "client/ui/toolkit.h"
#include "common/connection.h"
#include "common/packet.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/eventdispatcher.h"
#include "libs/net/source/inet.h"
#include "libs/net/source/serversocket.h"

#include <benchmark/benchmark.h>
#include <gtk/gtk.h>
#include <gtkmm/main.h>
#include <gtkmm/textbuffer.h>
#include <gtkmm/textview.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

const int BACKLOG = 10000;
const int SMALL = 100;
const int LARGE = 100000;
// Lines appended to one small scene before the next is taken, so that the
// small view stays near its size.
const int SMALL_TURNS = 50;
const int SMALL_SCENES = 40;

LogLine mixed_line(int i)
{
    std::string n = std::to_string(i);
    switch (i % 6)
    {
    case 0:
        return LogLine(
            LogLine::NORMAL, "12:34:56", "Alice", "$me$: \"Line " + n + ", and *this* matters to $Bob$.\"");
    case 1:
        return LogLine(
            LogLine::NORMAL, "12:34:57", "Bob", "$me$ looks at $Alice$ and _smiles_ %slowly% (" + n + ").");
    case 2:
        return LogLine(
            LogLine::NORMAL, "12:34:58", "GM", "The wind howls through the *old* trees, " + n + " times.");
    case 3:
        return LogLine(LogLine::OOC, "12:34:59", "Alice", "brb, kettle " + n);
    case 4:
        return LogLine(LogLine::NORMAL, "12:35:00", "Innkeeper",
            "$me$ wipes a mug. $me$: \"That'll be %two silver%, $Bob$. **Stars** on the house.\" " + n);
    default:
        return LogLine(LogLine::EVENT, "12:35:01", "*", "Carl entered the scene");
    }
}

// One controller, its server-side link, and the scenes the benchmarks show.
class ViewSession: public ClientSession
{
public:
    ViewSession(): ClientSession(program)
    {
        std::vector<std::string> names = { "Empty", "Backlog", "Large" };
        for (int i = 0; i < SMALL_SCENES; ++i)
            names.push_back("Small " + std::to_string(100 + i));
        for (const std::string& n : names)
            client->send_packet(Packet("", "ADDSCENE", n, "0"));
        while (parlane->get_scenes().size() < names.size())
            turn();

        fill("Backlog", BACKLOG);
        fill("Large", LARGE);
        for (int i = 0; i < SMALL_SCENES; ++i)
            fill("Small " + std::to_string(100 + i), SMALL);
    }

    void fill(const std::string& scene, int lines)
    {
        BackLog& log = parlane->get_scene(scene)->get_backlog();
        for (int i = 0; i < lines; ++i)
            log.push_back(mixed_line(i));
    }

    void show(bool shown)
    {
        MainWindow& window = main_window();
        if (shown)
        {
            window.show();
            window.resize(900, 600);
        }
        else
            window.hide();
        idle();
    }

    // Runs the toolkit until it has nothing left to do.
    static void idle()
    {
        while (Gtk::Main::events_pending())
            Gtk::Main::iteration(false);
    }

    void activate(const std::string& scene) { parlane->set_active_scene(parlane->get_scene(scene)); }

    Glib::RefPtr<Gtk::TextBuffer> log_buffer()
    {
        GtkWidget* view = find(GTK_WIDGET(main_window().gobj()), "txt_log");
        return dynamic_cast<Gtk::TextView*>(Glib::wrap(view))->get_buffer();
    }

private:
    static char program[];

    static GtkWidget* find(GtkWidget* top, const char* name)
    {
        if (std::string(gtk_widget_get_name(top)) == name)
            return top;
        GtkWidget* found = nullptr;
        if (GTK_IS_CONTAINER(top))
        {
            GList* children = gtk_container_get_children(GTK_CONTAINER(top));
            for (GList* i = children; i && !found; i = i->next)
                found = find(GTK_WIDGET(i->data), name);
            g_list_free(children);
        }
        return found;
    }
};

char ViewSession::program[] = "bench_logview";

ViewSession& session()
{
    static ViewSession s;
    return s;
}

// What the view rendered: each display line and the tag ranges on it, to be
// inserted again elsewhere.
struct Rendering
{
    struct Range
    {
        int begin;
        int end;
        size_t tag;
    };
    std::vector<Glib::ustring> lines;
    std::vector<std::vector<Range>> ranges;
    Glib::RefPtr<Gtk::TextTagTable> table;
    std::vector<Glib::RefPtr<Gtk::TextTag>> tags;
};

// Copies the view's tags, in priority order, with the properties the view sets.
void copy_tags(
    const Glib::RefPtr<Gtk::TextBuffer>& from, Rendering& r, std::vector<Glib::RefPtr<Gtk::TextTag>>& source)
{
    from->get_tag_table()->foreach ([&](const Glib::RefPtr<Gtk::TextTag>& tag) { source.push_back(tag); });
    std::sort(source.begin(), source.end(),
        [](const Glib::RefPtr<Gtk::TextTag>& a, const Glib::RefPtr<Gtk::TextTag>& b)
        { return a->get_priority() < b->get_priority(); });
    r.table = Gtk::TextTagTable::create();
    for (const Glib::RefPtr<Gtk::TextTag>& s : source)
    {
        Glib::RefPtr<Gtk::TextTag> t = Gtk::TextTag::create();
        if (s->property_indent_set().get_value())
            t->property_indent() = s->property_indent().get_value();
        if (s->property_weight_set().get_value())
            t->property_weight() = s->property_weight().get_value();
        if (s->property_underline_set().get_value())
            t->property_underline() = s->property_underline().get_value();
        if (s->property_style_set().get_value())
            t->property_style() = s->property_style().get_value();
        if (s->property_foreground_set().get_value())
            t->property_foreground_gdk() = s->property_foreground_gdk().get_value();
        r.table->add(t);
        r.tags.push_back(t);
    }
}

Rendering capture(const Glib::RefPtr<Gtk::TextBuffer>& buffer)
{
    Rendering r;
    std::vector<Glib::RefPtr<Gtk::TextTag>> source;
    copy_tags(buffer, r, source);
    int count = buffer->get_line_count();
    r.ranges.resize(count);
    for (int i = 0; i < count; ++i)
    {
        Gtk::TextIter start = buffer->get_iter_at_line(i);
        Gtk::TextIter end = start;
        if (!end.ends_line())
            end.forward_to_line_end();
        r.lines.push_back(buffer->get_text(start, end));
    }
    for (size_t t = 0; t < source.size(); ++t)
    {
        Gtk::TextIter it = buffer->begin();
        for (;;)
        {
            if (!it.has_tag(source[t]) && !it.forward_to_tag_toggle(source[t]))
                break;
            Gtk::TextIter start = it;
            it.forward_to_tag_toggle(source[t]);
            r.ranges[start.get_line()].push_back({ start.get_line_offset(), it.get_line_offset(), t });
            if (it.is_end())
                break;
        }
    }
    return r;
}

// The floor: the rendering inserted into a fresh buffer line by line, each
// line's tags applied as it goes in.
void insert_floor(const Rendering& r)
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = Gtk::TextBuffer::create(r.table);
    int offset = 0;
    for (size_t i = 0; i < r.lines.size(); ++i)
    {
        if (i)
        {
            buffer->insert(buffer->end(), "\n");
            ++offset;
        }
        buffer->insert(buffer->end(), r.lines[i]);
        for (const Rendering::Range& range : r.ranges[i])
            buffer->apply_tag(r.tags[range.tag], buffer->get_iter_at_offset(offset + range.begin),
                buffer->get_iter_at_offset(offset + range.end));
        offset += r.lines[i].size();
    }
    benchmark::DoNotOptimize(buffer->get_char_count());
}

double seconds_since(const Kel::Time::TimeStamp& start)
{
    return (Kel::Time::now() - start) / Kel::Time::sec;
}

void Activation(benchmark::State& state)
{
    ViewSession& s = session();
    s.show(false);
    s.activate("Backlog");
    Rendering rendering = capture(s.log_buffer());
    if (rendering.lines.size() != BACKLOG)
        state.SkipWithError("the view did not render every line");
    double view_total = 0, floor_total = 0, leave_total = 0;
    for (auto _ : state)
    {
        Kel::Time::TimeStamp start = Kel::Time::now();
        s.activate("Empty");
        leave_total += seconds_since(start);

        start = Kel::Time::now();
        s.activate("Backlog");
        double view = seconds_since(start);

        start = Kel::Time::now();
        insert_floor(rendering);
        double floor = seconds_since(start);

        view_total += view;
        floor_total += floor;
        state.SetIterationTime(view);
    }
    state.counters["view_ms"] = 1000 * view_total / state.iterations();
    state.counters["floor_ms"] = 1000 * floor_total / state.iterations();
    state.counters["ratio"] = view_total / floor_total;
    state.counters["leave_ms"] = 1000 * leave_total / state.iterations();
}
BENCHMARK(Activation)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void Append(benchmark::State& state)
{
    ViewSession& s = session();
    const bool large = state.range(0) == LARGE;
    s.show(state.range(1) != 0);
    // Every run takes fresh small scenes.
    static int small_index = 0;
    int turns = 0;
    std::string scene = large ? "Large" : "Small " + std::to_string(100 + small_index);
    if (s.parlane->get_active_scene() != s.parlane->get_scene(scene))
        s.activate(scene);
    ViewSession::idle();
    int line = 0;
    for (auto _ : state)
    {
        if (!large && ++turns > SMALL_TURNS)
        {
            turns = 1;
            small_index = (small_index + 1) % SMALL_SCENES;
            scene = "Small " + std::to_string(100 + small_index);
            s.activate(scene);
            ViewSession::idle();
        }
        s.parlane->get_scene(scene)->get_backlog().push_back(mixed_line(line++));
        Kel::Time::TimeStamp start = Kel::Time::now();
        s.parlane->signal_activity.emit();
        ViewSession::idle();
        state.SetIterationTime(seconds_since(start));
    }
    if (!large)
        small_index = (small_index + 1) % SMALL_SCENES;
    s.show(false);
}
BENCHMARK(Append)
    ->UseManualTime()
    ->Iterations(1000)
    ->Args({ SMALL, 0 })
    ->Args({ SMALL, 1 })
    ->Args({ LARGE, 0 })
    ->Args({ LARGE, 1 })
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
