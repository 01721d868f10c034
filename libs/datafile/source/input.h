#ifndef KEL_DATAFILE_INPUT_H
#define KEL_DATAFILE_INPUT_H

#include <istream>
#include <streambuf>

namespace Kel {
namespace DataFile {

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
    int get();
    // The next byte without consuming it, or -1 at the end. Never counts a line.
    int peek();

    unsigned int get_line_number() const { return line; }

    // False once a get() or peek() has met the end of the input. A read
    // error ends the input the same way and sets the stream's badbit.
    explicit operator bool() const { return !at_end; }

private:
    int read_byte();

    std::istream& in;
    unsigned int line;
    int next;
    bool at_end;
};

} // namespace DataFile
} // namespace Kel

#endif
