#ifndef KEL_DATAFILE_INPUT_H
#define KEL_DATAFILE_INPUT_H

#include <cstddef>
#include <istream>
#include <streambuf>
#include <string>

namespace Kel
{
namespace DataFile
{

// A byte source with one byte of look-ahead and a line counter, shared by
// the text and the binary reader so that nothing is lost when they switch.
// Every byte of the stream is delivered, the last one included.
class Input
{
public:
    explicit Input(std::istream& in);

    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // The next byte (0 to 255), or -1 at the end of the input. Reading a
    // line feed counts a line.
    int get()
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

    // The next byte without consuming it, or -1 at the end. Never counts a line.
    int peek()
    {
        if (next < 0)
            next = read_byte();
        return next;
    }

    // Appends up to n bytes to out, fewer only at the end of the input;
    // returns the number appended. Line feeds among them are counted. The
    // memory taken grows with the bytes actually read, not with n.
    std::size_t read(std::string& out, std::size_t n);

    unsigned int get_line_number() const { return line; }

    // False once a get() or peek() has met the end of the input. A read
    // error ends the input the same way and sets the stream's badbit.
    explicit operator bool() const { return !at_end; }

private:
    // Inline for the common case of a byte already in the stream's buffer.
    int read_byte()
    {
        if (at_end)
            return -1;
        if (buffer->in_avail() <= 0)
            return read_slow();
        return static_cast<unsigned char>(std::streambuf::traits_type::to_char_type(buffer->sbumpc()));
    }
    int read_slow();

    std::istream& in;
    std::streambuf* buffer;
    unsigned int line;
    int next;
    bool at_end;
};

} // namespace DataFile
} // namespace Kel

#endif
