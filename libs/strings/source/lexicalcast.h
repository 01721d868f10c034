#ifndef KEL_STRINGS_LEXICALCAST_H
#define KEL_STRINGS_LEXICALCAST_H

#include <sstream>
#include <string>
#include <type_traits>

namespace Kel
{

namespace Detail
{

[[noreturn]] void throw_conversion_failure();

} // namespace Detail

// The value that the whole of s spells, read by the standard stream
// extraction for T with no white space skipped: lexical_cast<unsigned int>("42")
// is 42, while " 42", "42 ", "4x" and "" throw Kel::LexicalError
// "Conversion failure". A bool is the number 0 or 1; "true" is rejected.
// An unsigned number must not carry a minus sign: the stream would accept
// "-1" and wrap it round to the largest value.
template <typename T> T lexical_cast(const std::string& s)
{
    constexpr bool unsigned_number = std::is_integral<T>::value && std::is_unsigned<T>::value
        && !std::is_same<T, char>::value && !std::is_same<T, unsigned char>::value;
    if (unsigned_number && !s.empty() && s[0] == '-')
        Detail::throw_conversion_failure();

    std::istringstream in(s);
    in.unsetf(std::ios_base::skipws);
    T value = T();
    in >> value;
    if (in.fail() || in.peek() != std::istringstream::traits_type::eof())
        Detail::throw_conversion_failure();
    return value;
}

} // namespace Kel

#endif
