// The program's start and end: options, exit statuses, signals.

#include "server/serverapp.h"

#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{

using servertest::ServerProcess;
using servertest::TempDir;

TEST(ServerApp, HelpPrintsTheUsageAndSucceeds)
{
    ServerProcess server({ "--help" }, false);
    EXPECT_EQ(server.wait_exit(), 0);
    EXPECT_EQ(server.log().find("Usage: "), 0u);
    EXPECT_NE(server.log().find("--state FILE"), std::string::npos);
}

TEST(ServerApp, ABadOptionPrintsTheUsageAndFails)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        { { "--colour", "red" }, "UsageError: Unknown argument '--colour'\nUsage: " },
        { { "--port", "http" }, "UsageError: Invalid port 'http'\nUsage: " },
        { { "--bind" }, "UsageError: Option --bind needs a value\nUsage: " },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.second);
        ServerProcess server(c.first, false);
        EXPECT_EQ(server.wait_exit(), 1);
        EXPECT_EQ(server.log().find(c.second), 0u) << server.log();
    }
}

TEST(ServerApp, SigtermAndSigintEndTheServer)
{
    for (int signal_number : { SIGTERM, SIGINT })
    {
        SCOPED_TRACE(signal_number);
        ServerProcess server;
        EXPECT_EQ(server.address.compare(0, 10, "127.0.0.1:"), 0) << server.address;
        EXPECT_EQ(server.stop(signal_number), 0);
        EXPECT_NE(server.log().find("Server stopped\n"), std::string::npos);
    }
}

TEST(ServerApp, APortInUseIsReportedAndFails)
{
    ServerProcess first;
    std::string port = first.address.substr(first.address.rfind(':') + 1);
    ServerProcess second({ "--port", port }, false);
    EXPECT_EQ(second.wait_exit(), 1);
    EXPECT_NE(second.log().find("Unable to bind"), std::string::npos) << second.log();
}

TEST(ServerApp, AStateFileThatCannotBeUsedStopsTheStart)
{
    TempDir dir;
    {
        ServerProcess server({ "--state", dir.file("missing/state") }, false);
        EXPECT_EQ(server.wait_exit(), 1);
        EXPECT_NE(server.log().find("missing/state.tmp"), std::string::npos) << server.log();
    }
    {
        std::ofstream(dir.file("bad")) << "character \"Alice\";\n";
        ServerProcess server({ "--state", dir.file("bad") }, false);
        EXPECT_EQ(server.wait_exit(), 1);
        EXPECT_NE(server.log().find("bad:1: Wrong number of arguments"), std::string::npos) << server.log();
        // The file is left for its owner to mend.
        EXPECT_EQ(servertest::read_file(dir.file("bad")), "character \"Alice\";\n");
    }
}

TEST(ServerApp, AMissingStateFileIsCreatedAtOnce)
{
    TempDir dir;
    ServerProcess server({ "--state", dir.file("new") });
    EXPECT_NE(servertest::read_file(dir.file("new")).find("scene \"OOC\" false \"\";\n"), std::string::npos);
}

} // namespace
