#include "libs/datafile/source/input.h"

namespace Kel {
namespace DataFile {

Input::Input(std::istream& in):
    in(in),
    line(1),
    next(-1),
    at_end(!in.good() || in.rdbuf() == nullptr)
{ }

int Input::get()
{
    int c = next;
    if (c >= 0)
        next = -1;
    else
        c = read_byte();
    if (c == '\n')
        ++line;
    return c;
}

int Input::peek()
{
    if (next < 0)
        next = read_byte();
    return next;
}

// Reads through the stream buffer: going through the stream's sentry for
// every byte costs several times the work of the tokenizer.
int Input::read_byte()
{
    if (at_end)
        return -1;
    std::streambuf::int_type c;
    try {
        c = in.rdbuf()->sbumpc();
    } catch (...) {
        // As the stream's own reading would: a failing buffer makes the
        // stream bad (throwing only if the caller asked for that).
        at_end = true;
        in.setstate(std::ios_base::badbit);
        return -1;
    }
    if (std::streambuf::traits_type::eq_int_type(c, std::streambuf::traits_type::eof())) {
        at_end = true;
        in.setstate(std::ios_base::eofbit);
        return -1;
    }
    return static_cast<unsigned char>(std::streambuf::traits_type::to_char_type(c));
}

} // namespace DataFile
} // namespace Kel
