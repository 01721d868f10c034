// Kel::format and Kel::Formatter with a fuzzed format string and up to four
// arguments of the types the program formats. The result, or the exception
// and its message, must match a plain walk of the format string that renders
// each conversion through a fresh string stream.
//
// Width and precision are not bounded by the formatter (a format string is
// the program's own text), so inputs whose digit runs exceed four digits are
// skipped: "%999999999d" asks for a gigabyte of padding by design.

#include "libs/strings/source/formatter.h"

#include "libs/core/source/core/except.h"
#include "libs/strings/source/fmt.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

namespace
{

const std::size_t MAX_DIGITS = 4;

typedef std::variant<int, unsigned int, unsigned short, long long, float, double, char, bool, std::string,
    const char*>
    Argument;

struct Outcome
{
    bool thrown = false;
    std::string text; // the result, or the exception's message

    bool operator==(const Outcome& other) const { return thrown == other.thrown && text == other.text; }
};

bool has_long_digit_run(const std::string& text)
{
    std::size_t run = 0;
    for (char c : text)
    {
        run = (c >= '0' && c <= '9') ? run + 1 : 0;
        if (run > MAX_DIGITS)
            return true;
    }
    return false;
}

bool is_letter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The format string walked step by step, one fresh stream per conversion.
class Reference
{
public:
    explicit Reference(const std::string& fmt): fmt(fmt), pos(0) { advance(); }

    void apply(const Argument& arg)
    {
        if (pos == fmt.size())
            throw Kel::Exception("Too many arguments for format");
        std::size_t letter = pos;
        while (letter < fmt.size() && !is_letter(fmt[letter]))
            ++letter;
        if (letter == fmt.size())
            throw Kel::Exception("Malformed format string");
        const Kel::Fmt f(fmt.substr(pos, letter + 1 - pos));
        pos = letter + 1;
        std::ostringstream out;
        f.apply(out);
        std::visit([&out](const auto& value) { out << value; }, arg);
        result += out.str();
        advance();
    }

    const std::string& str() const
    {
        if (pos != fmt.size())
            throw Kel::Exception("Too few arguments for format");
        return result;
    }

private:
    void advance()
    {
        while (pos < fmt.size())
        {
            if (fmt[pos] == '%')
            {
                ++pos;
                if (pos == fmt.size())
                    throw Kel::Exception("Malformed format string");
                if (fmt[pos] != '%')
                    return;
            }
            result += fmt[pos++];
        }
    }

    std::string fmt;
    std::size_t pos;
    std::string result;
};

template <typename Walk> Outcome run(Walk walk)
{
    Outcome outcome;
    try
    {
        outcome.text = walk();
    }
    catch (const Kel::Exception& e)
    {
        outcome.thrown = true;
        outcome.text = e.what();
    }
    return outcome;
}

Argument make_argument(FuzzedDataProvider& input, std::vector<std::string>& texts)
{
    switch (input.ConsumeIntegralInRange(0, 9))
    {
    case 0:
        return input.ConsumeIntegral<int>();
    case 1:
        return input.ConsumeIntegral<unsigned int>();
    case 2:
        return input.ConsumeIntegral<unsigned short>();
    case 3:
        return input.ConsumeIntegral<long long>();
    case 4:
        return input.ConsumeFloatingPoint<float>();
    case 5:
        return input.ConsumeFloatingPoint<double>();
    case 6:
        return input.ConsumeIntegral<char>();
    case 7:
        return input.ConsumeBool();
    case 8:
        return input.ConsumeRandomLengthString(64);
    default:
        texts.push_back(input.ConsumeRandomLengthString(64));
        return texts.back().c_str();
    }
}

void fail(const std::string& fmt, const Outcome& got, const Outcome& expected)
{
    std::cerr << "format mismatch for \"" << fmt << "\"\n  got      " << (got.thrown ? "throw " : "")
              << got.text << "\n  expected " << (expected.thrown ? "throw " : "") << expected.text
              << std::endl;
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string fmt = input.ConsumeRandomLengthString(256);
    if (has_long_digit_run(fmt))
        return 0;

    std::vector<std::string> texts;
    texts.reserve(4);
    std::vector<Argument> args;
    const int count = input.ConsumeIntegralInRange(1, 4);
    for (int i = 0; i < count; ++i)
        args.push_back(make_argument(input, texts));
    const bool copy_midway = input.ConsumeBool();

    const Outcome expected = run(
        [&]
        {
            Reference walk(fmt);
            for (const Argument& arg : args)
                walk.apply(arg);
            return walk.str();
        });

    const Outcome chained = run(
        [&]
        {
            Kel::Formatter formatter(fmt);
            for (std::size_t i = 0; i < args.size(); ++i)
            {
                std::visit([&formatter](const auto& value) { formatter(value); }, args[i]);
                if (copy_midway && i == 0)
                {
                    // The copy must walk on from the same place in its own string.
                    Kel::Formatter copy(formatter);
                    formatter = Kel::Formatter("");
                    formatter = copy;
                }
            }
            return formatter.str();
        });
    if (!(chained == expected))
        fail(fmt, chained, expected);

    if (args.size() == 1)
    {
        const Outcome single = run([&]
            { return std::visit([&fmt](const auto& value) { return Kel::format(fmt, value); }, args[0]); });
        if (!(single == expected))
            fail(fmt, single, expected);
    }
    else if (args.size() == 2)
    {
        const Outcome pair = run(
            [&]
            {
                return std::visit([&fmt](const auto& a, const auto& b) { return Kel::format(fmt, a, b); },
                    args[0], args[1]);
            });
        if (!(pair == expected))
            fail(fmt, pair, expected);
    }
    return 0;
}
