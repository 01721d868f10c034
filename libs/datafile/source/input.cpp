#include "libs/datafile/source/input.h"

#include <algorithm>
#include <string>

namespace Kel
{
namespace DataFile
{

Input::Input(std::istream& in):
    in(in), buffer(in.rdbuf()), line(1), next(-1), at_end(!in.good() || buffer == nullptr)
{
}

std::size_t Input::read(std::string& out, std::size_t n)
{
    const std::string::size_type start = out.size();
    if (n > 0 && next >= 0)
    {
        out += static_cast<char>(next);
        next = -1;
    }
    // Through a buffer of fixed size, so that a large n on a short input
    // takes only the memory of what was actually read.
    char piece[4096];
    while (out.size() - start < n && !at_end)
    {
        const std::size_t wanted = std::min<std::size_t>(n - (out.size() - start), sizeof piece);
        std::streamsize got = 0;
        try
        {
            got = buffer->sgetn(piece, static_cast<std::streamsize>(wanted));
        }
        catch (...)
        {
            at_end = true;
            in.setstate(std::ios_base::badbit);
            break;
        }
        out.append(piece, static_cast<std::size_t>(got));
        if (static_cast<std::size_t>(got) < wanted)
        {
            at_end = true;
            in.setstate(std::ios_base::eofbit);
        }
    }
    for (std::string::size_type i = start; i < out.size(); ++i)
        if (out[i] == '\n')
            ++line;
    return out.size() - start;
}

// The stream buffer is read directly: going through the stream's sentry
// for every byte costs several times the work of the tokenizer.
int Input::read_slow()
{
    std::streambuf::int_type c;
    try
    {
        c = buffer->sbumpc();
    }
    catch (...)
    {
        // As the stream's own reading would: a failing buffer makes the
        // stream bad (throwing only if the caller asked for that).
        at_end = true;
        in.setstate(std::ios_base::badbit);
        return -1;
    }
    if (std::streambuf::traits_type::eq_int_type(c, std::streambuf::traits_type::eof()))
    {
        at_end = true;
        in.setstate(std::ios_base::eofbit);
        return -1;
    }
    return static_cast<unsigned char>(std::streambuf::traits_type::to_char_type(c));
}

} // namespace DataFile
} // namespace Kel
