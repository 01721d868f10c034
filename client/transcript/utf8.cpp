#include "client/transcript/utf8.h"

namespace Transcript
{

std::size_t decode_utf8(const char* p, const char* end, char32_t& cp)
{
    const unsigned char* s = reinterpret_cast<const unsigned char*>(p);
    std::size_t available = static_cast<std::size_t>(end - p);
    if (available == 0)
        return 0;
    unsigned char lead = s[0];
    if (lead < 0x80)
    {
        cp = lead;
        return 1;
    }
    std::size_t length;
    char32_t value;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0)
    {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    }
    else
        return 0;
    if (available < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
    {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (s[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000))
        return 0;
    cp = value;
    return length;
}

void append_utf8(std::string& out, char32_t cp)
{
    if (cp < 0x80)
        out += static_cast<char>(cp);
    else if (cp < 0x800)
    {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else if (cp < 0x10000)
    {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string valid_utf8(const std::string& text)
{
    const char* p = text.data();
    const char* end = p + text.size();
    std::string out;
    out.reserve(text.size());
    while (p < end)
    {
        char32_t cp;
        std::size_t length = decode_utf8(p, end, cp);
        if (length == 0)
        {
            out += "\xEF\xBF\xBD";
            ++p;
            continue;
        }
        out.append(p, length);
        p += length;
    }
    return out;
}

} // namespace Transcript
