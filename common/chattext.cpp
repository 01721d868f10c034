#include "common/chattext.h"

#include <cstdint>

namespace
{

enum Fault
{
    NO_FAULT,
    BAD_ENCODING,
    CONTROL,
};

// The control characters a check lets through.
struct Allowed
{
    bool tab;
    bool line_feed;
};

bool is_control(std::uint32_t code, Allowed allowed)
{
    if (code == '\t')
        return !allowed.tab;
    if (code == '\n')
        return !allowed.line_feed;
    // C0, DEL and C1.
    return code < 0x20 || (code >= 0x7f && code <= 0x9f);
}

// A bad encoding anywhere outranks a control character.
Fault scan(const std::string& s, Allowed allowed)
{
    Fault fault = NO_FAULT;
    for (std::size_t at = 0; at < s.size();)
    {
        char32_t code;
        const std::size_t length = ChatText::decode_utf8(s.data() + at, s.data() + s.size(), code);
        if (length == 0)
            return BAD_ENCODING;
        if (is_control(code, allowed))
            fault = CONTROL;
        at += length;
    }
    return fault;
}

std::string reason(Fault fault)
{
    switch (fault)
    {
    case BAD_ENCODING:
        return ChatText::INVALID_UTF8;
    case CONTROL:
        return ChatText::CONTROL_CHARACTERS;
    case NO_FAULT:
        break;
    }
    return "";
}

} // namespace

namespace ChatText
{

std::size_t decode_utf8(const char* p, const char* end, char32_t& code)
{
    if (p == end)
        return 0;
    const unsigned char lead = static_cast<unsigned char>(*p);
    std::size_t length;
    char32_t least; // smaller values are overlong
    if (lead < 0x80)
    {
        code = lead;
        return 1;
    }
    if (lead >= 0xc2 && lead <= 0xdf)
        length = 2, code = lead & 0x1f, least = 0x80;
    else if (lead >= 0xe0 && lead <= 0xef)
        length = 3, code = lead & 0x0f, least = 0x800;
    else if (lead >= 0xf0 && lead <= 0xf4)
        length = 4, code = lead & 0x07, least = 0x10000;
    else
        return 0;
    if (static_cast<std::size_t>(end - p) < length)
        return 0;
    for (std::size_t k = 1; k < length; ++k)
    {
        const unsigned char next = static_cast<unsigned char>(p[k]);
        if ((next & 0xc0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3f);
    }
    if (code < least || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return 0;
    return length;
}

void append_utf8(std::string& out, char32_t code)
{
    if (code < 0x80)
        out += static_cast<char>(code);
    else if (code < 0x800)
    {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string replace_invalid_utf8(const std::string& text)
{
    const char* p = text.data();
    const char* end = p + text.size();
    std::string out;
    out.reserve(text.size());
    while (p < end)
    {
        char32_t code;
        std::size_t length = decode_utf8(p, end, code);
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

bool valid_utf8(const std::string& s)
{
    return scan(s, Allowed { true, true }) != BAD_ENCODING;
}

std::string check_text(const std::string& text, Lines lines)
{
    if (text.size() > MAX_TEXT)
        return TOO_LONG;
    return reason(scan(text, Allowed { true, lines == MANY_LINES }));
}

std::string check_name(const std::string& name)
{
    if (name.empty())
        return INVALID_NAME;
    if (name.size() > MAX_NAME)
        return NAME_TOO_LONG;
    const Fault fault = scan(name, Allowed { false, false });
    if (fault != NO_FAULT)
        return reason(fault);
    if (name.find_first_of(";|") != std::string::npos)
        return INVALID_NAME;
    return "";
}

} // namespace ChatText
