#include "libs/path/source/path.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace
{

using Kel::Path;

std::vector<std::string> forward(const Path& p)
{
    std::vector<std::string> result;
    for (Path::Iterator i = p.begin(); i != p.end(); ++i)
        result.push_back(*i);
    return result;
}

std::vector<std::string> backward(const Path& p)
{
    std::vector<std::string> result;
    if (p.begin() == p.end())
        return result;
    Path::Iterator i = p.end();
    do
    {
        --i;
        result.push_back(*i);
    } while (i != p.begin());
    return result;
}

TEST(Path, ParsingNormalises)
{
    struct Case
    {
        const char* text;
        const char* normal;
    };
    const Case cases[] = {
        { "", "" },
        { "/", "/" },
        { "//", "/" },
        { "a/./b//c/", "a/b/c" },
        { "a/../b", "b" },
        { "../../x", "../../x" },
        { "/a/..", "/" },
        { "/..", "/" },
        { "/../a", "/a" },
        { "x\\y", "x/y" },
        { "\\a\\b\\", "/a/b" },
        { ".", "." },
        { "./", "." },
        { "./a", "a" },
        { "a/.", "a" },
        { "a/..", "" },
        { "a/../..", ".." },
        { "./..", ".." },
        { "../a/../b", "../b" },
        { "a/b/../../..", ".." },
        { "/a/b/../c/./d", "/a/c/d" },
        { "..", ".." },
        { "...", "..." },
        { ".hidden/x", ".hidden/x" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Path(c.text).str(), c.normal);
        EXPECT_EQ(Path(std::string(c.text)).str(), c.normal);
    }
}

TEST(Path, SizeCountsTheRoot)
{
    struct Case
    {
        const char* text;
        unsigned size;
    };
    const Case cases[] = {
        { "", 0 },
        { "/", 1 },
        { ".", 1 },
        { "a", 1 },
        { "a/b", 2 },
        { "/a", 2 },
        { "/a/b", 3 },
        { "../..", 2 },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Path(c.text).size(), c.size);
    }
}

TEST(Path, IndexFromFrontAndBack)
{
    Path p("/usr/lib");
    struct Case
    {
        int index;
        const char* component;
    };
    const Case cases[] = {
        { 0, "/" },
        { 1, "usr" },
        { 2, "lib" },
        { 3, "" },
        { 5, "" },
        { -1, "lib" },
        { -2, "usr" },
        { -3, "/" },
        { -4, "" },
        { INT_MIN, "" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(p[c.index], c.component);
    }
    EXPECT_EQ(Path("")[0], "");
    EXPECT_EQ(Path("")[-1], "");
    EXPECT_EQ(Path("a/b")[0], "a");
}

TEST(Path, JoinAddsComponentsInTurn)
{
    struct Case
    {
        const char* left;
        const char* right;
        const char* joined;
    };
    const Case cases[] = {
        { "a/b", "/c", "/c" },
        { "a/b", "../c", "a/c" },
        { ".", "x", "x" },
        { ".", ".", "." },
        { ".", "..", ".." },
        { "", "a", "a" },
        { "a", "", "a" },
        { "/", "a", "/a" },
        { "/", "..", "/" },
        { "/a", "../..", "/" },
        { "a", "../..", ".." },
        { "..", "..", "../.." },
        { "../a", "../../b", "../../b" },
        { "a", ".", "a" },
        { "a/b", "c/d", "a/b/c/d" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.left) + " / " + c.right);
        EXPECT_EQ((Path(c.left) / Path(c.right)).str(), c.joined);
        Path p(c.left);
        p /= c.right;
        EXPECT_EQ(p.str(), c.joined);
    }
}

TEST(Path, JoinWithItself)
{
    Path p("a/b");
    p /= p;
    EXPECT_EQ(p.str(), "a/b/a/b");
}

TEST(Path, Subpath)
{
    Path p("/a/b/c");
    EXPECT_EQ(p.subpath(1, 2).str(), "a/b");
    EXPECT_EQ(p.subpath(0, 2).str(), "/a");
    EXPECT_EQ(p.subpath(2, 100).str(), "b/c");
    EXPECT_EQ(p.subpath(0, UINT_MAX).str(), "/a/b/c");
    EXPECT_EQ(p.subpath(4, 1).str(), "");
    EXPECT_EQ(p.subpath(1, 0).str(), "");
    EXPECT_EQ(Path("../x/y").subpath(0, 2).str(), "../x");
}

TEST(Path, IteratorWalksBothWays)
{
    struct Case
    {
        const char* text;
        std::vector<std::string> components;
    };
    const Case cases[] = {
        { "", {} },
        { "/", { "/" } },
        { "a", { "a" } },
        { ".", { "." } },
        { "/usr/lib", { "/", "usr", "lib" } },
        { "a/bc/def", { "a", "bc", "def" } },
        { "../../x", { "..", "..", "x" } },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text);
        Path p(c.text);
        EXPECT_EQ(forward(p), c.components);
        std::vector<std::string> reversed(c.components.rbegin(), c.components.rend());
        EXPECT_EQ(backward(p), reversed);
    }
}

TEST(Path, IteratorEnds)
{
    Path empty;
    EXPECT_TRUE(empty.begin() == empty.end());
    EXPECT_EQ(*empty.end(), "");

    Path p("/a");
    Path::Iterator i = p.begin();
    --i;
    EXPECT_TRUE(i == p.begin());
    EXPECT_EQ(*i, "/");

    Path::Iterator e = p.end();
    ++e;
    EXPECT_TRUE(e == p.end());
}

} // namespace
