#include "server/serverapp.h"

#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{

using namespace servertest;

TEST(ServerApp, HelpOrABadOptionPrintsTheUsage)
{
    const struct
    {
        std::vector<std::string> args;
        int status;
        std::string start;
    } cases[] = {
        { { "--help" }, 0, "Usage: " },
        { { "--colour", "red" }, 1, "UsageError: Unknown argument '--colour'\nUsage: " },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.start);
        ServerProcess server(c.args, false);
        EXPECT_EQ(server.exit_status(), c.status);
        EXPECT_EQ(server.log().find(c.start), 0u) << server.log();
        EXPECT_NE(server.log().find("--state FILE"), std::string::npos);
    }
}

// Every test's servers are also ended with SIGTERM and must exit with 0.
TEST(ServerApp, SigintEndsTheServer)
{
    ServerProcess server;
    EXPECT_EQ(server.address.compare(0, 10, "127.0.0.1:"), 0) << server.address;
    EXPECT_EQ(server.exit_status(SIGINT), 0);
    EXPECT_NE(server.log().find("Server stopped\n"), std::string::npos);
}

TEST(ServerApp, APortInUseIsReportedAndFails)
{
    ServerProcess first;
    ServerProcess second({ "--port", first.address.substr(first.address.rfind(':') + 1) }, false);
    EXPECT_EQ(second.exit_status(), 1);
    EXPECT_NE(second.log().find("Unable to bind"), std::string::npos) << second.log();
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
