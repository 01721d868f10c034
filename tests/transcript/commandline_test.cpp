#include "client/transcript/commandline.h"

#include "tests/client/tempdir.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{

TEST(CommandLine, ExitStatusSaysWhatWentWrong)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path / "Saga");
    write_file(dir.path / "Saga/First-Tavern.log", "[2031-05-04 20:15:09] Anna: \"Hi\"\n");
    std::string logs = dir.path.string();
    std::string out_file = dir.file("out.md");
    struct Case
    {
        std::vector<std::string> arguments;
        int status;
        std::string out; // found on standard output
        std::string err; // found on standard error
    } cases[] = {
        { { "--help" }, 0, "Usage: parlane-transcript", "" },
        { { "--logs", logs, "list" }, 0, "Saga\n  First\n    Tavern  1 line  2031-05-04 20:15:09", "" },
        { { "search", "--logs", logs, "HI" }, 0, "Saga/First/Tavern:1: [2031-05-04 20:15:09] Anna: \"Hi\"", "" },
        { { "--logs", logs, "export", "--format", "text", "--no-times", "Saga/First/Tavern" }, 0,
          "== Tavern ==\nAnna: \"Hi\"\n", "" },
        { { "--logs", logs, "export", "--format", "markdown", "Saga/First", "-o", out_file }, 0, "", "" },
        { {}, 2, "", "no command" },
        { { "--bogus", "list" }, 2, "", "unknown option --bogus\nUsage:" },
        { { "frobnicate" }, 2, "", "unknown command frobnicate" },
        { { "--logs" }, 2, "", "--logs needs a value" },
        { { "--logs", logs, "export", "Saga/First" }, 2, "", "export needs --format" },
        { { "--logs", logs, "export", "--format", "pdf", "Saga/First" }, 2, "", "unknown format pdf" },
        { { "--logs", logs, "export", "--format", "text", "Saga" }, 2, "", "GAME/SESSION[/SCENE], not Saga" },
        { { "--logs", logs, "search" }, 2, "", "search takes one TEXT" },
        { { "--logs", logs, "export", "--format", "text", "Saga/Second" }, 1, "", "no transcript Saga/Second in" },
        { { "--logs", logs, "export", "--format", "text", "Saga/First/Cellar" }, 1, "", "no transcript" },
        { { "--logs", logs, "search", "--game", "Epic", "x" }, 1, "", "no game Epic" },
        { { "--logs", logs, "export", "--format", "text", "Saga/First", "-o", dir.file("no/such/dir") }, 1, "", "" },
    };
    for (const Case& c : cases)
    {
        std::string line;
        for (const std::string& a : c.arguments)
            line += a + " ";
        SCOPED_TRACE(line);
        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(c.status, Transcript::run_command_line(c.arguments, out, err));
        EXPECT_NE(std::string::npos, out.str().find(c.out)) << out.str();
        EXPECT_NE(std::string::npos, err.str().find(c.err)) << err.str();
        EXPECT_EQ(c.status != 0, !err.str().empty());
    }
    EXPECT_NE(std::string::npos, read_file(out_file).find("# Saga \xE2\x80\x94 First"));
}

} // namespace
