#include "client/session/places.h"

#include "libs/core/source/core/except.h"
#include "tests/client/tempdir.h"
#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <sys/stat.h>

namespace
{

Places::Facts installed(const std::string& config_home = "", const std::string& data_home = "")
{
    return { "/home/ann/games", false, "/opt/parlane/share/parlane", "/home/ann", config_home, data_home };
}

TEST(Places, InstalledFilesFollowTheBaseDirectoriesOrTheirDefaults)
{
    const struct { std::string config_home, data_home, config_file, log_root; } cases[] = {
        { "", "", "/home/ann/.config/parlane/parlane.conf", "/home/ann/.local/share/parlane" },
        { "/x/conf", "/x/data", "/x/conf/parlane/parlane.conf", "/x/data/parlane" },
        // Relative values are ignored.
        { "conf", "./data", "/home/ann/.config/parlane/parlane.conf", "/home/ann/.local/share/parlane" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.config_home + " " + c.data_home);
        const Places places(installed(c.config_home, c.data_home));
        EXPECT_FALSE(places.is_portable());
        EXPECT_EQ(places.get_config_file() + " " + places.get_log_root(), c.config_file + " " + c.log_root);
    }
    const Places places(installed());
    EXPECT_EQ(places.get_ui_file() + "|" + places.get_data_file("afk.png") + "|" + places.get_game_folder("../L/R"),
        "/opt/parlane/share/parlane/parlane.glade|/opt/parlane/share/parlane/afk.png|"
        "/home/ann/.local/share/parlane/_.._L_R");
    EXPECT_EQ(places.describe(), "Settings: /home/ann/.config/parlane/parlane.conf\n"
                                 "Scene logs: /home/ann/.local/share/parlane/<game>/\n");
}

TEST(Places, APortableFolderKeepsEverythingRelative)
{
    Places::Facts facts = installed("/x/conf", "/x/data");
    facts.ui_in_working_dir = true;
    for (const Places& places : { Places(), Places(facts) })
    {
        EXPECT_TRUE(places.is_portable());
        EXPECT_EQ(places.get_ui_file() + "|" + places.get_data_file("online.png") + "|" + places.get_config_file()
                + "|" + places.get_game_folder(".hidden"),
            "parlane.glade|online.png|parlane.conf|_.hidden");
        places.prepare();
    }
    EXPECT_EQ(Places(facts).describe(),
        "Settings: /home/ann/games/parlane.conf\nScene logs: /home/ann/games/<game>/\n");
}

TEST(Places, PrepareMakesPrivateFoldersOrSaysWhichCannotBeMade)
{
    TempDir dir;
    std::filesystem::create_directory(dir.file("share"));
    write_file(dir.file("share/parlane.glade"), "");
    write_file(dir.file("file"), "");
    const Places::Facts facts { dir.file("work"), false, dir.file("share"), dir.file("home"), "", "" };
    Places(facts).prepare();
    struct stat st;
    ASSERT_EQ(::stat(dir.file("home/.config/parlane").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat(dir.file("home/.local/share/parlane").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    // A plain file in the way stops even the superuser.
    const struct { std::string config_home, data_home, data_dir, message; } cases[] = {
        { dir.file("file/conf"), "", facts.data_dir, "Cannot create the settings folder " + dir.file("file/conf/parlane") },
        { "", dir.file("file/data"), facts.data_dir, "Cannot create the scene log folder " + dir.file("file/data/parlane") },
        { "", "", dir.file("nowhere"), "Cannot find the user interface file parlane.glade: it is neither in the "
              "working directory (" + facts.working_dir + ") nor in the installed data folder (" + dir.file("nowhere") + ")" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.message);
        const Places::Facts bad { facts.working_dir, false, c.data_dir, facts.home, c.config_home, c.data_home };
        const std::string message = thrown([&] { Places(bad).prepare(); });
        EXPECT_EQ(message.find(c.message), 0u) << message;
    }
}

TEST(Places, TheSystemsFactsComeFromTheEnvironmentAndTheProgramsPath)
{
    const char* saved = std::getenv("HOME");
    const std::string home = saved ? saved : "";
    ::setenv("HOME", "/home/ann", 1);
    ::setenv("XDG_CONFIG_HOME", "/c", 1);
    ::unsetenv("XDG_DATA_HOME");
    const Places::Facts facts = Places::from_system("../share/parlane");
    EXPECT_EQ(facts.home, "/home/ann");
    EXPECT_EQ(facts.config_home, "/c");
    EXPECT_EQ(facts.data_home, "");
    // This test program is in the build folder.
    EXPECT_EQ(facts.data_dir, std::filesystem::path(PARLANE_BINARY_DIR).parent_path().string() + "/share/parlane");
    // Without HOME, the password database tells.
    ::unsetenv("HOME");
    EXPECT_FALSE(Places::from_system("").home.empty());
    ::unsetenv("XDG_CONFIG_HOME");
    if (saved)
        ::setenv("HOME", home.c_str(), 1);
}

} // namespace
