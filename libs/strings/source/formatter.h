#ifndef KEL_STRINGS_FORMATTER_H
#define KEL_STRINGS_FORMATTER_H

#include "libs/strings/source/fmt.h"

#include <ostream>
#include <string>

namespace Kel
{

namespace Detail
{

// Lends the calling thread's output stream to one conversion: whatever is
// written to get_stream() is appended to target, under the settings of fmt.
// A fresh string stream per conversion would cost several times the
// conversion itself. Each lease clears the error state and replaces every
// setting that Fmt knows; follow_global_locale(), called once per Formatter
// or lexical_cast, takes up a change of the global locale. So the results
// are those of a fresh stream. A value whose own output operator formats
// again gets a private stream for the inner lease.
class FormatStream
{
public:
    FormatStream(std::string& target, const Fmt& fmt);
    ~FormatStream();

    FormatStream(const FormatStream&) = delete;
    FormatStream& operator=(const FormatStream&) = delete;

    static void follow_global_locale();

    std::ostream& get_stream();

    struct Slot;

private:
    Slot* slot;
    bool owned; // slot is private to this lease, not the thread's
};

} // namespace Detail

// The text of value as its own stream output operator writes it under fmt:
// lexical_cast(255, Fmt("#x")) is "0xff", lexical_cast('A', Fmt("d")) is "A".
template <typename T> std::string lexical_cast(const T& value, const Fmt& fmt)
{
    std::string text;
    Detail::FormatStream::follow_global_locale();
    Detail::FormatStream stream(text, fmt);
    stream.get_stream() << value;
    return text;
}

// Walks a printf-style format string, one argument per call:
//   Formatter("%d of %s")(3)("ab").str() is "3 of ab".
// A conversion only selects stream settings (see Fmt); the argument is
// written by its own type's output operator, so "%d" with 'A' gives "A" and
// "%s" with true gives "1". "%%" yields one "%". Misuse throws
// Kel::Exception: "Malformed format string", "Too many arguments for
// format", "Too few arguments for format".
class Formatter
{
public:
    // Literal text before the first conversion is consumed here, so a
    // trailing lone "%" throws already.
    explicit Formatter(const std::string& fmt);

    Formatter(const Formatter& other);
    Formatter& operator=(const Formatter& other);

    template <typename T> Formatter& operator()(const T& arg)
    {
        Fmt f = get_conversion();
        {
            Detail::FormatStream stream(result, f);
            stream.get_stream() << arg;
        }
        advance();
        return *this;
    }

    // Throws if a conversion is still waiting for its argument.
    const std::string& str() const;

private:
    void advance();
    Fmt get_conversion();
    std::string take_result();

    template <typename A1, typename... Rest>
    friend std::string format(const std::string& fmt, const A1& a1, const Rest&... rest);

    std::string fmt;
    std::string::iterator pos; // rests at the end or just after the '%' of the next conversion
    std::string result;
};

// printf-style formatting of any streamable arguments:
//   format("%05d|%-3s|%x", -42, "a", 255) is "-0042|a  |ff".
template <typename A1, typename... Rest>
std::string format(const std::string& fmt, const A1& a1, const Rest&... rest)
{
    Formatter f(fmt);
    f(a1);
    (f(rest), ...);
    return f.take_result();
}

} // namespace Kel

#endif
