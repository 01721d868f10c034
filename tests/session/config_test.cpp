#include "client/session/config.h"

#include "tests/client/tempdir.h"
#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace
{

const std::string default_file = "color \"background\" \"#FFFFFF\";\n"
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

// The default file with one change.
std::string with(const std::string& from, const std::string& to)
{
    std::string result = default_file;
    return result.replace(result.find(from), from.size(), to);
}

} // namespace

// What a file reads as: the file saved after loading it, or why it cannot be loaded.
TEST(Config, LoadThenSaveChangesOnlyWhatTheFileNames)
{
    TempDir dir;
    const std::string file = dir.path / "parlane.conf";
    check(
        {
            { "(no file)", default_file },
            { "color \"extra\" \"#123456\";",
                with("color \"gm\"", "color \"extra\" \"#123456\";\ncolor \"gm\"") },
            { "abbreviate_refs true;\ndefault_bg false;\n",
                with(" true;\nabbreviate_refs false", " false;\nabbreviate_refs true") },
            // Later settings are written only when they differ from their default.
            { "restore_lines 200;\ncolor \"error\" \"#C00000\";", default_file },
            { "restore_lines 0;\ncolor \"error\" \"#FF0000\";",
                with("color \"event\"", "color \"error\" \"#FF0000\";\ncolor \"event\"") + "restore_lines 0;\n" },
            { "default_bg \"true\";\n", "Type mismatch" },
            { "connect_name \"a\";\nfoo;\n", file + ":2: Unknown keyword (foo) [foo]" },
        },
        [&](const std::string& content)
        {
            std::filesystem::remove(file);
            if (content != "(no file)")
                write_file(file, content);
            Config config(file);
            const std::string error = thrown([&] { config.load(); });
            if (error != "no exception")
                return error;
            config.save();
            return read_file(file);
        });
    EXPECT_EQ("Unknown color", thrown([] { Config("unused").get_color("made_up"); }));
}

TEST(Config, AwkwardValuesReadBackExactly)
{
    const std::string values[] = { "say \"hi\" back\\slash\\", "two\nlines;\tcr\r", "caf\xc3\xa9 \xff\x80", "" };
    for (const std::string& value : values)
    {
        SCOPED_TRACE(value);
        TempDir dir;
        Config config(dir.path / "parlane.conf");
        config.set_connect_host(value);
        config.set_connect_name(value + "!");
        config.set_color(value, value);
        config.save();

        Config reread(dir.path / "parlane.conf");
        reread.load();
        EXPECT_EQ(value + "|" + value + "!|" + value,
            reread.get_connect_host() + "|" + reread.get_connect_name() + "|" + reread.get_color(value));
    }
}

TEST(Config, SaveReplacesTheFileWholeOrNotAtAll)
{
    TempDir dir;
    const std::string file = dir.path / "parlane.conf";
    write_file(file, "connect_host \"old\";\n");
    ::chmod(file.c_str(), 0600);
    Config config(file);
    // The temporary file cannot be made while a folder has its name.
    std::filesystem::create_directory(file + ".tmp");
    config.set_connect_host("new");
    EXPECT_THROW(config.save(), Kel::Exception);
    EXPECT_EQ("connect_host \"old\";\n", read_file(file));

    std::filesystem::remove(file + ".tmp");
    config.save();
    EXPECT_NE(std::string::npos, read_file(file).find("connect_host \"new\";\n"));
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp"));
    struct stat status;
    ASSERT_EQ(0, ::stat(file.c_str(), &status));
    EXPECT_EQ(0600u, status.st_mode & 07777);

    EXPECT_THROW(Config((dir.path / "missing/parlane.conf").string()).save(), Kel::Exception);
}
