#include "client/ui/logview.h"

#include "client/parlane.h"
#include "client/session/places.h"
#include "client/ui/backgroundstyle.h"
#include "client/ui/probe.h"
#include "client/ui/utf8.h"
#include "common/names.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"

#include <gtk/gtk.h>
#include <gdk/gdkkeysyms.h>
#include <gtkmm/scrollbar.h>
#include <gtkmm/scrolledwindow.h>

#include <glibmm/miscutils.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace
{

// Empties buffer. GTK's text tree takes time that grows with the square of
// the tag toggles in a range deleted at once (10,000 rendered lines took
// about a minute); deleting blocks of lines from the end keeps it linear.
void clear(const Glib::RefPtr<Gtk::TextBuffer>& buffer)
{
    const int block = 100;
    for (int line = buffer->get_line_count() - block; line > 0; line -= block)
    {
        Gtk::TextIter from = buffer->get_iter_at_line(line);
        from.backward_char();
        buffer->erase(from, buffer->end());
    }
    buffer->set_text("");
}

// While it lives, the view does not answer its layout's "changed" signal:
// the signal the layout gives for every colour put on the text, to which the
// view answers by measuring itself and redrawing what is visible. Only for
// lines that are not laid out yet: their layout, and with it the drawing,
// comes afterwards and sees the colours.
class LayoutChangesHeld
{
public:
    explicit LayoutChangesHeld(Gtk::TextView& view): view(view.gobj()), layout(G_OBJECT(this->view->layout))
    {
        if (layout)
            g_signal_handlers_block_matched(layout, matching(), changed(), 0, nullptr, nullptr, this->view);
    }

    ~LayoutChangesHeld()
    {
        if (layout)
            g_signal_handlers_unblock_matched(layout, matching(), changed(), 0, nullptr, nullptr, view);
    }

    LayoutChangesHeld(const LayoutChangesHeld&) = delete;
    LayoutChangesHeld& operator=(const LayoutChangesHeld&) = delete;

private:
    static GSignalMatchType matching() { return GSignalMatchType(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_DATA); }
    guint changed() const { return g_signal_lookup("changed", G_OBJECT_TYPE(layout)); }

    GtkTextView* view;
    GObject* layout;
};

// The colour halfway between a and b, as "#RRGGBB".
Glib::ustring mixed(const Gdk::Color& a, const Gdk::Color& b)
{
    auto half = [](unsigned short x, unsigned short y) { return ((unsigned(x) + y) / 2) >> 8; };
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", half(a.get_red(), b.get_red()),
        half(a.get_green(), b.get_green()), half(a.get_blue(), b.get_blue()));
    return text;
}

} // namespace

LogView::LogView(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>&):
    Gtk::TextView(obj), parlane(Parlane::instance()), tags(get_buffer()), matcher(""), empty(true), window(WINDOW_STEP, WINDOW_LIMIT), following(true),
    reader_moving(false), pinning(false), new_below("New lines below"), place_offset(0), probe(nullptr)
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    tag_mention = buffer->create_tag();
    tag_notice = buffer->create_tag();
    tag_notice->property_style() = Pango::STYLE_ITALIC;
    tag_problem = buffer->create_tag();
    tag_separator = buffer->create_tag();
    tag_separator->property_weight() = Pango::WEIGHT_BOLD;
    // Last, so that its colour wins over names, speech and the body's own.
    tag_earlier = buffer->create_tag();
    // Dark on light whatever the configured colours, like a marker pen.
    tag_match = buffer->create_tag("match");
    tag_match->property_background() = "#FFE36E";
    tag_match->property_foreground() = "#000000";
    tag_current = buffer->create_tag("current-match");
    tag_current->property_background() = "#FF9C38";
    // Stamps win over the text colour, so that one text range can cover
    // all the lines that arrive together.
    tags.get_timestamp()->set_priority(tags.get_text()->get_priority());

    set_colors();
    parlane.signal_scene_activated.connect(sigc::mem_fun(*this, &LogView::scene_activated));
    parlane.signal_activity.connect(sigc::mem_fun(*this, &LogView::activity));
    parlane.signal_config_changed.connect(sigc::mem_fun(*this, &LogView::set_colors));
    parlane.signal_data_cleared.connect(sigc::mem_fun(*this, &LogView::scene_activated));

    // Floats over the bottom right corner of the text (see on_size_allocate).
    new_below.set_name("btn_new_below");
    new_below.set_can_focus(false);
    new_below.signal_clicked().connect(sigc::mem_fun(*this, &LogView::go_to_bottom));
    new_below_box.add(new_below);
    new_below.show();
    new_below_box.set_no_show_all(true);
    add_child_in_window(new_below_box, Gtk::TEXT_WINDOW_WIDGET, 0, 0);

    if (Gtk::ScrolledWindow* scroller = dynamic_cast<Gtk::ScrolledWindow*>(get_parent()))
    {
        Gtk::Adjustment* adj = scroller->get_vadjustment();
        adj->signal_value_changed().connect(sigc::mem_fun(*this, &LogView::on_value_changed));
        adj->signal_changed().connect(sigc::mem_fun(*this, &LogView::on_bounds_changed));
        // The wheel and the scroll bar move the adjustment while their
        // events are handled; the bar's drag lasts from press to release.
        // The window's own handler stops the signal, so it is called here.
        scroller->signal_scroll_event().connect(
            [this, scroller](GdkEventScroll* event)
            {
                GtkWidget* widget = GTK_WIDGET(scroller->gobj());
                reader_moving = true;
                bool handled = GTK_WIDGET_GET_CLASS(widget)->scroll_event(widget, event);
                reader_moving = false;
                return handled;
            },
            false);
        if (Gtk::VScrollbar* bar = scroller->get_vscrollbar())
        {
            bar->signal_button_press_event().connect(
                [this](GdkEventButton*) { reader_moving = true; return false; }, false);
            bar->signal_button_release_event().connect(
                [this](GdkEventButton*) { reader_moving = false; return false; }, false);
        }
    }
    probe = Probe::start(*this);
    scene_activated();
}

LogView::~LogView()
{
    delete probe;
}

void LogView::set_colors()
{
    const Config& config = parlane.get_config();
    tags.set_colors(config);
    tag_mention->property_paragraph_background() = config.get_color("mention");
    tag_notice->property_foreground() = config.get_color("event");
    tag_problem->property_foreground() = config.get_color("error");
    tag_separator->property_foreground() = config.get_color("event");

    modify_style(background_style(config));
    // Halfway between the text and the background: restored lines read as
    // text, with less contrast than what is said now.
    Gdk::Color text(config.get_color("text"));
    Gdk::Color background = config.get_default_bg() ? get_style()->get_base(Gtk::STATE_NORMAL)
                                                    : Gdk::Color(config.get_color("background"));
    tag_earlier->property_foreground() = mixed(text, background);
}

void LogView::scene_activated()
{
    earlier_pending.disconnect();
    clear(get_buffer());
    if (reader_place)
    {
        get_buffer()->delete_mark(reader_place);
        reader_place.reset();
    }
    empty = true;
    following = true;
    show_new_below(false);
    Scene* scene = parlane.get_active_scene();
    if (!scene)
    {
        finder.find(finder.get_text(), BackLog());
        show_welcome();
        signal_found.emit();
        return;
    }
    BackLog& backlog = scene->get_backlog();
    finder.find(finder.get_text(), backlog);
    append_lines(backlog, window.show(backlog));
    backlog.reset_next();
    scroll_to_end();
    signal_found.emit();
}

void LogView::activity()
{
    // The lines that arrive in one turn of the loop are added together, in
    // the toolkit's next round, before anything is laid out or drawn.
    if (!append_pending.connected())
        append_pending = Glib::signal_idle().connect(
            sigc::bind_return(sigc::mem_fun(*this, &LogView::append_new_lines), false), Glib::PRIORITY_HIGH_IDLE);
}

void LogView::append_new_lines()
{
    Scene* scene = parlane.get_active_scene();
    if (!scene)
        return;
    BackLog& backlog = scene->get_backlog();
    LogWindow::Range added = window.take_new(backlog);
    backlog.reset_next();
    if (added.empty())
        return;
    bool finding = !matcher.empty();
    if (finding)
        finder.update(backlog);
    append_lines(backlog, added);
    if (finding)
        signal_found.emit();
    if (!following)
    {
        show_new_below(true);
        return;
    }
    let_go_of_oldest(window.trim());
    if (follow_pending.connected())
        return;

    // Every scroll lays out and draws the whole visible page again: a flood
    // of lines is followed a page at a time, not a line at a time.
    Kel::Time::TimeDelta wait = last_follow + FOLLOW_INTERVAL - Kel::Time::now();
    if (wait <= Kel::Time::zero)
        scroll_to_end();
    else
        follow_pending = Glib::signal_timeout().connect(
            sigc::bind_return(sigc::mem_fun(*this, &LogView::scroll_to_end), false),
            static_cast<unsigned int>(wait / Kel::Time::msec) + 1);
}

void LogView::insert_earlier_lines()
{
    Scene* scene = parlane.get_active_scene();
    if (!scene)
        return;
    LogWindow::Range earlier = window.take_earlier(scene->get_backlog());
    if (earlier.empty())
        return;
    // The reader's line stays where it is (see on_bounds_changed).
    keep_place();
    prepend_lines(scene->get_backlog(), earlier);
    on_bounds_changed();
}

void LogView::let_go_of_oldest(std::size_t lines)
{
    // In blocks, as clear does, so that the time stays linear.
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    const int block = 100;
    for (int left = static_cast<int>(lines); left > 0; left -= block)
        buffer->erase(buffer->begin(), buffer->get_iter_at_line(std::min(left, block)));
}

bool LogView::has_new_below() const
{
    return new_below_box.get_visible();
}

void LogView::go_to_bottom()
{
    following = true;
    show_new_below(false);
    Scene* scene = parlane.get_active_scene();
    if (scene)
        let_go_of_oldest(window.trim());
    scroll_to_end();
}

void LogView::show_new_below(bool show)
{
    if (show == new_below_box.get_visible())
        return;
    new_below_box.set_visible(show);
}

bool LogView::on_key_press_event(GdkEventKey* key)
{
    Gtk::Adjustment* adj = adjustment();
    if (!adj)
        return Gtk::TextView::on_key_press_event(key);
    double value = adj->get_value();
    switch (key->keyval)
    {
    case GDK_End:
    case GDK_KP_End:
        go_to_bottom();
        return true;
    case GDK_Home:
    case GDK_KP_Home:
        value = adj->get_lower();
        break;
    case GDK_Page_Up:
    case GDK_KP_Page_Up:
        value -= adj->get_page_increment();
        break;
    case GDK_Page_Down:
    case GDK_KP_Page_Down:
        value += adj->get_page_increment();
        break;
    case GDK_Up:
    case GDK_KP_Up:
        value -= adj->get_step_increment();
        break;
    case GDK_Down:
    case GDK_KP_Down:
        value += adj->get_step_increment();
        break;
    default:
        return Gtk::TextView::on_key_press_event(key);
    }
    reader_moving = true;
    adj->set_value(std::max(adj->get_lower(), std::min(value, adj->get_upper() - adj->get_page_size())));
    reader_moving = false;
    return true;
}

void LogView::on_size_allocate(Gtk::Allocation& allocation)
{
    Gtk::TextView::on_size_allocate(allocation);
    Gtk::Requisition size = new_below_box.size_request();
    const int margin = 4;
    move_child(new_below_box, std::max(0, allocation.get_width() - size.width - margin),
        std::max(0, allocation.get_height() - size.height - margin));
}

void LogView::on_value_changed()
{
    if (pinning)
        return;
    Gtk::Adjustment* adj = adjustment();
    if (reader_moving)
    {
        following = at_end();
        if (following)
            show_new_below(false);
        else
        {
            follow_pending.disconnect();
            keep_place();
        }
    }
    else if (following && !at_end())
    {
        // The toolkit moved the view (a relayout, lines let go at the
        // top): back to the bottom.
        pin_to_end();
    }
    // Only the reader's move to the top asks for earlier lines: emptying the
    // buffer on a change of scene takes the view there too.
    if (reader_moving && adj->get_value() <= adj->get_lower() && !earlier_pending.connected()
        && parlane.get_active_scene() && window.has_earlier(parlane.get_active_scene()->get_backlog()))
        earlier_pending = Glib::signal_idle().connect(
            sigc::bind_return(sigc::mem_fun(*this, &LogView::insert_earlier_lines), false));
}

void LogView::on_bounds_changed()
{
    // New lines laid out, a resize: a view that follows stays at the bottom,
    // and one the reader scrolled up stays on the reader's line, as the
    // lines above it are measured or come in.
    if (pinning)
        return;
    if (following)
    {
        if (!at_end())
            pin_to_end();
        return;
    }
    if (!reader_place)
        return;
    Gtk::Adjustment* adj = adjustment();
    int y = 0, height = 0;
    get_line_yrange(get_buffer()->get_iter_at_mark(reader_place), y, height);
    double value = std::min(y + place_offset, adj->get_upper() - adj->get_page_size());
    if (std::abs(value - adj->get_value()) >= 1)
    {
        pinning = true;
        adj->set_value(value);
        pinning = false;
    }
}

void LogView::keep_place()
{
    // Text put in at the mark's place goes before it: lines brought in at
    // the top leave it on the reader's line.
    Gtk::TextIter top;
    int y = 0;
    get_line_at_y(top, static_cast<int>(adjustment()->get_value()), y);
    if (!reader_place)
        reader_place = get_buffer()->create_mark(top, false);
    else
        get_buffer()->move_mark(reader_place, top);
    place_offset = adjustment()->get_value() - y;
}

void LogView::pin_to_end()
{
    Gtk::Adjustment* adj = adjustment();
    pinning = true;
    adj->set_value(adj->get_upper() - adj->get_page_size());
    pinning = false;
}

Gtk::Adjustment* LogView::adjustment() const
{
    const Gtk::ScrolledWindow* scroller = dynamic_cast<const Gtk::ScrolledWindow*>(get_parent());
    return scroller ? const_cast<Gtk::ScrolledWindow*>(scroller)->get_vadjustment() : nullptr;
}

bool LogView::at_end() const
{
    Gtk::Adjustment* adj = adjustment();
    // Within a pixel: the toolkit's sums of line heights are not exact.
    return !adj || adj->get_value() >= adj->get_upper() - adj->get_page_size() - 1;
}

void LogView::scroll_to_end()
{
    follow_pending.disconnect();
    if (!following)
        return;
    last_follow = Kel::Time::now();
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    Glib::RefPtr<Gtk::TextMark> mark = buffer->create_mark(buffer->end(), true);
    scroll_to(mark, 0);
    buffer->delete_mark(mark);
}

// Where one display line lies in the text inserted, in characters, and
// what it is tagged with.
struct LogView::Placed
{
    struct Styled
    {
        Glib::ustring::size_type begin;
        Glib::ustring::size_type end;
        Markup::Style style;
    };

    Glib::ustring text;
    Glib::ustring::size_type stamp_length;
    Glib::RefPtr<Gtk::TextTag> body_tag;
    bool mention;
    std::vector<Styled> spans; // in characters of the body
    std::vector<Styled> matches; // of the text to find, left to right; style unused
};

namespace
{

// Character offsets of the given byte offsets of the UTF-8 text, which
// must be ascending; one walk over the text.
class CharacterOffsets
{
public:
    explicit CharacterOffsets(const std::string& text): text(text), byte(0), character(0) { }

    Glib::ustring::size_type at(std::size_t offset)
    {
        if (offset < byte)
        {
            byte = 0;
            character = 0;
        }
        character += g_utf8_strlen(text.data() + byte, offset - byte);
        byte = offset;
        return character;
    }

private:
    const std::string& text;
    std::size_t byte;
    Glib::ustring::size_type character;
};

// Drawn on both sides of a separator line's text.
const std::string RULE = "\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80\xE2\x94\x80";

// Longest run of characters without a blank that is laid out as one word.
const int WORD_LENGTH = 32;

// Puts a zero-width space into every run of WORD_LENGTH characters without
// a blank, and moves the spans to keep covering the same characters. The
// toolkit lays out a line with no place to break in time that grows with
// the square of its length (16 Ki characters took 0.2 s).
void break_long_words(Markup::Rendered& body, std::vector<Transcript::TextMatcher::Range>& matches)
{
    static const char zero_width_space[] = "\xE2\x80\x8B";
    std::string text;
    std::vector<std::size_t> inserted; // offsets in body.text before which one went
    int run = 0;
    for (std::size_t i = 0; i < body.text.size(); ++i)
    {
        unsigned char c = static_cast<unsigned char>(body.text[i]);
        if (c == ' ')
            run = 0;
        else if ((c & 0xC0) != 0x80 && ++run > WORD_LENGTH)
        {
            text += zero_width_space;
            inserted.push_back(i);
            run = 1;
        }
        text += body.text[i];
    }
    if (inserted.empty())
        return;
    auto moved = [&](std::size_t offset)
    {
        return offset + (std::upper_bound(inserted.begin(), inserted.end(), offset) - inserted.begin()) * 3;
    };
    // A span that begins where a space went in begins after it, and one
    // that ends there ends before it.
    auto move = [&](std::size_t& begin, std::size_t& end)
    {
        std::size_t moved_begin = moved(begin);
        end = end == begin ? moved_begin : moved(end - 1) + 1;
        begin = moved_begin;
    };
    for (Markup::Span& span : body.spans)
        move(span.begin, span.end);
    for (Transcript::TextMatcher::Range& match : matches)
        move(match.begin, match.end);
    body.text.swap(text);
}

} // namespace

LogView::Placed LogView::place(const LogLine& line) const
{
    std::string name = display_name(line.name);
    std::string text = display_cut(line.text, SHOWN_LENGTH);
    Markup::Rendered body;
    if (line.type == LogLine::NORMAL)
        body = Markup::render_said(text, name);
    else if (line.type == LogLine::SEPARATOR)
        body = Markup::render_plain("", RULE + " " + text + " " + RULE);
    else
        body = Markup::render_plain(name + (line.type == LogLine::OOC ? ": " : " "), text);

    Placed p;
    Glib::ustring timestamp = display_name(line.timestamp);
    p.stamp_length = timestamp.size() + 2;
    p.body_tag = body_tag(line);
    p.mention = line.mention;
    if (body.spans.size() > SHOWN_SPANS)
        body.spans.resize(SHOWN_SPANS);
    std::vector<Transcript::TextMatcher::Range> found;
    matcher.find(body.text, found);
    if (found.size() > SHOWN_SPANS)
        found.resize(SHOWN_SPANS);
    break_long_words(body, found);
    // Spans of one style come in order; a new style starts the walk again,
    // at most SHOWN_SPANS times.
    CharacterOffsets begins(body.text);
    CharacterOffsets ends(body.text);
    p.spans.reserve(body.spans.size());
    for (const Markup::Span& span : body.spans)
        p.spans.push_back(Placed::Styled { begins.at(span.begin), ends.at(span.end), span.style });
    p.matches.reserve(found.size());
    for (const Transcript::TextMatcher::Range& match : found)
        p.matches.push_back(Placed::Styled { begins.at(match.begin), ends.at(match.end), Markup::BOLD });
    p.text = "[" + timestamp + "] " + Glib::ustring(std::move(body.text));
    return p;
}

const Glib::RefPtr<Gtk::TextTag>& LogView::body_tag(const LogLine& line) const
{
    if (line.earlier)
        return tag_earlier;
    switch (line.type)
    {
    case LogLine::NOTICE:
        return tag_notice;
    case LogLine::PROBLEM:
        return tag_problem;
    case LogLine::SEPARATOR:
        return tag_separator;
    default:
        break;
    }
    if (line.type == LogLine::OOC)
        return tags.get_ooc();
    if (line.name == Names::GAME_MASTER)
        return tags.get_gm();
    if (line.type == LogLine::EVENT)
        return tags.get_event();
    return tags.get_text();
}

std::vector<LogView::Placed> LogView::place_all(
    const BackLog& log, const LogWindow::Range& range, Glib::ustring& text) const
{
    std::vector<Placed> placed;
    placed.reserve(range.size());
    for (long position = range.first; position < range.end; ++position)
    {
        if (!placed.empty())
            text += '\n';
        placed.push_back(place(log.at(position)));
        text += placed.back().text;
    }
    return placed;
}

void LogView::append_lines(const BackLog& log, const LogWindow::Range& range)
{
    Glib::ustring text;
    if (!empty)
        text += '\n';
    std::vector<Placed> placed = place_all(log, range, text);
    if (placed.empty())
        return;

    // One insertion, and one hanging-indent and one text-colour range, for
    // all the lines: each change to the buffer has the view measure itself
    // again.
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    int base = buffer->end().get_offset();
    bool first_fed = !empty;
    buffer->insert(buffer->end(), text);
    empty = false;
    tag_body(base, buffer->end().get_offset());
    LayoutChangesHeld held(*this);
    tag_lines(base, first_fed, placed, range.first);
}

void LogView::prepend_lines(const BackLog& log, const LogWindow::Range& range)
{
    Glib::ustring text;
    std::vector<Placed> placed = place_all(log, range, text);
    if (placed.empty())
        return;
    if (!empty)
        text += '\n';
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    buffer->insert(buffer->begin(), text);
    empty = false;
    tag_body(0, text.size());
    LayoutChangesHeld held(*this);
    tag_lines(0, false, placed, range.first);
}

void LogView::tag_body(int base, int end)
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    buffer->apply_tag(tags.get_line(), buffer->get_iter_at_offset(base), buffer->get_iter_at_offset(end));
    LayoutChangesHeld held(*this);
    buffer->apply_tag(tags.get_text(), buffer->get_iter_at_offset(base), buffer->get_iter_at_offset(end));
}

void LogView::tag_lines(int base, bool first_fed, const std::vector<Placed>& placed, long first_position)
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    long position = first_position;
    int line_start = base;
    bool fed = first_fed;
    for (const Placed& p : placed)
    {
        if (fed)
            ++line_start;
        fed = true;
        int body_start = line_start + p.stamp_length + 1;
        int line_end = line_start + p.text.size();
        Gtk::TextIter start = buffer->get_iter_at_offset(line_start);
        Gtk::TextIter stamp_end = start;
        stamp_end.forward_chars(p.stamp_length);
        Gtk::TextIter body = stamp_end;
        body.forward_char();
        buffer->apply_tag(tags.get_timestamp(), start, stamp_end);
        if (p.mention)
            buffer->apply_tag(tag_mention, start, buffer->get_iter_at_offset(line_end));
        if (p.body_tag != tags.get_text())
            buffer->apply_tag(p.body_tag, body, buffer->get_iter_at_offset(line_end));
        for (const Placed::Styled& span : p.spans)
            buffer->apply_tag(tags.style(span.style), buffer->get_iter_at_offset(body_start + span.begin),
                buffer->get_iter_at_offset(body_start + span.end));
        if (!p.matches.empty())
            tag_matches(body, p, position);
        line_start = line_end;
        ++position;
    }
}

void LogView::tag_matches(const Gtk::TextIter& body, const Placed& placed, long position)
{
    // Which of the line's matches is current, if any.
    std::size_t current = placed.matches.size();
    const std::vector<Transcript::SceneFinder::Match>& matches = finder.get_matches();
    if (finder.get_current() != Transcript::SceneFinder::NONE && matches[finder.get_current()].position == position)
        current = finder.get_current() - (finder.first_in(position) - matches.begin());
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    for (std::size_t i = 0; i < placed.matches.size(); ++i)
    {
        Gtk::TextIter begin = body;
        begin.forward_chars(placed.matches[i].begin);
        Gtk::TextIter end = body;
        end.forward_chars(placed.matches[i].end);
        buffer->apply_tag(tag_match, begin, end);
        if (i == current)
            buffer->apply_tag(tag_current, begin, end);
    }
}

void LogView::find(const Glib::ustring& text)
{
    matcher = Transcript::TextMatcher(text.raw());
    Scene* scene = parlane.get_active_scene();
    if (scene)
        finder.find(text.raw(), scene->get_backlog());
    else
        finder.find(text.raw(), BackLog());
    mark_all_matches();
    show_current_match();
    signal_found.emit();
}

void LogView::find_next()
{
    finder.next();
    mark_current_match();
    show_current_match();
    signal_found.emit();
}

void LogView::find_previous()
{
    finder.previous();
    mark_current_match();
    show_current_match();
    signal_found.emit();
}

void LogView::mark_all_matches()
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    buffer->remove_tag(tag_current, buffer->begin(), buffer->end());
    buffer->remove_tag(tag_match, buffer->begin(), buffer->end());
    Scene* scene = parlane.get_active_scene();
    if (!scene || matcher.empty() || finder.get_matches().empty())
        return;
    const BackLog& log = scene->get_backlog();
    const LogWindow::Range& held = window.get_held();
    LayoutChangesHeld held_changes(*this);
    // Only lines the finder found can hold a match as drawn, but for text
    // the view cleans before drawing.
    for (auto match = finder.first_in(held.first); match != finder.get_matches().end(); ++match)
    {
        long position = match->position;
        if (position >= held.end)
            break;
        Placed placed = place(log.at(position));
        Gtk::TextIter body = buffer->get_iter_at_line(static_cast<int>(position - held.first));
        body.forward_chars(placed.stamp_length + 1);
        tag_matches(body, placed, position);
        match = finder.first_in(position + 1) - 1;
    }
}

void LogView::mark_current_match()
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    buffer->remove_tag(tag_current, buffer->begin(), buffer->end());
    Scene* scene = parlane.get_active_scene();
    if (!scene || finder.get_current() == Transcript::SceneFinder::NONE)
        return;
    long position = finder.get_matches()[finder.get_current()].position;
    const LogWindow::Range& held = window.get_held();
    if (position < held.first || position >= held.end)
        return;
    Placed placed = place(scene->get_backlog().at(position));
    Gtk::TextIter body = buffer->get_iter_at_line(static_cast<int>(position - held.first));
    body.forward_chars(placed.stamp_length + 1);
    tag_matches(body, placed, position);
}

void LogView::show_current_match()
{
    Scene* scene = parlane.get_active_scene();
    if (!scene || finder.get_current() == Transcript::SceneFinder::NONE || !adjustment())
        return;
    const BackLog& log = scene->get_backlog();
    long position = finder.get_matches()[finder.get_current()].position;
    if (position >= window.get_held().end)
    {
        // Lines that arrived this turn: the view takes them first.
        append_pending.disconnect();
        append_new_lines();
    }
    long first = window.get_held().first;
    if (position < first)
    {
        // The view keeps every line from its first to the newest, so that
        // arriving lines and the way back to the bottom work as ever; going
        // to the bottom lets the earlier ones go again.
        while (window.get_held().first > position && !window.take_earlier(log).empty())
        {
        }
        prepend_lines(log, LogWindow::Range { window.get_held().first, first });
    }
    if (position < window.get_held().first || position >= window.get_held().end || is_line_on_screen(position))
        return;
    following = false;
    follow_pending.disconnect();
    // The line a third of the way down, kept there as lines around it are
    // measured (see on_bounds_changed).
    Gtk::TextIter line = get_buffer()->get_iter_at_line(static_cast<int>(position - window.get_held().first));
    if (!reader_place)
        reader_place = get_buffer()->create_mark(line, false);
    else
        get_buffer()->move_mark(reader_place, line);
    place_offset = -adjustment()->get_page_size() / 3;
    on_bounds_changed();
}

bool LogView::is_line_on_screen(long position)
{
    Gdk::Rectangle visible;
    get_visible_rect(visible);
    int y = 0, height = 0;
    get_line_yrange(get_buffer()->get_iter_at_line(static_cast<int>(position - window.get_held().first)), y, height);
    return y >= visible.get_y() && y + height <= visible.get_y() + visible.get_height();
}

Glib::ustring LogView::welcome_text(const std::string& settings_file, const std::string& logs_folder)
{
    return Glib::ustring("Welcome to Parlane.\n\n")
        + "To play, connect to a game server: Parlane\xC2\xA0\xE2\x80\xBA\xC2\xA0" "Connect\xE2\x80\xA6 "
          "(Ctrl+O), then give "
          "its address and the name you play under. Whoever logs in as \"GM\" runs the game: begins "
          "sessions, makes scenes and brings the characters in.\n\n"
        + "Your settings are kept in " + display_text(settings_file) + ".\n"
        + "While a session runs, every scene's lines are logged in " + display_text(logs_folder) + ".\n\n"
        + "Help\xC2\xA0\xE2\x80\xBA\xC2\xA0How to Play (F1) tells the rest.";
}

void LogView::show_welcome()
{
    std::string folder = Glib::get_current_dir();
    std::string settings = parlane.get_config().get_filename();
    if (!Glib::path_is_absolute(settings))
        settings = Glib::build_filename(folder, settings);
    std::string logs = Places::current().get_log_root();
    if (logs.empty())
        logs = folder;
    Glib::ustring text = welcome_text(settings, Glib::build_filename(logs, "<game>") + "/");

    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    clear(buffer);
    buffer->insert(buffer->end(), text);
    buffer->apply_tag(tags.get_event(), buffer->begin(), buffer->end());
    Gtk::TextIter title_end = buffer->begin();
    title_end.forward_to_line_end();
    buffer->apply_tag(tags.style(Markup::BOLD), buffer->begin(), title_end);
    // Nothing of a scene is shown: the first line of the next one needs no
    // line feed before it (and a scene activation clears this text first).
    empty = true;
}
