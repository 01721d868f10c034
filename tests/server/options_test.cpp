#include "server/options.h"

#include "libs/core/source/core/except.h"
#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
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

// For each of a LAN address, another, a second loopback address and ::1:
// c if it may connect, g if the game master may log in from it.
std::string verdicts(const AccessPolicy& access)
{
    std::string text;
    for (const char* address : { "192.168.1.5", "10.0.0.1", "127.0.0.2", "::1" })
    {
        text += access.may_connect(HostAddress(address)) ? "c" : "-";
        text += access.may_be_game_master(HostAddress(address)) ? "g " : "- ";
    }
    return text;
}

TEST(Options, DefaultsAndValuesAfterTheOptionOrAfterEquals)
{
    const Options defaults = parse({});
    EXPECT_EQ(std::make_tuple(defaults.get_port(), defaults.get_login_timeout(), defaults.get_help()),
        std::make_tuple(7254, 30u, false));
    EXPECT_EQ(verdicts(defaults.get_access()), "c- c- cg cg ");
    EXPECT_EQ(defaults.get_access().describe_game_master(), "127.0.0.0/8, ::1/128");
    EXPECT_EQ(defaults.get_access().get_max_per_address(), 16u);

    const Options options = parse({ "--port", "0", "--bind=0.0.0.0", "--game", "Dark Tower", "--state=/tmp/s",
        "--login-timeout", "86400", "--help", "--allow", "192.168.1.0/24", "--allow=10.0.0.1", "--gm-from",
        "192.168.1.5", "--max-per-address", "2" });
    EXPECT_EQ(std::make_tuple(options.get_port(), options.get_bind(), options.get_game(), options.get_state(),
                  options.get_login_timeout(), options.get_help()),
        std::make_tuple(0, std::string("0.0.0.0"), std::string("Dark Tower"), std::string("/tmp/s"), 86400u, true));
    // The allowed ranges add up; naming a game master's address replaces the loopback.
    EXPECT_EQ(verdicts(options.get_access()), "cg c- -- -- ");
    EXPECT_EQ(options.get_access().get_max_per_address(), 2u);
    EXPECT_EQ(parse({ "--port=65535" }).get_port(), 65535);
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
