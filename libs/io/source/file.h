#ifndef KEL_IO_FILE_H
#define KEL_IO_FILE_H

#include "libs/io/source/base.h"
#include "libs/io/source/seek.h"

#include <string>

namespace Kel
{
namespace IO
{

// A file opened through the operating system. An open file always asks to be
// told of input. The file is closed by close() or by its destruction.
class File: public Base
{
public:
    enum CreateMode : int
    {
        C_NONE = 0,
        C_CREATE = 1, // create the file if it is missing
        C_TRUNCATE = 2 // empty an existing file
    };

    // The create mode counts only when mode has M_WRITE. New files get the
    // permission bits 0666 less the umask. Throws InvalidParameterValue for
    // a mode without M_READ or M_WRITE or an unknown create bit,
    // IO::FileNotFound "Can't find file <name>" for a missing file, and
    // SystemError for any other failure to open.
    File(const std::string& filename, Mode mode, CreateMode create);
    // Closes the file: signal_closing and signal_closed come before
    // signal_deleted.
    ~File() override;

    // Stops wanting events, emits signal_closing, closes the descriptor and
    // emits signal_closed. Closing a closed file does nothing.
    void close();

    void set_block(bool block) override;

    // Flushes the file to the disk; failures are not reported.
    void sync();

    // Return the new or current position from the start of the file. A
    // seek clears eof().
    int seek(int offset, SeekType type);
    int tell() const;

    int get_event_handle() override { return handle; }

protected:
    unsigned do_write(const char* buf, unsigned size) override;
    unsigned do_read(char* buf, unsigned size) override;

private:
    enum Access
    {
        A_NONE,
        A_READ,
        A_WRITE
    };

    void check_access(Access access) const;

    int handle; // -1 when closed
};

inline File::CreateMode operator|(File::CreateMode c, File::CreateMode d)
{
    return File::CreateMode(int(c) | int(d));
}

inline File::CreateMode operator&(File::CreateMode c, File::CreateMode d)
{
    return File::CreateMode(int(c) & int(d));
}

inline File::CreateMode operator~(File::CreateMode c)
{
    return File::CreateMode(~int(c));
}

} // namespace IO
} // namespace Kel

#endif
