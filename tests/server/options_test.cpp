#include "server/options.h"

#include "libs/core/source/core/except.h"
#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

Options parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "parlane-server");
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(&arg[0]);
    argv.push_back(nullptr);
    return Options(static_cast<int>(args.size()), argv.data());
}

TEST(Options, DefaultsAndValuesAfterTheOptionOrAfterEquals)
{
    EXPECT_EQ(parse({}).get_port(), 7254);
    EXPECT_EQ(parse({}).get_login_timeout(), 30u);
    Options options = parse({ "--port", "0", "--bind=0.0.0.0", "--game", "Dark Tower", "--state=/tmp/s",
        "--login-timeout", "86400", "--help" });
    EXPECT_EQ(options.get_port(), 0);
    EXPECT_EQ(options.get_bind(), "0.0.0.0");
    EXPECT_EQ(options.get_game(), "Dark Tower");
    EXPECT_EQ(options.get_state(), "/tmp/s");
    EXPECT_EQ(options.get_login_timeout(), 86400u);
    EXPECT_TRUE(options.get_help());
    EXPECT_EQ(parse({ "--port=65535" }).get_port(), 65535);
}

TEST(Options, AccessRangesAddUpAndTheGameMasterDefaultsToTheLoopback)
{
    const HostAddress lan("192.168.1.5"), other("10.0.0.1"), loopback("127.0.0.2");
    const Options parsed = parse({});
    const AccessPolicy& defaults = parsed.get_access();
    EXPECT_TRUE(defaults.may_connect(other));
    EXPECT_TRUE(defaults.may_be_game_master(HostAddress("::1")));
    EXPECT_FALSE(defaults.may_be_game_master(lan));
    EXPECT_EQ(defaults.describe_game_master(), "127.0.0.0/8, ::1/128");
    EXPECT_EQ(defaults.get_max_per_address(), 16u);

    const Options options = parse({ "--allow", "192.168.1.0/24", "--allow=10.0.0.1", "--gm-from", "192.168.1.5",
        "--max-per-address", "2" });
    EXPECT_TRUE(options.get_access().may_connect(lan));
    EXPECT_TRUE(options.get_access().may_connect(other));
    EXPECT_FALSE(options.get_access().may_connect(loopback));
    // Naming a game master's address replaces the loopback.
    EXPECT_TRUE(options.get_access().may_be_game_master(lan));
    EXPECT_FALSE(options.get_access().may_be_game_master(loopback));
    EXPECT_EQ(options.get_access().get_max_per_address(), 2u);
}

TEST(Options, BadArgumentsAreUsageErrors)
{
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        { { "--port" }, "Option --port needs a value" },
        { { "--port", "65536" }, "Invalid port '65536'" },
        { { "--port=" }, "Invalid port ''" },
        { { "--bind", "localhost" }, "Invalid address 'localhost'" },
        { { "--game", "a;b" }, "Invalid game name 'a;b'" },
        { { "--state=" }, "Option --state needs a file name" },
        { { "--login-timeout", "0" }, "Invalid login time-out '0'" },
        { { "--login-timeout", "86401" }, "Invalid login time-out '86401'" },
        { { "--help=yes" }, "Unknown argument '--help=yes'" },
        { { "--gm-from", "10.0.0.0/33" }, "Invalid address range '10.0.0.0/33'" },
        { { "--allow", "example.org" }, "Invalid address range 'example.org'" },
        { { "--max-per-address", "0" }, "Invalid connection limit '0'" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.second);
        EXPECT_THROW(parse(c.first), Kel::UsageError);
        EXPECT_EQ(thrown([&] { parse(c.first); }), c.second);
    }
}

} // namespace
