#include "client/ui/utf8.h"

#include <glib.h>

namespace
{

const char REPLACEMENT[] = "\xEF\xBF\xBD";

enum LineFeeds
{
    KEEP_LINE_FEEDS,
    REPLACE_LINE_FEEDS
};

// U+202A to U+202E and U+2066 to U+2069: the embeddings, overrides and
// isolates of bidirectional text. Deep runs of them crash the toolkit's
// bidirectional layout; text without them still reads the right way.
bool is_bidi_control(const char* p, const char* end)
{
    if (end - p < 3 || static_cast<unsigned char>(p[0]) != 0xE2)
        return false;
    unsigned char middle = static_cast<unsigned char>(p[1]);
    unsigned char last = static_cast<unsigned char>(p[2]);
    return (middle == 0x80 && last >= 0xAA && last <= 0xAE) || (middle == 0x81 && last >= 0xA6 && last <= 0xA9);
}

// Appends the valid UTF-8 bytes [p, end) with the control characters made
// harmless.
void append_clean(std::string& out, const char* p, const char* end, LineFeeds feeds)
{
    for (; p < end; ++p)
    {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == 0xE2 && is_bidi_control(p, end))
            p += 2;
        else if (c >= 0x20 && c != 0x7F)
            out += *p;
        else if (c == '\t')
            out += ' ';
        else if (c == '\n' && feeds == KEEP_LINE_FEEDS)
            out += '\n';
        else
            out += REPLACEMENT;
    }
}

std::string clean(const std::string& raw, LineFeeds feeds)
{
    const char* p = raw.data();
    const char* end = p + raw.size();
    std::string out;
    out.reserve(raw.size() + 8);
    while (p < end)
    {
        const char* bad = nullptr;
        if (g_utf8_validate(p, end - p, &bad))
        {
            append_clean(out, p, end, feeds);
            break;
        }
        append_clean(out, p, bad, feeds);
        out += REPLACEMENT;
        p = bad + 1;
    }
    return out;
}

} // namespace

Glib::ustring display_text(const std::string& raw)
{
    return Glib::ustring(clean(raw, KEEP_LINE_FEEDS));
}

Glib::ustring display_cut(const std::string& raw, Glib::ustring::size_type length)
{
    std::string text = clean(raw, REPLACE_LINE_FEEDS);
    // Most text is short: count characters only as far as the limit.
    const char* cut = text.data();
    const char* end = text.data() + text.size();
    for (Glib::ustring::size_type n = 0; n < length; ++n)
    {
        if (cut >= end)
            return Glib::ustring(text);
        cut = g_utf8_next_char(cut);
    }
    if (cut >= end)
        return Glib::ustring(text);
    text.resize(cut - text.data());
    return Glib::ustring(text + "\xE2\x80\xA6");
}

Glib::ustring display_name(const std::string& raw)
{
    return display_cut(raw, NAME_LENGTH);
}
