#include "libs/strings/source/formatter.h"

#include "libs/core/source/core/except.h"

#include <gmock/gmock.h>

#include <cmath>
#include <cstdio>
#include <iomanip>
#include <locale>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace
{

using Kel::format;

template <typename... Args> std::string c_format(const char* fmt, Args... args)
{
    char buffer[512];
    int n = std::snprintf(buffer, sizeof buffer, fmt, args...);
    return std::string(buffer, static_cast<std::size_t>(n));
}

// Choices of the format parser that snprintf does not share.
TEST(Formatter, ConversionsPrintfDoesNotShare)
{
    EXPECT_EQ(format("%p|%.3s|%-05d", 255, "hello", 42), "0xff|hello|00042");
    EXPECT_EQ(format("%d|%x|%s", 'A', std::string("str"), true), "A|str|1");
}

TEST(Formatter, MisuseIsReportedByTheCallThatMakesIt)
{
    EXPECT_THROW(format("%ld", 1), Kel::InvalidParameterValue);
    EXPECT_THROW(Kel::Formatter("abc%"), Kel::Exception);
    Kel::Formatter f("%d %d");
    f(1);
    EXPECT_THAT([&] { f.str(); }, testing::ThrowsMessage<Kel::Exception>("Too few arguments for format"));
    f(2);
    EXPECT_EQ(f.str(), "1 2");
    EXPECT_THAT([&] { f(3); }, testing::ThrowsMessage<Kel::Exception>("Too many arguments for format"));
}

// Leaves the stream worse than it found it and formats inside its own output
// operator; -1 throws instead.
struct Unruly
{
    int value;
};

std::ostream& operator<<(std::ostream& out, const Unruly& u)
{
    if (u.value == -1)
        throw std::runtime_error("no output");
    out << std::hex << std::uppercase << std::setfill('#');
    out << format("[%05d]", u.value);
    out.setstate(std::ios_base::failbit);
    return out;
}

TEST(Formatter, ValueWithItsOwnFormattingLeavesNoTrace)
{
    EXPECT_EQ(format("%s %d %5d", Unruly { 42 }, 255, 7), "[00042] 255     7");
    EXPECT_THROW(format("%s", Unruly { -1 }), std::runtime_error);
    EXPECT_EQ(format("%4d", 12), "  12");
}

TEST(Formatter, ThreadsFormatIndependently)
{
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(
            [t, &failures]
            {
                for (unsigned i = 0; i < 2000; ++i)
                    failures[t] += format("%d:%08x:%-3d|", t, i, t) != c_format("%d:%08x:%-3d|", t, i, t);
            });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

struct ThousandsGrouping: std::numpunct<char>
{
    char do_thousands_sep() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
};

// The reused stream must behave like a fresh one, which takes the global
// locale as it is at the time.
TEST(Formatter, FollowsTheGlobalLocale)
{
    EXPECT_EQ(format("%d", 1234567), "1234567");
    std::locale previous = std::locale::global(std::locale(std::locale::classic(), new ThousandsGrouping));
    std::string grouped = format("%d|%s", 1234567, Unruly { 1234 });
    std::string single = Kel::lexical_cast(7654321, Kel::Fmt("d"));
    std::locale::global(previous);
    EXPECT_EQ(grouped, "1,234,567|[1,234]");
    EXPECT_EQ(single, "7,654,321");
    EXPECT_EQ(format("%d", 1234567), "1234567");
}

// Where stream output and printf agree, the same specification must give
// the same text. They part ways on: precision for integers (printf: minimum
// digits), '-' with '0' (printf: the '-' wins), '#' with decimal integers
// (undefined for printf), and zero padding of inf and nan.
TEST(Formatter, AgreesWithSnprintf)
{
    std::mt19937 random(20261206);
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned int>(n)); };
    for (int round = 0; round < 20000; ++round)
    {
        char conversion = "dxXofFeEgG"[pick(10)];
        bool integer = std::string("dxXo").find(conversion) != std::string::npos;
        std::string spec = pick(4) == 0 ? "%-" : pick(3) == 0 ? "%0" : "%";
        if (pick(3) == 0 && (conversion == 'd' || !integer))
            spec += '+';
        if (pick(3) == 0 && conversion != 'd')
            spec += '#';
        if (pick(2) == 0)
            spec += std::to_string(pick(25));
        if (!integer && pick(3) != 0)
            spec += '.' + std::to_string(pick(18));
        spec += conversion;
        SCOPED_TRACE(spec);

        auto check
            = [&spec](auto value) { ASSERT_EQ(format(spec, value), c_format(spec.c_str(), value)) << value; };
        if (conversion == 'd')
            check(static_cast<int>(random()) >> pick(31));
        else if (integer)
            check(static_cast<unsigned int>(random()) >> pick(32));
        else if (pick(20) == 0)
            check(pick(2) ? 0.0 : -0.0);
        else
            check(std::ldexp(std::uniform_real_distribution<double>(-10, 10)(random), pick(140) - 70));
        if (HasFatalFailure())
            return;
    }
}

} // namespace
