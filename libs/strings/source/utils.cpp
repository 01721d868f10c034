#include "libs/strings/source/utils.h"

#include "libs/core/source/core/except.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace Kel
{

namespace
{

bool limit_reached(const std::vector<std::string>& fields, int max_split)
{
    return max_split >= 0 && fields.size() >= static_cast<std::size_t>(max_split);
}

// The shared loop of the splitters that drop empty fields. find(start)
// returns the position of the next separator at or after start (npos if
// none); sep_len is how many characters a separator spans.
template <typename Find>
std::vector<std::string> split_dropping(const std::string& str, std::size_t sep_len, int max_split, Find find)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (start < str.size())
    {
        std::size_t end = find(start);
        bool found = end != std::string::npos;
        if (!found)
            end = str.size();
        if (end != start)
        {
            if (limit_reached(fields, max_split))
            {
                fields.emplace_back(str, start);
                break;
            }
            fields.emplace_back(str, start, end - start);
        }
        if (!found)
            break;
        start = end + sep_len;
    }
    return fields;
}

template <typename Find>
std::vector<std::string> split_keeping(
    const std::string& str, std::size_t sep_len, int max_split, Find find, std::size_t expected_fields)
{
    std::vector<std::string> fields;
    if (str.empty())
        return fields;
    fields.reserve(expected_fields);
    std::size_t start = 0;
    while (start < str.size())
    {
        std::size_t end = find(start);
        if (limit_reached(fields, max_split))
        {
            fields.emplace_back(str, start);
            break;
        }
        if (end == std::string::npos)
        {
            fields.emplace_back(str, start);
            break;
        }
        fields.emplace_back(str, start, end - start);
        start = end + sep_len;
        if (start == str.size())
            fields.emplace_back();
    }
    return fields;
}

} // namespace

std::vector<std::string> split(const std::string& str, const std::string& sep, int max_split)
{
    return split_dropping(
        str, 1, max_split, [&](std::size_t start) { return str.find_first_of(sep, start); });
}

std::vector<std::string> split(const std::string& str, char sep, int max_split)
{
    return split_dropping(str, 1, max_split, [&](std::size_t start) { return str.find(sep, start); });
}

std::vector<std::string> split_long(const std::string& str, const std::string& sep, int max_split)
{
    if (sep.empty())
        return split_dropping(str, 0, max_split, [](std::size_t) { return std::string::npos; });
    return split_dropping(
        str, sep.size(), max_split, [&](std::size_t start) { return str.find(sep, start); });
}

std::vector<std::string> split_fields(const std::string& str, const std::string& sep, int max_split)
{
    if (sep.empty())
        return split_keeping(
            str, 0, max_split, [](std::size_t) { return std::string::npos; }, 1);
    return split_keeping(
        str, sep.size(), max_split, [&](std::size_t start) { return str.find(sep, start); }, 4);
}

std::vector<std::string> split_fields(const std::string& str, char sep, int max_split)
{
    // Counting first costs far less than letting the vector grow.
    std::size_t expected = static_cast<std::size_t>(std::count(str.begin(), str.end(), sep)) + 1;
    if (max_split >= 0)
        expected = std::min(expected, static_cast<std::size_t>(max_split) + 1);
    return split_keeping(
        str, 1, max_split, [&](std::size_t start) { return str.find(sep, start); }, expected);
}

std::vector<std::string> split(const std::string& str, const std::string& sep, bool allow_empty)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    if (!allow_empty)
    {
        start = str.find_first_not_of(sep);
        if (start == std::string::npos)
            return fields;
    }
    while (start < str.size())
    {
        std::size_t end = str.find_first_of(sep, start);
        if (end == std::string::npos)
        {
            fields.emplace_back(str, start);
            break;
        }
        fields.emplace_back(str, start, end - start);
        if (allow_empty)
        {
            start = end + 1;
            if (start == str.size())
                fields.emplace_back();
        }
        else
        {
            start = str.find_first_not_of(sep, end);
            if (start == std::string::npos)
                break;
        }
    }
    return fields;
}

std::vector<std::string> split(const std::string& str, char sep, bool allow_empty)
{
    return split(str, std::string(1, sep), allow_empty);
}

std::string strip(const std::string& s)
{
    static const char blanks[] = " \t\r\n";
    std::size_t first = s.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    std::size_t last = s.find_last_not_of(blanks);
    return s.substr(first, last - first + 1);
}

std::string toupper(const std::string& str)
{
    std::string result(str);
    for (char& c : result)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

std::string tolower(const std::string& str)
{
    std::string result(str);
    for (char& c : result)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return result;
}

int strcasecmp(const std::string& s1, const std::string& s2)
{
    std::size_t common = std::min(s1.size(), s2.size());
    for (std::size_t i = 0; i < common; ++i)
    {
        // Folded as unsigned (tolower of a negative value is undefined),
        // compared as signed.
        int a = static_cast<signed char>(std::tolower(static_cast<unsigned char>(s1[i])));
        int b = static_cast<signed char>(std::tolower(static_cast<unsigned char>(s2[i])));
        if (a != b)
            return a - b;
    }
    // The end of the shorter string acts as a terminator that sorts below
    // every byte from 0 up and above every byte from 128 up. A zero byte in
    // the longer string still counts as a difference, so different strings
    // never compare equal.
    if (s1.size() < s2.size())
    {
        int next = static_cast<signed char>(s2[common]);
        return next == 0 ? -1 : -next;
    }
    if (s2.size() < s1.size())
    {
        int next = static_cast<signed char>(s1[common]);
        return next == 0 ? 1 : next;
    }
    return 0;
}

std::string c_escape(const std::string& str, bool escape_8bit)
{
    std::string result;
    result.reserve(str.size());
    for (char c : str)
    {
        unsigned char byte = static_cast<unsigned char>(c);
        switch (byte)
        {
        case '\n':
            result += "\\n";
            break;
        case '\t':
            result += "\\t";
            break;
        case '\r':
            result += "\\r";
            break;
        case '\b':
            result += "\\b";
            break;
        case '\v':
            result += "\\v";
            break;
        case '\a':
            result += "\\a";
            break;
        case '\f':
            result += "\\f";
            break;
        case '"':
            result += "\\\"";
            break;
        case '\'':
            result += "\\'";
            break;
        case '\\':
            result += "\\\\";
            break;
        default:
            if (byte < 32 || (byte >= 128 && escape_8bit))
            {
                result += '\\';
                result += static_cast<char>('0' + (byte >> 6));
                result += static_cast<char>('0' + ((byte >> 3) & 7));
                result += static_cast<char>('0' + (byte & 7));
            }
            else
                result += c;
        }
    }
    return result;
}

int hex_digit_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

namespace
{

// What the letter after a backslash stands for, or -1 if it is no letter
// escape: 'n' gives '\n', '"' gives '"'.
int letter_escape_value(char c)
{
    switch (c)
    {
    case 'n':
        return '\n';
    case 't':
        return '\t';
    case 'r':
        return '\r';
    case 'b':
        return '\b';
    case 'v':
        return '\v';
    case 'a':
        return '\a';
    case 'f':
        return '\f';
    case '"':
    case '\'':
    case '\\':
        return c;
    default:
        return -1;
    }
}

// Reads count digits in base (16 or 8) from str[pos] on, after value, the
// value of any digits already read, and appends the byte they make. If str
// ends first, the escape is dropped. Returns the position after the digits.
std::string::size_type read_numeric_escape(const std::string& str, std::string::size_type pos, int count,
    unsigned base, unsigned value, std::string& result)
{
    for (; count > 0; --count, ++pos)
    {
        if (pos == str.size())
            return pos;
        int digit = hex_digit_value(str[pos]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base)
            throw InvalidParameterValue(base == 16 ? "Invalid hexadecimal digit" : "Invalid octal digit");
        value = value * base + static_cast<unsigned>(digit);
    }
    result += static_cast<char>(value);
    return pos;
}

// str[pos] follows a backslash: appends what the escape stands for and
// returns the position after it.
std::string::size_type read_escape(const std::string& str, std::string::size_type pos, std::string& result)
{
    char c = str[pos];
    if (c == 'x')
        return read_numeric_escape(str, pos + 1, 2, 16, 0, result);
    if (c >= '0' && c <= '3')
        return read_numeric_escape(str, pos + 1, 2, 8, static_cast<unsigned>(c - '0'), result);
    if (c >= '4' && c <= '7')
        throw InvalidParameterValue("Octal escape sequence must start with [0-3]");
    int letter = letter_escape_value(c);
    if (letter < 0)
        throw InvalidParameterValue("Invalid escape sequence");
    result += static_cast<char>(letter);
    return pos + 1;
}

} // namespace

std::string c_unescape(const std::string& str)
{
    std::string result;
    result.reserve(str.size());
    std::string::size_type i = 0;
    while (i < str.size())
    {
        char c = str[i++];
        if (c != '\\')
            result += c;
        else if (i == str.size())
            throw InvalidParameterValue("Stray backslash at end of string");
        else
            i = read_escape(str, i, result);
    }
    return result;
}

} // namespace Kel
