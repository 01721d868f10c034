#include "server/logtext.h"

#include "libs/strings/source/formatter.h"

namespace
{

// The length of the well-formed UTF-8 sequence at text[at], or 0 when none
// starts there (overlong forms, surrogates and code points past U+10FFFF
// included).
std::string::size_type utf8_length(const std::string& text, std::string::size_type at, unsigned& code)
{
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    std::string::size_type length;
    unsigned minimum;
    if (lead < 0x80)
    {
        code = lead;
        return 1;
    }
    else if (lead >= 0xc2 && lead <= 0xdf)
        length = 2, code = lead & 0x1f, minimum = 0x80;
    else if (lead >= 0xe0 && lead <= 0xef)
        length = 3, code = lead & 0x0f, minimum = 0x800;
    else if (lead >= 0xf0 && lead <= 0xf4)
        length = 4, code = lead & 0x07, minimum = 0x10000;
    else
        return 0;
    if (at + length > text.size())
        return 0;
    for (std::string::size_type i = 1; i < length; ++i)
    {
        const unsigned char next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xc0) != 0x80)
            return 0;
        code = code << 6 | (next & 0x3f);
    }
    if (code < minimum || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return 0;
    return length;
}

std::string escaped(const std::string& bytes)
{
    std::string result;
    for (unsigned char c : bytes)
        result += Kel::format("\\x%02x", static_cast<unsigned>(c));
    return result;
}

} // namespace

std::string log_text(const std::string& text)
{
    std::string result;
    result.reserve(text.size());
    for (std::string::size_type at = 0; at < text.size();)
    {
        unsigned code = 0;
        const std::string::size_type length = utf8_length(text, at, code);
        if (length == 0)
        {
            result += escaped(text.substr(at, 1));
            ++at;
            continue;
        }
        // U+2028 and U+2029 end a line in some viewers.
        if (code < 0x20 || (code >= 0x7f && code <= 0x9f) || code == 0x2028 || code == 0x2029)
            result += escaped(text.substr(at, length));
        else if (code == '\\')
            result += "\\\\";
        else
            result.append(text, at, length);
        at += length;
    }
    return result;
}
