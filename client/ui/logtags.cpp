#include "client/ui/logtags.h"

#include "client/session/config.h"

LogTags::LogTags(const Glib::RefPtr<Gtk::TextBuffer>& buffer)
{
    line = buffer->create_tag();
    line->property_indent() = -50;
    heading = buffer->create_tag();
    heading->property_weight() = Pango::WEIGHT_BOLD;
    heading->property_scale() = 1.2;
    heading->property_pixels_above_lines() = 8;
    timestamp = buffer->create_tag();
    text = buffer->create_tag();
    gm = buffer->create_tag();
    ooc = buffer->create_tag();
    name = buffer->create_tag();
    other_name = buffer->create_tag();
    event = buffer->create_tag();
    speech = buffer->create_tag();
    bold = buffer->create_tag();
    bold->property_weight() = Pango::WEIGHT_BOLD;
    underline = buffer->create_tag();
    underline->property_underline() = Pango::UNDERLINE_SINGLE;
    italic = buffer->create_tag();
    italic->property_style() = Pango::STYLE_ITALIC;
}

void LogTags::set_colors(const Config& config)
{
    timestamp->property_foreground() = config.get_color("timestamp");
    text->property_foreground() = config.get_color("text");
    gm->property_foreground() = config.get_color("gm");
    ooc->property_foreground() = config.get_color("ooc");
    name->property_foreground() = config.get_color("name");
    other_name->property_foreground() = config.get_color("other_name");
    event->property_foreground() = config.get_color("event");
    speech->property_foreground() = config.get_color("speech");
}

const Glib::RefPtr<Gtk::TextTag>& LogTags::body(const std::string& role) const
{
    if (role == "timestamp")
        return timestamp;
    if (role == "gm")
        return gm;
    if (role == "ooc")
        return ooc;
    if (role == "event")
        return event;
    return text;
}

const Glib::RefPtr<Gtk::TextTag>& LogTags::style(Markup::Style s) const
{
    switch (s)
    {
    case Markup::OWN_NAME:
        return name;
    case Markup::OTHER_NAME:
        return other_name;
    case Markup::SPEECH:
        return speech;
    case Markup::BOLD:
        return bold;
    case Markup::UNDERLINE:
        return underline;
    case Markup::ITALIC:
        break;
    }
    return italic;
}
