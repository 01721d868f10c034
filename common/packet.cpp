#include "common/packet.h"

#include "libs/core/source/core/except.h"

#include <algorithm>
#include <cctype>

namespace
{

const char FIELD_SEPARATOR = ';';
const char LAST_SEPARATOR = '|';
const char LINE_FEED = '\n';
const char BEL = '\a';

void append_unescaped(std::string& to, const char* begin, const char* end)
{
    std::string::size_type start = to.size();
    to.append(begin, end);
    std::replace(to.begin() + start, to.end(), BEL, LINE_FEED);
}

} // namespace

Packet::Packet() { }

Packet::Packet(const std::string& origin, const std::string& cmd): origin(origin), cmd(cmd) { }

Packet::Packet(const std::string& origin, const std::string& cmd, const std::string& p0):
    origin(origin), cmd(cmd), params { p0 }
{
}

Packet::Packet(
    const std::string& origin, const std::string& cmd, const std::string& p0, const std::string& p1):
    origin(origin),
    cmd(cmd), params { p0, p1 }
{
}

Packet::Packet(const std::string& origin, const std::string& cmd, const std::vector<std::string>& params):
    origin(origin), cmd(cmd), params(params)
{
}

Packet::Packet(const std::string& data)
{
    // Fields are cut at every ";" before the first "|", empty ones included;
    // a trailing ";" gives a trailing empty field, an empty text no field.
    const char* begin = data.data();
    const char* end = begin + data.size();
    const char* bar = std::find(begin, end, LAST_SEPARATOR);

    unsigned field = 0;
    const char* start = begin;
    while (start < bar)
    {
        const char* stop = std::find(start, bar, FIELD_SEPARATOR);
        if (field == 0)
            origin.assign(start, stop);
        else if (field == 1)
        {
            cmd.assign(start, stop);
            for (char& c : cmd)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        else
        {
            params.emplace_back();
            append_unescaped(params.back(), start, stop);
        }
        ++field;
        if (stop == bar)
            break;
        start = stop + 1;
        if (start == bar)
        {
            if (field >= 2)
                params.emplace_back();
            ++field;
        }
    }
    if (field < 2)
        throw Kel::InvalidParameterValue("Malformed packet");

    if (bar != end)
    {
        params.emplace_back();
        append_unescaped(params.back(), bar + 1, end);
    }
}

std::string Packet::str() const
{
    std::string::size_type length = origin.size() + 1 + cmd.size();
    for (const std::string& p : params)
        length += 1 + p.size();

    std::string line;
    line.reserve(length);
    line += origin;
    line += FIELD_SEPARATOR;
    line += cmd;
    for (const std::string& p : params)
    {
        bool free_text = p.find_first_of(";|") != std::string::npos;
        line += free_text ? LAST_SEPARATOR : FIELD_SEPARATOR;
        std::string::size_type start = line.size();
        line += p;
        std::replace(line.begin() + start, line.end(), LINE_FEED, BEL);
    }
    return line;
}

std::string Packet::escape(const std::string& s)
{
    std::string result = s;
    std::replace(result.begin(), result.end(), LINE_FEED, BEL);
    return result;
}

std::string Packet::unescape(const std::string& s)
{
    std::string result = s;
    std::replace(result.begin(), result.end(), BEL, LINE_FEED);
    return result;
}

bool Packet::operator==(const Packet& other) const
{
    return origin == other.origin && cmd == other.cmd && params == other.params;
}

const std::string& Packet::get_parameter(unsigned i) const
{
    if (i >= params.size())
        throw Kel::InvalidParameterValue("Parameter index out of range");
    return params[i];
}
