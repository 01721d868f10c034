#include "client/logview.h"

#include "client/backgroundstyle.h"
#include "client/parlane.h"
#include "client/utf8.h"
#include "libs/strings/source/formatter.h"

#include <gtkmm/scrolledwindow.h>

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

} // namespace

LogView::LogView(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>&):
    Gtk::TextView(obj), parlane(Parlane::instance()), empty(true)
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    tag_line = buffer->create_tag();
    tag_line->property_indent() = -50;
    tag_timestamp = buffer->create_tag();
    tag_text = buffer->create_tag();
    tag_gm = buffer->create_tag();
    tag_ooc = buffer->create_tag();
    tag_name = buffer->create_tag();
    tag_other_name = buffer->create_tag();
    tag_event = buffer->create_tag();
    tag_speech = buffer->create_tag();
    tag_bold = buffer->create_tag();
    tag_bold->property_weight() = Pango::WEIGHT_BOLD;
    tag_underline = buffer->create_tag();
    tag_underline->property_underline() = Pango::UNDERLINE_SINGLE;
    tag_italic = buffer->create_tag();
    tag_italic->property_style() = Pango::STYLE_ITALIC;

    set_colors();
    parlane.signal_scene_activated.connect(sigc::mem_fun(*this, &LogView::scene_activated));
    parlane.signal_activity.connect(sigc::mem_fun(*this, &LogView::activity));
    parlane.signal_config_changed.connect(sigc::mem_fun(*this, &LogView::set_colors));
}

void LogView::set_colors()
{
    const Config& config = parlane.get_config();
    tag_timestamp->property_foreground() = config.get_color("timestamp");
    tag_text->property_foreground() = config.get_color("text");
    tag_gm->property_foreground() = config.get_color("gm");
    tag_ooc->property_foreground() = config.get_color("ooc");
    tag_name->property_foreground() = config.get_color("name");
    tag_other_name->property_foreground() = config.get_color("other_name");
    tag_event->property_foreground() = config.get_color("event");
    tag_speech->property_foreground() = config.get_color("speech");

    modify_style(background_style(config));
}

void LogView::scene_activated()
{
    clear(get_buffer());
    empty = true;
    Scene* scene = parlane.get_active_scene();
    if (!scene)
        return;
    BackLog& backlog = scene->get_backlog();
    append_lines(backlog, backlog.begin());
    backlog.reset_next();
    scroll_to_end();
}

void LogView::activity()
{
    Scene* scene = parlane.get_active_scene();
    if (!scene)
        return;
    bool at_end = true;
    if (Gtk::ScrolledWindow* scroller = dynamic_cast<Gtk::ScrolledWindow*>(get_parent()))
    {
        Gtk::Adjustment* adjustment = scroller->get_vadjustment();
        at_end = adjustment->get_value() == adjustment->get_upper() - adjustment->get_page_size();
    }
    BackLog& backlog = scene->get_backlog();
    append_lines(backlog, backlog.next());
    backlog.reset_next();
    if (at_end)
        scroll_to_end();
}

void LogView::scroll_to_end()
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    Glib::RefPtr<Gtk::TextMark> mark = buffer->create_mark(buffer->end(), true);
    scroll_to(mark, 0);
    buffer->delete_mark(mark);
}

void LogView::append_lines(const BackLog& log, BackLog::const_iterator i)
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = get_buffer();
    for (; i != log.end(); ++i)
    {
        const LogLine& line = *i;
        Glib::ustring name = display_text(line.name);
        std::list<Span> spans;
        Glib::ustring body;
        if (line.type == LogLine::NORMAL)
        {
            body = display_text(line.text);
            Glib::ustring::size_type start = 0;
            while ((start = body.find('$', start)) != Glib::ustring::npos)
            {
                Glib::ustring::size_type end = body.find('$', start + 1);
                if (end == Glib::ustring::npos)
                    break;
                Glib::ustring ref = body.substr(start + 1, end - start - 1);
                bool me = ref == "me";
                const Glib::ustring& inserted = me ? name : ref;
                body.replace(start, end - start + 1, inserted);
                spans.push_back(Span(start, start + inserted.size(), me ? tag_name : tag_other_name));
                // Past the inserted name: a speaker called "$me$" would
                // otherwise be resolved again and again.
                start += inserted.size();
            }
            find_spans(body, '"', false, spans, tag_speech);
        }
        else if (line.type == LogLine::OOC)
            body = display_text(Kel::format("%s: %s", line.name, line.text));
        else
            body = display_text(Kel::format("%s %s", line.name, line.text));
        find_spans(body, '*', true, spans, tag_bold);
        find_spans(body, '_', true, spans, tag_underline);
        find_spans(body, '%', true, spans, tag_italic);

        Glib::ustring timestamp = display_text(line.timestamp);
        Glib::ustring display = "[" + timestamp + "] " + body;
        if (!empty)
            buffer->insert(buffer->end(), "\n");
        empty = false;
        buffer->insert(buffer->end(), display);

        Gtk::TextIter finish = buffer->end();
        Gtk::TextIter start = finish;
        start.backward_chars(display.size());
        Gtk::TextIter stamp_end = start;
        stamp_end.forward_chars(timestamp.size() + 2);
        Gtk::TextIter body_start = stamp_end;
        body_start.forward_char();
        int body_offset = body_start.get_offset();

        buffer->apply_tag(tag_line, start, finish);
        buffer->apply_tag(tag_timestamp, start, stamp_end);
        Glib::RefPtr<Gtk::TextTag> body_tag;
        if (line.type == LogLine::OOC)
            body_tag = tag_ooc;
        else if (line.name == "GM")
            body_tag = tag_gm;
        else if (line.type == LogLine::EVENT)
            body_tag = tag_event;
        else
            body_tag = tag_text;
        buffer->apply_tag(body_tag, body_start, finish);
        for (const Span& span : spans)
            buffer->apply_tag(span.tag, buffer->get_iter_at_offset(body_offset + span.begin),
                buffer->get_iter_at_offset(body_offset + span.end));
    }
}

void LogView::find_spans(Glib::ustring& line, char c, bool rm_markers, std::list<Span>& spans,
    const Glib::RefPtr<Gtk::TextTag>& tag)
{
    Glib::ustring::size_type start = 0;
    for (;;)
    {
        start = line.find(c, start);
        if (start == Glib::ustring::npos)
            return;
        Glib::ustring::size_type end = line.find(c, start + 1);
        if (end == Glib::ustring::npos)
            return;
        if (end == start + 1)
        {
            line.erase(end, 1);
            adjust_spans(spans, end, -1);
            start = end;
        }
        else if (rm_markers)
        {
            line.erase(end, 1);
            adjust_spans(spans, end, -1);
            line.erase(start, 1);
            adjust_spans(spans, start, -1);
            spans.push_back(Span(start, end - 1, tag));
            start = end - 1;
        }
        else
        {
            spans.push_back(Span(start + 1, end, tag));
            start = end + 1;
        }
    }
}

void LogView::adjust_spans(std::list<Span>& spans, unsigned int pos, int delta)
{
    for (Span& span : spans)
    {
        if (span.begin > pos)
            span.begin += delta;
        if (span.end > pos)
            span.end += delta;
    }
}
