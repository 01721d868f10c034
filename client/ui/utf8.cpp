#include "client/ui/utf8.h"

#include <glib.h>

Glib::ustring display_text(const std::string& raw)
{
    static const char replacement[] = "\xEF\xBF\xBD";
    const char* p = raw.data();
    const char* end = p + raw.size();
    const char* bad = nullptr;
    if (g_utf8_validate(p, raw.size(), &bad))
        return Glib::ustring(raw);

    std::string out;
    out.reserve(raw.size() + 8);
    while (p < end)
    {
        if (g_utf8_validate(p, end - p, &bad))
        {
            out.append(p, end);
            break;
        }
        out.append(p, bad);
        out.append(replacement);
        p = bad + 1;
    }
    return Glib::ustring(out);
}
