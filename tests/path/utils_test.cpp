#include "libs/path/source/utils.h"

#include "libs/core/source/core/except.h"

#include <gmock/gmock.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>
#include <tuple>

#include <unistd.h>

namespace
{

using Kel::Path;
using testing::ThrowsMessage;

// Each test gets a fresh directory under /tmp, removed with everything in it
// afterwards, and runs with the working directory unchanged.
class Utils: public ::testing::Test
{
protected:
    void SetUp() override
    {
        char name[] = "/tmp/kel_path_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = Path(name);
        ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
    }

    void TearDown() override
    {
        EXPECT_EQ(::chdir(cwd), 0);
        Kel::rmdirs(dir);
    }

    void touch(const Path& p) { std::ofstream(p.str()) << "x"; }

    void cd(const Path& p) { ASSERT_EQ(::chdir(p.str().c_str()), 0) << p.str(); }

    Path dir;
    char cwd[PATH_MAX];
};

TEST_F(Utils, Getcwd)
{
    cd(dir);
    char real[PATH_MAX];
    ASSERT_NE(realpath(dir.str().c_str(), real), nullptr);
    EXPECT_EQ(Kel::getcwd().str(), real);

    Path deep = dir;
    for (int i = 0; i < 6; ++i)
        deep /= std::string(200, 'a' + i);
    Kel::mkpath(deep, 0755);
    cd(deep);
    EXPECT_THAT([] { Kel::getcwd(); },
        ThrowsMessage<Kel::SystemError>(Kel::SystemError::build_what("getcwd failed", ERANGE)));
}

TEST_F(Utils, StatAndListFiles)
{
    // The non-throwing stat() is exercised through mkpath().
    EXPECT_THAT([&] { Kel::stat(dir / "missing"); },
        ThrowsMessage<Kel::SystemError>(Kel::SystemError::build_what("stat failed", ENOENT)));

    // Only "." and ".." are left out.
    touch(dir / "a");
    touch(dir / ".hidden");
    Kel::mkdir(dir / "sub", 0755);
    std::list<std::string> names = Kel::list_files(dir);
    names.sort();
    EXPECT_EQ(names, (std::list<std::string> { ".hidden", "a", "sub" }));
    EXPECT_TRUE(Kel::list_files(dir / "missing").empty());
}

TEST_F(Utils, CreationAndRemoval)
{
    Path target = dir / "a/b/c";
    Kel::mkpath(target, 0755);
    EXPECT_TRUE(S_ISDIR(Kel::stat(target).st_mode));
    touch(target / "f");
    Kel::mkpath(target, 0755); // nothing to do on an existing tree
    EXPECT_TRUE(Kel::exists(target / "f"));
    cd(dir);
    Kel::mkpath("rel/x", 0755);
    EXPECT_TRUE(Kel::exists(dir / "rel/x"));

    touch(dir / "file");
    EXPECT_THROW(Kel::unlink(dir / "missing"), Kel::SystemError);
    EXPECT_THROW(Kel::rmdir(dir / "a"), Kel::SystemError); // not empty
    EXPECT_THROW(Kel::mkdir(dir / "file", 0755), Kel::SystemError);
    EXPECT_THAT([&] { Kel::mkpath(dir / "file" / "sub", 0755); },
        ThrowsMessage<Kel::Exception>("A component exists and is not a directory"));
    Kel::unlink(dir / "file");
    EXPECT_FALSE(Kel::exists(dir / "file"));
}

TEST_F(Utils, RmdirsRemovesTreeButNotLinkTargets)
{
    Path outside = dir / "outside", tree = dir / "tree";
    Kel::mkpath(outside, 0755);
    touch(outside / "keep");
    touch(dir / "victim");
    Kel::mkpath(tree / "a" / "b", 0755);
    touch(tree / "a" / "b" / "f");
    touch(tree / ".dot");
    ASSERT_EQ(symlink(outside.str().c_str(), (tree / "link").str().c_str()), 0);
    // A name with backslashes is one name on the disk, not a way up.
    std::ofstream(tree.str() + "/..\\victim") << "x";

    Kel::rmdirs(tree);
    EXPECT_FALSE(Kel::exists(tree));
    EXPECT_TRUE(Kel::exists(outside / "keep"));
    EXPECT_TRUE(Kel::exists(dir / "victim"));
}

// The fuzz target checks that base / relative(path, base) gives path back.
TEST_F(Utils, Relative)
{
    const std::tuple<const char*, const char*, const char*> cases[]
        = { { "/a/b/c", "/a/d", "../b/c" }, { "/a/b", "/a/b", "" }, { "/a", "/a/b/c", "../.." },
              { "a/b", "a/c/d", "../../b" }, { "/x", "y", "/x" } }; // no way from a relative base to the root
    for (const auto& [path, base, result] : cases)
        EXPECT_EQ(Kel::relative(path, base).str(), result) << path << " from " << base;
}

TEST_F(Utils, FixCaseFollowsTheDisk)
{
    Kel::mkpath(dir / "Logs/Game One", 0755);
    touch(dir / "Logs/Game One/Session.TXT");
    Kel::mkdir(dir / "same", 0755);
    Kel::mkdir(dir / "SAME", 0755);
    // An exact match wins over another spelling.
    const std::pair<const char*, const char*> cases[]
        = { { "logs/game one/session.txt", "Logs/Game One/Session.TXT" },
              { "LOGS/GAME ONE", "Logs/Game One" }, { "logs/missing/Other", "Logs/missing/Other" },
              { "nothing/logs", "nothing/logs" }, { "same", "same" }, { "SAME", "SAME" } };
    for (const auto& [asked, found] : cases)
        EXPECT_EQ(Kel::fix_case(dir / asked), dir / found) << asked;
    cd(dir);
    EXPECT_EQ(Kel::fix_case("logs/GAME one").str(), "Logs/Game One");
}

TEST_F(Utils, NamesAndPatterns)
{
    EXPECT_EQ(Kel::fnmatch("*.txt", "dir/a.txt"), 0); // "*" also matches "/"
    EXPECT_NE(Kel::fnmatch("*.txt", "a.log"), 0);
    EXPECT_EQ(Kel::basename("a/b.txt"), "b.txt");
    EXPECT_EQ(Kel::basename("a/"), "");
    const std::tuple<const char*, const char*, const char*> splits[]
        = { { "archive.tar.gz", "archive.tar", ".gz" }, { "name", "name", "" }, { ".hidden", "", ".hidden" },
              { "a.d/b", "a", ".d/b" } };
    for (const auto& [name, base, ext] : splits)
    {
        Kel::Filename f = Kel::splitext(name);
        EXPECT_EQ(f.base + "|" + f.ext, std::string(base) + "|" + ext) << name;
    }
}

} // namespace
