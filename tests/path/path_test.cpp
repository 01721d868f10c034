#include "libs/path/source/path.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using Kel::Path;

TEST(Path, ParsingNormalises)
{
    const std::tuple<const char*, const char*, unsigned> cases[] = { { "", "", 0 }, { "/", "/", 1 },
        { "//", "/", 1 }, { "a/./b//c/", "a/b/c", 3 }, { "a/../b", "b", 1 }, { "../../x", "../../x", 3 },
        { "/a/..", "/", 1 }, { "/..", "/", 1 }, { "/../a", "/a", 2 }, { "x\\y", "x/y", 2 },
        { "\\a\\b\\", "/a/b", 3 }, { ".", ".", 1 }, { "./a", "a", 1 }, { "a/.", "a", 1 }, { "a/..", "", 0 },
        { "a/../..", "..", 1 }, { "./..", "..", 1 }, { "../a/../b", "../b", 2 }, { "..", "..", 1 },
        { "...", "...", 1 }, { ".hidden/x", ".hidden/x", 2 } };
    for (const auto& [text, normal, size] : cases)
    {
        SCOPED_TRACE(text);
        EXPECT_EQ(Path(text).str(), normal);
        EXPECT_EQ(Path(std::string(text)).str(), normal);
        // The root counts as a component.
        EXPECT_EQ(Path(text).size(), size);
    }
}

TEST(Path, IndexAndSubpath)
{
    Path p("/usr/lib");
    const std::pair<int, const char*> cases[] = { { 0, "/" }, { 1, "usr" }, { 2, "lib" }, { 3, "" },
        { 5, "" }, { -1, "lib" }, { -2, "usr" }, { -3, "/" }, { -4, "" }, { INT_MIN, "" } };
    for (const auto& [index, component] : cases)
        EXPECT_EQ(p[index], component) << index;
    EXPECT_EQ(Path("")[0], "");
    EXPECT_EQ(Path("")[-1], "");

    const std::tuple<unsigned, unsigned, const char*> subpaths[] = { { 1, 2, "a/b" }, { 0, 2, "/a" },
        { 2, 100, "b/c" }, { 0, UINT_MAX, "/a/b/c" }, { 4, 1, "" }, { 1, 0, "" } };
    for (const auto& [start, count, result] : subpaths)
        EXPECT_EQ(Path("/a/b/c").subpath(start, count).str(), result) << start << ", " << count;
    EXPECT_EQ(Path("../x/y").subpath(0, 2).str(), "../x");
}

TEST(Path, JoinAddsComponentsInTurn)
{
    const std::tuple<const char*, const char*, const char*> cases[]
        = { { "a/b", "/c", "/c" }, { "a/b", "../c", "a/c" }, { ".", "x", "x" }, { ".", ".", "." },
              { ".", "..", ".." }, { "", "a", "a" }, { "a", "", "a" }, { "/", "a", "/a" }, { "/", "..", "/" },
              { "/a", "../..", "/" }, { "a", "../..", ".." }, { "..", "..", "../.." },
              { "../a", "../../b", "../../b" }, { "a", ".", "a" }, { "a/b", "c/d", "a/b/c/d" } };
    for (const auto& [left, right, joined] : cases)
    {
        SCOPED_TRACE(std::string(left) + " / " + right);
        EXPECT_EQ((Path(left) / Path(right)).str(), joined);
        Path p(left);
        p /= right;
        EXPECT_EQ(p.str(), joined);
    }
    Path p("a/b");
    p /= p;
    EXPECT_EQ(p.str(), "a/b/a/b");
}

TEST(Path, IteratorWalksBothWays)
{
    using Names = std::vector<std::string>;
    const std::pair<const char*, Names> cases[] = { { "", {} }, { "/", { "/" } }, { "a", { "a" } },
        { ".", { "." } }, { "/usr/lib", { "/", "usr", "lib" } }, { "a/bc/def", { "a", "bc", "def" } },
        { "../../x", { "..", "..", "x" } } };
    for (const auto& [text, names] : cases)
    {
        SCOPED_TRACE(text);
        Path p(text);
        Names forward, backward;
        for (Path::Iterator i = p.begin(); i != p.end(); ++i)
            forward.push_back(*i);
        for (Path::Iterator i = p.end(); i != p.begin();)
            backward.insert(backward.begin(), *--i);
        EXPECT_EQ(forward, names);
        EXPECT_EQ(backward, names);
    }

    // Stepping past either end stays there.
    Path empty;
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
