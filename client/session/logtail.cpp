#include "client/session/logtail.h"

#include "common/chattext.h"
#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>

namespace
{

const char ELLIPSIS[] = "\xE2\x80\xA6";

// A line longer than MAX_LINE: its end, after a mark that it was cut.
std::string cut(const std::string& line)
{
    return ELLIPSIS + line.substr(line.size() - LogTail::MAX_LINE);
}

// Closes the descriptor when the read is over, however it ends.
class Descriptor
{
public:
    explicit Descriptor(int fd): fd(fd) { }
    ~Descriptor() { ::close(fd); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd; }

private:
    int fd;
};

} // namespace

namespace LogTail
{

bool is_stamped(const std::string& raw)
{
    static const char shape[] = "[0000-00-00 00:00:00] ";
    static_assert(sizeof shape - 1 == STAMP_LENGTH, "the stamp's shape");
    if (raw.size() < STAMP_LENGTH)
        return false;
    for (std::size_t i = 0; i < STAMP_LENGTH; ++i)
    {
        bool digit = std::isdigit(static_cast<unsigned char>(raw[i])) != 0;
        if (shape[i] == '0' ? !digit : raw[i] != shape[i])
            return false;
    }
    return true;
}

bool read_ooc(const std::string& body, std::string& name, std::string& text)
{
    std::string::size_type colon = body.find(": ");
    if (body.compare(0, 2, "((") != 0 || colon == std::string::npos || colon <= 2 || colon + 4 > body.size()
        || body.compare(body.size() - 2, 2, "))") != 0)
        return false;
    name = body.substr(2, colon - 2);
    text = body.substr(colon + 2, body.size() - 2 - (colon + 2));
    return true;
}

std::vector<std::string> last_lines(const std::string& path, std::size_t count, std::size_t block)
{
    std::vector<std::string> lines; // newest first
    if (count == 0)
        return lines;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        if (errno == ENOENT)
            return lines;
        throw Kel::SystemError(Kel::format("Cannot open %s", path), errno);
    }
    Descriptor file(fd);
    struct stat status;
    if (::fstat(fd, &status) != 0)
        throw Kel::SystemError(Kel::format("Cannot read %s", path), errno);

    // carry holds the end of the line that the blocks read so far cut into:
    // its beginning lies in an earlier block.
    std::string carry;
    std::string buffer(std::max<std::size_t>(block, 1), '\0');
    off_t position = status.st_size;
    bool done = false; // a line too long to keep ended the reading
    while (position > 0 && lines.size() < count)
    {
        std::size_t wanted = static_cast<std::size_t>(std::min<off_t>(position, buffer.size()));
        position -= wanted;
        std::size_t got = 0;
        while (got < wanted)
        {
            ssize_t n = ::pread(fd, &buffer[got], wanted - got, position + got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw Kel::SystemError(Kel::format("Cannot read %s", path), errno);
            if (n == 0) // the file shrank under us: read what is there
                break;
            got += n;
        }
        std::size_t segment_end = got;
        for (std::size_t i = got; i-- > 0 && lines.size() < count;)
        {
            if (buffer[i] != '\n')
                continue;
            std::string line = buffer.substr(i + 1, segment_end - i - 1) + carry;
            carry.clear();
            segment_end = i;
            if (line.size() > MAX_LINE)
            {
                lines.push_back(cut(line));
                done = true;
                break;
            }
            if (!line.empty())
                lines.push_back(std::move(line));
        }
        if (done || lines.size() == count)
            break;
        carry.insert(0, buffer, 0, segment_end);
        if (carry.size() > MAX_LINE)
        {
            lines.push_back(cut(carry));
            carry.clear();
            break;
        }
    }
    if (!carry.empty() && lines.size() < count)
        lines.push_back(std::move(carry));
    std::reverse(lines.begin(), lines.end());
    return lines;
}

LogLine parse(const std::string& raw)
{
    std::string text = ChatText::replace_invalid_utf8(raw);
    if (!is_stamped(text))
    {
        LogLine line(LogLine::NORMAL, NO_STAMP, std::string(), text);
        line.earlier = true;
        return line;
    }
    std::string timestamp = text.substr(12, 8);
    text.erase(0, STAMP_LENGTH);
    LogLine::Type type = LogLine::NORMAL;
    std::string name, remark;
    if (read_ooc(text, name, remark))
    {
        type = LogLine::OOC;
        text = std::move(remark);
    }
    LogLine line(type, timestamp, name, text);
    line.earlier = true;
    return line;
}

std::vector<LogLine> read(const std::string& path, std::size_t count)
{
    std::vector<LogLine> result;
    for (const std::string& raw : last_lines(path, count))
        result.push_back(parse(raw));
    return result;
}

} // namespace LogTail
