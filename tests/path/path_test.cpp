#include "libs/path/source/path.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>

namespace
{

using Kel::Path;

// The fuzz target checks that every result is in normal form and that size,
// index, both iterators, subpath and /= agree; these pin the exact results.
TEST(Path, ParsingNormalises)
{
    const std::pair<const char*, const char*> cases[]
        = { { "", "" }, { "//", "/" }, { "a/./b//c/", "a/b/c" }, { "a/../b", "b" }, { "../../x", "../../x" },
              { "/a/..", "/" }, { "/../a", "/a" }, { "\\a\\b\\", "/a/b" }, { ".", "." }, { "./a", "a" },
              { "a/..", "" }, { "a/../..", ".." }, { "../a/../b", "../b" }, { "...", "..." } };
    for (const auto& [text, normal] : cases)
        EXPECT_EQ(Path(text).str(), normal) << text;
}

TEST(Path, IndexAndSubpath)
{
    Path p("/usr/lib");
    const std::pair<int, const char*> cases[]
        = { { 0, "/" }, { 2, "lib" }, { 5, "" }, { -1, "lib" }, { -3, "/" }, { -4, "" }, { INT_MIN, "" } };
    for (const auto& [index, component] : cases)
        EXPECT_EQ(p[index], component) << index;

    const std::tuple<unsigned, unsigned, const char*> subpaths[]
        = { { 1, 2, "a/b" }, { 2, 100, "b/c" }, { 0, UINT_MAX, "/a/b/c" }, { 4, 1, "" }, { 1, 0, "" } };
    for (const auto& [start, count, result] : subpaths)
        EXPECT_EQ(Path("/a/b/c").subpath(start, count).str(), result) << start << ", " << count;
}

TEST(Path, JoinAddsComponentsInTurn)
{
    const std::tuple<const char*, const char*, const char*> cases[] = { { "a/b", "/c", "/c" },
        { "a/b", "../c", "a/c" }, { ".", "x", "x" }, { ".", ".", "." }, { ".", "..", ".." }, { "a", "", "a" },
        { "/", "..", "/" }, { "a", "../..", ".." }, { "../a", "../../b", "../../b" }, { "a", ".", "a" } };
    for (const auto& [left, right, joined] : cases)
        EXPECT_EQ((Path(left) / Path(right)).str(), joined) << left << " / " << right;
}

TEST(Path, IteratorStopsAtEitherEnd)
{
    EXPECT_EQ(*Path().end(), "");
    Path p("/a");
    Path::Iterator i = p.begin(), e = p.end();
    EXPECT_EQ(*++i, "a");
    EXPECT_TRUE(++e == p.end());
}

} // namespace
