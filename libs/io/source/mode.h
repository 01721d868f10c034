#ifndef KEL_IO_MODE_H
#define KEL_IO_MODE_H

namespace Kel
{
namespace IO
{

// Access of an I/O object, as bit flags. The underlying type is fixed so
// that every combination, and the result of ~, is a valid value.
enum Mode : int
{
    M_NONE = 0,
    M_READ = 1,
    M_WRITE = 2,
    M_RDWR = M_READ | M_WRITE,
    M_APPEND = 4, // every write goes to the end of the file
    M_NONBLOCK = 8 // operations return at once instead of waiting
};

inline Mode operator|(Mode m, Mode n)
{
    return Mode(int(m) | int(n));
}
inline Mode operator&(Mode m, Mode n)
{
    return Mode(int(m) & int(n));
}
inline Mode operator~(Mode m)
{
    return Mode(~int(m));
}

} // namespace IO
} // namespace Kel

#endif
