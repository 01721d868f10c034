#ifndef PARLANE_CLIENT_UI_PROBE_H
#define PARLANE_CLIENT_UI_PROBE_H

#include "libs/core/source/time/timedelta.h"
#include "libs/core/source/time/timestamp.h"

#include <gtkmm/entry.h>
#include <gtkmm/textview.h>

#include <string>

class Parlane;

// Timings for bench/run-client.sh, made only when PARLANE_PROBE names a
// server ("127.0.0.1:7254"): the client logs in there as "Alice", activates
// the scene "Tavern" once it exists and prints one "probe <key> <value>"
// line per figure on standard output. It times a flood of lines whose
// texts start "Flood line <n> " (PARLANE_PROBE_LINES of them, 10,000 by
// default) until the last is drawn, the memory it took, a switch away to
// "Cellar" and back, and every Enter in the input line until its packet has
// gone out. Drawing and key presses are taken from the toolkit's own events.
class Probe
{
public:
    // Returns a probe when the environment asks for one; null otherwise.
    static Probe* start(Gtk::TextView& log);

    Probe(Gtk::TextView& log, const std::string& address);
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

private:
    enum Stage
    {
        CONNECTING,
        READY,
        FLOODING,
        DRAWING_LAST,
        SETTLING,
        SWITCHING_AWAY,
        SWITCHING_BACK,
        QUIET
    };

    bool on_start();
    void on_scenes_changed();
    void on_activity();
    void on_expose();
    void flood_done(const Kel::Time::TimeStamp& end, const Kel::Time::TimeDelta& cpu_end);
    bool on_settled();
    bool on_key_press(GdkEventKey* key);
    void on_activate();
    void when_settled();
    void report_memory();

    Parlane& parlane;
    Gtk::TextView& log;
    Gtk::Entry* input; // the main window's input line; not owned
    std::string address;
    Stage stage;
    int lines;
    std::string last_text;
    Kel::Time::TimeStamp first_line;
    Kel::Time::TimeDelta first_cpu;
    Kel::Time::TimeStamp last_line;
    Kel::Time::TimeDelta last_cpu;
    Kel::Time::TimeStamp switch_start;
    Kel::Time::TimeStamp last_expose;
    long heap_before;
    unsigned key_time;
};

#endif
