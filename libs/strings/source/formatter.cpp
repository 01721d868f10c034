#include "libs/strings/source/formatter.h"

#include "libs/core/source/core/except.h"

#include <algorithm>
#include <locale>
#include <streambuf>
#include <utility>

namespace Kel
{

namespace
{

// Appends everything written to it to a string that the lease names.
class AppendBuffer: public std::streambuf
{
public:
    void set_target(std::string* t) { target = t; }

protected:
    int_type overflow(int_type c) override
    {
        if (!traits_type::eq_int_type(c, traits_type::eof()))
            target->push_back(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }

    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        target->append(s, static_cast<std::size_t>(n));
        return n;
    }

private:
    std::string* target = nullptr;
};

} // namespace

struct Detail::FormatStream::Slot
{
    AppendBuffer buffer;
    std::ostream out { &buffer };
    bool busy = false;
};

namespace
{

Detail::FormatStream::Slot& shared_slot()
{
    static thread_local Detail::FormatStream::Slot shared;
    return shared;
}

} // namespace

Detail::FormatStream::FormatStream(std::string& target, const Fmt& fmt)
{
    Slot& shared = shared_slot();
    if (shared.busy)
    {
        slot = new Slot;
        owned = true;
    }
    else
    {
        slot = &shared;
        owned = false;
    }
    slot->busy = true;
    slot->buffer.set_target(&target);
    slot->out.clear();
    fmt.apply(slot->out);
}

Detail::FormatStream::~FormatStream()
{
    slot->buffer.set_target(nullptr);
    slot->busy = false;
    if (owned)
        delete slot;
}

void Detail::FormatStream::follow_global_locale()
{
    Slot& shared = shared_slot();
    // A busy stream belongs to an outer call that has followed already; a
    // private one starts with the global locale.
    if (shared.busy)
        return;
    std::locale global;
    if (shared.out.getloc() != global)
        shared.out.imbue(global);
}

std::ostream& Detail::FormatStream::get_stream()
{
    return slot->out;
}

Formatter::Formatter(const std::string& fmt): fmt(fmt), pos(this->fmt.begin())
{
    Detail::FormatStream::follow_global_locale();
    advance();
}

Formatter::Formatter(const Formatter& other):
    fmt(other.fmt), pos(fmt.begin() + (other.pos - other.fmt.begin())), result(other.result)
{
}

Formatter& Formatter::operator=(const Formatter& other)
{
    if (this != &other)
    {
        fmt = other.fmt;
        pos = fmt.begin() + (other.pos - other.fmt.begin());
        result = other.result;
    }
    return *this;
}

const std::string& Formatter::str() const
{
    if (pos != fmt.end())
        throw Exception("Too few arguments for format");
    return result;
}

std::string Formatter::take_result()
{
    str();
    return std::move(result);
}

void Formatter::advance()
{
    while (pos != fmt.end())
    {
        std::string::iterator percent = std::find(pos, fmt.end(), '%');
        result.append(&*pos, static_cast<std::size_t>(percent - pos));
        pos = percent;
        if (pos == fmt.end())
            break;
        ++pos;
        if (pos == fmt.end())
            throw Exception("Malformed format string");
        if (*pos != '%')
            break;
        result += '%';
        ++pos;
    }
}

Fmt Formatter::get_conversion()
{
    if (pos == fmt.end())
        throw Exception("Too many arguments for format");
    // Letters of the C locale, whatever locale the C library was set to.
    std::string::iterator letter = std::find_if(
        pos, fmt.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
    if (letter == fmt.end())
        throw Exception("Malformed format string");
    std::string spec(pos, letter + 1);
    pos = letter + 1;
    return Fmt(spec);
}

} // namespace Kel
