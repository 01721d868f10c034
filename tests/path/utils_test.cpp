#include "libs/path/source/utils.h"

#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

namespace
{

using Kel::Path;

// A fresh directory under /tmp, removed with everything in it afterwards.
class TempDir: public ::testing::Test
{
protected:
    void SetUp() override
    {
        char name[] = "/tmp/kel_path_XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = Path(name);
    }

    void TearDown() override
    {
        if (!dir.empty() && Kel::exists(dir))
            Kel::rmdirs(dir);
    }

    void touch(const Path& p, const std::string& content = "x")
    {
        std::ofstream(p.str()) << content;
        ASSERT_TRUE(Kel::exists(p)) << p.str();
    }

    Path dir;
};

// Runs the test body in another working directory and comes back.
class ChangeDir
{
public:
    explicit ChangeDir(const Path& to)
    {
        char buf[PATH_MAX];
        if (::getcwd(buf, sizeof(buf)))
            back = buf;
        ok = ::chdir(to.str().c_str()) == 0;
    }
    ~ChangeDir()
    {
        if (!back.empty() && ::chdir(back.c_str()) != 0)
            ADD_FAILURE() << "cannot return to " << back;
    }

    bool ok;

private:
    std::string back;
};

using Utils = TempDir;

TEST_F(Utils, GetcwdIsTheWorkingDirectory)
{
    ChangeDir cd(dir);
    ASSERT_TRUE(cd.ok);
    char real[PATH_MAX];
    ASSERT_NE(realpath(dir.str().c_str(), real), nullptr);
    EXPECT_EQ(Kel::getcwd().str(), real);
}

TEST_F(Utils, GetcwdTooLongThrows)
{
    Path deep = dir;
    for (int i = 0; i < 6; ++i)
        deep /= std::string(200, 'a' + i);
    Kel::mkpath(deep, 0755);

    ChangeDir cd(deep);
    ASSERT_TRUE(cd.ok);
    try
    {
        Kel::getcwd();
        FAIL() << "no exception";
    }
    catch (const Kel::SystemError& e)
    {
        EXPECT_EQ(e.get_error_code(), ERANGE);
        EXPECT_EQ(std::string(e.what()).rfind("getcwd failed: ", 0), 0u) << e.what();
    }
}

TEST_F(Utils, StatReportsFailure)
{
    struct stat st;
    EXPECT_EQ(Kel::stat(dir / "missing", st), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(Kel::stat(dir, st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    EXPECT_TRUE(S_ISDIR(Kel::stat(dir).st_mode));
    try
    {
        Kel::stat(dir / "missing");
        FAIL() << "no exception";
    }
    catch (const Kel::SystemError& e)
    {
        EXPECT_EQ(e.get_error_code(), ENOENT);
        EXPECT_EQ(std::string(e.what()), Kel::SystemError::build_what("stat failed", ENOENT));
    }
}

TEST_F(Utils, ListFilesSkipsDotAndDotDotOnly)
{
    touch(dir / "a");
    touch(dir / ".hidden");
    Kel::mkdir(dir / "sub", 0755);

    std::list<std::string> names = Kel::list_files(dir);
    names.sort();
    EXPECT_EQ(names, (std::list<std::string> { ".hidden", "a", "sub" }));

    EXPECT_TRUE(Kel::list_files(dir / "missing").empty());
    EXPECT_TRUE(Kel::list_files(dir / "a").empty());
}

TEST_F(Utils, RemovalFailuresThrow)
{
    touch(dir / "file");
    Kel::mkdir(dir / "full", 0755);
    touch(dir / "full" / "x");

    EXPECT_THROW(Kel::unlink(dir / "missing"), Kel::SystemError);
    EXPECT_THROW(Kel::rmdir(dir / "full"), Kel::SystemError);
    EXPECT_THROW(Kel::mkdir(dir / "file", 0755), Kel::SystemError);
    EXPECT_THROW(Kel::mkdir(dir / "missing" / "x", 0755), Kel::SystemError);

    Kel::unlink(dir / "file");
    EXPECT_FALSE(Kel::exists(dir / "file"));
}

TEST_F(Utils, RmdirsRemovesTreeButNotLinkTargets)
{
    Path outside = dir / "outside";
    Kel::mkdir(outside, 0755);
    touch(outside / "keep");
    touch(dir / "victim");

    Path tree = dir / "tree";
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

TEST_F(Utils, MkpathCreatesMissingDirectories)
{
    Path target = dir / "a/b/c";
    Kel::mkpath(target, 0755);
    EXPECT_TRUE(S_ISDIR(Kel::stat(target).st_mode));

    touch(target / "f");
    Kel::mkpath(target, 0755); // nothing to do on an existing tree
    EXPECT_TRUE(Kel::exists(target / "f"));

    ChangeDir cd(dir);
    ASSERT_TRUE(cd.ok);
    Kel::mkpath("rel/x", 0755);
    EXPECT_TRUE(Kel::exists(dir / "rel/x"));
}

TEST_F(Utils, MkpathThroughRegularFileThrows)
{
    touch(dir / "file");
    try
    {
        Kel::mkpath(dir / "file" / "sub", 0755);
        FAIL() << "no exception";
    }
    catch (const Kel::SystemError&)
    {
        FAIL() << "wrong exception";
    }
    catch (const Kel::Exception& e)
    {
        EXPECT_STREQ(e.what(), "A component exists and is not a directory");
    }
    EXPECT_FALSE(Kel::exists(dir / "file" / "sub"));
}

TEST_F(Utils, Relative)
{
    struct Case
    {
        const char* path;
        const char* base;
        const char* result;
    };
    const Case cases[] = {
        { "/a/b/c", "/a/d", "../b/c" }, { "/a/b", "/a/b", "" }, { "/a", "/a/b/c", "../.." },
        { "/a/b/c", "/a", "b/c" }, { "/a/b", "/", "a/b" }, { "a/b", "a/c/d", "../../b" }, { "x", "", "x" },
        { "/x", "y", "/x" }, // no way from a relative base to the root
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.path) + " from " + c.base);
        EXPECT_EQ(Kel::relative(c.path, c.base).str(), c.result);
    }
}

TEST_F(Utils, FixCaseFollowsTheDisk)
{
    Kel::mkpath(dir / "Logs/Game One", 0755);
    touch(dir / "Logs/Game One/Session.TXT");
    Kel::mkdir(dir / "same", 0755);
    Kel::mkdir(dir / "SAME", 0755);

    struct Case
    {
        const char* asked;
        const char* found;
    };
    const Case cases[] = {
        { "logs/game one/session.txt", "Logs/Game One/Session.TXT" },
        { "LOGS/GAME ONE", "Logs/Game One" },
        { "logs/missing/Other", "Logs/missing/Other" },
        { "nothing/logs", "nothing/logs" },
        { "same", "same" },
        { "SAME", "SAME" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.asked);
        EXPECT_EQ(Kel::fix_case(dir / c.asked), dir / c.found);
    }

    ChangeDir cd(dir);
    ASSERT_TRUE(cd.ok);
    EXPECT_EQ(Kel::fix_case("logs/GAME one").str(), "Logs/Game One");
}

TEST_F(Utils, Fnmatch)
{
    EXPECT_EQ(Kel::fnmatch("*.txt", "a.txt"), 0);
    EXPECT_EQ(Kel::fnmatch("*.txt", "dir/a.txt"), 0); // "*" also matches "/"
    EXPECT_NE(Kel::fnmatch("*.txt", "a.log"), 0);
    EXPECT_EQ(Kel::fnmatch("a?c", "abc"), 0);
}

TEST_F(Utils, Basename)
{
    struct Case
    {
        const char* name;
        const char* base;
    };
    const Case cases[] = {
        { "a/b.txt", "b.txt" },
        { "b", "b" },
        { "a/", "" },
        { "/", "" },
        { "", "" },
        { "/x/y/z", "z" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Kel::basename(c.name), c.base);
    }
}

TEST_F(Utils, Splitext)
{
    struct Case
    {
        const char* name;
        const char* base;
        const char* ext;
    };
    const Case cases[] = {
        { "archive.tar.gz", "archive.tar", ".gz" },
        { "name", "name", "" },
        { ".hidden", "", ".hidden" },
        { "a.d/b", "a", ".d/b" },
        { "end.", "end", "." },
        { "", "", "" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Kel::Filename f = Kel::splitext(c.name);
        EXPECT_EQ(f.base, c.base);
        EXPECT_EQ(f.ext, c.ext);
    }
}

} // namespace
