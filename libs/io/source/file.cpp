#include "libs/io/source/file.h"
#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace Kel
{
namespace IO
{

File::File(const std::string& filename, Mode m, CreateMode create): handle(-1)
{
    if (!(m & M_RDWR))
        throw InvalidParameterValue("Invalid read/write mode");
    if (create & ~(C_CREATE | C_TRUNCATE))
        throw InvalidParameterValue("Invalid create mode");

    mode = m;

    int flags;
    if ((m & M_RDWR) == M_RDWR)
        flags = O_RDWR;
    else if (m & M_READ)
        flags = O_RDONLY;
    else
        flags = O_WRONLY;

    if (m & M_WRITE)
    {
        if (create & C_CREATE)
            flags |= O_CREAT;
        if (create & C_TRUNCATE)
            flags |= O_TRUNC;
    }
    if (m & M_APPEND)
        flags |= O_APPEND;
    if (m & M_NONBLOCK)
        flags |= O_NONBLOCK;

    handle = ::open(filename.c_str(), flags, 0666);
    if (handle < 0)
    {
        int err = errno;
        if (err == ENOENT)
            throw FileNotFound("Can't find file " + filename, filename);
        throw SystemError(format("Can't open file '%s'", filename), err);
    }

    set_events(P_INPUT);
}

File::~File()
{
    close();
}

void File::close()
{
    if (handle == -1)
        return;

    set_events(P_NONE);
    signal_closing.emit();
    ::close(handle);
    handle = -1;
    signal_closed.emit();
}

void File::set_block(bool block)
{
    check_access(A_NONE);
    set_descriptor_block(handle, block, "Setting file status flags failed");
}

void File::sync()
{
    ::fsync(handle);
}

int File::seek(int offset, SeekType type)
{
    check_access(A_NONE);

    int whence;
    switch (type)
    {
    case S_BEG:
        whence = SEEK_SET;
        break;
    case S_CUR:
        whence = SEEK_CUR;
        break;
    case S_END:
        whence = SEEK_END;
        break;
    default:
        throw InvalidParameterValue("Invalid seek type");
    }

    off_t position = lseek(handle, offset, whence);
    if (position < 0)
        throw SystemError("Seek failed", errno);

    eof_flag = false;
    return position;
}

int File::tell() const
{
    check_access(A_NONE);

    off_t position = lseek(handle, 0, SEEK_CUR);
    if (position < 0)
        throw SystemError("Tell failed", errno);
    return position;
}

unsigned File::do_write(const char* buf, unsigned size)
{
    check_access(A_WRITE);
    if (size == 0)
        return 0;

    ssize_t count = ::write(handle, buf, size);
    if (count < 0)
    {
        int err = errno;
        if (err == EAGAIN || err == EWOULDBLOCK)
            return 0;
        throw SystemError("Writing to file failed", err);
    }
    return count;
}

unsigned File::do_read(char* buf, unsigned size)
{
    check_access(A_READ);
    if (size == 0)
        return 0;

    ssize_t count = ::read(handle, buf, size);
    if (count < 0)
    {
        int err = errno;
        if (err == EAGAIN || err == EWOULDBLOCK)
            return 0;
        throw SystemError("Reading from file failed", err);
    }
    if (count == 0)
    {
        eof_flag = true;
        signal_end_of_file.emit();
    }
    return count;
}

void File::check_access(Access access) const
{
    if (handle == -1)
        throw InvalidState("File is not open");
    if (access == A_READ && !(mode & M_READ))
        throw InvalidState("File is not readable");
    if (access == A_WRITE && !(mode & M_WRITE))
        throw InvalidState("File is not writable");
}

} // namespace IO
} // namespace Kel
