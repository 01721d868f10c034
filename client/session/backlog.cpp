#include "client/session/backlog.h"

#include <cstring>

namespace
{

const std::uint8_t MENTION = 1;
const std::uint8_t EARLIER = 2;

} // namespace

BackLog::BackLog(): unshown(0), first(0) { }

void BackLog::push_back(const LogLine& line)
{
    store.push_back(pack(line));
    ++unshown;
}

void BackLog::push_front(const LogLine& line)
{
    store.push_front(pack(line));
    --first;
}

BackLog::const_iterator BackLog::begin() const
{
    return const_iterator(this, 0);
}

BackLog::const_iterator BackLog::end() const
{
    return const_iterator(this, store.size());
}

BackLog::const_iterator BackLog::next() const
{
    return const_iterator(this, store.size() - unshown);
}

std::unique_ptr<char[]> BackLog::pack(const LogLine& line)
{
    Header header { static_cast<std::uint32_t>(line.timestamp.size()), static_cast<std::uint32_t>(line.name.size()),
        static_cast<std::uint32_t>(line.text.size()), static_cast<std::uint8_t>(line.type),
        static_cast<std::uint8_t>((line.mention ? MENTION : 0) | (line.earlier ? EARLIER : 0)) };
    std::unique_ptr<char[]> packed(new char[sizeof header + header.stamp_size + header.name_size + header.text_size]);
    char* p = packed.get();
    std::memcpy(p, &header, sizeof header);
    p += sizeof header;
    std::memcpy(p, line.timestamp.data(), header.stamp_size);
    p += header.stamp_size;
    std::memcpy(p, line.name.data(), header.name_size);
    p += header.name_size;
    std::memcpy(p, line.text.data(), header.text_size);
    return packed;
}

LogLine BackLog::line(std::size_t index) const
{
    const char* p = store[index].get();
    Header header;
    std::memcpy(&header, p, sizeof header);
    p += sizeof header;
    const char* name = p + header.stamp_size;
    const char* text = name + header.name_size;
    LogLine line(static_cast<LogLine::Type>(header.type), std::string(p, header.stamp_size),
        std::string(name, header.name_size), std::string(text, header.text_size), header.flags & MENTION);
    line.earlier = header.flags & EARLIER;
    return line;
}

void BackLog::restore(const std::vector<LogLine>& lines)
{
    for (auto i = lines.rbegin(); i != lines.rend(); ++i)
        push_front(*i);
}
