#include "libs/core/source/core/except.h"

#include <cstring>

namespace Kel
{

Exception::Exception(const std::string& message): w(message) { }

Exception::~Exception() noexcept = default;

const char* Exception::what() const noexcept
{
    return w.c_str();
}

KeyError::KeyError(const std::string& message, const std::string& key):
    Exception(message + " (" + key + ")"), key(key)
{
}

KeyError::~KeyError() noexcept = default;

SystemError::SystemError(const std::string& message, int err): Exception(build_what(message, err)), err(err)
{
}

std::string SystemError::build_what(const std::string& message, int err)
{
    char buffer[256];
    // The GNU strerror_r may return a static string instead of filling buffer.
    const char* text = strerror_r(err, buffer, sizeof(buffer));
    return message + ": " + text;
}

namespace IO
{

FileNotFound::FileNotFound(const std::string& message, const std::string& filename):
    Exception(message), filename(filename)
{
}

FileNotFound::~FileNotFound() noexcept = default;

} // namespace IO

} // namespace Kel
