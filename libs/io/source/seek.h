#ifndef KEL_IO_SEEK_H
#define KEL_IO_SEEK_H

namespace Kel
{
namespace IO
{

// Origin of a seek.
enum SeekType : int
{
    S_BEG = 0, // from the start
    S_CUR = 1, // from the current position
    S_END = 2 // from the end
};

} // namespace IO
} // namespace Kel

#endif
