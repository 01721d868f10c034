#include "client/config.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/except.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// A fresh directory for one test, removed with everything in it afterwards.
class TempDir
{
public:
    TempDir()
    {
        char name[] = "/tmp/parlane-config-XXXXXX";
        if (!::mkdtemp(name))
            throw std::runtime_error("mkdtemp failed");
        path = name;
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::permissions(path + "/parlane.conf", std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path, ignored);
    }

    std::string file() const { return path + "/parlane.conf"; }

    std::string path;
};

std::string read_file(const std::string& name)
{
    std::ifstream in(name, std::ios_base::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void write_file(const std::string& name, const std::string& content)
{
    std::ofstream out(name, std::ios_base::binary);
    out << content;
}

const char default_file[] = "color \"background\" \"#FFFFFF\";\n"
                            "color \"event\" \"#404040\";\n"
                            "color \"gm\" \"#004080\";\n"
                            "color \"name\" \"#00A080\";\n"
                            "color \"ooc\" \"#A0A0A0\";\n"
                            "color \"other_name\" \"#00A000\";\n"
                            "color \"speech\" \"#50A000\";\n"
                            "color \"text\" \"#005000\";\n"
                            "color \"timestamp\" \"#C0C0C0\";\n"
                            "default_bg true;\n"
                            "abbreviate_refs false;\n"
                            "connect_host \"\";\n"
                            "connect_name \"\";\n";

} // namespace

TEST(Config, MissingFileKeepsDefaultsAndSavesThirteenLines)
{
    TempDir dir;
    Config config(dir.file());
    config.load();
    EXPECT_TRUE(config.get_default_bg());
    EXPECT_FALSE(config.get_abbreviate_refs());
    EXPECT_EQ("", config.get_connect_host());
    EXPECT_EQ("#FFFFFF", config.get_color("background"));
    config.save();
    EXPECT_EQ(default_file, read_file(dir.file()));
}

TEST(Config, UnreadableFileKeepsDefaults)
{
    TempDir dir;
    // A directory in place of the file.
    std::filesystem::create_directory(dir.file());
    Config from_directory(dir.file());
    from_directory.load();
    EXPECT_EQ("#005000", from_directory.get_color("text"));
    std::filesystem::remove(dir.file());

    write_file(dir.file(), "color \"text\" \"#111111\";\n");
    ::chmod(dir.file().c_str(), 0);
    if (::access(dir.file().c_str(), R_OK) == 0)
        GTEST_SKIP() << "permissions do not apply to this user";
    Config config(dir.file());
    config.load();
    EXPECT_EQ("#005000", config.get_color("text"));
}

TEST(Config, PartialFileChangesOnlyWhatItNames)
{
    TempDir dir;
    write_file(dir.file(), "color \"text\" \"#112233\";\n");
    Config config(dir.file());
    config.load();
    EXPECT_EQ("#112233", config.get_color("text"));
    EXPECT_EQ("#00A080", config.get_color("name"));
    EXPECT_TRUE(config.get_default_bg());
    config.save();
    std::string expected = default_file;
    expected.replace(expected.find("#005000"), 7, "#112233");
    EXPECT_EQ(expected, read_file(dir.file()));
}

TEST(Config, ExtraRoleIsKeptAndSavedInOrder)
{
    TempDir dir;
    write_file(dir.file(), "color \"extra\" \"#123456\";\nabbreviate_refs true;");
    Config config(dir.file());
    config.load();
    EXPECT_EQ("#123456", config.get_color("extra"));
    EXPECT_TRUE(config.get_abbreviate_refs());
    config.save();
    std::string expected = default_file;
    expected.insert(expected.find("color \"gm\""), "color \"extra\" \"#123456\";\n");
    expected.replace(expected.find("abbreviate_refs false"), 21, "abbreviate_refs true");
    EXPECT_EQ(expected, read_file(dir.file()));
}

TEST(Config, UnknownColorThrows)
{
    Config config("unused");
    try
    {
        config.get_color("made_up");
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::InvalidParameterValue& e)
    {
        EXPECT_STREQ("Unknown color", e.what());
    }
}

TEST(Config, BooleanSettingsRefuseOtherTypes)
{
    const char* texts[] = { "default_bg 1;\n", "default_bg \"true\";\n", "connect_host true;\n" };
    for (const char* text : texts)
    {
        SCOPED_TRACE(text);
        TempDir dir;
        write_file(dir.file(), text);
        Config config(dir.file());
        try
        {
            config.load();
            ADD_FAILURE() << "no exception";
        }
        catch (const Kel::DataFile::TypeError& e)
        {
            EXPECT_STREQ("Type mismatch", e.what());
        }
    }
}

TEST(Config, FileErrorsNameTheirLocation)
{
    TempDir dir;
    write_file(dir.file(), "connect_name \"a\";\nfoo;\n");
    Config config(dir.file());
    try
    {
        config.load();
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::KeyError& e)
    {
        EXPECT_EQ(dir.file() + ":2: Unknown keyword (foo)", e.what());
    }
    // The statement before the bad one has taken effect.
    EXPECT_EQ("a", config.get_connect_name());

    write_file(dir.file(), "\ncolor \"a\";\n");
    try
    {
        config.load();
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::DataFile::TypeError& e)
    {
        EXPECT_EQ(dir.file() + ":2: Wrong number of arguments", e.what());
    }

    write_file(dir.file(), "connect_name \"a;\n");
    EXPECT_THROW(config.load(), Kel::DataFile::ParseError);
}

TEST(Config, AwkwardValuesReadBackExactly)
{
    const std::string values[] = {
        "say \"hi\"",
        "back\\slash\\",
        "two\nlines",
        "semi;colon",
        "caf\xc3\xa9 \xff\x80",
        "tab\tcr\r",
        "/* not a comment */ // nor this",
        "\\x41",
        "",
    };
    for (const std::string& value : values)
    {
        SCOPED_TRACE(value);
        TempDir dir;
        Config config(dir.file());
        config.set_connect_host(value);
        config.set_connect_name(value + "!");
        config.set_color(value, value);
        config.set_default_bg(false);
        config.save();

        Config reread(dir.file());
        reread.load();
        EXPECT_EQ(value, reread.get_connect_host());
        EXPECT_EQ(value + "!", reread.get_connect_name());
        EXPECT_EQ(value, reread.get_color(value));
        EXPECT_FALSE(reread.get_default_bg());
    }
}

TEST(Config, SaveReplacesTheFileWhole)
{
    TempDir dir;
    write_file(dir.file(), "connect_host \"old\";\n");
    ::chmod(dir.file().c_str(), 0600);
    Config config(dir.file());
    config.set_connect_host("new");
    config.save();
    EXPECT_NE(std::string::npos, read_file(dir.file()).find("connect_host \"new\";\n"));
    EXPECT_FALSE(std::filesystem::exists(dir.file() + ".tmp"));
    struct stat status;
    ASSERT_EQ(0, ::stat(dir.file().c_str(), &status));
    EXPECT_EQ(0600u, status.st_mode & 07777);
}

TEST(Config, FailedSaveLeavesThePreviousFile)
{
    TempDir dir;
    write_file(dir.file(), "connect_host \"old\";\n");
    // The temporary file cannot be made: a directory has its name.
    std::filesystem::create_directory(dir.file() + ".tmp");
    Config config(dir.file());
    config.set_connect_host("new");
    EXPECT_THROW(config.save(), Kel::Exception);
    EXPECT_EQ("connect_host \"old\";\n", read_file(dir.file()));

    Config nowhere(dir.path + "/missing/parlane.conf");
    EXPECT_THROW(nowhere.save(), Kel::Exception);
}

TEST(Config, FileEndingInItsLastSemicolonLoads)
{
    TempDir dir;
    write_file(dir.file(), "connect_name \"x\";");
    Config config(dir.file());
    config.load();
    EXPECT_EQ("x", config.get_connect_name());
}
