#include "libs/datafile/source/binaryparser.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/except.h"
#include "libs/strings/source/formatter.h"

#include <charconv>
#include <cstring>

namespace Kel
{
namespace DataFile
{

namespace
{

// The text of Value(f) (general notation, six significant digits), without
// going through a stream and independent of any locale.
std::string float_text(float f)
{
    char buffer[32];
    std::to_chars_result result
        = std::to_chars(buffer, buffer + sizeof buffer, f, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

} // namespace

BinaryParser::BinaryParser(Input& in, const std::string& src): ParserMode(in, src), first(true), depth(0)
{
    dict[1] = DictEntry("__st", "iss");
    dict[2] = DictEntry("__enum", "is");
}

BinaryParser::~BinaryParser() = default;

Statement BinaryParser::parse()
{
    for (;;)
    {
        Statement st = parse_statement();
        if (st.keyword.size() < 2 || st.keyword[0] != '_' || st.keyword[1] != '_')
        {
            return st;
        }
        else if (st.keyword == "__st")
        {
            if (st.args.size() != 3)
                throw TypeError(src + ": Keyword definition must have three arguments");
            unsigned int id = st.args[0].get<unsigned int>();
            dict[id] = DictEntry(st.args[1].get<const std::string&>(), st.args[2].get<const std::string&>());
        }
        else if (st.keyword == "__enum")
        {
            if (st.args.size() != 2)
                throw TypeError(src + ": Enum definition must have two arguments");
            unsigned int id = st.args[0].get<unsigned int>();
            enums[id] = st.args[1].get<const std::string&>();
        }
        else
        {
            return st;
        }
    }
}

Statement BinaryParser::parse_statement()
{
    if (first)
    {
        // The line feed that usually follows the text statement "__bin;".
        while (in.peek() == '\n')
            in.get();
        first = false;
    }

    bool ended = false;
    long long id = parse_int(&ended);
    if (ended)
        return Statement();

    auto entry = dict.find(static_cast<std::uint32_t>(id));
    if (entry == dict.end())
        throw ParseError(format("%s: Unknown statement ID %d", src, id), src, 0);

    Statement st;
    st.keyword = entry->second.keyword;
    st.source = src;
    st.line = 0;
    // Reading arguments never changes the dictionary, so the entry stays valid here.
    parse_arguments(st, entry->second.args);
    parse_sub_statements(st);
    st.valid = true;
    return st;
}

// signature has a letter for each argument: b, e, f, i or s; other
// letters read nothing.
void BinaryParser::parse_arguments(Statement& st, const std::string& signature)
{
    st.args.reserve(signature.size());
    for (char letter : signature)
    {
        switch (letter)
        {
        case 'b':
            st.args.emplace_back(BOOLEAN, parse_bool() ? "1" : "0");
            break;
        case 'e':
            st.args.emplace_back(ENUM, parse_enum());
            break;
        case 'f':
            st.args.emplace_back(FLOAT, float_text(parse_float()));
            break;
        case 'i':
            st.args.emplace_back(INTEGER, std::to_string(parse_int()));
            break;
        case 's':
            st.args.emplace_back(STRING, parse_string());
            break;
        default:
            break;
        }
    }
}

void BinaryParser::parse_sub_statements(Statement& st)
{
    long long count = parse_int();
    if (count < 0)
        throw ParseError(format("%s: Invalid sub-statement count %d", src, count), src, 0);
    if (count == 0)
        return;
    if (depth >= MAX_DEPTH)
        throw ParseError(src + ": Blocks nested too deeply", src, 0);
    ++depth;
    struct Leave
    {
        unsigned int& depth;
        ~Leave() { --depth; }
    } leave { depth };
    for (long long i = 0; i < count; ++i)
    {
        Statement sub = parse();
        if (!sub.valid)
            end_error();
        st.sub.push_back(std::move(sub));
    }
}

long long BinaryParser::parse_int(bool* ended)
{
    int c = in.get();
    if (c < 0)
    {
        if (!ended)
            end_error();
        *ended = true;
        return 0;
    }

    // Unsigned arithmetic: bits shifted out past 64 are simply dropped.
    unsigned long long value = 0;
    unsigned int bits = 0;
    for (;;)
    {
        value = (value << 7) | static_cast<unsigned long long>(c & 127);
        if (bits < 64)
            bits += 7;
        if (!(c & 128))
            break;
        c = in.get();
        if (c < 0)
            end_error();
    }
    if (bits < 64 && (value >> (bits - 1)) & 1)
        value |= ~0ULL << bits;
    return static_cast<long long>(value);
}

float BinaryParser::parse_float()
{
    std::uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits = (bits << 8) | static_cast<std::uint32_t>(get_byte());
    float result;
    std::memcpy(&result, &bits, sizeof result);
    return result;
}

std::string BinaryParser::parse_string()
{
    long long length = parse_int();
    if (length < 0)
        throw ParseError(format("%s: Invalid string length %d", src, length), src, 0);
    std::string result;
    if (in.read(result, static_cast<std::size_t>(length)) < static_cast<std::size_t>(length))
        end_error();
    return result;
}

bool BinaryParser::parse_bool()
{
    return get_byte() != 0;
}

std::string BinaryParser::parse_enum()
{
    long long id = parse_int();
    auto name = enums.find(static_cast<std::uint32_t>(id));
    if (name == enums.end())
        throw KeyError("Unknown enum", std::to_string(id));
    return name->second;
}

void BinaryParser::end_error()
{
    throw ParseError(src + ": Unexcepted end of input", src, 0);
}

} // namespace DataFile
} // namespace Kel
