#include "client/ui/probe.h"

#include "client/parlane.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"

#include <gdk/gdkkeysyms.h>
#include <gdk/gdkx.h>
#include <glibmm/main.h>
#include <gtkmm/container.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/window.h>
#include <malloc.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

namespace
{

const char NAME[] = "Alice";
const char SCENE[] = "Tavern";
const char OTHER_SCENE[] = "Cellar";

template <typename T> void print(const char* key, const T& value)
{
    std::cout << "probe " << key << ' ' << value << std::endl;
}

double msec(const Kel::Time::TimeDelta& d)
{
    return d / Kel::Time::msec;
}

long heap_in_use()
{
    struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

// The peak resident set in KiB, from the kernel's account of this process.
long peak_resident()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key)
    {
        if (key == "VmHWM:")
        {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 16, '\n');
    }
    return 0;
}

Gtk::Widget* find_named(Gtk::Widget& widget, const Glib::ustring& name)
{
    if (widget.get_name() == name)
        return &widget;
    Gtk::Container* container = dynamic_cast<Gtk::Container*>(&widget);
    if (!container)
        return nullptr;
    for (Gtk::Widget* child : container->get_children())
        if (Gtk::Widget* found = find_named(*child, name))
            return found;
    return nullptr;
}

// Runs f once the toolkit has nothing else to do: every source of a more
// urgent priority, laying out included, has been served.
void when_idle(const sigc::slot<bool>& f)
{
    Glib::signal_idle().connect(f, Glib::PRIORITY_LOW);
}

} // namespace

Probe* Probe::start(Gtk::TextView& log)
{
    const char* address = std::getenv("PARLANE_PROBE");
    if (!address || !*address)
        return nullptr;
    return new Probe(log, address);
}

Probe::Probe(Gtk::TextView& log, const std::string& address):
    parlane(Parlane::instance()), log(log), input(nullptr), address(address), stage(CONNECTING), lines(10000),
    heap_before(0), key_time(0)
{
    if (const char* count = std::getenv("PARLANE_PROBE_LINES"))
        lines = std::atoi(count);
    last_text = "Flood line " + std::to_string(lines - 1) + " ";
    parlane.signal_scenes_changed.connect(sigc::mem_fun(*this, &Probe::on_scenes_changed));
    parlane.signal_activity.connect(sigc::mem_fun(*this, &Probe::on_activity));
    log.signal_expose_event().connect_notify(sigc::hide(sigc::mem_fun(*this, &Probe::on_expose)), true);
    Glib::signal_idle().connect(sigc::mem_fun(*this, &Probe::on_start));
}

bool Probe::on_start()
{
    parlane.connect(address, NAME);
    return false;
}

void Probe::on_scenes_changed()
{
    Scene* scene = parlane.get_scene(SCENE);
    if (stage != CONNECTING || !scene || !parlane.get_scene(OTHER_SCENE))
        return;
    stage = READY;
    parlane.set_active_scene(scene);
    input = dynamic_cast<Gtk::Entry*>(find_named(*log.get_toplevel(), "ent_text"));
    if (input)
    {
        input->signal_key_press_event().connect(sigc::mem_fun(*this, &Probe::on_key_press), false);
        input->signal_activate().connect(sigc::mem_fun(*this, &Probe::on_activate), true);
        input->grab_focus();
    }
    Gtk::Window* window = dynamic_cast<Gtk::Window*>(log.get_toplevel());
    if (window && window->get_window())
        print("window", GDK_WINDOW_XID(window->get_window()->gobj()));
    when_idle(
        [this]
        {
            heap_before = heap_in_use();
            print("ready", 1);
            return false;
        });
}

void Probe::on_activity()
{
    Scene* scene = parlane.get_scene(SCENE);
    if (!scene || scene->get_backlog().begin() == scene->get_backlog().end())
        return;
    const std::string& text = scene->get_backlog().last().text;
    if (stage == READY && text.compare(0, 11, "Flood line ") == 0)
    {
        stage = FLOODING;
        first_line = Kel::Time::now();
        first_cpu = Kel::Time::get_cpu_time();
    }
    if (stage == FLOODING && text.compare(0, last_text.size(), last_text) == 0)
    {
        stage = DRAWING_LAST;
        last_line = Kel::Time::now();
        last_cpu = Kel::Time::get_cpu_time();
        // A view that does not follow draws nothing more: then the figures
        // are taken at the arrival.
        Glib::signal_timeout().connect(
            [this]
            {
                if (stage == DRAWING_LAST)
                    flood_done(last_line, last_cpu);
                return false;
            },
            2000);
    }
}

void Probe::on_expose()
{
    last_expose = Kel::Time::now();
    if (stage == DRAWING_LAST)
        flood_done(last_expose, Kel::Time::get_cpu_time());
}

void Probe::flood_done(const Kel::Time::TimeStamp& end, const Kel::Time::TimeDelta& cpu_end)
{
    stage = SETTLING;
    double seconds = (end - first_line) / Kel::Time::sec;
    double cpu = msec(cpu_end - first_cpu);
    print("flood_lines", lines);
    print("flood_ms", seconds * 1000);
    print("lines_per_s", (lines - 1) / seconds);
    print("cpu_us_per_line", cpu * 1000 / lines);
    when_idle(sigc::mem_fun(*this, &Probe::on_settled));
}

bool Probe::on_settled()
{
    when_settled();
    return false;
}

void Probe::when_settled()
{
    switch (stage)
    {
    case SETTLING:
    {
        report_memory();
        Gtk::ScrolledWindow* scroller = dynamic_cast<Gtk::ScrolledWindow*>(log.get_parent());
        if (scroller)
        {
            Gtk::Adjustment* a = scroller->get_vadjustment();
            print("at_bottom", a->get_value() == a->get_upper() - a->get_page_size() ? "yes" : "no");
        }
        stage = SWITCHING_AWAY;
        parlane.set_active_scene(parlane.get_scene(OTHER_SCENE));
        when_idle(sigc::mem_fun(*this, &Probe::on_settled));
        break;
    }
    case SWITCHING_AWAY:
        stage = SWITCHING_BACK;
        switch_start = Kel::Time::now();
        last_expose = switch_start;
        parlane.set_active_scene(parlane.get_scene(SCENE));
        when_idle(sigc::mem_fun(*this, &Probe::on_settled));
        break;
    case SWITCHING_BACK:
    {
        Kel::Time::TimeStamp settled = Kel::Time::now();
        stage = QUIET;
        print("switch_frame_ms", msec(last_expose - switch_start));
        print("switch_tail_ms", msec(settled - last_expose));
        print("quiet", 1);
        break;
    }
    default:
        break;
    }
}

void Probe::report_memory()
{
    print("heap_growth_kib", (heap_in_use() - heap_before) / 1024);
    print("peak_rss_kib", peak_resident());
}

bool Probe::on_key_press(GdkEventKey* key)
{
    if (key->keyval == GDK_Return || key->keyval == GDK_KP_Enter)
        key_time = key->time;
    return false;
}

void Probe::on_activate()
{
    // The packet left in the handler before this one; the key's time is the
    // display's clock, so the clock is read there too.
    if (!key_time || !input->get_window())
        return;
    guint32 now = gdk_x11_get_server_time(input->get_window()->gobj());
    print("enter_ms", now - key_time);
    key_time = 0;
}
