#include "libs/datafile/source/loader.h"

#include "libs/datafile/source/parser.h"
#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace Kel::DataFile;

namespace
{

struct Target
{
    class Loader;

    std::string name;
    bool flag = false;
    long long big = 0;
    int number = 0;
    unsigned int count = 0;
    float ratio = 0;
    std::string calls;
    std::string source_seen;
    int finished = 0;
};

class Target::Loader: public Kel::DataFile::Loader
{
public:
    explicit Loader(Target& target): target(target)
    {
        add("name", &Target::name);
        add("flag", &Target::flag);
        add("big", &Target::big);
        add("ratio", &Target::ratio);
        add("pair", &Target::number, &Target::count);
        add("one", &Loader::one);
        add("two", &Loader::two);
        add("three", &Loader::three);
        add("ignored");
        add("twice", &Target::name);
        add("twice", &Loader::one);
    }

    Target& get_object() { return target; }
    std::string source_now() const { return get_source(); }

protected:
    void finish() override { ++target.finished; }

private:
    void one(int n) { record("one" + std::to_string(n)); }
    void two(const std::string& s, bool b) { record("two" + s + (b ? "T" : "F")); }
    void three(std::string a, float b, unsigned int c)
    {
        record("three" + a + std::to_string(static_cast<int>(b * 10)) + std::to_string(c));
    }
    void record(const std::string& call)
    {
        target.calls += call + ";";
        target.source_seen = get_source();
    }

    Target& target;
};

// Loads text into target through a fresh loader; returns what it threw. The
// source must be unset again afterwards, whatever happened.
std::string load(const std::string& text, Target& target)
{
    std::istringstream stream(text);
    Parser parser(stream, "a.conf");
    Target::Loader loader(target);
    std::string error = thrown([&] { loader.load(parser); });
    return loader.source_now().empty() ? error : error + " (source left at " + loader.source_now() + ")";
}

// Every field of t, separated by spaces.
std::string fields(const Target& t)
{
    std::ostringstream out;
    out << t.name << ' ' << t.flag << ' ' << t.big << ' ' << t.ratio << ' ' << t.number << ' ' << t.count
        << ' ' << t.calls << ' ' << t.finished << ' ' << t.source_seen;
    return out.str();
}

} // namespace

TEST(Loader, StoresValuesAndCallsFunctions)
{
    Target t;
    EXPECT_EQ("no exception",
        load("name \"x\"; flag true; big -0x10; ratio 2.5; pair -3 7;\n"
             "one 017; two \"s\" false; three \"a\" .5 4; twice 3;\n"
             "ignored; ignored 1 \"x\" true { name \"y\"; };\n",
            t));
    // "twice" has the action registered last; "ignored" has none.
    EXPECT_EQ("x 1 -16 2.5 -3 7 one15;twosF;threea54;one3; 1 a.conf", fields(t));
}

TEST(Loader, BadStatementsStoreNothing)
{
    check(
        {
            { "\nname \"a\" \"b\";", "a.conf:2: Wrong number of arguments" },
            { "\npair 1;", "a.conf:2: Wrong number of arguments" },
            { "\none 1 2;", "a.conf:2: Wrong number of arguments" },
            { "\nthree \"a\" .5;", "a.conf:2: Wrong number of arguments" },
            // Binary statements have no line.
            { "__bin;\n" + bytes({ 1, 3, 3, 'o', 'n', 'e', 0, 0, 3, 0 }),
                "a.conf: Wrong number of arguments" },
            { "name true;", "Type mismatch" },
            { "three a .5 4;", "Type mismatch" },
            { "pair 5 -1;", "Invalid value" },
            { "Name \"x\";", "a.conf:1: Unknown keyword (Name) [Name]" },
        },
        [](const std::string& text)
        {
            Target t;
            std::string error = load(text, t);
            return fields(t) == fields(Target()) ? error : "stored";
        });
}

// Statements before an error stay applied.
TEST(Loader, FinishRunsOnceAndOnlyAfterSuccess)
{
    check(
        {
            { "", "no exception 1 " },
            { "one 1;\none 2;\n", "no exception 1 one1;one2;" },
            { "one 1;\n\nfoo 1;\none 2;\n", "a.conf:3: Unknown keyword (foo) [foo] 0 one1;" },
            { "one 1;\none 1e5;\n", "a.conf:2: Parse error at 'e' (state 7) @a.conf:2 0 one1;" },
        },
        [](const std::string& text)
        {
            Target t;
            std::string error = load(text, t);
            return error + " " + std::to_string(t.finished) + " " + t.calls;
        });
}

TEST(Loader, LoadsABlockWithItsOwnLoader)
{
    std::istringstream stream("outer { one 4; name \"in\"; };");
    Parser parser(stream, "a.conf");
    Target target;
    Target::Loader(target).load(parser.parse());
    EXPECT_EQ("in 0 0 0 0 0 one4; 1 a.conf", fields(target));
}
