#include "server/serverapp.h"

#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{

using namespace servertest;

TEST(ServerApp, HelpOrABadOptionPrintsTheUsage)
{
    for (const char* option : { "--help", "--colour" })
    {
        SCOPED_TRACE(option);
        const bool help = std::string(option) == "--help";
        ServerProcess server({ option }, false);
        EXPECT_EQ(server.exit_status(), help ? 0 : 1);
        const std::string log = server.log();
        EXPECT_EQ(log.find(help ? "Usage: " : "UsageError: Unknown argument '--colour'\nUsage: "), 0u) << log;
        EXPECT_NE(log.find("--state FILE"), std::string::npos);
    }
}

// Every test's servers are also ended with SIGTERM and must exit with 0.
TEST(ServerApp, APortInUseFailsTheStartAndSigintEndsTheServer)
{
    ServerProcess first;
    EXPECT_EQ(first.address.compare(0, 10, "127.0.0.1:"), 0) << first.address;
    ServerProcess second({ "--port", first.address.substr(first.address.rfind(':') + 1) }, false);
    EXPECT_EQ(second.exit_status(), 1);
    EXPECT_NE(second.log().find("Unable to bind"), std::string::npos) << second.log();
    EXPECT_EQ(first.exit_status(SIGINT), 0);
    EXPECT_NE(first.log().find("Server stopped\n"), std::string::npos);
}

TEST(ServerApp, AStateFileIsCreatedAtOnceOrStopsTheStartIfUnusable)
{
    TempDir dir;
    {
        ServerProcess server({ "--state", dir.file("new") });
        EXPECT_NE(read_file(dir.file("new")).find("scene \"OOC\" false \"\";\n"), std::string::npos);
    }
    {
        ServerProcess server({ "--state", dir.file("missing/state") }, false);
        EXPECT_EQ(server.exit_status(), 1);
        EXPECT_NE(server.log().find("missing/state.tmp"), std::string::npos) << server.log();
    }
    std::ofstream(dir.file("bad")) << "character \"Alice\";\n";
    ServerProcess server({ "--state", dir.file("bad") }, false);
    EXPECT_EQ(server.exit_status(), 1);
    EXPECT_NE(server.log().find("bad:1: Wrong number of arguments"), std::string::npos) << server.log();
    // The file is left for its owner to mend.
    EXPECT_EQ(read_file(dir.file("bad")), "character \"Alice\";\n");
}

} // namespace
