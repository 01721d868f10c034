#ifndef KEL_CORE_EXCEPT_H
#define KEL_CORE_EXCEPT_H

#include "libs/core/source/debug/backtrace.h"

#include <exception>
#include <string>

namespace Kel
{

// Base of every failure the library family reports. The message is built
// completely before construction, so what() is exactly the stored text.
class Exception: public std::exception
{
public:
    explicit Exception(const std::string& message);
    ~Exception() noexcept override;

    const char* what() const noexcept override;

    // Empty unless a subclass attached one.
    const Debug::Backtrace& get_backtrace() const { return bt; }

protected:
    // For exceptions that record where they were made, e.g. with
    // Debug::Backtrace::create().
    void set_backtrace(const Debug::Backtrace& b) { bt = b; }

private:
    std::string w;
    Debug::Backtrace bt;
};

class InvalidParameterValue: public Exception
{
public:
    explicit InvalidParameterValue(const std::string& message): Exception(message) { }
};

class InvalidState: public Exception
{
public:
    explicit InvalidState(const std::string& message): Exception(message) { }
};

// what() is "message (key)".
class KeyError: public Exception
{
public:
    KeyError(const std::string& message, const std::string& key);
    ~KeyError() noexcept override;

    const std::string& get_key() const { return key; }

private:
    std::string key;
};

// A misuse of the command line; brief selects the short usage text.
class UsageError: public Exception
{
public:
    explicit UsageError(const std::string& message, bool brief = false): Exception(message), brief(brief) { }

    bool get_brief() const { return brief; }

private:
    bool brief;
};

// what() is "message: strerror(err)". Take err from errno before any other
// call can change it.
class SystemError: public Exception
{
public:
    SystemError(const std::string& message, int err);

    static std::string build_what(const std::string& message, int err);

    int get_error_code() const { return err; }

private:
    int err;
};

class LexicalError: public Exception
{
public:
    explicit LexicalError(const std::string& message): Exception(message) { }
};

namespace IO
{

class FileNotFound: public Exception
{
public:
    FileNotFound(const std::string& message, const std::string& filename);
    ~FileNotFound() noexcept override;

    const std::string& get_filename() const { return filename; }

private:
    std::string filename;
};

} // namespace IO

} // namespace Kel

#endif
