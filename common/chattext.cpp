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

// Reads the code point that starts at s[at] and moves at past it; false,
// leaving at alone, when the bytes there are no valid UTF-8.
bool decode(const std::string& s, std::size_t& at, std::uint32_t& code)
{
    const unsigned char lead = static_cast<unsigned char>(s[at]);
    std::size_t length;
    std::uint32_t least; // smaller values are overlong
    if (lead < 0x80)
    {
        code = lead;
        ++at;
        return true;
    }
    if (lead >= 0xc2 && lead <= 0xdf)
        length = 2, code = lead & 0x1f, least = 0x80;
    else if (lead >= 0xe0 && lead <= 0xef)
        length = 3, code = lead & 0x0f, least = 0x800;
    else if (lead >= 0xf0 && lead <= 0xf4)
        length = 4, code = lead & 0x07, least = 0x10000;
    else
        return false;
    if (s.size() - at < length)
        return false;
    for (std::size_t k = 1; k < length; ++k)
    {
        const unsigned char next = static_cast<unsigned char>(s[at + k]);
        if ((next & 0xc0) != 0x80)
            return false;
        code = (code << 6) | (next & 0x3f);
    }
    if (code < least || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return false;
    at += length;
    return true;
}

// A bad encoding anywhere outranks a control character.
Fault scan(const std::string& s, Allowed allowed)
{
    Fault fault = NO_FAULT;
    for (std::size_t at = 0; at < s.size();)
    {
        std::uint32_t code;
        if (!decode(s, at, code))
            return BAD_ENCODING;
        if (is_control(code, allowed))
            fault = CONTROL;
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
