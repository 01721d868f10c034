#ifndef PARLANE_CLIENT_UI_LOGVIEW_H
#define PARLANE_CLIENT_UI_LOGVIEW_H

#include "client/session/backlog.h"
#include "client/session/logwindow.h"
#include "client/session/markup.h"
#include "client/transcript/scenefinder.h"
#include "client/ui/logtags.h"
#include "libs/core/source/time/timedelta.h"
#include "libs/core/source/time/timestamp.h"
#include "libs/core/source/time/units.h"

#include <gtkmm/button.h>
#include <gtkmm/eventbox.h>
#include <gtkmm/textview.h>
#include <libglademm/xml.h>

#include <vector>

class Parlane;
class Probe;

// The read-only log of the active scene: one display line per backlog line,
// "[time] body", coloured by kind of line, with names, quoted speech and
// *bold*, _underlined_ and %italic% emphasis. It holds the newest lines of
// the scene (see LogWindow) and brings in earlier ones when the reader
// scrolls to the top. The lines that arrive in one turn go in together.
// A view at the bottom stays there through new lines, a change of scene and
// a resize; one the reader scrolled up stays where it is and shows a "new
// lines below" button, which, like the End key, goes back to the bottom.
// The client's own lines look apart (notices quiet, problems in the error
// colour, lines restored from a log file dimmed below a rule), and while no
// scene is active the view shows a welcome instead. A text to find is marked
// wherever the view shows it, in the lines it holds and in those that come,
// through changes of scene; the finder itself covers the whole backlog.
class LogView: public Gtk::TextView
{
public:
    // While lines arrive faster than this, a view at the bottom follows
    // them at this pace; a lone line is followed at once.
    static constexpr Kel::Time::TimeDelta FOLLOW_INTERVAL = 100 * Kel::Time::msec;
    // Characters of one line's text that are shown; the rest is cut with
    // "…". A server passes on no longer line.
    static constexpr Glib::ustring::size_type SHOWN_LENGTH = 16 * 1024;
    // Styled ranges drawn in one line; past them the line's text is plain.
    // The text buffer walks every styled range before a position to find
    // it, so thousands of them in one line would freeze the window.
    static constexpr std::size_t SHOWN_SPANS = 128;
    // Lines shown when a scene comes up and brought in by each scroll to the
    // top; lines held, while the view follows the newest, before the oldest
    // are let go.
    static constexpr std::size_t WINDOW_STEP = 300;
    static constexpr std::size_t WINDOW_LIMIT = 1500;

    LogView(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml);
    ~LogView() override;
    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;

    // True while the view keeps to the newest line.
    bool is_following() const { return following; }
    // Whether the "new lines below" button shows.
    bool has_new_below() const;
    // Goes to the newest line and follows from there on.
    void go_to_bottom();

    // Finds text in the active scene's lines and marks every match shown;
    // the newest match becomes current and is scrolled to unless it is on
    // screen already. An empty text marks nothing.
    void find(const Glib::ustring& text);
    // Makes the next (previous) match current and scrolls to it, bringing
    // its line and all after it into the view first if the view does not
    // hold it.
    void find_next();
    void find_previous();
    const Transcript::SceneFinder& get_finder() const { return finder; }

    // What the view says while no scene is active: how to begin, who runs
    // the game, where the settings file and the folder of scene logs are
    // (as given), and where help is.
    static Glib::ustring welcome_text(const std::string& settings_file, const std::string& logs_folder);

    // The matches or the current one changed: text typed, a step, new lines,
    // another scene.
    sigc::signal<void> signal_found;

private:
    void set_colors();
    void scene_activated();
    // Replaces what the view shows by welcome_text, for the places in use.
    void show_welcome();
    void activity();
    void append_new_lines();
    void insert_earlier_lines();
    void let_go_of_oldest(std::size_t lines);
    bool on_key_press_event(GdkEventKey* key) override;
    void on_size_allocate(Gtk::Allocation& allocation) override;
    void on_value_changed();
    void on_bounds_changed();
    void show_new_below(bool show);
    // Marks the line at the top of the view as the reader's place.
    void keep_place();
    // The scrolled window's adjustment; null until the view is in one.
    Gtk::Adjustment* adjustment() const;
    // One display line as text with its tags, laid out before it goes in.
    struct Placed;
    Placed place(const LogLine& line) const;
    const Glib::RefPtr<Gtk::TextTag>& body_tag(const LogLine& line) const;
    // Renders the lines of range at the end of the buffer, or at its start.
    void append_lines(const BackLog& log, const LogWindow::Range& range);
    void prepend_lines(const BackLog& log, const LogWindow::Range& range);
    std::vector<Placed> place_all(const BackLog& log, const LogWindow::Range& range, Glib::ustring& text) const;
    void tag_body(int base, int end);
    // The lines were inserted at base; the first after a line feed if first_fed.
    // first_position: the backlog position of placed's first line.
    void tag_lines(int base, bool first_fed, const std::vector<Placed>& placed, long first_position);
    // Marks the matches of a line whose body starts at body.
    void tag_matches(const Gtk::TextIter& body, const Placed& placed, long position);
    // Marks the matches in every line held, afresh.
    void mark_all_matches();
    void mark_current_match();
    // Brings the current match's line into the view and scrolls to it,
    // unless it is on screen.
    void show_current_match();
    bool is_line_on_screen(long position);
    bool at_end() const;
    void scroll_to_end();
    void pin_to_end();

    Parlane& parlane;
    // The tags shared with the Transcripts window, then this view's own,
    // created in this order: a later tag wins where two set the same
    // property, except that the stamp's tag is raised above the text's.
    LogTags tags;
    // The background of a line that speaks to the user.
    Glib::RefPtr<Gtk::TextTag> tag_mention;
    // Bodies of the client's own lines: notices, problems with a typed line
    // and the rule below lines restored from a log file.
    Glib::RefPtr<Gtk::TextTag> tag_notice;
    Glib::RefPtr<Gtk::TextTag> tag_problem;
    Glib::RefPtr<Gtk::TextTag> tag_separator;
    // Bodies of restored lines: one dim colour over every other colour.
    Glib::RefPtr<Gtk::TextTag> tag_earlier;
    // Matches of the text to find, and the current one over them.
    Glib::RefPtr<Gtk::TextTag> tag_match;
    Glib::RefPtr<Gtk::TextTag> tag_current;
    Transcript::SceneFinder finder;
    // The same text as the finder's, matched against the lines as drawn.
    Transcript::TextMatcher matcher;
    // True while the buffer holds no line: the next line needs no line feed.
    bool empty;
    LogWindow window;
    bool following;
    // Set while the reader moves the view (wheel, scroll bar, keys): only
    // then does leaving the bottom stop the following.
    bool reader_moving;
    bool pinning;
    // The button has a window of its own (the box's) so that it draws above
    // the text rather than under it.
    Gtk::EventBox new_below_box;
    Gtk::Button new_below;
    sigc::connection earlier_pending;
    // The reader's line while the view does not follow, and how far into it
    // the view begins, in pixels.
    Glib::RefPtr<Gtk::TextMark> reader_place;
    double place_offset;
    Kel::Time::TimeStamp last_follow;
    sigc::connection follow_pending;
    sigc::connection append_pending;
    Probe* probe; // owned; null unless the environment asks for timings
};

#endif
