#ifndef PARLANE_CLIENT_LOGVIEW_H
#define PARLANE_CLIENT_LOGVIEW_H

#include "client/backlog.h"
#include "libs/core/source/time/timedelta.h"
#include "libs/core/source/time/timestamp.h"
#include "libs/core/source/time/units.h"

#include <gtkmm/textview.h>
#include <libglademm/xml.h>

#include <list>

class Parlane;

// The read-only log of the active scene: one display line per backlog line,
// "[time] body", coloured by kind of line, with names, quoted speech and
// *bold*, _underlined_ and %italic% emphasis. A scene activation renders
// the whole backlog; activity appends only the lines not shown yet, and
// follows them only if the view was scrolled to the bottom.
class LogView: public Gtk::TextView
{
public:
    // A range of characters of one line body (without the time stamp) that
    // gets a tag; begin and end count characters, end is one past the last.
    struct Span
    {
        Span(unsigned int b, unsigned int e, const Glib::RefPtr<Gtk::TextTag>& t):
            begin(b), end(e), tag(t) { }

        unsigned int begin;
        unsigned int end;
        Glib::RefPtr<Gtk::TextTag> tag;
    };

    // While lines arrive faster than this, a view at the bottom follows
    // them at this pace; a lone line is followed at once.
    static constexpr Kel::Time::TimeDelta FOLLOW_INTERVAL = 100 * Kel::Time::msec;

    LogView(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);

    // Marks text enclosed in pairs of c with tag. A doubled c stands for one
    // literal c, an unmatched c stays. With rm_markers the pair is removed
    // and earlier spans are shifted to keep covering the same characters:
    // "a *b* c" -> "a b c" with a span over "b".
    static void find_spans(Glib::ustring& line, char c, bool rm_markers, std::list<Span>& spans,
        const Glib::RefPtr<Gtk::TextTag>& tag);
    // Adds delta to every begin and end that lies after pos.
    static void adjust_spans(std::list<Span>& spans, unsigned int pos, int delta);

private:
    void set_colors();
    void scene_activated();
    void activity();
    void append_new_lines();
    void append_lines(const BackLog& log, BackLog::const_iterator i);
    bool at_end();
    void scroll_to_end();

    Parlane& parlane;
    // Created in this order: a later tag wins where two set the same property,
    // except that tag_timestamp is raised above tag_text.
    Glib::RefPtr<Gtk::TextTag> tag_line;
    Glib::RefPtr<Gtk::TextTag> tag_timestamp;
    Glib::RefPtr<Gtk::TextTag> tag_text;
    Glib::RefPtr<Gtk::TextTag> tag_gm;
    Glib::RefPtr<Gtk::TextTag> tag_ooc;
    Glib::RefPtr<Gtk::TextTag> tag_name;
    Glib::RefPtr<Gtk::TextTag> tag_other_name;
    Glib::RefPtr<Gtk::TextTag> tag_event;
    Glib::RefPtr<Gtk::TextTag> tag_speech;
    Glib::RefPtr<Gtk::TextTag> tag_bold;
    Glib::RefPtr<Gtk::TextTag> tag_underline;
    Glib::RefPtr<Gtk::TextTag> tag_italic;
    // True while the buffer holds no line: the next line needs no line feed.
    bool empty;
    Kel::Time::TimeStamp last_follow;
    sigc::connection follow_pending;
    sigc::connection append_pending;
};

#endif
