#include "libs/datafile/source/loader.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/except.h"
#include "libs/datafile/source/parser.h"

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

    int finished = 0;
    std::string source_seen;

protected:
    void finish() override { ++finished; }

private:
    void one(int n)
    {
        target.calls += "one" + std::to_string(n) + ";";
        source_seen = get_source();
    }
    void two(const std::string& s, bool b) { target.calls += "two" + s + (b ? "T" : "F") + ";"; }
    void three(std::string a, float b, unsigned int c)
    {
        target.calls += "three" + a + std::to_string(static_cast<int>(b * 10)) + std::to_string(c) + ";";
    }

    Target& target;
};

// Loads text into a fresh Target through a fresh loader.
struct Loaded
{
    explicit Loaded(const std::string& text): stream(text), parser(stream, "a.conf"), loader(target) { }

    void load() { loader.load(parser); }

    Target target;
    std::istringstream stream;
    Parser parser;
    Target::Loader loader;
};

} // namespace

TEST(Loader, StoresValuesAndCallsFunctions)
{
    Loaded l("name \"x\"; flag true; big -0x10; ratio 2.5; pair -3 7;\n"
             "one 017; two \"s\" false; three \"a\" .5 4;\n");
    l.load();
    EXPECT_EQ("x", l.target.name);
    EXPECT_TRUE(l.target.flag);
    EXPECT_EQ(-16, l.target.big);
    EXPECT_FLOAT_EQ(2.5f, l.target.ratio);
    EXPECT_EQ(-3, l.target.number);
    EXPECT_EQ(7u, l.target.count);
    EXPECT_EQ("one15;twosF;threea54;", l.target.calls);
    EXPECT_EQ(1, l.loader.finished);
    EXPECT_EQ("a.conf", l.loader.source_seen);
}

TEST(Loader, UnknownKeywordNamesLocationAndKey)
{
    Loaded l("one 1;\n\nfoo 1;\none 2;\n");
    try
    {
        l.load();
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::KeyError& e)
    {
        EXPECT_STREQ("a.conf:3: Unknown keyword (foo)", e.what());
        EXPECT_EQ("foo", e.get_key());
    }
    // Earlier statements keep their effect; finish() is not called.
    EXPECT_EQ("one1;", l.target.calls);
    EXPECT_EQ(0, l.loader.finished);
}

TEST(Loader, KeywordsAreCaseSensitive)
{
    Loaded l("Name \"x\";");
    EXPECT_THROW(l.load(), Kel::KeyError);
}

TEST(Loader, WrongArgumentCounts)
{
    const char* texts[] = {
        "name \"a\" \"b\";",
        "name;",
        "pair 1;",
        "pair 1 2 3;",
        "one;",
        "one 1 2;",
        "two \"s\";",
        "three \"a\" .5;",
    };
    for (const char* text : texts)
    {
        SCOPED_TRACE(text);
        Loaded l(std::string("\n") + text);
        try
        {
            l.load();
            ADD_FAILURE() << "no exception";
        }
        catch (const TypeError& e)
        {
            EXPECT_STREQ("a.conf:2: Wrong number of arguments", e.what());
        }
    }
}

TEST(Loader, TypeMismatches)
{
    const char* texts[] = {
        "name true;",
        "name 1;",
        "flag 1;",
        "flag \"true\";",
        "big 1.5;",
        "ratio 1;",
        "one \"1\";",
        "two \"s\" 0;",
        "three a .5 4;",
        "pair 1 -2;",
    };
    for (const char* text : texts)
    {
        SCOPED_TRACE(text);
        Loaded l(text);
        EXPECT_THROW(l.load(), Kel::Exception);
    }
    Loaded l("name true;");
    try
    {
        l.load();
        ADD_FAILURE() << "no exception";
    }
    catch (const TypeError& e)
    {
        EXPECT_STREQ("Type mismatch", e.what());
    }
}

TEST(Loader, PairIsStoredOnlyWhenBothConvert)
{
    Loaded l("pair 5 -1;");
    EXPECT_THROW(l.load(), Kel::Exception);
    EXPECT_EQ(0, l.target.number);
}

TEST(Loader, SecondRegistrationReplacesTheFirst)
{
    Loaded l("twice 3;");
    l.load();
    EXPECT_EQ("one3;", l.target.calls);
    EXPECT_EQ("", l.target.name);
}

TEST(Loader, KeywordWithoutActionIsIgnored)
{
    Loaded l("ignored; ignored 1 \"x\" true { name \"y\"; };");
    l.load();
    EXPECT_EQ("", l.target.name);
    EXPECT_EQ("", l.target.calls);
    EXPECT_EQ(1, l.loader.finished);
}

TEST(Loader, FinishRunsOnceAlsoForEmptyInput)
{
    const char* texts[] = { "", "// nothing\n", "one 1;", "one 1;\none 2;\n" };
    for (const char* text : texts)
    {
        SCOPED_TRACE(text);
        Loaded l(text);
        l.load();
        EXPECT_EQ(1, l.loader.finished);
    }
}

TEST(Loader, ParseErrorsPassThroughWithoutFinish)
{
    Loaded l("one 1;\none 1e5;\n");
    try
    {
        l.load();
        ADD_FAILURE() << "no exception";
    }
    catch (const ParseError& e)
    {
        EXPECT_EQ(2u, e.get_line());
    }
    EXPECT_EQ("one1;", l.target.calls);
    EXPECT_EQ(0, l.loader.finished);
}

TEST(Loader, LoadsABlockWithItsOwnLoader)
{
    std::istringstream stream("outer { one 4; name \"in\"; };");
    Parser parser(stream, "a.conf");
    Statement outer = parser.parse();
    Target target;
    Target::Loader loader(target);
    loader.load(outer);
    EXPECT_EQ("one4;", target.calls);
    EXPECT_EQ("in", target.name);
    EXPECT_EQ(1, loader.finished);
}

TEST(Loader, SourceIsEmptyOutsideAnAction)
{
    Loaded l("one 1;");
    EXPECT_EQ("", l.loader.source_now());
    l.load();
    EXPECT_EQ("a.conf", l.loader.source_seen);
    EXPECT_EQ("", l.loader.source_now());
}
