#include "libs/datafile/source/value.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/except.h"
#include "libs/strings/source/utils.h"

#include <limits>
#include <locale>
#include <sstream>

namespace Kel
{
namespace DataFile
{

namespace
{

void check_type(Type actual, Type wanted)
{
    if (actual != wanted)
        throw TypeError("Type mismatch");
}

// Reads "[+-](0x<hex>|0<oct>|<dec>)" without overflow; the result lies in
// [minimum, maximum] or the text is an "Invalid value".
long long parse_integer(const std::string& text, long long minimum, long long maximum)
{
    std::string::size_type i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';

    unsigned base = 10;
    if (i + 1 < text.size() && text[i] == '0' && text[i + 1] == 'x')
    {
        base = 16;
        i += 2;
    }
    else if (i + 1 < text.size() && text[i] == '0')
    {
        base = 8;
        ++i;
    }
    if (i == text.size())
        throw Exception("Invalid value");

    // Magnitude limit of the result's sign, as an unsigned number.
    unsigned long long limit = negative ? 0ULL - static_cast<unsigned long long>(minimum)
                                        : static_cast<unsigned long long>(maximum);
    unsigned long long magnitude = 0;
    for (; i < text.size(); ++i)
    {
        int value = hex_digit_value(text[i]);
        if (value < 0 || static_cast<unsigned>(value) >= base)
            throw Exception("Invalid value");
        unsigned digit = static_cast<unsigned>(value);
        if (digit > limit || magnitude > (limit - digit) / base)
            throw Exception("Invalid value");
        magnitude = magnitude * base + digit;
    }
    if (negative)
        return static_cast<long long>(0ULL - magnitude);
    return static_cast<long long>(magnitude);
}

} // namespace

template <> const std::string& Value::get<const std::string&>() const
{
    check_type(type, STRING);
    return data;
}

template <> std::string Value::get<std::string>() const
{
    check_type(type, STRING);
    return data;
}

template <> bool Value::get<bool>() const
{
    check_type(type, BOOLEAN);
    std::istringstream in(data);
    bool result;
    if (!(in >> result))
        throw Exception("Invalid value");
    return result;
}

template <> long long Value::get<long long>() const
{
    check_type(type, INTEGER);
    return parse_integer(data, std::numeric_limits<long long>::min(), std::numeric_limits<long long>::max());
}

template <> int Value::get<int>() const
{
    check_type(type, INTEGER);
    return static_cast<int>(
        parse_integer(data, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

template <> unsigned int Value::get<unsigned int>() const
{
    check_type(type, INTEGER);
    return static_cast<unsigned int>(parse_integer(data, 0, std::numeric_limits<unsigned int>::max()));
}

template <> float Value::get<float>() const
{
    check_type(type, FLOAT);
    // The classic locale, so that the decimal point is "." whatever the
    // user's locale says.
    std::istringstream in(data);
    in.imbue(std::locale::classic());
    float result;
    if (data.empty() || !(in >> result) || in.peek() != std::char_traits<char>::eof())
        throw Exception("Invalid value");
    return result;
}

} // namespace DataFile
} // namespace Kel
