#include "server/logtext.h"

#include "common/chattext.h"
#include "libs/strings/source/formatter.h"

namespace
{

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
        char32_t code = 0;
        const std::string::size_type length = ChatText::decode_utf8(text.data() + at, text.data() + text.size(), code);
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
